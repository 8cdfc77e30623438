#include "frame/case/reader.h"

#include "frame/text/convert.h"
#include "frame/text/fatal.h"
#include "frame/text/registry.h"
#include "records/ZELAreaInterchange.h"
#include "records/ZELBranch.h"
#include "records/ZELBus.h"
#include "records/ZELGenerator.h"
#include "records/ZELSwitchedShunt.h"
#include "records/ZELTransformerAdjustment.h"
#include "records/ZELTwoTerminalDC.h"

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <limits>
#include <new>
#include <optional>
#include <ostream>
#include <type_traits>

namespace zel23::detail {
namespace {

constexpr std::string_view kSource = "..\\ZELParse";
constexpr std::size_t kBlock = std::size_t(1) << 16;

// Line 1 through getline itself, so that when its system base is missing and
// std::out_of_range leaves ZELParse, the stream stands just after that line.
std::string readFirstLine(std::istream& in) {
  char text[LineSource::kMaxLine + 1];
  in.getline(text, sizeof text);
  // gcount counts the line feed when one ended the line (the stream is then
  // still good); a line cut at kMaxLine leaves the stream failed.
  const std::size_t extracted = static_cast<std::size_t>(in.gcount());
  const bool cut =
      in.fail() && !in.eof() && !in.bad() && extracted == LineSource::kMaxLine;
  std::string line(text, in.good() && extracted > 0 ? extracted - 1 : extracted);
  if (cut) {
    in.clear();
    in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
  }
  return line;
}

constexpr const char* kStreamError =
    "Input stream error: the stream failed while reading this line";

// For the length of a recoverable read, the caller's input stream throws
// nothing and flushes no tied output stream (that is done once, up front,
// where its failure is caught); both settings come back at the end without
// throwing, even when the state the read left is one the mask names.
class QuietStream {
public:
  explicit QuietStream(std::istream& in)
      : in_(in), mask_(in.exceptions()), tie_(in.tie()) {
    in.exceptions(std::ios_base::goodbit);
    in.tie(nullptr);
    if (tie_) {
      try {
        tie_->flush();
      } catch (...) {
        tieFailed_ = true;
      }
    }
  }
  ~QuietStream() {
    in_.tie(tie_);
    try {
      in_.exceptions(mask_);
    } catch (const std::ios_base::failure&) {
      // The mask is set; the state it names stays for the caller to see.
    }
  }
  QuietStream(const QuietStream&) = delete;
  QuietStream& operator=(const QuietStream&) = delete;

  // Whether the caller's stream would have thrown on an error of its buffer.
  bool reportsErrors() const { return (mask_ & std::ios_base::badbit) != 0; }
  bool tieFailed() const { return tieFailed_; }

private:
  std::istream& in_;
  std::ios_base::iostate mask_;
  std::ostream* tie_;
  bool tieFailed_ = false;
};

// Raw memory for staging records, handed from one section to the next, so
// that a large read takes fresh memory for its largest section only and not
// for every section: the kernel's work on fresh pages is most of a large
// read's cost.
class BlockPool {
public:
  static constexpr std::size_t kFirstBytes = std::size_t(64) << 10;
  static constexpr std::size_t kBlockBytes = std::size_t(4) << 20;

  struct Block {
    std::byte* data = nullptr;
    std::size_t bytes = 0;
  };

  BlockPool() = default;
  BlockPool(const BlockPool&) = delete;
  BlockPool& operator=(const BlockPool&) = delete;
  ~BlockPool() {
    for (const Block& block : free_)
      release(block);
  }

  // A block of at least `bytes`, reused when one is free.
  Block take(std::size_t bytes) {
    for (std::size_t i = 0; i < free_.size(); ++i) {
      if (free_[i].bytes < bytes) continue;
      const Block block = free_[i];
      free_.erase(free_.begin() + static_cast<std::ptrdiff_t>(i));
      return block;
    }
    free_.reserve(free_.size() + 1); // so that give() cannot fail
    if (bytes < kBlockBytes)
      return {static_cast<std::byte*>(::operator new(bytes)), bytes};
    // Huge-page aligned, so that a large block is whole huge pages.
    const Block block{static_cast<std::byte*>(::operator new(bytes, kHugeAlignment)),
                      bytes};
    adviseHugePages(block.data, bytes);
    return block;
  }

