// The parallel reader: the whole text in memory, cut into chunks at line
// ends, read in four steps that give exactly what the sequential reader
// gives for the same bytes.
//
//   1. (threads) Each chunk is scanned for its lines: how many, how many are
//      record lines, and where the terminator lines are.
//   2. (one thread) The header is read; the terminators, taken in order, give
//      each section its range of bytes. The DC line section is read here,
//      line by line, since a record's second and third lines are taken as
//      they are, whatever they look like. Every other section is cut into
//      pieces at the chunks' ends.
//   3. (threads) The calling thread grows each section's list by the count
//      of its record lines, so that each piece owns its slots; the other
//      threads parse the pieces of the lists grown, and the calling thread
//      joins them when it is done.
//   4. (one thread) A record that failed leaves its slot empty: the slots
//      are closed up, and the pieces' problems are joined in file order.
//
// Records resolve bus names as in an empty registry, as the sequential
// recoverable read does, so no record depends on another and the pieces are
// independent.

#include "frame/case/reader.h"
#include "frame/text/fatal.h"
#include "frame/text/registry.h"
#include "records/ZELAreaInterchange.h"
#include "records/ZELBranch.h"
#include "records/ZELBus.h"
#include "records/ZELGenerator.h"
#include "records/ZELSwitchedShunt.h"
#include "records/ZELTransformerAdjustment.h"
#include "records/ZELTwoTerminalDC.h"
#include "zel23_case.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <istream>
#include <memory>
#include <mutex>
#include <new>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <type_traits>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zel23 {

void (*detail::afterFileSize)(int fd) = nullptr;

namespace {

using detail::LineKind;
constexpr std::size_t kMaxLine = detail::LineSource::kMaxLine;

// The text, and its lines as the sequential line source delivers them: cut
// at kMaxLine characters; a last line without a line feed is read only
// where a header or DC line is due.
struct Text {
  const char* data;
  std::size_t size;

  // Where the line starting at `at` ends: its line feed, or the text's end.
  std::size_t lineEnd(std::size_t at) const {
    const void* feed = std::memchr(data + at, '\n', size - at);
    return feed ? static_cast<std::size_t>(static_cast<const char*>(feed) - data) : size;
  }
  std::string_view line(std::size_t at, std::size_t end) const {
    return {data + at, std::min(end - at, kMaxLine)};
  }
};

// The text's lines one at a time from a given place, as LineSource::next.
class Lines {
public:
  enum class Status { Line, LastLine, End };

  Lines(const Text& text, std::size_t at, std::size_t number)
      : text_(&text), at_(at), number_(number) {}

