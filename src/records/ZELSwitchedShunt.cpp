#include "records/ZELSwitchedShunt.h"

#include <climits>

#include "frame/text/convert.h"
#include "frame/text/print.h"
#include "frame/text/registry.h"
#include "frame/text/tokens.h"
#include "records/accessors.h"

namespace {
constexpr std::string_view kSource = "..\\ZELSwitchedShunt";
constexpr int kMaxBlocks = zel23::detail::kMaxShuntBlocks;

// A double truncated toward zero as the processor's conversion gives it,
// with the processor's answer (INT_MIN) where the value has no int.
int truncateToInt(double value) {
  if (!(value > -2147483649.0 && value < 2147483648.0)) return INT_MIN;
  return static_cast<int>(value);
}
} // namespace

ZEL23_VALUE_MEMBERS(ZELSwitchedShunt)
ZEL23_LINE_CONSTRUCTOR(ZELSwitchedShunt)

ZEL23_ACCESSOR(ZELSwitchedShunt, int, I)
ZEL23_ACCESSOR(ZELSwitchedShunt, int, MODSW)
ZEL23_ACCESSOR(ZELSwitchedShunt, double, VSWHI)
ZEL23_ACCESSOR(ZELSwitchedShunt, double, VSWLO)
ZEL23_ACCESSOR(ZELSwitchedShunt, int, SWREM)
ZEL23_ACCESSOR(ZELSwitchedShunt, double, VDES)
ZEL23_ACCESSOR(ZELSwitchedShunt, double, BINIT)
ZEL23_ACCESSOR(ZELSwitchedShunt, int, noBlocks)
int& ZELSwitchedShunt::N(int k) { return N_[k]; }
const int& ZELSwitchedShunt::N(int k) const { return N_[k]; }
double& ZELSwitchedShunt::B(int k) { return B_[k]; }
const double& ZELSwitchedShunt::B(int k) const { return B_[k]; }

// I resolves through `names` and may not be negative; SWREM resolves with
// no test. The blocks run to the end of the line.
auto zel23::detail::parseRecord(ZELSwitchedShunt& r, std::string_view line,
                                const BusNames& names) -> ParseResult {
  TokenReader in(line, kSource, "Error parsing switched shunt data: ");
  r.I() = lookupBus(names, in.next("I"));
  if (r.I() < 0) in.failBus(invalidBusNumber(r.I()));
  r.MODSW() = toInt(in.next("MODSW"));
  r.VSWHI() = toDouble(in.next("VSWHI"));
  r.VSWLO() = toDouble(in.next("VSWLO"));
  r.SWREM() = lookupBus(names, in.next("SWREM"));
  r.BINIT() = toDouble(in.next("BINIT"));

  // Every further token is a block value: N, B, N, B, ... Count them all,
  // keep the first sixteen; more than that is an error anyway.
  double values[2 * kMaxBlocks];
  int count = 0;
  for (; in.more(); ++count) {
    if (count < 2 * kMaxBlocks) values[count] = toDouble(in.token());
  }
  if (count % 2 != 0 || count < 2 || count > 2 * kMaxBlocks)
    in.fail("Error parsing switched shunt data: Ni or Bi");
  if (in.failed()) return in.take(); // the blocks may not fit
  r.noBlocks() = count / 2;
  for (int k = 0; k < r.noBlocks(); ++k) {
    r.N(k) = truncateToInt(values[2 * k]);
    r.B(k) = values[2 * k + 1];
  }
  return in.take();
}

std::ostream& operator<<(std::ostream& os, const ZELSwitchedShunt& r) {
  zel23::detail::LinePrinter p(os);
  zel23::detail::printFields(p, r);
  p.finish();
  return os;
}
