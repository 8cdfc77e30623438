#ifndef ZEL23_FRAME_PRINT_H
#define ZEL23_FRAME_PRINT_H

#include <ios>
#include <iosfwd>
#include <string>

namespace zel23::detail {

// Writes one record in its printed form: remembers the stream's format
// flags, sets a blank fill, fixed notation with the point shown and
// precision 4, writes each field behind std::setw of its width with one
// comma between fields, and restores the flags when done (fill and precision
// stay). When the stream is in a state whose output it can reproduce exactly
// (classic number formatting, right or no adjustment, decimal integers, no
// error), it formats the line itself and writes it in one piece; otherwise
// every field goes through the stream's own insertions.
class LinePrinter {
public:
  explicit LinePrinter(std::ostream& os);
  ~LinePrinter();
  LinePrinter(const LinePrinter&) = delete;
  LinePrinter& operator=(const LinePrinter&) = delete;

  // Width 0 writes the value at its own length.
  LinePrinter& field(int value, int width);
  LinePrinter& field(double value, int width);
  LinePrinter& field(const std::string& value, int width);
  // A position left empty: only its separating comma is written.
  LinePrinter& emptyField();
  // Ends the current line with std::endl; the next field starts a new line.
  LinePrinter& endLine();
  // Writes what is still buffered. Call once, after the last field.
  void finish();

private:
  void separate();
  void put(const char* text, std::size_t length, int width);
  void flushBuffer();

  std::ostream& os_;
  std::ios_base::fmtflags saved_;
  bool direct_;
  bool lineStarted_ = false;
  std::size_t used_ = 0;
  char buffer_[1024];
};

} // namespace zel23::detail

#endif
