#include "frame/text/convert.h"

#include "frame/text/charconv.h"
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
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
  // Eighteen digits cannot overflow; only longer numbers need the checks.
  const char* const safeEnd = end - p > 18 ? p + 18 : end;
  unsigned long magnitude = 0;
  for (; p != safeEnd && isDigit(*p); ++p)
    magnitude = magnitude * 10 + static_cast<unsigned>(*p - '0');
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

namespace {

constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,
                                   1e7,  1e8,  1e9,  1e10, 1e11, 1e12, 1e13,
                                   1e14, 1e15, 1e16, 1e17, 1e18, 1e19};

constexpr std::uint64_t kZeros = 0x3030303030303030; // "00000000"

// Up to eight bytes of text in one word, the first byte lowest, the bytes
// past the text zero. n is 1 to 8.
std::uint64_t loadShort(const char* p, std::size_t n) {
  if (n >= 4) {
    std::uint32_t low;
    std::uint32_t high;
    std::memcpy(&low, p, 4);
    std::memcpy(&high, p + n - 4, 4); // overlaps `low` unless n is 8
    return low | (std::uint64_t(high) << (8 * (n - 4)));
  }
  const auto byte = [p](std::size_t i) {
    return std::uint64_t(static_cast<unsigned char>(p[i]));
  };
  return byte(0) | byte(n / 2) << (8 * (n / 2)) | byte(n - 1) << (8 * (n - 1));
}

// The high bit of every byte of the word that is c.
std::uint64_t bytesEqual(std::uint64_t word, unsigned char c) {
  constexpr std::uint64_t kLow7 = 0x7f7f7f7f7f7f7f7f;
  const std::uint64_t x = word ^ (0x0101010101010101 * c);
  return ~(((x & kLow7) + kLow7) | x) & ~kLow7;
}

// The bytes of a word below byte k (k < 8).
std::uint64_t below(std::size_t k) { return (std::uint64_t(1) << (8 * k)) - 1; }

// Eight digits at once, SWAR (SIMD within a register): the digit test and
// the conversion below are the eight-digit parse of simdjson and the
// fast_float library, described by D. Lemire in "Number Parsing at a
// Gigabyte per Second" (Software: Practice and Experience 51, 2021): the
// digits are combined in pairs, then the pairs, then the fours, by three
// multiplications instead of eight steps of a loop. bytesEqual above is the
// exact zero-byte test of a word from Hacker's Delight (H. S. Warren).
//
// Whether all eight bytes are decimal digits.
bool eightDigits(std::uint64_t word) {
  constexpr std::uint64_t kHighNibbles = 0xf0f0f0f0f0f0f0f0;
  return ((word & kHighNibbles) | (((word + 0x0606060606060606) & kHighNibbles) >> 4)) ==
         0x3333333333333333;
}

// The number eight digit bytes spell, the lowest byte the leading digit.
std::uint32_t eightDigitValue(std::uint64_t word) {
  std::uint64_t v = word - kZeros;
  v = v * 10 + (v >> 8);
  v = ((v & 0x000000ff000000ff) * (100 + (1000000ULL << 32)) +
       ((v >> 16) & 0x000000ff000000ff) * (1 + (10000ULL << 32))) >>
      32;
  return static_cast<std::uint32_t>(v);
}

// A field that is only an optional sign and one to eight digits with at
// most one point among them, read in a few word operations without a loop.
// Returns false for anything else; plainDecimal then decides.
bool shortDecimal(std::string_view text, double& value) {
  if constexpr (__BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__) return false;
  const char* p = text.data();
  std::size_t n = text.size();
  if (n == 0) return false;
  const bool negative = *p == '-';
  if (negative || *p == '+') {
    ++p;
    --n;
  }
  if (n == 0 || n > 8) return false;
  std::uint64_t word = loadShort(p, n);
  std::size_t digits = n;
  std::size_t decimals = 0;
  if (const std::uint64_t points = bytesEqual(word, '.') & (n == 8 ? ~0ULL : below(n))) {
    if ((points & (points - 1)) != 0 || n == 1) return false;
    const std::size_t at = static_cast<std::size_t>(__builtin_ctzll(points)) / 8;
    word = (word & below(at)) | ((word >> 8) & ~below(at)); // the point taken out
    digits = n - 1;
    decimals = n - 1 - at;
  }
  // Leading zeros in the low bytes, the digits above them.
  if (digits < 8) word = (word << (8 * (8 - digits))) | (kZeros >> (8 * digits));
  if (!eightDigits(word)) return false;
  const double magnitude =
      static_cast<double>(eightDigitValue(word)) / kPowersOfTen[decimals];
  value = negative ? -magnitude : magnitude;
  return true;
}

// The shape nearly every field of a case has: an optional sign, at most 19
// digits with an optional point among them, and no exponent. The digits as
// an integer (at most 2^53) and the power of ten are exact doubles, so the
// one division rounds exactly once, as a correctly rounded conversion does.
// Returns false for anything else.
bool plainDecimal(std::string_view text, double& value) {
  if (shortDecimal(text, value)) return true;
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
  const double magnitude = static_cast<double>(mantissa) / kPowersOfTen[decimals];
  value = negative ? -magnitude : magnitude;
  return true;
}

} // namespace

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
  const auto result = parseDouble(first, text.data() + text.size(), value);
  if (result.ec == std::errc::invalid_argument) return 0.0; // a sign and a point
  if (result.ec != std::errc()) return slowDouble(text.substr(i));
  return text[i] == '-' ? -value : value;
}

} // namespace zel23::detail
