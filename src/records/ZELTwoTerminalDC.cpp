#include "records/ZELTwoTerminalDC.h"

#include "frame/text/convert.h"
#include "frame/text/print.h"
#include "frame/text/registry.h"
#include "frame/text/tokens.h"
#include "records/accessors.h"

namespace {
constexpr std::string_view kSource = "..\\ZELTwoTerminalDC";
}

ZEL23_VALUE_MEMBERS(ZELTwoTerminalDC)
ZELTwoTerminalDC::ZELTwoTerminalDC(const std::string& line1, const std::string& line2,
                                   const std::string& line3) {
  zel23::detail::exitOnFailure(
      zel23::detail::parseRecord(*this, line1, line2, line3, BName2BNum));
}

ZEL23_ACCESSOR(ZELTwoTerminalDC, int, I)
ZEL23_ACCESSOR(ZELTwoTerminalDC, int, MDC)
ZEL23_ACCESSOR(ZELTwoTerminalDC, double, RDC)
ZEL23_ACCESSOR(ZELTwoTerminalDC, double, SETVL)
ZEL23_ACCESSOR(ZELTwoTerminalDC, double, VSCHD)
ZEL23_ACCESSOR(ZELTwoTerminalDC, double, VCMOD)
ZEL23_ACCESSOR(ZELTwoTerminalDC, double, RCOMP)
ZEL23_ACCESSOR(ZELTwoTerminalDC, double, DELTI)
ZEL23_ACCESSOR(ZELTwoTerminalDC, std::string, METER)
ZEL23_ACCESSOR(ZELTwoTerminalDC, int, IPR)
ZEL23_ACCESSOR(ZELTwoTerminalDC, int, NBR)
ZEL23_ACCESSOR(ZELTwoTerminalDC, double, ALFMX)
ZEL23_ACCESSOR(ZELTwoTerminalDC, double, ALFMN)
ZEL23_ACCESSOR(ZELTwoTerminalDC, double, RCR)
ZEL23_ACCESSOR(ZELTwoTerminalDC, double, XCR)
ZEL23_ACCESSOR(ZELTwoTerminalDC, double, EBASR)
ZEL23_ACCESSOR(ZELTwoTerminalDC, double, TRR)
ZEL23_ACCESSOR(ZELTwoTerminalDC, double, TAPR)
ZEL23_ACCESSOR(ZELTwoTerminalDC, double, TPMXR)
ZEL23_ACCESSOR(ZELTwoTerminalDC, double, TPMNR)
ZEL23_ACCESSOR(ZELTwoTerminalDC, double, TSTPR)
ZEL23_ACCESSOR(ZELTwoTerminalDC, int, IPI)
ZEL23_ACCESSOR(ZELTwoTerminalDC, int, NBI)
ZEL23_ACCESSOR(ZELTwoTerminalDC, double, GAMMX)
ZEL23_ACCESSOR(ZELTwoTerminalDC, double, GAMMN)
ZEL23_ACCESSOR(ZELTwoTerminalDC, double, RCI)
ZEL23_ACCESSOR(ZELTwoTerminalDC, double, XCI)
ZEL23_ACCESSOR(ZELTwoTerminalDC, double, EBASI)
ZEL23_ACCESSOR(ZELTwoTerminalDC, double, TRI)
ZEL23_ACCESSOR(ZELTwoTerminalDC, double, TAPI)
ZEL23_ACCESSOR(ZELTwoTerminalDC, double, TPMXI)
ZEL23_ACCESSOR(ZELTwoTerminalDC, double, TPMNI)
ZEL23_ACCESSOR(ZELTwoTerminalDC, double, TSTPI)

auto zel23::detail::parseRecord(ZELTwoTerminalDC& r, std::string_view line1,
                                std::string_view line2, std::string_view line3,
                                const BusNames& names) -> ParseResult {
  constexpr std::string_view prefix = "Error parsing two terminal DC data: ";
  TokenReader dc(line1, kSource, prefix);
  TokenReader rectifier(line2, dc);
  TokenReader inverter(line3, dc);
  r.I() = toInt(dc.nextOrFail("Error parsing two terminal DC  data: I"));
  r.MDC() = toInt(dc.next("MDC"));
  r.RDC() = toDouble(dc.next("RDC"));
  r.SETVL() = toDouble(dc.next("SETVL"));
  r.VSCHD() = toDouble(dc.next("VSCHD"));
  r.VCMOD() = toDouble(dc.next("VCMOD"));
  r.RCOMP() = toDouble(dc.next("RCOMOP"));
  r.DELTI() = toDouble(dc.next("DELTI"));
  r.METER() = dc.next("METER");

  r.IPR() = lookupBus(names, rectifier.next("IPR"));
  if (r.IPR() < 0) rectifier.failBus(invalidBusNumber(r.IPR()));
  r.NBR() = toInt(rectifier.next("NBR"));
  r.ALFMX() = toDouble(rectifier.next("ALFMX"));
  r.ALFMN() = toDouble(rectifier.next("ALFMN"));
  r.RCR() = toDouble(rectifier.next("RCR"));
  r.XCR() = toDouble(rectifier.next("XCR"));
  r.EBASR() = toDouble(rectifier.next("EBASR"));
  r.TRR() = toDouble(rectifier.next("TRR"));
  r.TAPR() = toDouble(rectifier.next("TAPR"));
  r.TPMXR() = toDouble(rectifier.next("TPMXR"));
  r.TPMNR() = toDouble(rectifier.next("TPMNR"));
  r.TSTPR() = toDouble(rectifier.next("TSTPR"));

  // IPI is a plain number: no registry, no test.
  r.IPI() = toInt(inverter.next("IPI"));
  r.NBI() = toInt(inverter.next("NBI"));
  r.GAMMX() = toDouble(inverter.next("GAMMX"));
  r.GAMMN() = toDouble(inverter.next("GAMMN"));
  r.RCI() = toDouble(inverter.next("RCI"));
  r.XCI() = toDouble(inverter.next("XCI"));
  r.EBASI() = toDouble(inverter.next("EBASI"));
  r.TRI() = toDouble(inverter.next("TRI"));
  r.TAPI() = toDouble(inverter.next("TAPI"));
  r.TPMXI() = toDouble(inverter.next("TPMXI"));
  r.TPMNI() = toDouble(inverter.next("TPMNI"));
  r.TSTPI() = toDouble(inverter.next("TSTPI"));
  return dc.take();
}

std::ostream& operator<<(std::ostream& os, const ZELTwoTerminalDC& r) {
  zel23::detail::LinePrinter p(os);
  zel23::detail::printFields(p, r);
  p.finish();
  return os;
}
