#ifndef ZEL23_RECORDS_AREA_INTERCHANGE_H
#define ZEL23_RECORDS_AREA_INTERCHANGE_H

#include "frame/text/fatal.h"
#include "frame/text/registry.h"
#include "zel23_records.h"

#include <string_view>

namespace zel23::detail {

// Fills every field of `record` from its line, or gives the failure of a
// malformed input; bus names resolve through `names`. Shared by the line constructor, the
// case reader and the recoverable interface.
ParseResult parseRecord(ZELAreaInterchange& record, std::string_view line,
                        const BusNames& names);

template <class Printer> void printFields(Printer& p, const ZELAreaInterchange& r) {
  p.field(r.I(), 6).field(r.ISW(), 6).field(r.PDES(), 9).field(r.PTOL(), 9);
  p.field(r.ARNAME(), 10);
}

} // namespace zel23::detail

#endif
