#include "records/ZELAreaInterchange.h"

#include "frame/text/convert.h"
#include "frame/text/fatal.h"
#include "frame/text/print.h"
#include "frame/text/scan.h"
#include "records/accessors.h"

namespace {
constexpr std::string_view kSource = "..\\ZELAreaInterchange";
}

ZEL23_VALUE_MEMBERS(ZELAreaInterchange)
ZELAreaInterchange::ZELAreaInterchange(const std::string& line) {
  zel23::detail::parseRecord(*this, line);
}

ZEL23_ACCESSOR(ZELAreaInterchange, int, I)
ZEL23_ACCESSOR(ZELAreaInterchange, int, ISW)
ZEL23_ACCESSOR(ZELAreaInterchange, double, PDES)
ZEL23_ACCESSOR(ZELAreaInterchange, double, PTOL)
ZEL23_ACCESSOR(ZELAreaInterchange, std::string, ARNAME)

void zel23::detail::parseRecord(ZELAreaInterchange& r, std::string_view line) {
  const Fields f = splitFields(line);
  if (f.count() != 5)
    fatalParseError(kSource, __LINE__, "Error parsing Area Interchange Data.");
  r.I() = toInt(f[0]);
  r.ISW() = toInt(f[1]);
  r.PDES() = toDouble(f[2]);
  r.PTOL() = toDouble(f[3]);
  r.ARNAME() = f[4];
}

std::ostream& operator<<(std::ostream& os, const ZELAreaInterchange& r) {
  zel23::detail::LinePrinter p(os);
  zel23::detail::printFields(p, r);
  p.finish();
  return os;
}
