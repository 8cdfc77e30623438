#include "frame/text/print.h"

#include "frame/text/charconv.h"
#include "frame/text/convert.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iomanip>
#include <locale>
#include <ostream>
#include <typeinfo>

namespace zel23::detail {
namespace {

// Number formatting the direct path reproduces: a '.' point, no digit
// grouping, the standard num_put.
bool classicNumbers(const std::locale& loc) {
  if (loc == std::locale::classic()) return true;
  const auto& punct = std::use_facet<std::numpunct<char>>(loc);
  const auto& put = std::use_facet<std::num_put<char>>(loc);
  return punct.decimal_point() == '.' && punct.grouping().empty() &&
         typeid(put) == typeid(std::num_put<char>);
}

bool directOutputFits(std::ostream& os) {
  const std::ios_base::fmtflags f = os.flags();
  const auto adjust = f & std::ios_base::adjustfield;
  const auto base = f & std::ios_base::basefield;
  return os.good() && os.exceptions() == std::ios_base::goodbit &&
         (adjust == 0 || adjust == std::ios_base::right) &&
         (base == 0 || base == std::ios_base::dec) &&
         !(f & (std::ios_base::showpos | std::ios_base::uppercase)) &&
         classicNumbers(os.getloc());
}

// printf("%.4f", value) for finite values below 1e15, which is every value
// a case holds in practice: the value times 10^4 is rounded to an integer
// exactly (half to even, on the exact binary value, as printf rounds), then
// written as integer part, point and four decimals. Returns the length, or
// 0 for values it leaves to std::to_chars.
std::size_t fixedFour(double value, char* out) {
  if (!(std::fabs(value) < 1e15)) return 0;
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  const int biased = static_cast<int>((bits >> 52) & 0x7ff);
  const std::uint64_t fraction = bits & ((std::uint64_t(1) << 52) - 1);
  const std::uint64_t mantissa =
      biased == 0 ? fraction : fraction | std::uint64_t(1) << 52;
  const int exponent = (biased == 0 ? 1 : biased) - 1075;
  __extension__ typedef unsigned __int128 u128;
  const u128 scaled = static_cast<u128>(mantissa) * 10000u;
  std::uint64_t units = 0; // value * 10^4, rounded
  if (exponent >= 0) {
    units = static_cast<std::uint64_t>(scaled << exponent);
  } else if (-exponent < 128) {
    const int shift = -exponent;
    units = static_cast<std::uint64_t>(scaled >> shift);
    const u128 rest = scaled & ((u128(1) << shift) - 1);
    const u128 half = u128(1) << (shift - 1);
    if (rest > half || (rest == half && (units & 1))) ++units;
  }
  char* p = out;
  if (bits >> 63) *p++ = '-';
  p = std::to_chars(p, p + 20, units / 10000).ptr;
  unsigned decimals = static_cast<unsigned>(units % 10000);
  p[0] = '.';
  for (int k = 4; k >= 1; --k) {
    p[k] = static_cast<char>('0' + decimals % 10);
    decimals /= 10;
  }
  return static_cast<std::size_t>(p + 5 - out);
}

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

} // namespace

std::size_t formatPrinted(double value, char* out) {
  // Fixed notation of a double needs at most 309 integral digits, a sign,
  // the point and four decimals.
  const std::size_t length = fixedFour(value, out);
  if (length != 0) return length;
  return static_cast<std::size_t>(formatFixed(out, out + 328, value, 4).ptr - out);
}

namespace {

// Most values of a case have a few decimals. Below 2^26 two doubles lie
// less than 10^-8 apart (below 2^39, less than 10^-4), so when the value
// reads back from its eight (four) decimals, no text with fewer decimals
// does, and that text with its trailing zeros dropped is the shortest one:
// what std::to_chars gives, found without its search. The reader divides
// the same integer by the same power of ten, so the test is exact. Returns
// 0 for the values it leaves to std::to_chars.
std::size_t fewDecimals(double value, char* out) {
  const double magnitude = std::fabs(value);
  if (magnitude != 0 && magnitude < 1e-5) return 0; // exponent notation
  const bool eight = magnitude < 67108864.0;
  if (!eight && !(magnitude < 549755813888.0)) return 0;
  const double scale = eight ? 1e8 : 1e4;
  const auto units = static_cast<std::uint64_t>(magnitude * scale + 0.5);
  if (static_cast<double>(units) / scale != magnitude) return 0;
  char* p = out;
  if (std::signbit(value)) *p++ = '-';
  const std::uint64_t unit = eight ? 100000000 : 10000;
  p = std::to_chars(p, p + 20, units / unit).ptr;
  std::uint64_t decimals = units % unit;
  if (decimals == 0) return static_cast<std::size_t>(p - out);
  int digits = eight ? 8 : 4;
  for (; decimals % 10 == 0; --digits)
    decimals /= 10;
  *p++ = '.';
  for (int k = digits - 1; k >= 0; --k) {
    p[k] = static_cast<char>('0' + decimals % 10);
    decimals /= 10;
  }
  return static_cast<std::size_t>(p + digits - out);
}

} // namespace

std::size_t formatShortest(double value, char* out) {
  if (const std::size_t length = fewDecimals(value, out)) return length;
  const double magnitude = std::fabs(value);
  const bool fixed = magnitude == 0 || (magnitude >= 1e-5 && magnitude < 1e15);
  const auto result = fixed ? formatFixedShortest(out, out + kShortestMax, value)
                            : formatShortest(out, out + kShortestMax, value);
  return static_cast<std::size_t>(result.ptr - out);
}

LinePrinter::LinePrinter(std::ostream& os) : os_(os), saved_(os.flags()), direct_(false) {
  os_ << std::setfill(' ') << std::fixed << std::showpoint << std::setprecision(4);
  direct_ = directOutputFits(os_);
}

LinePrinter::~LinePrinter() { os_.flags(saved_); }

void LinePrinter::separate() {
  if (lineStarted_) os_ << ',';
  lineStarted_ = true;
}

std::size_t FieldLine::place(char* at, std::size_t comma, std::size_t fill,
                             const char* text, std::size_t length) {
  *at = ',';
  std::memset(at + comma, ' ', fill);
  std::memcpy(at + comma + fill, text, length);
  return comma + fill + length;
}

// The direct path: every field through the line buffer.
void LinePrinter::put(const char* text, std::size_t length, int width) {
  FieldLine::put(text, length, width,
                 [this](const char* p, std::size_t n) { write(p, n); });
}

LinePrinter& LinePrinter::field(int value, int width) {
  if (!direct_) {
    separate();
    os_ << std::setw(width) << value;
    return *this;
  }
  char text[16];
  const auto end = std::to_chars(text, text + sizeof text, value).ptr;
  put(text, static_cast<std::size_t>(end - text), width);
  return *this;
}

LinePrinter& LinePrinter::field(double value, int width) {
  if (!direct_) {
    separate();
    os_ << std::setw(width) << value;
    return *this;
  }
  char text[328];
  put(text, formatPrinted(value, text), width);
  return *this;
}

LinePrinter& LinePrinter::field(const std::string& value, int width) {
  if (!direct_) {
    separate();
    os_ << std::setw(width) << value;
    return *this;
  }
  put(value.data(), value.size(), width);
  return *this;
}

LinePrinter& LinePrinter::emptyField() {
  if (direct_)
    put("", 0, 0);
  else
    separate();
  return *this;
}

LinePrinter& LinePrinter::endLine() {
  finish();
  os_ << std::endl;
  // Once the stream has failed its own insertions write nothing and leave
  // the widths set; let them do the rest of the record.
  direct_ = direct_ && os_.good();
  lineStarted_ = false;
  return *this;
}

void LinePrinter::finish() {
  if (direct_) drain([this](const char* p, std::size_t n) { write(p, n); });
}

void LinePrinter::write(const char* text, std::size_t length) {
  if (length == 0) return;
  os_.write(text, static_cast<std::streamsize>(length));
  // The stream's own insertions leave the width at 0; write() does not.
  os_.width(0);
}

void TextPrinter::put(const char* text, std::size_t length, int width) {
  FieldLine::put(text, length, width,
                 [this](const char* p, std::size_t n) { out_.append(p, n); });
}

// A number's text from a buffer of kShortestMax bytes at least: copies of a
// fixed size, which the compiler makes a few plain stores.
void TextPrinter::putNumber(const char* text, std::size_t length, int width) {
  if (used_ + 1 + 16 + kShortestMax > sizeof line_ || width > 16 ||
      length > kShortestMax) {
    put(text, length, width);
    return;
  }
  const std::size_t fill = static_cast<std::size_t>(width) > length ? width - length : 0;
  char* p = line_ + used_;
  *p = ',';
  p += lineStarted_ ? 1 : 0;
  lineStarted_ = true;
  std::memcpy(p, "                ", 16);
  std::memcpy(p + fill, text, kShortestMax);
  used_ = static_cast<std::size_t>(p - line_) + fill + length;
}

void TextPrinter::flush() {
  drain([this](const char* p, std::size_t n) { out_.append(p, n); });
}

TextPrinter& TextPrinter::field(int value, int width) {
  char text[kShortestMax];
  putNumber(
      text,
      static_cast<std::size_t>(std::to_chars(text, text + sizeof text, value).ptr - text),
      width);
  return *this;
}

TextPrinter& TextPrinter::field(double value, int width) {
  char text[328];
  if (exact_) {
    putNumber(text, formatShortest(value, text), width);
    return *this;
  }
  const std::size_t length = formatPrinted(value, text);
  rounded_ += !sameBits(toDouble(std::string_view(text, length)), value);
  put(text, length, width);
  return *this;
}

TextPrinter& TextPrinter::field(const std::string& value, int width) {
  put(value.data(), value.size(), width);
  return *this;
}

TextPrinter& TextPrinter::fieldNotPrinted(double value, int width) {
  if (exact_) return field(value, width);
  // The empty position reads back as 0.
  rounded_ += !sameBits(value, 0.0);
  put("", 0, 0);
  return *this;
}

TextPrinter& TextPrinter::endLine() {
  flush();
  longest_ = std::max(longest_, out_.size() - lineStart_);
  out_ += '\n';
  lineStart_ = out_.size();
  lineStarted_ = false;
  return *this;
}

} // namespace zel23::detail
