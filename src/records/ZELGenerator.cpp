#include "records/ZELGenerator.h"

#include "frame/text/convert.h"
#include "frame/text/print.h"
#include "frame/text/registry.h"
#include "frame/text/tokens.h"
#include "records/accessors.h"

namespace {
constexpr std::string_view kSource = "..\\ZELGenerator";
}

ZEL23_VALUE_MEMBERS(ZELGenerator)
ZEL23_LINE_CONSTRUCTOR(ZELGenerator)

ZEL23_ACCESSOR(ZELGenerator, int, I)
ZEL23_ACCESSOR(ZELGenerator, std::string, ID)
ZEL23_ACCESSOR(ZELGenerator, double, PG)
ZEL23_ACCESSOR(ZELGenerator, double, QG)
ZEL23_ACCESSOR(ZELGenerator, double, QT)
ZEL23_ACCESSOR(ZELGenerator, double, QB)
ZEL23_ACCESSOR(ZELGenerator, double, VS)
ZEL23_ACCESSOR(ZELGenerator, int, IREG)
ZEL23_ACCESSOR(ZELGenerator, double, MBASE)
ZEL23_ACCESSOR(ZELGenerator, double, ZR)
ZEL23_ACCESSOR(ZELGenerator, double, ZX)
ZEL23_ACCESSOR(ZELGenerator, double, RT)
ZEL23_ACCESSOR(ZELGenerator, double, XT)
ZEL23_ACCESSOR(ZELGenerator, double, GTAP)
ZEL23_ACCESSOR(ZELGenerator, int, STAT)
ZEL23_ACCESSOR(ZELGenerator, double, RMPCT)
ZEL23_ACCESSOR(ZELGenerator, double, PT)
ZEL23_ACCESSOR(ZELGenerator, double, PB)

// I and IREG resolve through `names` and may not be negative; ID is kept
// in quoted form.
auto zel23::detail::parseRecord(ZELGenerator& r, std::string_view line,
                                const BusNames& names) -> ParseResult {
  TokenReader in(line, kSource, "Error parsing generator data: ");
  r.I() = lookupBus(names, in.next("I"));
  if (r.I() < 0) in.failBus(invalidBusNumber(r.I()));
  r.ID() = quotedIdentifier(in.next("ID"));
  r.PG() = toDouble(in.next("PG"));
  r.QG() = toDouble(in.next("QG"));
  r.QT() = toDouble(in.next("QT"));
  r.QB() = toDouble(in.next("QB"));
  r.VS() = toDouble(in.next("VS"));
  r.IREG() = lookupBus(names, in.next("IREG"));
  if (r.IREG() < 0) in.failBus(invalidBusNumber(r.IREG()));
  r.MBASE() = toDouble(in.next("MBASE"));
  r.ZR() = toDouble(in.next("ZR"));
  r.ZX() = toDouble(in.next("ZX"));
  r.RT() = toDouble(in.next("RT"));
  r.XT() = toDouble(in.next("XT"));
  r.GTAP() = toDouble(in.next("GTAP"));
  r.STAT() = toInt(in.next("STAT"));
  r.RMPCT() = toDouble(in.next("RMPCT"));
  r.PT() = toDouble(in.next("PT"));
  r.PB() = toDouble(in.next("PB"));
  return in.take();
}

std::ostream& operator<<(std::ostream& os, const ZELGenerator& r) {
  zel23::detail::LinePrinter p(os);
  zel23::detail::printFields(p, r);
  p.finish();
  return os;
}
