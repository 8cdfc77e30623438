#include "records/ZELBranch.h"

#include "frame/text/convert.h"
#include "frame/text/print.h"
#include "frame/text/scan.h"
#include "records/accessors.h"

namespace {
constexpr std::string_view kSource = "..\\ZELBranch";
}

ZEL23_VALUE_MEMBERS(ZELBranch)
ZEL23_LINE_CONSTRUCTOR(ZELBranch)

ZEL23_ACCESSOR(ZELBranch, int, I)
ZEL23_ACCESSOR(ZELBranch, int, J)
ZEL23_ACCESSOR(ZELBranch, std::string, CKT)
ZEL23_ACCESSOR(ZELBranch, double, R)
ZEL23_ACCESSOR(ZELBranch, double, X)
ZEL23_ACCESSOR(ZELBranch, double, B)
ZEL23_ACCESSOR(ZELBranch, double, RATEA)
ZEL23_ACCESSOR(ZELBranch, double, RATEB)
ZEL23_ACCESSOR(ZELBranch, double, RATEC)
ZEL23_ACCESSOR(ZELBranch, double, RATIO)
ZEL23_ACCESSOR(ZELBranch, double, ANGLE)
ZEL23_ACCESSOR(ZELBranch, double, GI)
ZEL23_ACCESSOR(ZELBranch, double, BI)
ZEL23_ACCESSOR(ZELBranch, double, GJ)
ZEL23_ACCESSOR(ZELBranch, double, BJ)
ZEL23_ACCESSOR(ZELBranch, int, ST)

auto zel23::detail::parseRecord(ZELBranch& r, std::string_view line, const BusNames&)
    -> ParseResult {
  const Fields f = splitFields(line);
  if (f.count() != 16) return failure(kSource, __LINE__, "Error parsing branch data");
  r.I() = toInt(f[0]);
  r.J() = toInt(f[1]);
  r.CKT() = f[2];
  r.R() = toDouble(f[3]);
  r.X() = toDouble(f[4]);
  r.B() = toDouble(f[5]);
  r.RATEA() = toDouble(f[6]);
  r.RATEB() = toDouble(f[7]);
  r.RATEC() = toDouble(f[8]);
  r.RATIO() = toDouble(f[9]);
  r.ANGLE() = toDouble(f[10]);
  r.GI() = toDouble(f[11]);
  r.BI() = toDouble(f[12]);
  r.GJ() = toDouble(f[13]);
  r.BJ() = toDouble(f[14]);
  r.ST() = toInt(f[15]);
  return {};
}

std::ostream& operator<<(std::ostream& os, const ZELBranch& r) {
  zel23::detail::LinePrinter p(os);
  zel23::detail::printFields(p, r);
  p.finish();
  return os;
}
