#ifndef ZEL23_RECORDS_SWITCHED_SHUNT_H
#define ZEL23_RECORDS_SWITCHED_SHUNT_H

#include "frame/text/fatal.h"
#include "frame/text/registry.h"
#include "zel23_records.h"

#include <algorithm>
#include <string_view>

namespace zel23::detail {

inline constexpr int kMaxShuntBlocks = 8;

// Fills every field of `record` from its line, or gives the failure of a
// malformed input; bus names resolve through `names`. Shared by the line constructor, the
// case reader and the recoverable interface.
ParseResult parseRecord(ZELSwitchedShunt& record, std::string_view line,
                        const BusNames& names);

// No VDES column: the printed line is exactly what the parser reads.
template <class Printer> void printFields(Printer& p, const ZELSwitchedShunt& r) {
  p.field(r.I(), 6).field(r.MODSW(), 6).field(r.VSWHI(), 9).field(r.VSWLO(), 9);
  p.field(r.SWREM(), 6).field(r.BINIT(), 9);
  // Slot 0 at least; never past the eighth slot, whatever noBlocks holds.
  const int blocks = std::clamp(r.noBlocks(), 1, kMaxShuntBlocks);
  for (int k = 0; k < blocks; ++k)
    p.field(r.N(k), 6).field(r.B(k), 9);
}

} // namespace zel23::detail

#endif