  void give(const Block& block) { free_.push_back(block); }

private:
  static constexpr std::align_val_t kHugeAlignment{std::size_t(1) << 21};

  static void release(const Block& block) {
    if (block.bytes < kBlockBytes)
      ::operator delete(block.data);
    else
      ::operator delete(block.data, kHugeAlignment);
  }

  std::vector<Block> free_;
};

// The records of one section, gathered in pool blocks and copied into the
// caller's list once, when the section ends: a vector that grows by doubling
// holds up to three times its records while it reallocates, this at most
// twice.
template <class Record_> class Staging {
public:
  using Record = Record_;
  explicit Staging(BlockPool& pool) : pool_(pool) {}
  Staging(const Staging&) = delete;
  Staging& operator=(const Staging&) = delete;
  ~Staging() { release(); }

  Record& emplace() {
    if (parts_.empty() || parts_.back().count == parts_.back().capacity) grow();
    Part& part = parts_.back();
    Record* record = new (part.block.data + part.count * sizeof(Record)) Record();
    ++part.count;
    return *record;
  }

  void dropLast() {
    Part& part = parts_.back();
    --part.count;
    part.at(part.count)->~Record();
  }

  void appendTo(std::vector<Record>& list) {
    std::size_t count = 0;
    for (const Part& part : parts_)
      count += part.count;
    if (count > 0) {
      list.reserve(list.size() + count);
      adviseHugePages(list.data() + list.size(), count * sizeof(Record));
      for (Part& part : parts_)
        list.insert(list.end(), part.at(0), part.at(0) + part.count);
    }
    release();
  }

private:
  struct Part {
    BlockPool::Block block;
    std::size_t capacity = 0;
    std::size_t count = 0;
    Record* at(std::size_t i) {
      return std::launder(reinterpret_cast<Record*>(block.data + i * sizeof(Record)));
    }
  };

  void grow() {
    const std::size_t wanted = std::max(
        parts_.empty() ? BlockPool::kFirstBytes : BlockPool::kBlockBytes, sizeof(Record));
    parts_.reserve(parts_.size() + 1);
    const BlockPool::Block block = pool_.take(wanted);
    parts_.push_back(Part{block, block.bytes / sizeof(Record), 0});
  }

  void release() {
    for (Part& part : parts_) {
      for (std::size_t i = 0; i < part.count; ++i)
        part.at(i)->~Record();
      pool_.give(part.block);
    }
    parts_.clear();
  }

  BlockPool& pool_;
  std::vector<Part> parts_;
};

// The stagings of the seven sections, named as a case's lists.
struct Stagings {
  explicit Stagings(BlockPool& pool)
      : buses(pool), generators(pool), branches(pool), adjustments(pool), areas(pool),
        dcLines(pool), shunts(pool) {}
  Staging<ZELBus> buses;
  Staging<ZELGenerator> generators;
  Staging<ZELBranch> branches;
  Staging<ZELTransformerAdjustment> adjustments;
  Staging<ZELAreaInterchange> areas;
  Staging<ZELTwoTerminalDC> dcLines;
  Staging<ZELSwitchedShunt> shunts;
};

class CaseReader {
public:
  CaseReader(std::istream& in, const CaseTarget& target, ReadReport* report,
             std::size_t maxProblems)
      : in_(in), target_(target), report_(report) {
    comments_.lines = &target.comments;
    if (report) {
      comments_.numbers = &report->commentLines;
      problems_ = ProblemLog{&report->problems, &report->problemsDropped, maxProblems};
    }
  }