  Status next(std::string_view& line) {
    if (at_ >= text_->size) return Status::End;
    const std::size_t end = text_->lineEnd(at_);
    line = text_->line(at_, end);
    ++number_;
    at_ = std::min(end + 1, text_->size);
    return end == text_->size ? Status::LastLine : Status::Line;
  }
  std::size_t at() const { return at_; }
  std::size_t number() const { return number_; }

private:
  const Text* text_;
  std::size_t at_;
  std::size_t number_;
};

// Step 1: one chunk's lines, each ended by a line feed.
struct Chunk {
  struct Terminator {
    std::size_t at;      // offset of the line
    std::size_t line;    // lines of the chunk before it
    std::size_t records; // record lines of the chunk before it
  };
  std::size_t begin = 0, end = 0;
  std::size_t lines = 0, records = 0;
  bool lastLine = false; // ends with a line without a line feed
  std::vector<Terminator> terminators;
  // Lines and record lines of all chunks before this one.
  std::size_t linesBefore = 0, recordsBefore = 0;
};

void scan(const Text& text, Chunk& chunk) {
  for (std::size_t at = chunk.begin; at < chunk.end;) {
    const std::size_t end = text.lineEnd(at);
    if (end == text.size) {
      chunk.lastLine = true;
      break;
    }
    switch (detail::classify(text.line(at, end))) {
    case LineKind::Ignorable:
      break;
    case LineKind::Terminator:
      chunk.terminators.push_back({at, chunk.lines, chunk.records});
      break;
    case LineKind::Record:
      ++chunk.records;
      break;
    }
    ++chunk.lines;
    at = end + 1;
  }
}

// Steps 3 and 4: the lines [begin, end) of one section, none a terminator,
// and the slots [slot, slot + slots) of its list they parse into.
struct Piece {
  int section = 0;
  std::size_t begin = 0, end = 0;
  std::size_t linesBefore = 0;
  std::size_t slot = 0, slots = 0;
  std::size_t parsed = 0; // slots filled, from the first on
  std::vector<Problem> problems;
  std::size_t dropped = 0;
};

// Calls f(list) with the case's list of a section 0 to 6 other than the DC
// line section and returns true; false for any other section.
template <class F> bool withList(int section, Case& c, F&& f) {
  switch (section) {
  case 0:
    return f(c.buses), true;
  case 1:
    return f(c.generators), true;
  case 2:
    return f(c.branches), true;
  case 3:
    return f(c.adjustments), true;
  case 4:
    return f(c.areas), true;
  case 6:
    return f(c.shunts), true;
  default:
    return false;
  }
}

// The threads a read may use: as asked, or 0 for as many as the hardware
// runs at once (at least one).
unsigned threadsFor(const ReadFileOptions& options) {
  return std::max(options.threads ? options.threads : std::thread::hardware_concurrency(),
                  1u);
}

// Runs task(0) ... task(count - 1) on up to `threads` threads, the calling
// one among them; the calling
// thread runs first() before it takes tasks. The first exception thrown is
// thrown here once all threads are done.
template <class Task, class First>
void runTasks(unsigned threads, std::size_t count, const Task& task, const First& first) {
  std::atomic<std::size_t> next{0};
  std::exception_ptr failure;
  std::mutex failureLock;
  const auto fail = [&] {
    const std::lock_guard<std::mutex> hold(failureLock);
    if (!failure) failure = std::current_exception();
    next.store(count);
  };
  const auto work = [&] {
    try {
      for (std::size_t i; (i = next.fetch_add(1)) < count;)
        task(i);
    } catch (...) {
      fail();
    }
  };
  std::vector<std::thread> helpers;
  const std::size_t wanted = std::min<std::size_t>(threads, count);
  try {
    for (std::size_t i = 1; i < wanted; ++i)
      helpers.emplace_back(work);
  } catch (const std::system_error&) {
    // Fewer threads than asked for: the ones there take all the tasks.
  }
  try {
    first();
  } catch (...) {
    fail();
  }
  work();
  for (std::thread& helper : helpers)
    helper.join();
  if (failure) std::rethrow_exception(failure);
}

template <class Task>
void runTasks(unsigned threads, std::size_t count, const Task& task) {
  runTasks(threads, count, task, [] {});
}

// Holds back the parse of a section's pieces until its list has grown.
class Gate {
public:
  // Sections below `sections` may go; with `failed`, none will.
  void open(int sections, bool failed = false) {
    const std::lock_guard<std::mutex> hold(lock_);
    open_ = sections;
    failed_ = failed;
    changed_.notify_all();
  }
  // False when the section will never go.
  bool wait(int section) {
    std::unique_lock<std::mutex> hold(lock_);
    changed_.wait(hold, [&] { return failed_ || section < open_; });
    return !failed_;
  }

private:
  std::mutex lock_;
  std::condition_variable changed_;
  int open_ = 0;
  bool failed_ = false;
};

class ParallelReader {
public:
  ParallelReader(std::string_view text, Case& into, const ReadFileOptions& options,
                 ReadReport& report)
      : text_{text.data(), text.size()}, case_(into), options_(options), report_(report) {
    threads_ = threadsFor(options);
  }

