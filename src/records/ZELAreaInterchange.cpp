#include "records/ZELAreaInterchange.h"

#include "frame/text/convert.h"
#include "frame/text/print.h"
#include "frame/text/scan.h"
#include "records/accessors.h"

namespace {
constexpr std::string_view kSource = "..\\ZELAreaInterchange";
}

ZEL23_VALUE_MEMBERS(ZELAreaInterchange)
ZEL23_LINE_CONSTRUCTOR(ZELAreaInterchange)

ZEL23_ACCESSOR(ZELAreaInterchange, int, I)
ZEL23_ACCESSOR(ZELAreaInterchange, int, ISW)
ZEL23_ACCESSOR(ZELAreaInterchange, double, PDES)
ZEL23_ACCESSOR(ZELAreaInterchange, double, PTOL)
ZEL23_ACCESSOR(ZELAreaInterchange, std::string, ARNAME)

// Exactly five fields, split at commas; the last is the area's name as it
// is written.
auto zel23::detail::parseRecord(ZELAreaInterchange& r, std::string_view line,
                                const BusNames&) -> ParseResult {
  const Fields f = splitFields(line);
  if (f.count() != 5)
    return failure(kSource, __LINE__, "Error parsing Area Interchange Data.");
  r.I() = toInt(f[0]);
  r.ISW() = toInt(f[1]);
  r.PDES() = toDouble(f[2]);
  r.PTOL() = toDouble(f[3]);
  r.ARNAME() = f[4];
  return {};
}

std::ostream& operator<<(std::ostream& os, const ZELAreaInterchange& r) {
  zel23::detail::LinePrinter p(os);
  zel23::detail::printFields(p, r);
  p.finish();
  return os;
}
