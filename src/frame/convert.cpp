#include "frame/convert.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <locale.h>
#include <string>

namespace zel23::detail {
namespace {

bool isCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The "C" locale, created once, so the slow path never depends on the
// process locale.
locale_t cLocale() {
  static const locale_t loc = newlocale(LC_ALL_MASK, "C", locale_t(0));
  return loc;
}

// strtod in the "C" locale on a NUL-terminated copy of the view: exact for
// every input atof accepts (hexadecimal, inf, nan, out of range).
double slowDouble(std::string_view text) {
  const std::string copy(text.substr(0, text.find('\0')));
  return strtod_l(copy.c_str(), nullptr, cLocale());
}

} // namespace

int toInt(std::string_view text) {
  // atoi is (int)strtol(text, nullptr, 10): a long that saturates, then
  // narrowed to int.
  const char* p = text.data();
  const char* const end = p + text.size();
  while (p != end && isCSpace(*p))
    ++p;
  bool negative = false;
  if (p != end && (*p == '+' || *p == '-')) negative = *p++ == '-';
  unsigned long magnitude = 0;
  const unsigned long limit =
      negative ? static_cast<unsigned long>(LONG_MAX) + 1 : LONG_MAX;
  bool saturated = false;
  for (; p != end && isDigit(*p); ++p) {
    const unsigned digit = static_cast<unsigned>(*p - '0');
    if (saturated || magnitude > (limit - digit) / 10) {
      saturated = true;
      continue;
    }
    magnitude = magnitude * 10 + digit;
  }
  if (saturated) magnitude = limit;
  const long value =
      negative ? static_cast<long>(0UL - magnitude) : static_cast<long>(magnitude);
  return static_cast<int>(value);
}

// The shape nearly every field of a case has: an optional sign, at most 19
// digits with an optional point among them, and no exponent. The digits as
// an integer (at most 2^53) and the power of ten are exact doubles, so the
// one division rounds exactly once, as a correctly rounded conversion does.
// Returns false for anything else.
bool plainDecimal(std::string_view text, double& value) {
  static const double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,
                                   1e7,  1e8,  1e9,  1e10, 1e11, 1e12, 1e13,
                                   1e14, 1e15, 1e16, 1e17, 1e18, 1e19};
  const char* p = text.data();
  const char* const end = p + text.size();
  const bool negative = p != end && *p == '-';
  if (p != end && (*p == '-' || *p == '+')) ++p;
  const char* const start = p;
  std::uint64_t mantissa = 0;
  for (; p != end && isDigit(*p); ++p)
    mantissa = mantissa * 10 + (*p - '0');
  std::size_t digits = static_cast<std::size_t>(p - start);
  std::size_t decimals = 0;
  if (p != end && *p == '.') {
    const char* const point = ++p;
    for (; p != end && isDigit(*p); ++p)
      mantissa = mantissa * 10 + (*p - '0');
    decimals = static_cast<std::size_t>(p - point);
    digits += decimals;
  }
  // An exponent, or the x of "0x", would make the text mean more.
  if (digits == 0 || digits > 19 || mantissa > (std::uint64_t(1) << 53) ||
      (p != end && ((*p | 0x20) == 'e' || (*p | 0x20) == 'x')))
    return false;
  const double magnitude = static_cast<double>(mantissa) / kPowers[decimals];
  value = negative ? -magnitude : magnitude;
  return true;
}

double toDouble(std::string_view text) {
  double plain;
  if (plainDecimal(text, plain)) return plain;
  std::size_t i = 0;
  while (i < text.size() && isCSpace(text[i]))
    ++i;
  std::size_t digits = i;
  if (digits < text.size() && (text[digits] == '+' || text[digits] == '-')) ++digits;
  if (digits == text.size()) return 0.0;
  const char lead = text[digits];
  const bool decimal =
      (isDigit(lead) || lead == '.') &&
      !(lead == '0' && digits + 1 < text.size() && (text[digits + 1] | 0x20) == 'x');
  // Hexadecimal, inf and nan: leave them to strtod.
  if (!decimal) return slowDouble(text.substr(i));
  // Exponents, leading zeros, long mantissas: from_chars is exact for every
  // decimal number and leaves only out-of-range values to strtod.
  const char* const first = text.data() + digits;
  double value = 0.0;
  const auto result = std::from_chars(first, text.data() + text.size(), value);
  if (result.ec == std::errc::invalid_argument) return 0.0; // a sign and a point
  if (result.ec != std::errc()) return slowDouble(text.substr(i));
  return text[i] == '-' ? -value : value;
}

} // namespace zel23::detail
