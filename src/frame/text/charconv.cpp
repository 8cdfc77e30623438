#include "frame/text/charconv.h"

#include <cctype>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <string>
#include <system_error>

namespace zel23::detail::portable {
namespace {

// snprintf and strtod read the decimal point from the thread's locale; the
// "C" locale is put in place around each call.
class CLocale {
public:
  CLocale() : previous_(uselocale(locale())) {}
  ~CLocale() { uselocale(previous_); }
  CLocale(const CLocale&) = delete;
  CLocale& operator=(const CLocale&) = delete;

private:
  static locale_t locale() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(0));
    return c;
  }
  locale_t previous_;
};

// A positive finite value as digits d1 d2 ... dn, meaning d1.d2...dn e exponent.
struct Decimal {
  char digits[24];
  int count = 0;
  int exponent = 0;
};

// `value` rounded to `precision` significant digits.
Decimal scientific(double value, int precision) {
  char text[48];
  std::snprintf(text, sizeof text, "%.*e", precision - 1, value);
  Decimal d;
  const char* p = text;
  for (; *p != 'e'; ++p)
    if (*p != '.') d.digits[d.count++] = *p;
  d.exponent = std::atoi(p + 1);
  return d;
}

double valueOf(const Decimal& d) {
  char text[48];
  std::snprintf(text, sizeof text, "%c.%.*se%d", d.digits[0], d.count - 1, d.digits + 1,
                d.exponent);
  return std::strtod(text, nullptr);
}

// The next decimal of the same length up.
void increment(Decimal& d) {
  int k = d.count - 1;
  while (k >= 0 && d.digits[k] == '9')
    d.digits[k--] = '0';
  if (k >= 0) {
    ++d.digits[k];
    return;
  }
  d.digits[0] = '1';
  ++d.exponent;
}

void dropTrailingZeros(Decimal& d) {
  while (d.count > 1 && d.digits[d.count - 1] == '0')
    --d.count;
}

// Where a double's significand is a power of two, the doubles around it are
// not evenly spaced: more of the values above it than below round to it, so
// the nearest decimal of a length can miss while the next one up reads back.
bool attempt(double value, int precision, bool uneven, Decimal& d) {
  d = scientific(value, precision);
  const double back = valueOf(d);
  if (back == value) return true;
  if (!uneven || back > value) return false;
  increment(d);
  return valueOf(d) == value;
}

// Most values in a case file are short decimals: n / 10^k exactly as the
// double nearest to it, with n below 10^15. Then n's digits are the shortest
// (a double holds over 15 digits), found without formatting: in
// WebAssembly, printf and strtod go through software long doubles.
bool shortDecimal(double value, Decimal& d) {
  static constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  for (int k = 0; k < 16; ++k) {
    const double scaled = std::nearbyint(value * kPowers[k]);
    if (scaled >= 1e15) return false;
    if (scaled / kPowers[k] != value) continue;
    char text[24];
    const auto n = static_cast<std::uint64_t>(scaled);
    const int count =
        static_cast<int>(std::to_chars(text, text + sizeof text, n).ptr - text);
    d.count = count;
    std::memcpy(d.digits, text, static_cast<std::size_t>(count));
    d.exponent = count - 1 - k;
    dropTrailingZeros(d);
    return true;
  }
  return false;
}

// The fewest significant digits that read back to `value`, nearest first.
Decimal shortestDigits(double value) {
  int exponent2 = 0;
  const bool uneven = std::frexp(value, &exponent2) == 0.5 && value >= DBL_MIN;
  Decimal d;
  if (value >= DBL_MIN && !uneven && shortDecimal(value, d)) return d;
  if (value >= DBL_MIN && !uneven) {
    // A double holds over 15 significant digits, so when some shorter
    // decimal reads back, rounding to 15 digits gives it with zeros after.
    if (attempt(value, 15, false, d)) {
      dropTrailingZeros(d);
      return d;
    }
    if (attempt(value, 16, false, d)) return d;
    attempt(value, 17, false, d);
    return d;
  }
  for (int precision = 1; precision < 17; ++precision)
    if (attempt(value, precision, uneven, d)) {
      dropTrailingZeros(d);
      return d;
    }
  attempt(value, 17, false, d);
  return d;
}

std::to_chars_result put(char* first, char* last, const std::string& text) {
  if (static_cast<std::size_t>(last - first) < text.size())
    return {last, std::errc::value_too_large};
  std::memcpy(first, text.data(), text.size());
  return {first + text.size(), std::errc()};
}

// Text for the values that are not finite or are zero, as std::to_chars
// spells them; false for the others.
bool special(double value, std::string& text) {
  const char* sign = std::signbit(value) ? "-" : "";
  if (std::isnan(value))
    text = std::string(sign) + "nan";
  else if (std::isinf(value))
    text = std::string(sign) + "inf";
  else if (value == 0)
    text = std::string(sign) + "0";
  else
    return false;
  return true;
}

