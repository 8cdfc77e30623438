#ifndef ZEL23_CASE_H
#define ZEL23_CASE_H

// The recoverable interface: reads whole cases and single records without
// ending the process, reporting every problem with its line instead. It runs
// the same parsers as ZELParse and the line constructors; a line that would
// end the process there is reported here with the same message.

#include "zel23_problem.h"
#include "zel23_records.h"

#include <array>
#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace zel23 {

/// Everything ZELParse fills: the system base, the comment lines (three
/// header lines, then the terminator lines) and the seven section lists.
struct Case {
  double systemBase = 0.0;
  std::vector<std::string> comments;
  std::vector<ZELBus> buses;
  std::vector<ZELGenerator> generators;
  std::vector<ZELBranch> branches;
  std::vector<ZELTransformerAdjustment> adjustments;
  std::vector<ZELAreaInterchange> areas;
  std::vector<ZELTwoTerminalDC> dcLines;
  std::vector<ZELSwitchedShunt> shunts;
};

/// The seven sections of a case, numbered in the order a file holds them.
enum class Section : int {
  Bus,
  Generator,
  Branch,
  TransformerAdjustment,
  AreaInterchange,
  TwoTerminalDC,
  SwitchedShunt,
};
inline constexpr int kSectionCount = 7;
inline constexpr Section kSections[kSectionCount] = {Section::Bus,
                                                     Section::Generator,
                                                     Section::Branch,
                                                     Section::TransformerAdjustment,
                                                     Section::AreaInterchange,
                                                     Section::TwoTerminalDC,
                                                     Section::SwitchedShunt};

/// A line's place as the reader counts sections: a Section's number 0 to 6,
/// kHeader for the three header lines, 7 and above past the last terminator.
inline constexpr int kHeader = -1;
/// The place of a problem that belongs to no line of a raw case (the
/// MATPOWER reader's problems with the file as a whole, say).
inline constexpr int kNoSection = -2;

/// The section's name as messages print it ("bus data", ...), "header" for
/// kHeader and "after the last section" past the seventh terminator.
ZEL23_API const char* sectionName(int section);
inline const char* sectionName(Section section) {
  return sectionName(static_cast<int>(section));
}

/// The names a section goes by outside messages.
struct SectionNames {
  const char* key;     ///< "bus", ..., "two_terminal_dc": JSON keys, CSV file names
  const char* label;   ///< "bus", ..., "two-terminal DC line": text for people
  const char* list;    ///< "buses", ..., "dc_lines": the list's name, snake case
  const char* message; ///< "bus data", ...: as sectionName gives it
};
ZEL23_API const SectionNames& sectionNames(Section section);

/// Calls f(section, list...) for the seven sections in file order, with the
/// section's list from each of the cases given (all const or all not).
template <class F, class... Cases> void forEachSection(F&& f, Cases&... cases) {
  f(Section::Bus, cases.buses...);
  f(Section::Generator, cases.generators...);
  f(Section::Branch, cases.branches...);
  f(Section::TransformerAdjustment, cases.adjustments...);
  f(Section::AreaInterchange, cases.areas...);
  f(Section::TwoTerminalDC, cases.dcLines...);
  f(Section::SwitchedShunt, cases.shunts...);
}

/// Calls f(list) with the case's list of one section and returns what f
/// returns.
template <class C, class F> decltype(auto) visitSection(C& c, Section section, F&& f) {
  switch (section) {
  case Section::Bus:
    return f(c.buses);
  case Section::Generator:
    return f(c.generators);
  case Section::Branch:
    return f(c.branches);
  case Section::TransformerAdjustment:
    return f(c.adjustments);
  case Section::AreaInterchange:
    return f(c.areas);
  case Section::TwoTerminalDC:
    return f(c.dcLines);
  case Section::SwitchedShunt:
    break;
  }
  return f(c.shunts);
}

