#ifndef ZEL23_FRAME_PRINT_H
#define ZEL23_FRAME_PRINT_H

#include <cstddef>
#include <ios>
#include <iosfwd>
#include <string>

namespace zel23::detail {

// The fields of one line gathered in a buffer: each one's separating comma,
// its blank fill to the width and its text. What the buffer cannot hold goes
// to the printer's `out(text, length)`: the buffer's text first, then a field
// longer than the whole buffer on its own.
class FieldLine {
protected:
  template <class Out>
  void put(const char* text, std::size_t length, int width, const Out& out) {
    const std::size_t fill =
        width > 0 && static_cast<std::size_t>(width) > length ? width - length : 0;
    const std::size_t comma = lineStarted_ ? 1 : 0;
    lineStarted_ = true;
    if (used_ + comma + fill + length > sizeof line_) {
      drain(out);
      if (comma + fill + length > sizeof line_) {
        used_ = place(line_, comma, fill, "", 0);
        drain(out);
        out(text, length);
        return;
      }
    }
    used_ += place(line_ + used_, comma, fill, text, length);
  }

  template <class Out> void drain(const Out& out) {
    out(line_, used_);
    used_ = 0;
  }

  // A field at `at`: its comma (`comma` is 0 or 1), the fill and the text.
  // Returns the characters placed.
  static std::size_t place(char* at, std::size_t comma, std::size_t fill,
                           const char* text, std::size_t length);

  char line_[1024];
  std::size_t used_ = 0;
  bool lineStarted_ = false;
};

// Writes one record in its printed form: remembers the stream's format
// flags, sets a blank fill, fixed notation with the point shown and
// precision 4, writes each field behind std::setw of its width with one
// comma between fields, and restores the flags when done (fill and precision
// stay). When the stream is in a state whose output it can reproduce exactly
// (classic number formatting, right or no adjustment, decimal integers, no
// error), it formats the line itself and writes it in one piece; otherwise
// every field goes through the stream's own insertions.
class LinePrinter : FieldLine {
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
  // A field the printed form leaves empty and the exact form writes.
  LinePrinter& fieldNotPrinted(double, int) { return emptyField(); }
  // Ends the current line with std::endl; the next field starts a new line.
  LinePrinter& endLine();
  // Writes what is still buffered. Call once, after the last field.
  void finish();

private:
  void separate();
  void put(const char* text, std::size_t length, int width);
  void write(const char* text, std::size_t length);

  std::ostream& os_;
  std::ios_base::fmtflags saved_;
  bool direct_;
};

// A double as the printed form writes it, printf("%.4f"); returns the
// length. `out` holds at least 328 characters.
std::size_t formatPrinted(double value, char* out);

// The shortest text that reads back to the same double, in fixed notation
// from 1e-5 to below 1e15 (and for zero), where that is at most 24
// characters, otherwise in whichever of fixed and exponent notation is
// shorter; "nan", "inf" with their signs. Returns the length; `out` holds at
// least kShortestMax characters. Every exact number the library writes comes
// from here.
inline constexpr std::size_t kShortestMax = 32;
std::size_t formatShortest(double value, char* out);

// Formats record lines into a string rather than a stream, for the checked
// writers: the exact form (every double by formatShortest, the fields the
// printed form leaves out written too) or the printed form, byte for byte
// what LinePrinter writes on a stream in its default state. The printed form
// counts the doubles whose text does not read back to the same double.
// Widths, commas and the order of fields are LinePrinter's.
class TextPrinter : FieldLine {
public:
  TextPrinter(std::string& out, bool exact) : out_(out), exact_(exact) {
    lineStart_ = out.size();
  }
  ~TextPrinter() { flush(); }
  TextPrinter(const TextPrinter&) = delete;
  TextPrinter& operator=(const TextPrinter&) = delete;

  TextPrinter& field(int value, int width);
  TextPrinter& field(double value, int width);
  TextPrinter& field(const std::string& value, int width);
  TextPrinter& fieldNotPrinted(double value, int width);
  // Ends the current line with '\n'.
  TextPrinter& endLine();

  // Doubles of the printed form that read back as another double.
  std::size_t rounded() const { return rounded_; }
  // The longest line ended so far, without its line feed.
  std::size_t longestLine() const { return longest_; }

private:
  void put(const char* text, std::size_t length, int width);
  void putNumber(const char* text, std::size_t length, int width);
  void flush();

  std::string& out_;
  bool exact_;
  std::size_t lineStart_ = 0;
  std::size_t longest_ = 0;
  std::size_t rounded_ = 0;
};

} // namespace zel23::detail

#endif
