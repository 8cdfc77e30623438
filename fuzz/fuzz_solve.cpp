// The power flow over any case the reader takes. Always: no crash; a case
// refused has its problems; otherwise every result is a finite number, and
// what apply() writes into the case (what `zel23 solve -o` writes) too.

#include "fuzz_support.h"

#include "zel23_flow.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

bool finite(std::initializer_list<double> values) {
  for (double v : values)
    if (!std::isfinite(v)) return false;
  return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zel23::Case c;
  zel23::readBuffer(std::string_view(reinterpret_cast<const char*>(data), size), c);
  zel23::SolveOptions options;
  options.flatStart = size % 2 == 1;
  options.enforceQLimits = size % 3 == 1;
  const zel23::Solution s = zel23::solve(c, options);
  if (s.status == zel23::SolveStatus::badInput) {
    FUZZ_CHECK(!s.problems.empty());
    return 0;
  }
  FUZZ_CHECK(s.buses.size() == c.buses.size() && s.branches.size() == c.branches.size());
  // Buses not solved (type 4) keep the case's values, whatever they are.
  for (const zel23::BusResult& b : s.buses)
    FUZZ_CHECK(b.type == 4 || finite({b.vm, b.va, b.p, b.q, b.mismatchP, b.mismatchQ}));
  for (const zel23::GeneratorResult& g : s.generators)
    FUZZ_CHECK(!g.solved || finite({g.pg, g.qg}));
  for (const zel23::BranchResult& b : s.branches)
    FUZZ_CHECK(!b.solved || finite({b.pFrom, b.qFrom, b.pTo, b.qTo}));
  FUZZ_CHECK(finite({s.largestMismatch, s.generationMW, s.lossesMW}) || !s.converged());
  zel23::apply(s, c);
  for (std::size_t k = 0; k < c.buses.size(); ++k)
    FUZZ_CHECK(!s.buses[k].solved || finite({c.buses[k].VM(), c.buses[k].VA()}));
  return 0;
}