/// One line the reader could not take.
struct Problem {
  std::size_t line = 0; ///< physical line number in the input, 1-based
  int section = 0;      ///< section counter when the line was met
  std::string message;  ///< the text the fatal error would have printed
  std::string text;     ///< the line as read (a DC record: its first line)
  ProblemCode code = ProblemCode::MalformedRecord; ///< what kind of problem
};

/// Options of every reader: read, readBuffer, readFile and readMatpower.
struct ReadOptions {
  /// Problems kept at most; further ones are only counted.
  std::size_t maxProblems = 1000;
  /// readBuffer and readFile: threads that parse, the calling one among
  /// them; 0 takes the number the hardware runs at once.
  unsigned threads = 0;
  /// readBuffer and readFile: the text is handed to the threads in chunks of
  /// about this many bytes, cut at line ends. Tests make it small so that
  /// small inputs split too.
  std::size_t chunkBytes = std::size_t(1) << 20;
};

/// The former name of ReadOptions, from when the parallel readers had
/// options of their own.
using ReadFileOptions [[deprecated("use zel23::ReadOptions")]] = ReadOptions;

/// What a read met besides the records.
struct ReadReport {
  std::vector<Problem> problems;
  std::size_t problemsDropped = 0; ///< problems beyond maxProblems
  std::size_t lines = 0;           ///< physical lines read
  /// Line number of each record appended by this read, per section (a DC
  /// record: its first line), and of each comment line appended.
  std::array<std::vector<std::size_t>, kSectionCount> recordLines;
  std::vector<std::size_t> commentLines;
  /// readFile: the system's error number (errno) when the file could not be
  /// opened or read, 0 otherwise; the problem on line 0 gives its text.
  int systemError = 0;

  bool ok() const { return problems.empty() && problemsDropped == 0; }
};

/// Reads a whole case as ZELParse does, appending to `into`, but never ends
/// the process: a record that fails is reported and skipped (all three lines
/// of a DC record) and reading goes on; a header line 1 with fewer than two
/// tokens is a problem too. Bus names resolve as in an empty registry, as
/// they do during ZELParse; the registry maps themselves are not touched.
/// Where ZELParse would read without a fatal error, `into` ends up exactly
/// as ZELParse's lists would, and the report holds no problem.
///
/// Nothing the stream does leaves read() either. Whatever exception mask the
/// caller set, the case read is the one read without a mask, and the mask is
/// back in place on return, with the state the read left (end of input sets
/// eofbit, a failed read failbit, a stream buffer that threw badbit). With
/// badbit in the mask, a buffer that throws is reported as the problem
/// "Input stream error: the stream failed while reading this line" on the
/// line it was reading, and reading stops there; end of input is never a
/// problem. A stream tied to `in` is flushed once, before reading; if that
/// flush throws, the problem "Output stream error: flushing the stream tied
/// to the input failed" is reported on line 1 and reading goes on.
ZEL23_API ReadReport read(std::istream& in, Case& into,
                          const ReadOptions& options = ReadOptions());

/// Reads a whole case as read() does, with the same result and report for
/// the same bytes, but from text held in memory and on several threads. On
/// one thread, or when the text is no longer than one chunk, it is read()
/// over the text in place.
ZEL23_API ReadReport readBuffer(std::string_view text, Case& into,
                                const ReadOptions& options = ReadOptions());

/// Reads the whole regular file at `path` into memory and reads it with
/// readBuffer; where that would read sequentially, and for anything that is
/// not a regular file (a pipe, a device, which may never end), it reads the
/// file as a stream with read() instead, in memory bounded by the longest
/// line. Throws nothing: a file that cannot be opened or read is one problem
/// on line 0 that names the path and gives the system's reason, with its
/// errno in systemError; a file that shrinks while it is read gives what
/// was read, after the problem "'PATH' shrank while it was read: N of its M
/// bytes read".
ZEL23_API ReadReport readFile(const std::string& path, Case& into,
                              const ReadOptions& options = ReadOptions());

