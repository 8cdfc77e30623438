#ifndef ZEL23_FRAME_READER_H
#define ZEL23_FRAME_READER_H

#include "frame/text/fatal.h"
#include "zel23.h"

#include <cstddef>
#include <istream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zel23::detail {

// Reads an input stream line by line through its stream buffer in large
// blocks, with the results std::istream::getline gives on a 1024-character
// buffer: a line is cut to its first 1023 characters (the rest, through its
// line feed, is discarded), a last line without a line feed is reported as
// such, and once the input has ended every further read fails. When done it
// leaves the stream's state as those reads would have.
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

private:
  bool refill();
  std::streamsize pull(char* destination, std::streamsize space);
  Status discardRestOfLine(std::string_view& line);

  std::istream& in_;
  std::streambuf* buffer_;
  bool fromFile_; // a std::filebuf: large reads go straight to the file
  std::unique_ptr<char[]> data_;
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
inline constexpr int kDcSection = 5;

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

// Most of a large read's time would go to the kernel handing out fresh 4 KiB
// pages for the records. Where the kernel offers huge pages on request, ask
// for them over the 2 MiB-aligned part of a block: it is only advice, and the
// memory stays the allocator's.
void adviseHugePages(void* start, std::size_t bytes);

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

} // namespace zel23::detail

#endif
