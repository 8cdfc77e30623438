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
template <class Record> class Staging {
public:
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

class CaseReader {
public:
  CaseReader(std::istream& in, const CaseTarget& target, ReadReport* report,
             std::size_t maxProblems)
      : in_(in), target_(target), report_(report), maxProblems_(maxProblems) {}

  void run() {
    std::optional<QuietStream> quiet;
    if (report_) quiet.emplace(in_);
    const bool reportStream = quiet && quiet->reportsErrors();
    if (quiet && quiet->tieFailed())
      problem(1, kHeader,
              "Output stream error: flushing the stream tied to the input failed", "");
    // A stream that failed before its first byte holds no case at all.
    if (report_ && in_.fail()) {
      problem(0, kHeader, "Input stream error: the stream could not be read", "");
      return;
    }
    const std::string first = readFirstLine(in_);
    addComment(first, 1);
    if (reportStream && in_.bad()) problem(1, kHeader, kStreamError, first);
    try {
      target_.systemBase = systemBaseOf(first);
    } catch (const std::out_of_range&) {
      if (!report_) throw;
      problem(1, kHeader, std::string(kMissingSystemBase), first);
    }
    LineSource source(in_);
    source.setLineNumber(1);
    for (int header = 2; header <= 3; ++header) {
      std::string_view line;
      const auto status = source.next(line);
      const bool read =
          status == LineSource::Status::Line || status == LineSource::Status::LastLine;
      addComment(read ? std::string(line) : std::string(), source.lineNumber());
    }
    const int lastSection = readSections(source);
    appendRecords(lastSection);
    if (report_) report_->lines = source.lineNumber();
    if (reportStream && source.threw()) {
      const std::size_t number = source.lineNumber() + 1;
      problem(number, number <= 3 ? kHeader : lastSection, kStreamError, "");
    }
  }

private:
  // Returns the section the input ended in.
  int readSections(LineSource& source) {
    int section = 0;
    std::string_view line;
    while (source.next(line) == LineSource::Status::Line) {
      const std::size_t number = source.lineNumber();
      switch (classify(line)) {
      case LineKind::Ignorable:
        break;
      case LineKind::Terminator:
        addComment(std::string(line), number);
        appendRecords(section);
        ++section;
        break;
      case LineKind::Record:
        readRecord(source, section, line, number);
        break;
      }
    }
    return section;
  }

  // Calls f(staging, list) with the staging and the caller's list of a
  // section 0 to 6; nothing for any other section.
  template <class F> void withSection(int section, F&& f) {
    switch (section) {
    case 0:
      return f(buses_, target_.buses);
    case 1:
      return f(generators_, target_.generators);
    case 2:
      return f(branches_, target_.branches);
    case 3:
      return f(adjustments_, target_.adjustments);
    case 4:
      return f(areas_, target_.areas);
    case 5:
      return f(dcLines_, target_.dcLines);
    case 6:
      return f(shunts_, target_.shunts);
    }
  }

  void readRecord(LineSource& source, int section, std::string_view line,
                  std::size_t number) {
    if (section == kDcSection) return addDcLine(source, number, line);
    if (section >= zel23::kSectionCount) {
      guarded(section, number, line, [] { return unknownRecordType(); });
      return;
    }
    withSection(section, [&](auto& staging, auto& list) {
      using Record = typename std::decay_t<decltype(list)>::value_type;
      if constexpr (!std::is_same_v<Record, ZELTwoTerminalDC>) // one line each
        add(staging, section, number, line,
            [line](Record& record) { return parseRecord(record, line, noBusNames()); });
    });
  }

  // The 2nd and 3rd lines are taken as read, blank or not; the record line's
  // text is copied because reading on reuses the source's buffer.
  void addDcLine(LineSource& source, std::size_t number, std::string_view line) {
    constexpr int section = kDcSection;
    const std::string first(line);
    std::string rest[2];
    for (std::string& next : rest) {
      std::string_view text;
      const auto status = source.next(text);
      if (status != LineSource::Status::Line && status != LineSource::Status::LastLine) {
        guarded(section, number, first, [] { return shortDcRecord(); });
        return;
      }
      next.assign(text);
    }
    add(dcLines_, section, number, first, [&](ZELTwoTerminalDC& record) {
      return parseRecord(record, first, rest[0], rest[1], noBusNames());
    });
  }

  template <class Record, class Parse>
  void add(Staging<Record>& staging, int section, std::size_t number,
           std::string_view line, const Parse& parse) {
    Record& record = staging.emplace();
    if (guarded(section, number, line, [&] { return parse(record); })) {
      if (report_) report_->recordLines[section].push_back(number);
    } else {
      staging.dropLast();
    }
  }

  // Moves a finished section into the caller's list, so that its blocks are
  // free for the next section.
  void appendRecords(int section) {
    withSection(section, [](auto& staging, auto& list) { staging.appendTo(list); });
  }

  // Runs a parse; in a recoverable read a failure becomes a problem and
  // false, otherwise it ends the process.
  template <class Parse>
  bool guarded(int section, std::size_t number, std::string_view line, Parse&& parse) {
    ParseResult result = parse();
    if (result.ok) return true;
    if (!report_) exitOnFailure(result);
    problem(number, section, std::move(result.message), line);
    return false;
  }

  void problem(std::size_t number, int section, std::string message,
               std::string_view line) {
    if (report_->problems.size() >= maxProblems_) {
      ++report_->problemsDropped;
      return;
    }
    report_->problems.push_back(
        Problem{number, section, std::move(message), excerpt(line, kExcerpt)});
  }

  void addComment(std::string line, std::size_t number) {
    target_.comments.push_back(std::move(line));
    if (report_) report_->commentLines.push_back(number);
  }

  std::istream& in_;
  const CaseTarget& target_;
  ReadReport* report_;
  std::size_t maxProblems_;
  BlockPool pool_; // outlives the stagings, which give their blocks back
  Staging<ZELBus> buses_{pool_};
  Staging<ZELGenerator> generators_{pool_};
  Staging<ZELBranch> branches_{pool_};
  Staging<ZELTransformerAdjustment> adjustments_{pool_};
  Staging<ZELAreaInterchange> areas_{pool_};
  Staging<ZELTwoTerminalDC> dcLines_{pool_};
  Staging<ZELSwitchedShunt> shunts_{pool_};
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

// Their lines are the ones ZELParse has always reported them from.
ParseResult unknownRecordType() { return failure(kSource, 428, "Unknown record type"); }

ParseResult shortDcRecord() {
  return failure(kSource, 431, "Two terminal DC data format error.");
}

void adviseHugePages([[maybe_unused]] void* start, [[maybe_unused]] std::size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  constexpr std::uintptr_t kHuge = std::uintptr_t(1) << 21;
  const auto first = (reinterpret_cast<std::uintptr_t>(start) + kHuge - 1) & ~(kHuge - 1);
  const auto last = (reinterpret_cast<std::uintptr_t>(start) + bytes) & ~(kHuge - 1);
  if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#endif
}

LineSource::LineSource(std::istream& in)
    : in_(in), buffer_(in.rdbuf()), fromFile_(dynamic_cast<std::filebuf*>(buffer_)),
      data_(new char[kBlock]) {
  if (!in.good() || buffer_ == nullptr) {
    ended_ = true;
    failed_ = !in.eof();
  } else {
    std::istream::sentry ready(in, true); // flushes a tied output stream
  }
}

LineSource::~LineSource() {
  std::ios_base::iostate state = std::ios_base::goodbit;
  if (sawEof_) state |= std::ios_base::eofbit;
  if (lastReadFailed_) state |= std::ios_base::failbit;
  if (threw_) state |= std::ios_base::badbit;
  try {
    in_.setstate(state);
  } catch (...) {
    // The caller asked for exceptions on this state; a destructor cannot
    // deliver one, and the state itself is set.
  }
}

bool LineSource::refill() {
  if (begin_ > 0) {
    std::memmove(data_.get(), data_.get() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  std::streamsize got = 0;
  try {
    got = pull(data_.get() + end_, static_cast<std::streamsize>(kBlock - end_));
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
    const char* base = data_.get();
    if (const void* feed = std::memchr(base + scanned, '\n', end_ - scanned)) {
      const std::size_t at = static_cast<const char*>(feed) - base;
      line = std::string_view(base + begin_, std::min(at - begin_, kMaxLine));
      begin_ = at + 1;
      ++lineNumber_;
      return Status::Line;
    }
    if (end_ - begin_ > kMaxLine) return discardRestOfLine(line);
    const std::size_t pending = end_ - begin_;
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
      line = std::string_view(data_.get() + begin_, pending);
      begin_ = end_;
      ++lineNumber_;
      return Status::LastLine;
    }
    scanned = begin_ + pending;
  }
}

// The current line is longer than kMaxLine: keep its start, drop the rest.
LineSource::Status LineSource::discardRestOfLine(std::string_view& line) {
  cut_.assign(data_.get() + begin_, kMaxLine);
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
    if (const void* feed = std::memchr(data_.get(), '\n', end_)) {
      begin_ = static_cast<const char*>(feed) - data_.get() + 1;
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
