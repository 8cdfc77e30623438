// A whole case through the recoverable reader, the readiness check and the
// writer.
//
// Read the input (C1), write it (T1), read T1 (C2), write C2 (T2). Always:
// no crash, one line number per comment line, the parallel reader gives what
// the sequential one gives, and where the read reports nothing, ZELParse
// fills the same lists. When C1 is representable (see
// below): T2 == T1, every record of C2 is its C1 record with the doubles at
// four decimals, and the second read reports only what the first reported
// about header line 1.
//
// Why T2 == T1 and not C2 == C1: printing rounds a double to four decimals
// and the branch's RATEC is not printed, so C2 differs from C1; but the value
// strtod gives for a four-decimal text prints as that same text, so from C2
// on, reading and writing change nothing.
//
// Not representable, and so only read without the equality checks, is a
// case where the written form itself reads differently, by the rules of the
// format: a record whose first field is 0 is written as a line that reads
// as a terminator; a written line longer than 1023 characters is cut; and
// the records whose printed line never reads back (readsBack).

#include "fuzz_support.h"

#include "zel23_check.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <sstream>

namespace {

using namespace zel23_fuzz;

template <class Rec> bool allReadBack(const std::vector<Rec>& records) {
  for (const Rec& r : records)
    if (r.I() == 0 || !readsBack(r)) return false;
  return true;
}

bool representable(const zel23::Case& c, const std::string& text) {
  if (!allReadBack(c.buses) || !allReadBack(c.generators) || !allReadBack(c.branches) ||
      !allReadBack(c.adjustments) || !allReadBack(c.areas) || !allReadBack(c.dcLines) ||
      !allReadBack(c.shunts))
    return false;
  std::size_t start = 0;
  for (std::size_t feed; (feed = text.find('\n', start)) != std::string::npos;
       start = feed + 1)
    if (feed - start > 1023) return false;
  return true;
}

template <class Rec>
bool sameLists(const std::vector<Rec>& original, const std::vector<Rec>& reread) {
  if (original.size() != reread.size()) return false;
  for (std::size_t i = 0; i < original.size(); ++i)
    if (!sameAfterPrinting(original[i], reread[i])) return false;
  return true;
}

// The report's line numbers agree with the lists and with the input.
bool reportFits(const zel23::ReadReport& r, const zel23::Case& c) {
  const std::size_t counts[] = {
      c.buses.size(), c.generators.size(), c.branches.size(), c.adjustments.size(),
      c.areas.size(), c.dcLines.size(),    c.shunts.size()};
  for (int s = 0; s < zel23::kSectionCount; ++s)
    if (r.recordLines[s].size() != counts[s]) return false;
  if (r.commentLines.size() != c.comments.size()) return false;
  for (std::size_t i = 1; i < r.commentLines.size(); ++i)
    if (r.commentLines[i] <= r.commentLines[i - 1] && i >= 3) return false;
  for (const zel23::Problem& p : r.problems)
    if (p.line > r.lines) return false;
  return true;
}

bool sameProblems(const zel23::ReadReport& a, const zel23::ReadReport& b) {
  if (a.problems.size() != b.problems.size()) return false;
  for (std::size_t i = 0; i < a.problems.size(); ++i) {
    const zel23::Problem& p = a.problems[i];
    const zel23::Problem& q = b.problems[i];
    if (p.line != q.line || p.section != q.section || p.message != q.message ||
        p.text != q.text)
      return false;
  }
  return a.problemsDropped == b.problemsDropped && a.lines == b.lines &&
         a.recordLines == b.recordLines && a.commentLines == b.commentLines;
}

bool sameCase(const zel23::Case& a, const zel23::Case& b) {
  return a.comments == b.comments && sameDouble(a.systemBase, b.systemBase) &&
         sameRecords(a.buses, b.buses) && sameRecords(a.generators, b.generators) &&
         sameRecords(a.branches, b.branches) &&
         sameRecords(a.adjustments, b.adjustments) && sameRecords(a.areas, b.areas) &&
         sameRecords(a.dcLines, b.dcLines) && sameRecords(a.shunts, b.shunts);
}

std::size_t headerProblems(const zel23::ReadReport& report) {
  std::size_t n = 0;
  for (const zel23::Problem& p : report.problems)
    n += p.section == zel23::kHeader;
  return n;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  zel23::Case c1;
  std::istringstream in1(input);
  const zel23::ReadReport r1 = zel23::read(in1, c1);
  FUZZ_CHECK(reportFits(r1, c1));
  const std::string t1 = written(c1);

  // The readiness check, the numbers' text included, takes whatever was
  // read and keeps its findings in line order.
  const std::vector<zel23::Finding> findings = zel23::check(c1, r1, input).findings;
  FUZZ_CHECK(
      std::is_sorted(findings.begin(), findings.end(),
                     [](const auto& a, const auto& b) { return a.line < b.line; }));

  // The parallel reader, in chunks small enough to split any input.
  zel23::ReadOptions options;
  options.threads = 2;
  options.chunkBytes = 16;
  options.maxProblems = 3;
  zel23::Case cp;
  const zel23::ReadReport rp = zel23::readBuffer(input, cp, options);
  zel23::Case c3;
  std::istringstream in3(input);
  FUZZ_CHECK(sameProblems(rp, zel23::read(in3, c3, options)) && sameCase(cp, c3));

  if (r1.ok()) {
    zel23::Case p;
    std::istringstream in(input);
    ZELParse(in, p.buses, p.generators, p.branches, p.adjustments, p.areas, p.dcLines,
             p.shunts, p.comments, p.systemBase);
    FUZZ_CHECK(sameCase(p, c1));
  }

  zel23::Case c2;
  std::istringstream in2(t1);
  const zel23::ReadReport r2 = zel23::read(in2, c2);
  const std::string t2 = written(c2);
  if (!representable(c1, t1)) return 0;
  FUZZ_CHECK(t2 == t1);
  FUZZ_CHECK(r2.problems.size() == headerProblems(r1));
  FUZZ_CHECK(sameLists(c1.buses, c2.buses) && sameLists(c1.generators, c2.generators) &&
             sameLists(c1.branches, c2.branches) &&
             sameLists(c1.adjustments, c2.adjustments) && sameLists(c1.areas, c2.areas) &&
             sameLists(c1.dcLines, c2.dcLines) && sameLists(c1.shunts, c2.shunts));
  return 0;
}
