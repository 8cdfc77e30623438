#ifndef ZEL23_RECORDS_BRANCH_H
#define ZEL23_RECORDS_BRANCH_H

#include "frame/text/fatal.h"
#include "frame/text/registry.h"
#include "zel23_records.h"

#include <string_view>

namespace zel23::detail {

// Fills every field of `record` from its line, or gives the failure of a
// malformed input; bus names resolve through `names`. Shared by the line constructor, the
// case reader and the recoverable interface.
ParseResult parseRecord(ZELBranch& record, std::string_view line, const BusNames& names);

// The printed form leaves RATEC's position empty (it reads back as 0); the
// exact form writes it.
template <class Printer> void printFields(Printer& p, const ZELBranch& r) {
  p.field(r.I(), 6).field(r.J(), 6).field(r.CKT(), 4).field(r.R(), 8).field(r.X(), 8);
  p.field(r.B(), 7).field(r.RATEA(), 7).field(r.RATEB(), 7).fieldNotPrinted(r.RATEC(), 7);
  p.field(r.RATIO(), 7).field(r.ANGLE(), 7).field(r.GI(), 9).field(r.BI(), 9);
  p.field(r.GJ(), 9).field(r.BJ(), 9).field(r.ST(), 1);
}

} // namespace zel23::detail

#endif
