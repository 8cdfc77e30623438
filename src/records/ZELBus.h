#ifndef ZEL23_RECORDS_BUS_H
#define ZEL23_RECORDS_BUS_H

#include "frame/text/fatal.h"
#include "frame/text/registry.h"
#include "zel23_records.h"

#include <string_view>

namespace zel23::detail {

// Fills every field of `record` from its line, or gives the failure of a
// malformed input; bus names resolve through `names`. Shared by the line constructor, the
// case reader and the recoverable interface.
ParseResult parseRecord(ZELBus& record, std::string_view line, const BusNames& names);

template <class Printer> void printFields(Printer& p, const ZELBus& r) {
  p.field(r.I(), 10).field(r.IDE(), 1).field(r.PL(), 10).field(r.QL(), 10);
  p.field(r.GL(), 10).field(r.BL(), 10).field(r.AREA(), 4).field(r.VM(), 0);
  p.field(r.VA(), 9).field(r.NAME(), 10).field(r.BASKV(), 9).field(r.ZONE(), 4);
}

} // namespace zel23::detail

#endif
