#ifndef ZEL23_RECORDS_TWO_TERMINAL_DC_H
#define ZEL23_RECORDS_TWO_TERMINAL_DC_H

#include "frame/text/fatal.h"
#include "frame/text/registry.h"
#include "zel23_records.h"

#include <string_view>

namespace zel23::detail {

// Fills every field of `record` from its lines, or gives the failure of a
// malformed input; bus names resolve through `names`. Shared by the line constructor, the
// case reader and the recoverable interface.
ParseResult parseRecord(ZELTwoTerminalDC& record, std::string_view line1,
                        std::string_view line2, std::string_view line3,
                        const BusNames& names);

template <class Printer> void printFields(Printer& p, const ZELTwoTerminalDC& r) {
  p.field(r.I(), 6).field(r.MDC(), 1).field(r.RDC(), 9).field(r.SETVL(), 9);
  p.field(r.VSCHD(), 9).field(r.VCMOD(), 9).field(r.RCOMP(), 9).field(r.DELTI(), 9);
  p.field(r.METER(), 3).endLine();
  p.field(r.IPR(), 6).field(r.NBR(), 6).field(r.ALFMX(), 9).field(r.ALFMN(), 6);
  p.field(r.RCR(), 9).field(r.XCR(), 9).field(r.EBASR(), 9).field(r.TRR(), 9);
  p.field(r.TAPR(), 9).field(r.TPMXR(), 9).field(r.TPMNR(), 9).field(r.TSTPR(), 9);
  p.endLine();
  p.field(r.IPI(), 6).field(r.NBI(), 6).field(r.GAMMX(), 9).field(r.GAMMN(), 6);
  p.field(r.RCI(), 9).field(r.XCI(), 9).field(r.EBASI(), 9).field(r.TRI(), 9);
  p.field(r.TAPI(), 9).field(r.TPMXI(), 9).field(r.TPMNI(), 9).field(r.TSTPI(), 9);
}

} // namespace zel23::detail

#endif