  void run() {
    const Lines lines = readHeader();
    report_.lines = lines.number();
    if (lines.at() >= text_.size) return;
    cutChunks(lines.at());
    // A thread is worth starting for a chunk's work, not for less.
    threads_ = static_cast<unsigned>(std::min<std::size_t>(threads_, chunks_.size()));
    runTasks(threads_, chunks_.size(),
             [this](std::size_t i) { scan(text_, chunks_[i]); });
    countBefore();
    planSections(lines.number());
    // The calling thread grows the lists, in section order, while the other
    // threads already parse into the ones grown.
    Gate grown;
    const auto parseOne = [this, &grown](std::size_t i) {
      if (grown.wait(std::min(pieces_[i].section, kSectionCount - 1))) parse(pieces_[i]);
    };
    runTasks(threads_, pieces_.size(), parseOne, [this, &grown] {
      try {
        for (int section = 0; section < kSectionCount; ++section) {
          growList(section);
          grown.open(section + 1);
        }
      } catch (...) {
        grown.open(0, true);
        throw;
      }
    });
    closeUp();
  }

private:
  // The three header lines; returns the lines that follow them.
  Lines readHeader() {
    const std::size_t end = text_.lineEnd(0);
    const std::string first(text_.line(0, end));
    addComment(first, 1);
    try {
      case_.systemBase = detail::systemBaseOf(first);
    } catch (const std::out_of_range&) {
      addProblem(Problem{1, kHeader, std::string(detail::kMissingSystemBase),
                         detail::excerpt(first, detail::kExcerpt)});
    }
    // Without a line feed after line 1 the input has ended for every further
    // read, as after std::istream::getline.
    Lines header(text_, std::min(end + 1, text_.size), 1);
    for (int line = 2; line <= 3; ++line) {
      std::string_view text;
      const bool read = header.next(text) != Lines::Status::End;
      addComment(read ? std::string(text) : std::string(), header.number());
    }
    return header;
  }

  void cutChunks(std::size_t begin) {
    const std::size_t bytes = std::max<std::size_t>(options_.chunkBytes, 1);
    while (begin < text_.size) {
      std::size_t end = text_.size;
      if (text_.size - begin > bytes)
        end = std::min(text_.lineEnd(begin + bytes - 1) + 1, text_.size);
      chunks_.emplace_back();
      chunks_.back().begin = begin;
      chunks_.back().end = end;
      begin = end;
    }
  }

  void countBefore() {
    std::size_t lines = 0, records = 0;
    for (Chunk& chunk : chunks_) {
      chunk.linesBefore = lines;
      chunk.recordsBefore = records;
      lines += chunk.lines;
      records += chunk.records;
    }
    report_.lines += lines + (chunks_.back().lastLine ? 1 : 0);
  }

  // A place between two lines: its offset, the lines before it and the
  // record lines before it, both counted from the first section line.
  struct Place {
    std::size_t at, lines, records;
  };

  // Step 2: the terminators in order give the sections; the DC line section
  // is read here and its end found by reading it.
  void planSections(std::size_t headerLines) {
    headerLines_ = headerLines;
    Place start{chunks_.front().begin, 0, 0};
    int section = 0;
    std::size_t chunk = 0, mark = 0;
    const auto nextTerminator = [&]() -> const Chunk::Terminator* {
      for (; chunk < chunks_.size(); ++chunk, mark = 0)
        for (; mark < chunks_[chunk].terminators.size(); ++mark)
          if (chunks_[chunk].terminators[mark].at >= start.at)
            return &chunks_[chunk].terminators[mark];
      return nullptr;
    };
    for (;;) {
      if (section == detail::kDcSection) {
        std::size_t at = 0;
        if (!readDcSection(start, at)) return;
        start.at = at;
      }
      const Chunk::Terminator* terminator = nextTerminator();
      if (!terminator) {
        const Chunk& last = chunks_.back();
        addPieces(section, start,
                  Place{text_.size, 0, last.recordsBefore + last.records});
        return;
      }
      const Chunk& in = chunks_[chunk];
      const Place end{terminator->at, in.linesBefore + terminator->line,
                      in.recordsBefore + terminator->records};
      if (section != detail::kDcSection) addPieces(section, start, end);
      const std::size_t lineEnd = text_.lineEnd(end.at);
      addComment(std::string(text_.line(end.at, lineEnd)), headerLines + end.lines + 1);
      ++section;
      start = Place{lineEnd + 1, end.lines + 1, end.records};
    }
  }

