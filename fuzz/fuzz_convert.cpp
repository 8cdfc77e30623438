// The number conversions against the C library they stand for: toInt must
// give (int)strtol and toDouble strtod, bit for bit, in the "C" locale.

#include "frame/text/convert.h"
#include "fuzz_support.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text = zel23_fuzz::asText(data, size);
  const std::string terminated(text); // strtod stops at the first NUL, as the view does
  const double expected = std::strtod(terminated.c_str(), nullptr);
  const double actual = zel23::detail::toDouble(text);
  FUZZ_CHECK(std::memcmp(&expected, &actual, sizeof expected) == 0);
  const int expectedInt = static_cast<int>(std::strtol(terminated.c_str(), nullptr, 10));
  FUZZ_CHECK(zel23::detail::toInt(text) == expectedInt);
  return 0;
}