  void run() {
    std::optional<QuietStream> quiet;
    if (report_) quiet.emplace(in_);
    const bool reportStream = quiet && quiet->reportsErrors();
    if (quiet && quiet->tieFailed())
      problems_.add(1, kHeader, ProblemCode::StreamError,
                    "Output stream error: flushing the stream tied to the input failed",
                    "");
    // A stream that failed before its first byte holds no case at all.
    if (report_ && in_.fail()) {
      problems_.add(0, kHeader, ProblemCode::StreamError,
                    "Input stream error: the stream could not be read", "");
      return;
    }
    const std::string first = readFirstLine(in_);
    comments_.add(first, 1);
    if (reportStream && in_.bad())
      problems_.add(1, kHeader, ProblemCode::StreamError, kStreamError, first);
    takeSystemBase(first, target_.systemBase, problems_);
    LineSource source(in_);
    source.setLineNumber(1);
    takeHeaderLines(source, comments_);
    const int lastSection = walkSections(source, 0, problems_, comments_, *this);
    appendRecords(lastSection);
    if (report_) report_->lines = source.lineNumber();
    if (reportStream && source.threw()) {
      const std::size_t number = source.lineNumber() + 1;
      problems_.add(number, number <= 3 ? kHeader : lastSection, ProblemCode::StreamError,
                    kStreamError, "");
    }
  }

  // The walk's visitor.
  bool terminator(int section, std::size_t) {
    appendRecords(section);
    return true;
  }

  void record(int section, std::string_view line, std::size_t number) {
    visitSection(stagings_, Section(section), [&](auto& staging) {
      using Record = typename std::decay_t<decltype(staging)>::Record;
      if constexpr (!std::is_same_v<Record, ZELTwoTerminalDC>) // one line each
        add(staging, section, number, line,
            [line](Record& record) { return parseRecord(record, line, noBusNames()); });
    });
  }

  void dcRecord(std::size_t number, std::string_view line1, std::string_view line2,
                std::string_view line3) {
    add(stagings_.dcLines, kDcSection, number, line1, [&](ZELTwoTerminalDC& record) {
      return parseRecord(record, line1, line2, line3, noBusNames());
    });
  }

private:
  template <class Record, class Parse>
  void add(Staging<Record>& staging, int section, std::size_t number,
           std::string_view line, const Parse& parse) {
    Record& record = staging.emplace();
    if (problems_.accept(parse(record), number, section, line)) {
      if (report_) report_->recordLines[section].push_back(number);
    } else {
      staging.dropLast();
    }
  }

  // Moves a finished section into the caller's list, so that its blocks are
  // free for the next section.
  void appendRecords(int section) {
    forEachSection(
        [section](Section s, auto& staging, auto& list) {
          if (static_cast<int>(s) == section) staging.appendTo(list);
        },
        stagings_, target_);
  }

  std::istream& in_;
  const CaseTarget& target_;
  ReadReport* report_;
  ProblemLog problems_;
  CommentLog comments_;
  BlockPool pool_; // outlives the stagings, which give their blocks back
  Stagings stagings_{pool_};
};

} // namespace

LineKind classify(std::string_view line) {
  for (const char c : line) {
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '#') continue;
    return c == '0' ? LineKind::Terminator : LineKind::Record;
  }
  return LineKind::Ignorable;
}

double systemBaseOf(const std::string& line) {
  constexpr const char* delimiters = " \t/";
  const std::size_t start1 = line.find_first_not_of(delimiters);
  const std::size_t end1 = line.find_first_of(delimiters, start1);
  const std::size_t start2 = line.find_first_not_of(delimiters, end1);
  const std::size_t end2 = line.find_first_of(delimiters, start2);
  return toInt(line.substr(start2, end2 - start2));
}

std::string excerpt(std::string_view text, std::size_t most) {
  if (text.size() <= most) return std::string(text);
  std::size_t cut = most;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
    --cut; // back to the first byte of a UTF-8 character
  return std::string(text.substr(0, cut)) + "...";
}

void ProblemLog::add(std::size_t line, int section, ProblemCode code, std::string message,
                     std::string_view text) {
  if (problems->size() >= most) {
    ++*dropped;
    return;
  }
  problems->push_back(
      Problem{line, section, std::move(message), excerpt(text, kExcerpt), code});
}

