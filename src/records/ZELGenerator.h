#ifndef ZEL23_RECORDS_GENERATOR_H
#define ZEL23_RECORDS_GENERATOR_H

#include "frame/text/fatal.h"
#include "frame/text/registry.h"
#include "zel23_records.h"

#include <string_view>

namespace zel23::detail {

// Fills every field of `record` from its line, or gives the failure of a
// malformed input; bus names resolve through `names`. Shared by the line constructor, the
// case reader and the recoverable interface.
ParseResult parseRecord(ZELGenerator& record, std::string_view line,
                        const BusNames& names);

template <class Printer> void printFields(Printer& p, const ZELGenerator& r) {
  p.field(r.I(), 1).field(r.ID(), 4).field(r.PG(), 10).field(r.QG(), 10);
  p.field(r.QT(), 10).field(r.QB(), 10).field(r.VS(), 7).field(r.IREG(), 5);
  p.field(r.MBASE(), 10).field(r.ZR(), 10).field(r.ZX(), 10).field(r.RT(), 10);
  p.field(r.XT(), 10).field(r.GTAP(), 7).field(r.STAT(), 1).field(r.RMPCT(), 7);
  p.field(r.PT(), 10).field(r.PB(), 10);
}

} // namespace zel23::detail

#endif