  // Cuts the section's range [start, end) at the chunks' ends.
  void addPieces(int section, const Place& start, const Place& end) {
    auto chunk =
        std::upper_bound(chunks_.begin(), chunks_.end(), start.at,
                         [](std::size_t at, const Chunk& c) { return at < c.begin; });
    for (--chunk; chunk != chunks_.end() && chunk->begin < end.at; ++chunk) {
      const bool first = chunk->begin <= start.at;
      const bool last = chunk->end >= end.at;
      Piece piece;
      piece.section = section;
      piece.begin = first ? start.at : chunk->begin;
      piece.end = last ? end.at : chunk->end;
      piece.linesBefore = headerLines_ + (first ? start.lines : chunk->linesBefore);
      const std::size_t records =
          (last ? end.records : chunk->recordsBefore + chunk->records) -
          (first ? start.records : chunk->recordsBefore);
      piece.slots = section < kSectionCount ? records : 0;
      if (piece.begin < piece.end) pieces_.push_back(std::move(piece));
    }
  }

  // Reads the DC line section from `start` up to its terminator. Returns
  // false when the text ended first; otherwise `at` is the terminator's
  // offset.
  bool readDcSection(const Place& start, std::size_t& at) {
    constexpr int section = detail::kDcSection;
    Piece piece; // for its problems, in their place among the others
    piece.section = section;
    Lines lines(text_, start.at, headerLines_ + start.lines);
    std::string_view line;
    bool found = false;
    for (std::size_t lineAt = lines.at(); lines.next(line) == Lines::Status::Line;
         lineAt = lines.at()) {
      const std::size_t number = lines.number();
      const LineKind kind = detail::classify(line);
      if (kind == LineKind::Terminator) {
        at = lineAt;
        found = true;
        break;
      }
      if (kind == LineKind::Ignorable) continue;
      std::string_view rest[2];
      bool complete = true;
      for (std::string_view& next : rest)
        complete = complete && lines.next(next) != Lines::Status::End;
      if (!complete) {
        guarded(piece, number, line, [] { return detail::shortDcRecord(); });
        continue;
      }
      ZELTwoTerminalDC record;
      if (guarded(piece, number, line, [&] {
            return detail::parseRecord(record, line, rest[0], rest[1],
                                       detail::noBusNames());
          })) {
        case_.dcLines.push_back(record);
        report_.recordLines[section].push_back(number);
      }
    }
    pieces_.push_back(std::move(piece));
    return found;
  }

  // Grows a section's list by its pieces' slots; a piece's records go to its
  // own. The pages are asked of the kernel at once, in huge pages where it
  // gives them, not one by one as the records are constructed.
  void growList(int section) {
    withList(section, case_, [&](auto& list) {
      std::size_t count = firstSlot_[section] = list.size();
      for (Piece& piece : pieces_)
        if (piece.section == section) {
          piece.slot = count;
          count += piece.slots;
        }
      list.reserve(count);
      char* const fresh = reinterpret_cast<char*>(list.data() + list.size());
      const std::size_t bytes = sizeof(list[0]) * (count - list.size());
      detail::adviseHugePages(fresh, bytes);
      populate(fresh, bytes);
      list.resize(count);
      report_.recordLines[section].resize(count - firstSlot_[section]);
    });
  }

  static void populate([[maybe_unused]] char* start, [[maybe_unused]] std::size_t bytes) {
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
    constexpr std::uintptr_t kPage = 4096;
    const std::uintptr_t first =
        (reinterpret_cast<std::uintptr_t>(start) + kPage - 1) & ~(kPage - 1);
    const std::uintptr_t last =
        (reinterpret_cast<std::uintptr_t>(start) + bytes) & ~(kPage - 1);
    if (last > first)
      ::madvise(reinterpret_cast<void*>(first), last - first, MADV_POPULATE_WRITE);
#endif
  }

