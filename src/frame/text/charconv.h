#ifndef ZEL23_FRAME_CHARCONV_H
#define ZEL23_FRAME_CHARCONV_H

// Doubles to text and back, exactly and whatever the process locale. Where
// the standard library has the floating-point std::to_chars and
// std::from_chars, these are they; elsewhere (a C++ library without them, or
// a build configured with ZEL23_PORTABLE_CHARCONV) the portable versions
// below stand in, with the same results for every input.

#include <charconv>

#if defined(__cpp_lib_to_chars) && !defined(ZEL23_PORTABLE_CHARCONV)
#define ZEL23_NATIVE_CHARCONV 1
#else
#define ZEL23_NATIVE_CHARCONV 0
#endif

namespace zel23::detail {

namespace portable {

/// std::to_chars(first, last, value): the shortest text that reads back to
/// the same double, fixed or scientific, whichever is shorter (fixed on a tie).
std::to_chars_result formatShortest(char* first, char* last, double value);
/// std::to_chars(first, last, value, std::chars_format::fixed).
std::to_chars_result formatFixedShortest(char* first, char* last, double value);
/// std::to_chars(first, last, value, std::chars_format::fixed, precision).
std::to_chars_result formatFixed(char* first, char* last, double value, int precision);
/// std::from_chars(first, last, value): no leading blanks or '+', decimal
/// with optional point and exponent, inf, infinity, nan, nan(chars); a value
/// out of the double range leaves `value` alone and says result_out_of_range.
std::from_chars_result parseDouble(const char* first, const char* last, double& value);

} // namespace portable

#if ZEL23_NATIVE_CHARCONV
inline std::to_chars_result formatShortest(char* first, char* last, double value) {
  return std::to_chars(first, last, value);
}
inline std::to_chars_result formatFixedShortest(char* first, char* last, double value) {
  return std::to_chars(first, last, value, std::chars_format::fixed);
}
inline std::to_chars_result formatFixed(char* first, char* last, double value,
                                        int precision) {
  return std::to_chars(first, last, value, std::chars_format::fixed, precision);
}
inline std::from_chars_result parseDouble(const char* first, const char* last,
                                          double& value) {
  return std::from_chars(first, last, value);
}
#else
using portable::formatFixed;
using portable::formatFixedShortest;
using portable::formatShortest;
using portable::parseDouble;
#endif

} // namespace zel23::detail

#endif
