#ifndef ZEL23_RECORDS_AREA_INTERCHANGE_H
#define ZEL23_RECORDS_AREA_INTERCHANGE_H

#include "zel23.h"

#include <string_view>

namespace zel23::detail {

// Fills every field of `record` from its line; a malformed input goes to
// the fatal reporter. Shared by the line constructor, the case reader and
// the recoverable interface.
void parseRecord(ZELAreaInterchange& record, std::string_view line);

template <class Printer> void printFields(Printer& p, const ZELAreaInterchange& r) {
  p.field(r.I(), 6).field(r.ISW(), 6).field(r.PDES(), 9).field(r.PTOL(), 9);
  p.field(r.ARNAME(), 10);
}

} // namespace zel23::detail

#endif