  // Step 3, on any thread.
  void parse(Piece& piece) {
    if (piece.section == detail::kDcSection) return; // read in step 2
    const bool known = withList(piece.section, case_, [&](auto& list) {
      std::vector<std::size_t>& numbers = report_.recordLines[piece.section];
      const std::size_t first = firstSlot_[piece.section];
      forEachRecordLine(piece, [&](std::size_t number, std::string_view line) {
        // Only a text that changed since step 1 has more record lines.
        if (piece.parsed == piece.slots)
          throw std::runtime_error("zel23: the text changed while it was read");
        auto& record = list[piece.slot + piece.parsed];
        if (guarded(piece, number, line, [&] {
              return detail::parseRecord(record, line, detail::noBusNames());
            })) {
          numbers[piece.slot + piece.parsed - first] = number;
          ++piece.parsed;
        } else {
          record = {};
        }
      });
    });
    if (!known)
      forEachRecordLine(piece, [&](std::size_t number, std::string_view line) {
        guarded(piece, number, line, [] { return detail::unknownRecordType(); });
      });
  }

  // Calls f(number, line) for each record line of the piece.
  template <class F> void forEachRecordLine(const Piece& piece, F&& f) const {
    std::size_t number = piece.linesBefore;
    for (std::size_t at = piece.begin; at < piece.end;) {
      const std::size_t end = text_.lineEnd(at);
      if (end == text_.size) return; // a last line without a line feed
      const std::string_view line = text_.line(at, end);
      ++number;
      at = end + 1;
      if (detail::classify(line) == LineKind::Record) f(number, line);
    }
  }

  // Runs a parse; a failure becomes the piece's problem and false.
  template <class Parse>
  bool guarded(Piece& piece, std::size_t number, std::string_view line, Parse&& parse) {
    detail::ParseResult result = parse();
    if (result.ok) return true;
    if (piece.problems.size() < options_.maxProblems)
      piece.problems.push_back(Problem{number, piece.section, std::move(result.message),
                                       detail::excerpt(line, detail::kExcerpt)});
    else
      ++piece.dropped;
    return false;
  }

  // Step 4: records that failed left empty slots at their piece's end.
  void closeUp() {
    for (int section = 0; section < kSectionCount; ++section)
      withList(section, case_, [&](auto& list) { closeUp(section, list); });
    for (Piece& piece : pieces_) {
      for (Problem& problem : piece.problems)
        addProblem(std::move(problem));
      report_.problemsDropped += piece.dropped;
    }
  }

  template <class Record> void closeUp(int section, std::vector<Record>& list) {
    const std::size_t first = firstSlot_[section];
    std::vector<std::size_t>& numbers = report_.recordLines[section];
    std::size_t to = first;
    for (const Piece& piece : pieces_) {
      if (piece.section != section) continue;
      for (std::size_t from = piece.slot; from < piece.slot + piece.parsed; ++from, ++to)
        if (to != from) {
          list[to] = std::move(list[from]);
          numbers[to - first] = numbers[from - first];
        }
    }
    list.resize(to);
    numbers.resize(to - first);
  }

  void addProblem(Problem problem) {
    if (report_.problems.size() < options_.maxProblems)
      report_.problems.push_back(std::move(problem));
    else
      ++report_.problemsDropped;
  }

  void addComment(std::string line, std::size_t number) {
    case_.comments.push_back(std::move(line));
    report_.commentLines.push_back(number);
  }

  Text text_;
  Case& case_;
  const ReadFileOptions& options_;
  ReadReport& report_;
  unsigned threads_ = 1;
  std::size_t headerLines_ = 0;
  std::size_t firstSlot_[kSectionCount] = {}; // each list's size before this read
  std::vector<Chunk> chunks_;
  std::vector<Piece> pieces_;
};

// A stream buffer that hands out text held in memory, for reading only.
class MemoryBuffer : public std::streambuf {
public:
  explicit MemoryBuffer(std::string_view text) {
    char* const start = const_cast<char*>(text.data()); // never written through
    setg(start, start, start + text.size());
  }
};

// A failure of the file as a whole: a problem on line 0 that names the
// path and gives the system's reason.
std::string readFailure(const std::string& path, int error) {
  return "cannot read '" + path + "': " + std::strerror(error);
}

void addFileProblem(ReadReport& report, std::string message) {
  Problem problem;
  problem.line = 0;
  problem.section = kHeader;
  problem.message = std::move(message);
  report.problems.insert(report.problems.begin(), std::move(problem));
}

ReadReport fileProblem(const std::string& path, const char* what, int error) {
  ReadReport report;
  report.systemError = error;
  addFileProblem(report, what == std::string("open")
                             ? "cannot open '" + path + "': " + std::strerror(error)
                             : readFailure(path, error));
  return report;
}

struct Descriptor {
  int fd;
  ~Descriptor() { ::close(fd); }
};

// Reads until `size` bytes or the end of the file; a failed read leaves its
// errno in `error`.
std::size_t readUpTo(int fd, char* into, std::size_t size, int& error) {
  std::size_t got = 0;
  while (got < size) {
    const ssize_t n = ::read(fd, into + got, std::min<std::size_t>(size - got, 1 << 30));
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      error = errno;
      break;
    }
    got += static_cast<std::size_t>(n);
  }
  return got;
}

