#include "records/ZELBus.h"

#include "frame/text/convert.h"
#include "frame/text/print.h"
#include "frame/text/scan.h"
#include "records/accessors.h"

namespace {
constexpr std::string_view kSource = "..\\ZELBus";
}

ZEL23_VALUE_MEMBERS(ZELBus)
ZEL23_LINE_CONSTRUCTOR(ZELBus)

ZEL23_ACCESSOR(ZELBus, int, I)
ZEL23_ACCESSOR(ZELBus, int, IDE)
ZEL23_ACCESSOR(ZELBus, double, PL)
ZEL23_ACCESSOR(ZELBus, double, QL)
ZEL23_ACCESSOR(ZELBus, double, GL)
ZEL23_ACCESSOR(ZELBus, double, BL)
ZEL23_ACCESSOR(ZELBus, int, AREA)
ZEL23_ACCESSOR(ZELBus, double, VM)
ZEL23_ACCESSOR(ZELBus, double, VA)
ZEL23_ACCESSOR(ZELBus, std::string, NAME)
ZEL23_ACCESSOR(ZELBus, double, BASKV)
ZEL23_ACCESSOR(ZELBus, int, ZONE)

auto zel23::detail::parseRecord(ZELBus& r, std::string_view line, const BusNames&)
    -> ParseResult {
  const Fields f = splitFields(line);
  if (f.count() != 12) return failure(kSource, __LINE__, "Error parsing bus data");
  r.I() = toInt(f[0]);
  r.IDE() = toInt(f[1]);
  r.PL() = toDouble(f[2]);
  r.QL() = toDouble(f[3]);
  r.GL() = toDouble(f[4]);
  r.BL() = toDouble(f[5]);
  r.AREA() = toInt(f[6]);
  r.VM() = toDouble(f[7]);
  r.VA() = toDouble(f[8]);
  r.NAME() = f[9];
  r.BASKV() = toDouble(f[10]);
  r.ZONE() = toInt(f[11]);
  return {};
}

std::ostream& operator<<(std::ostream& os, const ZELBus& r) {
  zel23::detail::LinePrinter p(os);
  zel23::detail::printFields(p, r);
  p.finish();
  return os;
}