void ProblemLog::add(Problem problem) {
  if (problems->size() >= most)
    ++*dropped;
  else
    problems->push_back(std::move(problem));
}

bool ProblemLog::accept(ParseResult&& result, std::size_t line, int section,
                        std::string_view text) {
  if (result.ok) return true;
  if (!problems) exitOnFailure(result);
  add(line, section, result.code, std::move(result.message), text);
  return false;
}

} // namespace zel23::detail

namespace zel23 {

const char* problemCodeName(ProblemCode code) {
  switch (code) {
  case ProblemCode::MalformedRecord:
    return "malformed-record";
  case ProblemCode::InvalidBusNumber:
    return "invalid-bus-number";
  case ProblemCode::RecordAfterLastSection:
    return "record-after-last-section";
  case ProblemCode::DcLineIncomplete:
    return "dc-line-incomplete";
  case ProblemCode::NoSystemBase:
    return "no-system-base";
  case ProblemCode::StreamError:
    return "stream-error";
  case ProblemCode::FileError:
    return "file-error";
  case ProblemCode::Matpower:
    return "matpower";
  }
  return "unknown";
}

} // namespace zel23

namespace zel23::detail {

void CommentLog::add(std::string line, std::size_t number) {
  if (!lines) return;
  lines->push_back(std::move(line));
  if (numbers) numbers->push_back(number);
}

void takeSystemBase(const std::string& first, double& systemBase, ProblemLog& problems) {
  try {
    systemBase = systemBaseOf(first);
  } catch (const std::out_of_range&) {
    if (!problems.problems) throw;
    problems.add(1, kHeader, ProblemCode::NoSystemBase, std::string(kMissingSystemBase),
                 first);
  }
}

void takeHeaderLines(LineSource& source, CommentLog& comments) {
  for (int header = 2; header <= 3; ++header) {
    std::string_view line;
    const auto status = source.next(line);
    const bool read =
        status == LineSource::Status::Line || status == LineSource::Status::LastLine;
    comments.add(read ? std::string(line) : std::string(), source.lineNumber());
  }
}

// Their lines are the ones ZELParse has always reported them from.
ParseResult unknownRecordType() {
  return failure(kSource, 428, "Unknown record type",
                 ProblemCode::RecordAfterLastSection);
}

ParseResult shortDcRecord() {
  return failure(kSource, 431, "Two terminal DC data format error.",
                 ProblemCode::DcLineIncomplete);
}

LineSource::LineSource(std::istream& in)
    : in_(&in), buffer_(in.rdbuf()), fromFile_(dynamic_cast<std::filebuf*>(buffer_)),
      block_(new char[kBlock]), data_(block_.get()) {
  if (!in.good() || buffer_ == nullptr) {
    ended_ = true;
    failed_ = !in.eof();
  } else {
    std::istream::sentry ready(in, true); // flushes a tied output stream
  }
}

LineSource::LineSource(std::string_view text, std::size_t lineNumber)
    : in_(nullptr), buffer_(nullptr), fromFile_(false),
      data_(text.empty() ? "" : text.data()), end_(text.size()), lineNumber_(lineNumber) {
}

LineSource::~LineSource() {
  if (!in_) return;
  std::ios_base::iostate state = std::ios_base::goodbit;
  if (sawEof_) state |= std::ios_base::eofbit;
  if (lastReadFailed_) state |= std::ios_base::failbit;
  if (threw_) state |= std::ios_base::badbit;
  try {
    in_->setstate(state);
  } catch (...) {
    // The caller asked for exceptions on this state; a destructor cannot
    // deliver one, and the state itself is set.
  }
}

bool LineSource::refill() {
  if (!in_) return false; // text in memory is there whole
  if (begin_ > 0) {
    std::memmove(block_.get(), block_.get() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  std::streamsize got = 0;
  try {
    got = pull(block_.get() + end_, static_cast<std::streamsize>(kBlock - end_));
  } catch (...) {
    failed_ = threw_ = true;
    return false;
  }
  if (got <= 0) {
    sawEof_ = true;
    return false;
  }
  end_ += static_cast<std::size_t>(got);
  return true;
}

// A file buffer reads large requests straight from the file. Any other
// buffer is asked only for what it already holds, so that a buffer that
// throws on its next underflow loses none of the characters handed over.
std::streamsize LineSource::pull(char* destination, std::streamsize space) {
  if (fromFile_) return buffer_->sgetn(destination, space);
  std::streamsize available = buffer_->in_avail();
  if (available == 0) {
    if (std::istream::traits_type::eq_int_type(buffer_->sgetc(),
                                               std::istream::traits_type::eof()))
      return 0;
    available = std::max<std::streamsize>(buffer_->in_avail(), 1);
  }
  if (available < 0) return 0;
  return buffer_->sgetn(destination, std::min(available, space));
}

LineSource::Status LineSource::next(std::string_view& line) {
  if (ended_) {
    lastReadFailed_ = true;
    return failed_ ? Status::Failed : Status::End;
  }
  std::size_t scanned = begin_;
  for (;;) {
    const char* base = data_;
    if (const void* feed = std::memchr(base + scanned, '\n', end_ - scanned)) {
      const std::size_t at = static_cast<const char*>(feed) - base;
      line = std::string_view(base + begin_, std::min(at - begin_, kMaxLine));
      begin_ = at + 1;
      ++lineNumber_;
      return Status::Line;
    }
    const std::size_t pending = end_ - begin_;
    if (!in_ && pending > 0) { // the last line of text in memory
      line = std::string_view(base + begin_, std::min(pending, kMaxLine));
      begin_ = end_;
      ++lineNumber_;
      ended_ = true;
      return Status::LastLine;
    }
    if (pending > kMaxLine) return discardRestOfLine(line);
    if (!refill()) {
      ended_ = true;
      if (failed_) {
        lastReadFailed_ = true;
        return Status::Failed;
      }
      if (pending == 0) {
        lastReadFailed_ = true;
        return Status::End;
      }
      line = std::string_view(data_ + begin_, pending);
      begin_ = end_;
      ++lineNumber_;
      return Status::LastLine;
    }
    scanned = begin_ + pending;
  }
}

// The current line is longer than kMaxLine: keep its start, drop the rest.
LineSource::Status LineSource::discardRestOfLine(std::string_view& line) {
  cut_.assign(data_ + begin_, kMaxLine);
  line = cut_;
  ++lineNumber_;
  begin_ = end_ = 0;
  for (;;) {
    if (!refill()) {
      ended_ = true;
      if (failed_) {
        lastReadFailed_ = true;
        return Status::Failed;
      }
      return Status::LastLine;
    }
    if (const void* feed = std::memchr(data_, '\n', end_)) {
      begin_ = static_cast<const char*>(feed) - data_ + 1;
      return Status::Line;
    }
    begin_ = end_ = 0;
  }
}

void readCase(std::istream& in, const CaseTarget& target, ReadReport* report,
              std::size_t maxProblems) {
  CaseReader(in, target, report, maxProblems).run();
}

} // namespace zel23::detail

std::map<std::string, int> BName2BNum;
std::map<int, std::string> BNum2BName;

bool ZELParse(std::istream& in, std::vector<ZELBus>& buses,
              std::vector<ZELGenerator>& generators, std::vector<ZELBranch>& branches,
              std::vector<ZELTransformerAdjustment>& adjustments,
              std::vector<ZELAreaInterchange>& areas,
              std::vector<ZELTwoTerminalDC>& dcLines,
              std::vector<ZELSwitchedShunt>& shunts, std::vector<std::string>& comments,
              double& systemBase) {
  BName2BNum.clear();
  BNum2BName.clear();
  const zel23::detail::CaseTarget target{buses,       generators, branches,
                                         adjustments, areas,      dcLines,
                                         shunts,      comments,   systemBase};
  zel23::detail::readCase(in, target, nullptr, 0);
  return true;
}