// The sequential reader's input straight from a file descriptor, a block at
// a time; the first failed read ends the input and is remembered.
class DescriptorBuffer : public std::streambuf {
public:
  explicit DescriptorBuffer(int fd) : fd_(fd) {}
  int error() const { return error_; }

protected:
  int_type underflow() override {
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    if (error_) return traits_type::eof();
    ssize_t n;
    do
      n = ::read(fd_, block_, sizeof block_);
    while (n < 0 && errno == EINTR);
    if (n < 0) error_ = errno;
    if (n <= 0) return traits_type::eof();
    setg(block_, block_, block_ + n);
    return traits_type::to_int_type(block_[0]);
  }

private:
  int fd_;
  int error_ = 0;
  char block_[1 << 16];
};

// On one thread, or for text that makes one chunk, the sequential reader
// has less to do than the steps above.
bool readsSequentially(const ReadFileOptions& options, std::size_t bytes) {
  return threadsFor(options) == 1 ||
         bytes <= std::max<std::size_t>(options.chunkBytes, 1);
}

} // namespace

ReadReport readBuffer(std::string_view text, Case& into, const ReadFileOptions& options) {
  if (readsSequentially(options, text.size())) {
    MemoryBuffer buffer(text);
    std::istream in(&buffer);
    return read(in, into, options);
  }
  ReadReport report;
  ParallelReader(text, into, options, report).run();
  return report;
}

ReadReport readFile(const std::string& path, Case& into, const ReadFileOptions& options) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return fileProblem(path, "open", errno);
  const Descriptor closer{fd};
  struct stat status;
  if (::fstat(fd, &status) != 0) return fileProblem(path, "read", errno);
  if (S_ISDIR(status.st_mode)) return fileProblem(path, "read", EISDIR);
  const auto size = static_cast<std::size_t>(status.st_size);
  if (S_ISREG(status.st_mode) && size > 0 && !readsSequentially(options, size)) {
    // Read rather than mapped: a file that shrinks meanwhile gives fewer
    // bytes, where a mapping would end the process with a signal.
    std::unique_ptr<char[]> text(new (std::nothrow) char[size]);
    if (!text) return fileProblem(path, "read", ENOMEM);
    detail::adviseHugePages(text.get(), size);
    if (detail::afterFileSize) detail::afterFileSize(fd);
    int error = 0;
    const std::size_t got = readUpTo(fd, text.get(), size, error);
    if (error) return fileProblem(path, "read", error);
    ReadReport report = readBuffer(std::string_view(text.get(), got), into, options);
    if (got < size)
      addFileProblem(report, "'" + path +
                                 "' shrank while it was read: " + std::to_string(got) +
                                 " of its " + std::to_string(size) + " bytes read");
    return report;
  }
  // Anything else is read as a stream, so that memory stays bounded
  // however long the input runs (a pipe, a device such as /dev/zero).
  DescriptorBuffer buffer(fd);
  std::istream in(&buffer);
  ReadReport report = read(in, into, options);
  if (buffer.error()) {
    report.systemError = buffer.error();
    addFileProblem(report, readFailure(path, buffer.error()));
  }
  return report;
}

} // namespace zel23
