#ifndef ZEL23_RECORDS_BUS_H
#define ZEL23_RECORDS_BUS_H

#include "zel23.h"

#include <string_view>

namespace zel23::detail {

// Fills every field of `record` from its line; a malformed input goes to
// the fatal reporter. Shared by the line constructor, the case reader and
// the recoverable interface.
void parseRecord(ZELBus& record, std::string_view line);

template <class Printer> void printFields(Printer& p, const ZELBus& r) {
  p.field(r.I(), 10).field(r.IDE(), 1).field(r.PL(), 10).field(r.QL(), 10);
  p.field(r.GL(), 10).field(r.BL(), 10).field(r.AREA(), 4).field(r.VM(), 0);
  p.field(r.VA(), 9).field(r.NAME(), 10).field(r.BASKV(), 9).field(r.ZONE(), 4);
}

} // namespace zel23::detail

#endif