/// Writes the case exactly as ZELPrint writes the same lists: the printed
/// form, whatever it holds (every double with four decimals, a line as long
/// as its fields make it). write() with WriteOptions checks first.
ZEL23_API void write(std::ostream& out, const Case& c);

/// How write() with options writes a case.
struct WriteOptions {
  /// true: the exact form. The records, fields, order, quoting and commas of
  /// the printed form, but every double in the shortest text that the reader
  /// takes back to the same double (fixed notation from 1e-5 to below 1e15,
  /// otherwise the shorter of fixed and exponent notation), the branch's
  /// RATEC in its place, and comment lines past the tenth after the last
  /// section: reading the text gives every field back bit for bit.
  /// false: the printed form, byte for byte what ZELPrint writes.
  bool exact = true;
};

/// What write() with options did, or why it wrote nothing.
struct WriteReport {
  /// Why nothing was written, empty when the case was written: the section,
  /// the record's position in it and its line number lead the text.
  std::string error;
  int section = kHeader; ///< the refused line's section (kHeader: a header line)
  std::size_t record =
      0; ///< the refused record, 1-based in its section (0: a comment line)
  std::size_t line = 0;  ///< the refused line's number in the text
  std::size_t lines = 0; ///< lines written
  /// Printed form: the doubles whose printed text reads back as another
  /// double (a RATEC other than 0 among them). Always 0 in the exact form.
  std::size_t rounded = 0;

  bool ok() const { return error.empty(); }
};

/// Writes the case in the form the options choose, or refuses it and writes
/// nothing when its text would not read back: a line longer than the 1023
/// characters the reader takes, a record whose first field I is 0 (its line
/// would read as a terminator), a bus number the reader refuses (negative),
/// a name or identifier whose text the reader would cut differently (a line
/// feed anywhere; outside apostrophes a blank, tab or comma; an apostrophe
/// that is not the closing one), a switched shunt whose VDES is set or whose
/// noBlocks is not 1 to 8 or that holds blocks past noBlocks (none of them
/// on the line), a comment line holding a line feed, a terminator line that
/// does not read as one, a header line 1 without a system base. The exact
/// form also refuses a system base other than the one header line 1 gives,
/// and a NaN other than the one "nan" reads back as. A case with fewer than
/// ten comment lines is written with empty header lines and "0" terminator
/// lines in their place, which it then reads back with. After the write, a
/// stream that failed is reported as an error too (what was written stays).
ZEL23_API WriteReport write(std::ostream& out, const Case& c,
                            const WriteOptions& options);

/// The checks of write() with options alone: the report it would give, with
/// the count of rounded doubles, and nothing written.
ZEL23_API WriteReport checkWrite(const Case& c, const WriteOptions& options);

/// Single records: parse a line (three for a DC line) as the line constructor
/// does, but instead of ending the process return false with the message the
/// fatal error would print. On success `record` is replaced and `message` is
/// left alone; on failure `record` is left alone. Bus names resolve through
/// the registry maps, as the line constructors do.
ZEL23_API bool parse(std::string_view line, ZELBus& record, std::string& message);
ZEL23_API bool parse(std::string_view line, ZELGenerator& record, std::string& message);
ZEL23_API bool parse(std::string_view line, ZELLoad& record, std::string& message);
ZEL23_API bool parse(std::string_view line, ZELBranch& record, std::string& message);
ZEL23_API bool parse(std::string_view line, ZELTransformerAdjustment& record,
                     std::string& message);
ZEL23_API bool parse(std::string_view line, ZELAreaInterchange& record,
                     std::string& message);
ZEL23_API bool parse(std::string_view line, ZELSwitchedShunt& record,
                     std::string& message);
ZEL23_API bool parse(std::string_view line1, std::string_view line2,
                     std::string_view line3, ZELTwoTerminalDC& record,
                     std::string& message);

/// The library's version, "MAJOR.MINOR.PATCH", as the build that made it
/// was told; the SONAME carries the major version.
ZEL23_API const char* version();

} // namespace zel23

#endif
