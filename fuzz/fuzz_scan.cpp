// The field splitter and the field cursor on any line: every field and token
// must be a piece of the line, the cursor's tokens must be non-empty and move
// forward, and the cursor must end.

#include "frame/scan.h"
#include "fuzz_support.h"

#include <cstddef>
#include <cstdint>

namespace {

bool within(std::string_view piece, std::string_view line) {
  return piece.empty() || (piece.data() >= line.data() &&
                           piece.data() + piece.size() <= line.data() + line.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zel23::detail;
  const std::string_view line = zel23_fuzz::asText(data, size);
  const Fields fields = splitFields(line);
  FUZZ_CHECK(fields.count() <= line.size());
  for (std::size_t i = 0; i < fields.count() && i < Fields::kCapacity; ++i)
    FUZZ_CHECK(within(fields[i], line));

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
