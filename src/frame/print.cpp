#include "frame/print.h"

#include <algorithm>
#include <charconv>
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
  return punct.decimal_point() == '.' && punct.grouping().empty() &&
         typeid(std::use_facet<std::num_put<char>>(loc)) == typeid(std::num_put<char>);
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

} // namespace

LinePrinter::LinePrinter(std::ostream& os) : os_(os), saved_(os.flags()), direct_(false) {
  os_ << std::setfill(' ') << std::fixed << std::showpoint << std::setprecision(4);
  direct_ = directOutputFits(os_);
}

LinePrinter::~LinePrinter() { os_.flags(saved_); }

void LinePrinter::separate() {
  if (lineStarted_) {
    if (direct_)
      append(",", 1);
    else
      os_ << ',';
  }
  lineStarted_ = true;
}

void LinePrinter::pad(std::size_t length, int width) {
  static const char blanks[] = "                                ";
  for (std::size_t missing = width > 0 && static_cast<std::size_t>(width) > length
                                 ? static_cast<std::size_t>(width) - length
                                 : 0;
       missing > 0;) {
    const std::size_t n = std::min(missing, sizeof blanks - 1);
    append(blanks, n);
    missing -= n;
  }
}

void LinePrinter::append(const char* text, std::size_t length) {
  if (used_ + length > sizeof buffer_) flushBuffer();
  if (length > sizeof buffer_) {
    os_.write(text, static_cast<std::streamsize>(length));
    os_.width(0);
    return;
  }
  std::memcpy(buffer_ + used_, text, length);
  used_ += length;
}

LinePrinter& LinePrinter::field(int value, int width) {
  separate();
  if (!direct_) {
    os_ << std::setw(width) << value;
    return *this;
  }
  char text[16];
  const auto end = std::to_chars(text, text + sizeof text, value).ptr;
  pad(end - text, width);
  append(text, end - text);
  return *this;
}

LinePrinter& LinePrinter::field(double value, int width) {
  separate();
  if (!direct_) {
    os_ << std::setw(width) << value;
    return *this;
  }
  // Fixed notation of a double needs at most 309 integral digits, a sign,
  // the point and four decimals.
  char text[328];
  const auto end =
      std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 4).ptr;
  pad(end - text, width);
  append(text, end - text);
  return *this;
}

LinePrinter& LinePrinter::field(const std::string& value, int width) {
  separate();
  if (!direct_) {
    os_ << std::setw(width) << value;
    return *this;
  }
  pad(value.size(), width);
  append(value.data(), value.size());
  return *this;
}

LinePrinter& LinePrinter::emptyField() {
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
