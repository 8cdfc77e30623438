// A MATPOWER case through readMatpower, writeMatpower and readMatpower again.
//
// Always: no crash, problems at lines of the input, one record line per
// record. Where the first read reports nothing, the written text reads with
// no problem into the same records (names compared without their padding,
// since the writer trims blanks).

#include "fuzz_support.h"
#include "zel23_matpower.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <sstream>

namespace {

bool fits(const zel23::MatpowerReport& r, const zel23::Case& c) {
  for (const zel23::Problem& p : r.problems)
    if (p.line > r.lines + 1) return false;
  return r.recordLines[0].size() == c.buses.size() &&
         r.recordLines[1].size() == c.generators.size() &&
         r.recordLines[2].size() == c.branches.size() &&
         r.recordLines[4].size() == c.areas.size();
}

template <class Rec> bool same(const std::vector<Rec>& a, const std::vector<Rec>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t k = 0; k < a.size(); ++k) {
    auto x = zel23::fieldValues(a[k]), y = zel23::fieldValues(b[k]);
    for (std::size_t f = 0; f < x.size(); ++f) {
      const double* u = std::get_if<double>(&x[f]);
      const double* v = std::get_if<double>(&y[f]);
      bool equal = u ? (*u == *v || (std::isnan(*u) && std::isnan(*v))) : x[f] == y[f];
      if (!equal && !std::is_same_v<Rec, ZELBus>) return false;
      if (!equal && f != 9) return false; // 9: NAME
    }
  }
  return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zel23::Case c1;
  const zel23::MatpowerReport r1 =
      zel23::readMatpower(zel23_fuzz::asText(data, size), c1);
  FUZZ_CHECK(fits(r1, c1));
  if (!r1.ok()) return 0;
  std::ostringstream out;
  zel23::writeMatpower(out, c1);
  zel23::Case c2;
  const zel23::MatpowerReport r2 = zel23::readMatpower(out.str(), c2);
  // A base that is not whole is noted again: raw readers take its whole part.
  const bool whole = std::trunc(c1.systemBase) == c1.systemBase;
  FUZZ_CHECK(r2.ok() && r2.notCarried.size() == (whole ? 0u : 1u));
  FUZZ_CHECK(same(c1.buses, c2.buses) && same(c1.generators, c2.generators) &&
             same(c1.branches, c2.branches) && same(c1.areas, c2.areas));
  return 0;
}