std::string fixedText(const Decimal& d) {
  const std::string digits(d.digits, static_cast<std::size_t>(d.count));
  if (d.exponent < 0) return "0." + std::string(-d.exponent - 1, '0') + digits;
  const auto point = static_cast<std::size_t>(d.exponent) + 1;
  return digits.substr(0, point) + "." + digits.substr(point);
}

// A whole number in fixed notation is printed exactly, every digit.
std::string wholeText(double magnitude) {
  char text[320];
  if (magnitude < 9007199254740992.0) // 2^53: every whole number is a double
    return std::string(
        text, std::to_chars(text, text + 24, static_cast<std::uint64_t>(magnitude)).ptr);
  std::snprintf(text, sizeof text, "%.0f", magnitude);
  return text;
}

std::string scientificText(const Decimal& d) {
  std::string text(1, d.digits[0]);
  if (d.count > 1) text += "." + std::string(d.digits + 1, d.digits + d.count);
  char exponent[16];
  std::snprintf(exponent, sizeof exponent, "e%c%02d", d.exponent < 0 ? '-' : '+',
                std::abs(d.exponent));
  return text + exponent;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool startsFolded(const char* p, const char* last, const char* word) {
  for (; *word; ++p, ++word)
    if (p == last || (*p | 0x20) != *word) return false;
  return true;
}

// The shortest digits of a finite nonzero value laid out by
// layout(digits, magnitude); the values std::to_chars spells alone as it does.
template <class Layout>
std::to_chars_result formatDigits(char* first, char* last, double value, Layout layout) {
  std::string text;
  if (special(value, text)) return put(first, last, text);
  const CLocale c;
  const double magnitude = std::fabs(value);
  text = layout(shortestDigits(magnitude), magnitude);
  return put(first, last, (value < 0 ? "-" : "") + text);
}

} // namespace

std::to_chars_result formatShortest(char* first, char* last, double value) {
  return formatDigits(first, last, value, [](const Decimal& d, double magnitude) {
    const bool whole = d.count <= d.exponent + 1;
    const std::size_t fixedLength =
        whole ? d.exponent + 1 : d.count + 1 + (d.exponent < 0 ? -d.exponent : 0);
    const std::size_t scientificLength =
        d.count + (d.count > 1) + (std::abs(d.exponent) >= 100 ? 5 : 4);
    return fixedLength > scientificLength ? scientificText(d)
           : whole                        ? wholeText(magnitude)
                                          : fixedText(d);
  });
}

std::to_chars_result formatFixedShortest(char* first, char* last, double value) {
  return formatDigits(first, last, value, [](const Decimal& d, double magnitude) {
    return d.count <= d.exponent + 1 ? wholeText(magnitude) : fixedText(d);
  });
}

std::to_chars_result formatFixed(char* first, char* last, double value, int precision) {
  const CLocale c;
  const int length = std::snprintf(nullptr, 0, "%.*f", precision, value);
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  std::snprintf(text.data(), text.size(), "%.*f", precision, value);
  text.pop_back();
  return put(first, last, text);
}

std::from_chars_result parseDouble(const char* first, const char* last, double& value) {
  const char* p = first;
  const bool negative = p != last && *p == '-';
  p += negative;
  if (startsFolded(p, last, "inf")) {
    value = negative ? -HUGE_VAL : HUGE_VAL;
    return {p + (startsFolded(p, last, "infinity") ? 8 : 3), std::errc()};
  }
  if (startsFolded(p, last, "nan")) {
    p += 3;
    const char* q = p;
    if (q != last && *q == '(') {
      for (++q; q != last && (isDigit(*q) ||
                              std::isalpha(static_cast<unsigned char>(*q)) || *q == '_');)
        ++q;
      if (q != last && *q == ')') p = q + 1;
    }
    value = negative ? -std::nan("") : std::nan("");
    return {p, std::errc()};
  }
  // The longest prefix of the form digits [. digits] [e [sign] digits].
  const char* const start = p;
  bool nonzero = false;
  std::size_t digits = 0;
  for (; p != last && isDigit(*p); ++p, ++digits)
    nonzero |= *p != '0';
  if (p != last && *p == '.')
    for (++p; p != last && isDigit(*p); ++p, ++digits)
      nonzero |= *p != '0';
  if (digits == 0) return {first, std::errc::invalid_argument};
  if (p != last && (*p | 0x20) == 'e') {
    const char* q = p + 1;
    if (q != last && (*q == '+' || *q == '-')) ++q;
    if (q != last && isDigit(*q)) {
      while (q != last && isDigit(*q))
        ++q;
      p = q;
    }
  }
  const std::string text(start, p);
  double parsed;
  {
    const CLocale c;
    parsed = std::strtod(text.c_str(), nullptr);
  }
  if (std::isinf(parsed) || (parsed == 0 && nonzero))
    return {p, std::errc::result_out_of_range};
  value = negative ? -parsed : parsed;
  return {p, std::errc()};
}

} // namespace zel23::detail::portable
