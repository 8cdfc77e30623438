#include "frame/print.h"

#include "frame/charconv.h"

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

} // namespace

LinePrinter::LinePrinter(std::ostream& os) : os_(os), saved_(os.flags()), direct_(false) {
  os_ << std::setfill(' ') << std::fixed << std::showpoint << std::setprecision(4);
  direct_ = directOutputFits(os_);
}

LinePrinter::~LinePrinter() { os_.flags(saved_); }

void LinePrinter::separate() {
  if (lineStarted_) os_ << ',';
  lineStarted_ = true;
}

// The direct path: the separating comma, the fill and the text, in the
// buffer. Only a string longer than the buffer bypasses it.
void LinePrinter::put(const char* text, std::size_t length, int width) {
  const std::size_t fill =
      width > 0 && static_cast<std::size_t>(width) > length ? width - length : 0;
  const std::size_t comma = lineStarted_ ? 1 : 0;
  lineStarted_ = true;
  if (used_ + comma + fill + length > sizeof buffer_) {
    flushBuffer();
    if (comma + fill + length > sizeof buffer_) {
      buffer_[0] = ',';
      std::memset(buffer_ + comma, ' ', fill);
      used_ = comma + fill;
      flushBuffer();
      os_.write(text, static_cast<std::streamsize>(length));
      os_.width(0);
      return;
    }
  }
  char* p = buffer_ + used_;
  *p = ',';
  p += comma;
  std::memset(p, ' ', fill);
  std::memcpy(p + fill, text, length);
  used_ += comma + fill + length;
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
  // Fixed notation of a double needs at most 309 integral digits, a sign,
  // the point and four decimals.
  char text[328];
  std::size_t length = fixedFour(value, text);
  if (length == 0)
    length = static_cast<std::size_t>(
        detail::formatFixed(text, text + sizeof text, value, 4).ptr -
        text);
  put(text, length, width);
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
  flushBuffer();
  os_ << std::endl;
  // Once the stream has failed its own insertions write nothing and leave
  // the widths set; let them do the rest of the record.
  direct_ = direct_ && os_.good();
  lineStarted_ = false;
  return *this;
}

void LinePrinter::finish() { flushBuffer(); }

void LinePrinter::flushBuffer() {
  if (!direct_ || used_ == 0) return;
  os_.write(buffer_, static_cast<std::streamsize>(used_));
  // The stream's own insertions leave the width at 0; write() does not.
  os_.width(0);
  used_ = 0;
}

} // namespace zel23::detail
