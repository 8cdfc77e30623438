#ifndef ZEL23_FRAME_READER_H
#define ZEL23_FRAME_READER_H

#include "frame/text/fatal.h"
#include "frame/text/memory.h"
#include "zel23.h"
#include "zel23_case.h"

#include <cstddef>
#include <istream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zel23::detail {

// The lines of a case, with the results std::istream::getline gives on a
// 1024-character buffer: a line is cut to its first 1023 characters (the
// rest, through its line feed, is discarded), a last line without a line
// feed is reported as such, and once the input has ended every further read
// fails. It reads an input stream through its stream buffer in large blocks,
// and when done leaves the stream's state as those reads would have; or it
// reads text held in memory, in place.
class LineSource {
public:
  enum class Status {
    Line,     // a line ended by a line feed
    LastLine, // a line ended by the end of the input (eof, not failed)
    End,      // nothing read: the input had ended (eof and failed)
    Failed,   // the stream was not usable or its buffer failed
  };

  static constexpr std::size_t kMaxLine = 1023;

  explicit LineSource(std::istream& in);
  // The lines of `text`, numbered on from `lineNumber`.
  explicit LineSource(std::string_view text, std::size_t lineNumber = 0);
  ~LineSource();
  LineSource(const LineSource&) = delete;
  LineSource& operator=(const LineSource&) = delete;

  // The next line, valid until the following call.
  Status next(std::string_view& line);
  // Physical lines delivered so far, counting the ones read before this
  // source was made.
  std::size_t lineNumber() const { return lineNumber_; }
  void setLineNumber(std::size_t n) { lineNumber_ = n; }
  // Whether reading stopped because the stream buffer threw.
  bool threw() const { return threw_; }
  // Text in memory: the offset of the next line, or the text's size.
  std::size_t offset() const { return begin_; }

private:
  bool refill();
  std::streamsize pull(char* destination, std::streamsize space);
  Status discardRestOfLine(std::string_view& line);

  std::istream* in_; // null for text in memory
  std::streambuf* buffer_;
  bool fromFile_; // a std::filebuf: large reads go straight to the file
  std::unique_ptr<char[]> block_;
  const char* data_; // the block, or the text in memory
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
  std::size_t lineNumber_ = 0;
  std::string cut_;
  bool ended_ = false;  // every further read fails
  bool failed_ = false; // ... as Failed rather than End
  bool threw_ = false;  // the stream buffer threw
  bool lastReadFailed_ = false;
  bool sawEof_ = false;
};

// How the reader takes a line, by its first character outside " \t\n\r#":
// none makes it ignorable, '0' a terminator, anything else a record line.
enum class LineKind { Ignorable, Terminator, Record };
LineKind classify(std::string_view line);

// Sections are counted from 0; the DC line section's records take three lines.
inline constexpr int kDcSection = static_cast<int>(Section::TwoTerminalDC);

// The system base: the second token of header line 1, with " \t/" as
// delimiters. A line with fewer than two tokens makes substr throw
// std::out_of_range; a recoverable read reports it with this message.
double systemBaseOf(const std::string& line);
inline constexpr std::string_view kMissingSystemBase =
    "Missing system base: header line 1 has fewer than two tokens";

// At most `most` bytes of `text` (not cutting a UTF-8 character), with "..."
// when cut: what a problem keeps of its line (kExcerpt) and a message of a
// token, so that their memory stays bounded whatever the input.
std::string excerpt(std::string_view text, std::size_t most);
inline constexpr std::size_t kExcerpt = 200;

// The failures of a record line met past the last section, and of a DC
// record whose second or third line is missing.
ParseResult unknownRecordType();
ParseResult shortDcRecord();

// Where a read's problems go: at most `most` kept, the rest counted. Without
// a list (ZELParse) a failure ends the process through the fatal reporter.
struct ProblemLog {
  std::vector<Problem>* problems = nullptr;
  std::size_t* dropped = nullptr;
  std::size_t most = 0;

  // `text` is the line the problem is on; its excerpt is kept.
  void add(std::size_t line, int section, ProblemCode code, std::string message,
           std::string_view text);
  // A problem made (and cut to its excerpt) elsewhere.
  void add(Problem problem);
  // True when the parse succeeded; a failure becomes a problem on `line`.
  bool accept(ParseResult&& result, std::size_t line, int section, std::string_view text);
};

