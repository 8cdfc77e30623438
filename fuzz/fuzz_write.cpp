// The checked writers over whatever the recoverable reader makes of the
// input.
//
// Exact form: either the write is refused (an error, nothing written, and
// checkWrite refuses alike), or the text reads back without a problem into
// the same case, every double bit for bit (comment lines the case lacks are
// written as empty header lines and "0" terminators, and read back so).
// Printed form: where checkWrite accepts the case, what ZELPrint writes has
// no line the reader would cut, and reads back every record.

#include "fuzz_support.h"
#include "zel23_case.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <sstream>

namespace {

using namespace zel23_fuzz;

std::string doubleBits(double value) {
  std::uint64_t b;
  std::memcpy(&b, &value, sizeof b);
  return std::to_string(b);
}

// Every field as text, doubles by their bits.
template <class Rec> std::string bits(const std::vector<Rec>& list) {
  std::string out;
  for (const Rec& r : list)
    zel23::forEachField(r, [&](const char*, const auto& value) {
      using T = std::decay_t<decltype(value)>;
      if constexpr (std::is_same_v<T, double>) {
        out += doubleBits(value);
      } else if constexpr (std::is_same_v<T, int>) {
        out += std::to_string(value);
      } else {
        out += value;
      }
      out += '\n';
    });
  return out;
}

std::string bits(const zel23::Case& c) {
  return bits(c.buses) + "|" + bits(c.generators) + "|" + bits(c.branches) + "|" +
         bits(c.adjustments) + "|" + bits(c.areas) + "|" + bits(c.dcLines) + "|" +
         bits(c.shunts) + "|" + doubleBits(c.systemBase);
}

std::size_t records(const zel23::Case& c) {
  return c.buses.size() + c.generators.size() + c.branches.size() + c.adjustments.size() +
         c.areas.size() + c.dcLines.size() + c.shunts.size();
}

bool noLongLine(const std::string& text) {
  std::size_t start = 0;
  for (std::size_t feed; (feed = text.find('\n', start)) != std::string::npos;
       start = feed + 1)
    if (feed - start > 1023) return false;
  return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zel23::Case c;
  std::istringstream in(std::string(asText(data, size)));
  zel23::read(in, c);

  std::ostringstream exact;
  const zel23::WriteReport report = zel23::write(exact, c, zel23::WriteOptions());
  FUZZ_CHECK(report.error == zel23::checkWrite(c, zel23::WriteOptions()).error);
  if (!report.ok()) {
    FUZZ_CHECK(exact.str().empty() && report.line > 0);
  } else {
    zel23::Case back;
    std::istringstream again(exact.str());
    const zel23::ReadReport reread = zel23::read(again, back);
    FUZZ_CHECK(reread.ok() && reread.lines == report.lines);
    FUZZ_CHECK(bits(back) == bits(c));
    const bool complete = c.comments.size() >= 10;
    FUZZ_CHECK(complete ? back.comments == c.comments
                        : std::equal(c.comments.begin(), c.comments.end(),
                                     back.comments.begin()));
  }

  zel23::WriteOptions printedForm;
  printedForm.exact = false;
  if (!zel23::checkWrite(c, printedForm).ok()) return 0;
  const std::string text = written(c);
  FUZZ_CHECK(noLongLine(text));
  zel23::Case back;
  std::istringstream again(text);
  FUZZ_CHECK(zel23::read(again, back).ok() && records(back) == records(c));
  return 0;
}
