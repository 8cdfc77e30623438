#include "frame/convert.h"

#include <cerrno>
#include <charconv>
#include <climits>
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

double toDouble(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && isCSpace(text[i]))
    ++i;
  std::size_t digits = i;
  if (digits < text.size() && (text[digits] == '+' || text[digits] == '-')) ++digits;
  // from_chars covers plain decimal numbers; everything else (no digit at
  // all, hexadecimal, inf, nan, out of range) goes through strtod.
  if (digits == text.size()) return 0.0;
  const char lead = text[digits];
  const bool decimal =
      (isDigit(lead) || lead == '.') &&
      !(lead == '0' && digits + 1 < text.size() && (text[digits + 1] | 0x20) == 'x');
  if (!decimal) return slowDouble(text.substr(i));
  double value = 0.0;
  const char* first = text.data() + digits;
  const auto result = std::from_chars(first, text.data() + text.size(), value);
  if (result.ec == std::errc()) return text[i] == '-' ? -value : value;
  if (result.ec == std::errc::invalid_argument) return 0.0;
  return slowDouble(text.substr(i));
}

} // namespace zel23::detail
