// A MATPOWER case through readMatpower, writeMatpower and readMatpower again.
//
// Always: no crash, problems at lines of the input, one record line per
// record; records built from each row as read and from matrices held whole
// are the same, with the same report, into a case that holds records
// already and with few problems kept. Where the first read reports nothing,
// the written text reads with no problem into the same records (names
// compared without their padding, since the writer trims blanks).

#include "fuzz_support.h"
#include "interop/matpower_read.h"
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

bool sameReads(const zel23::MatpowerReport& a, const zel23::Case& ca,
               const zel23::MatpowerReport& b, const zel23::Case& cb) {
  if (a.problems.size() != b.problems.size()) return false;
  for (std::size_t k = 0; k < a.problems.size(); ++k) {
    const zel23::Problem &p = a.problems[k], &q = b.problems[k];
    if (p.line != q.line || p.section != q.section || p.message != q.message ||
        p.text != q.text)
      return false;
  }
  using zel23_fuzz::sameRecords;
  return a.problemsDropped == b.problemsDropped && a.lines == b.lines &&
         a.recordLines == b.recordLines && a.functionName == b.functionName &&
         a.notCarried == b.notCarried && sameRecords(ca.buses, cb.buses) &&
         sameRecords(ca.generators, cb.generators) &&
         sameRecords(ca.branches, cb.branches) && sameRecords(ca.areas, cb.areas) &&
         ca.comments == cb.comments &&
         zel23_fuzz::sameDouble(ca.systemBase, cb.systemBase);
}

// Both ways of building records, into a case holding one record of each
// kind, keeping `kept` problems.
bool sameBothWays(std::string_view text, std::size_t kept) {
  using zel23::interop::Rows;
  zel23::ReadOptions options;
  options.maxProblems = kept;
  zel23::Case asRead, whole;
  asRead.buses.resize(1);
  asRead.generators.resize(1);
  asRead.branches.resize(1);
  asRead.areas.resize(1);
  whole = asRead;
  const auto a = zel23::interop::readMatpower(text, asRead, options, Rows::kAsRead);
  const auto b = zel23::interop::readMatpower(text, whole, options, Rows::kWhole);
  return sameReads(a, asRead, b, whole);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zel23::Case c1;
  const zel23::MatpowerReport r1 =
      zel23::readMatpower(zel23_fuzz::asText(data, size), c1);
  FUZZ_CHECK(fits(r1, c1));
  FUZZ_CHECK(sameBothWays(zel23_fuzz::asText(data, size), 1000));
  FUZZ_CHECK(sameBothWays(zel23_fuzz::asText(data, size), 3));
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