// Where a read's comment lines go (three header lines, then the terminator
// lines), with their numbers when there is a report. Without a list it keeps
// none.
struct CommentLog {
  std::vector<std::string>* lines = nullptr;
  std::vector<std::size_t>* numbers = nullptr;

  void add(std::string line, std::size_t number);
};

// The system base of header line 1, `first`. Without one ZELParse throws
// std::out_of_range; a recoverable read reports it and goes on.
void takeSystemBase(const std::string& first, double& systemBase, ProblemLog& problems);
// Header lines 2 and 3: comment lines, empty where the input has ended.
void takeHeaderLines(LineSource& source, CommentLog& comments);

// The DC record's second and third lines are taken as they are, blank or
// not: f(number, line1, line2, line3) gets the record, or a missing line is
// a problem. The first line is copied, since reading on reuses the buffer.
template <class F>
void readDcRecord(LineSource& source, std::string_view line, std::size_t number,
                  ProblemLog& problems, F&& f) {
  const std::string first(line);
  std::string rest[2];
  for (std::string& next : rest) {
    std::string_view text;
    const auto status = source.next(text);
    if (status != LineSource::Status::Line && status != LineSource::Status::LastLine) {
      problems.accept(shortDcRecord(), number, kDcSection, first);
      return;
    }
    next.assign(text);
  }
  f(number, std::string_view(first), std::string_view(rest[0]),
    std::string_view(rest[1]));
}

// Walks the section lines of `source`, counting sections from `section`:
// blank and comment-only lines are skipped, a last line without a line feed
// is never taken, a terminator line is a comment line, a record line past
// the last section is a problem. For the others it calls
//   visitor.terminator(section, offset), once the line is in `comments`:
//       true to go on in the next section, false to stop;
//   visitor.record(section, line, number) for a record line of a section
//       other than the DC line section;
//   visitor.dcRecord(number, line1, line2, line3) for a DC record.
// Returns the section the walk ended in.
template <class Visitor>
int walkSections(LineSource& source, int section, ProblemLog& problems,
                 CommentLog& comments, Visitor& visitor) {
  std::string_view line;
  for (std::size_t at = source.offset(); source.next(line) == LineSource::Status::Line;
       at = source.offset()) {
    const std::size_t number = source.lineNumber();
    switch (classify(line)) {
    case LineKind::Ignorable:
      break;
    case LineKind::Terminator:
      comments.add(std::string(line), number);
      if (!visitor.terminator(section, at)) return section;
      ++section;
      break;
    case LineKind::Record:
      if (section == kDcSection)
        readDcRecord(source, line, number, problems,
                     [&](std::size_t n, std::string_view l1, std::string_view l2,
                         std::string_view l3) { visitor.dcRecord(n, l1, l2, l3); });
      else if (section >= kSectionCount)
        problems.accept(unknownRecordType(), number, section, line);
      else
        visitor.record(section, line, number);
      break;
    }
  }
  return section;
}

// The caller's lists and system base, as ZELParse takes them.
struct CaseTarget {
  std::vector<ZELBus>& buses;
  std::vector<ZELGenerator>& generators;
  std::vector<ZELBranch>& branches;
  std::vector<ZELTransformerAdjustment>& adjustments;
  std::vector<ZELAreaInterchange>& areas;
  std::vector<ZELTwoTerminalDC>& dcLines;
  std::vector<ZELSwitchedShunt>& shunts;
  std::vector<std::string>& comments;
  double& systemBase;
};

// Reads a whole case into `target`. Without a report every bad line ends the
// process through the fatal reporter and a header line 1 without a system
// base throws std::out_of_range, as ZELParse does. With a report bad lines
// become problems in the report.
void readCase(std::istream& in, const CaseTarget& target, ReadReport* report,
              std::size_t maxProblems);

// Called by readFile, when set, between taking a regular file's size and
// reading it: lets a test change the file there.
extern void (*afterFileSize)(int fd);
// Called by the parallel reader, when set, between finding the lines and
// parsing them: lets a test change the text there.
extern void (*afterScan)();

} // namespace zel23::detail

#endif
