// The field splitter and the field cursor on any line: the splitter must cut
// exactly the fields that the rules, walked one byte at a time, give; the
// cursor's tokens must be non-empty pieces of the line that move forward,
// and the cursor must end.

#include "frame/text/scan.h"
#include "fuzz_support.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

bool within(std::string_view piece, std::string_view line) {
  return piece.empty() || (piece.data() >= line.data() &&
                           piece.data() + piece.size() <= line.data() + line.size());
}

// The splitter's rules, one byte at a time.
std::vector<std::string_view> plainSplit(std::string_view line) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  std::vector<std::string_view> fields;
  const std::size_t n = line.size();
  std::size_t pos = 0;
  bool havePrevious = false;
  std::size_t previous = 0;
  while (pos < n) {
    while (pos < n && blank(line[pos]))
      ++pos;
    if (pos == n) break;
    if (line[pos] == '\'') {
      const std::size_t close = line.find('\'', pos + 1);
      if (close == std::string_view::npos) {
        fields.push_back(line.substr(pos));
        break;
      }
      fields.push_back(line.substr(pos, close + 1 - pos));
      pos = close;
    } else if (line[pos] == ',') {
      if (havePrevious && line[previous] == ',') fields.emplace_back();
    } else {
      std::size_t end = pos + 1;
      while (end < n && !blank(line[end]) && line[end] != ',')
        ++end;
      fields.push_back(line.substr(pos, end - pos));
      pos = end == n ? end - 1 : end;
    }
    havePrevious = true;
    previous = pos;
    ++pos;
  }
  return fields;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zel23::detail;
  const std::string_view line = zel23_fuzz::asText(data, size);
  const Fields fields = splitFields(line);
  const std::vector<std::string_view> expected = plainSplit(line);
  FUZZ_CHECK(fields.count() == expected.size());
  for (std::size_t i = 0; i < fields.count() && i < Fields::kCapacity; ++i)
    FUZZ_CHECK(within(fields[i], line) && fields[i] == expected[i] &&
               (expected[i].empty() || fields[i].data() == expected[i].data()));

  std::size_t tokens = 0;
  const char* previousEnd = line.data();
  for (FieldCursor cursor(line); !cursor.exhausted(); cursor.advance()) {
    const std::string_view token = cursor.token();
    FUZZ_CHECK(!token.empty() && within(token, line) && token.data() >= previousEnd);
    previousEnd = token.data() + token.size();
    FUZZ_CHECK(++tokens <= line.size());
  }
  return 0;
}
