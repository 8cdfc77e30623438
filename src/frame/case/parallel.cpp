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
// The lines, the header, the sections, the DC records, the comment lines
// and the problems follow the sequential reader's rules because they are its
// code: LineSource over the text in memory, walkSections and the logs.
// Records resolve bus names as in an empty registry, as the sequential
// recoverable read does, so no record depends on another and the pieces are
// independent.

#include "frame/case/reader.h"
#include "frame/text/fatal.h"
#include "frame/text/memory.h"
#include "frame/text/memory_buffer.h"
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
void (*detail::afterScan)() = nullptr;

namespace {

using detail::LineKind;
using detail::LineSource;

// Where the line starting at `at` ends: its line feed, or the text's end.
std::size_t lineEnd(std::string_view text, std::size_t at) {
  const void* feed = std::memchr(text.data() + at, '\n', text.size() - at);
  return feed ? static_cast<std::size_t>(static_cast<const char*>(feed) - text.data())
              : text.size();
}

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

void scan(std::string_view text, Chunk& chunk) {
  LineSource lines(text.substr(chunk.begin, chunk.end - chunk.begin));
  std::string_view line;
  for (std::size_t at = 0;; at = lines.offset()) {
    const LineSource::Status status = lines.next(line);
    if (status != LineSource::Status::Line) {
      chunk.lastLine = status == LineSource::Status::LastLine;
      break;
    }
    switch (detail::classify(line)) {
    case LineKind::Ignorable:
      break;
    case LineKind::Terminator:
      chunk.terminators.push_back({chunk.begin + at, chunk.lines, chunk.records});
      break;
    case LineKind::Record:
      ++chunk.records;
      break;
    }
    ++chunk.lines;
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

// Whether the pieces of a section parse into a list of the case: every
// section but the DC line section (read whole in step 2) and what lies past
// the last one.
bool parsedInPieces(int section) {
  return section >= 0 && section < kSectionCount && section != detail::kDcSection;
}

// The threads a read may use: as asked, or 0 for as many as the hardware
// runs at once (at least one).
unsigned threadsFor(const ReadOptions& options) {
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
  ParallelReader(std::string_view text, Case& into, const ReadOptions& options,
                 ReadReport& report)
      : text_(text), case_(into), options_(options), report_(report) {
    threads_ = threadsFor(options);
    comments_ = detail::CommentLog{&into.comments, &report.commentLines};
    problems_ = detail::ProblemLog{&report.problems, &report.problemsDropped,
                                   options.maxProblems};
  }

  void run() {
    LineSource lines(text_);
    readHeader(lines);
    report_.lines = lines.lineNumber();
    if (lines.offset() >= text_.size()) return;
    cutChunks(lines.offset());
    // A thread is worth starting for a chunk's work, not for less.
    threads_ = static_cast<unsigned>(std::min<std::size_t>(threads_, chunks_.size()));
    runTasks(threads_, chunks_.size(),
             [this](std::size_t i) { scan(text_, chunks_[i]); });
    countBefore();
    if (detail::afterScan) detail::afterScan();
    headerLines_ = lines.lineNumber();
    planSections();
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
  // The three header lines; `lines` is left at the line after them.
  void readHeader(LineSource& lines) {
    std::string_view line;
    lines.next(line);
    const std::string first(line);
    lines.setLineNumber(1);
    comments_.add(first, 1);
    detail::takeSystemBase(first, case_.systemBase, problems_);
    detail::takeHeaderLines(lines, comments_);
  }

  void cutChunks(std::size_t begin) {
    const std::size_t bytes = std::max<std::size_t>(options_.chunkBytes, 1);
    while (begin < text_.size()) {
      std::size_t end = text_.size();
      if (text_.size() - begin > bytes)
        end = std::min(lineEnd(text_, begin + bytes - 1) + 1, text_.size());
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
  void planSections() {
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
                  Place{text_.size(), 0, last.recordsBefore + last.records});
        return;
      }
      const Chunk& in = chunks_[chunk];
      const Place end{terminator->at, in.linesBefore + terminator->line,
                      in.recordsBefore + terminator->records};
      if (section != detail::kDcSection) addPieces(section, start, end);
      start = takeTerminator(section++, end);
    }
  }

  // The terminator line at `at`, walked as the sequential reader walks it:
  // it is kept as a comment line. Returns the place after it.
  Place takeTerminator(int section, const Place& at) {
    struct Stop {
      bool terminator(int, std::size_t) { return false; }
      void record(int, std::string_view, std::size_t) {}
      void dcRecord(std::size_t, std::string_view, std::string_view, std::string_view) {}
    } stop;
    LineSource line(text_.substr(at.at), headerLines_ + at.lines);
    detail::walkSections(line, section, problems_, comments_, stop);
    return Place{at.at + line.offset(), at.lines + 1, at.records};
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
    Piece piece; // for its problems, in their place among the others
    piece.section = detail::kDcSection;
    detail::ProblemLog problems{&piece.problems, &piece.dropped, options_.maxProblems};
    struct Visitor {
      ParallelReader& reader;
      detail::ProblemLog& problems;
      std::size_t terminatorAt = std::string_view::npos;
      bool terminator(int, std::size_t offset) {
        terminatorAt = offset;
        return false;
      }
      void record(int, std::string_view, std::size_t) {}
      void dcRecord(std::size_t number, std::string_view line1, std::string_view line2,
                    std::string_view line3) {
        ZELTwoTerminalDC record;
        if (problems.accept(
                detail::parseRecord(record, line1, line2, line3, detail::noBusNames()),
                number, detail::kDcSection, line1)) {
          reader.case_.dcLines.push_back(record);
          reader.report_.recordLines[detail::kDcSection].push_back(number);
        }
      }
    } visitor{*this, problems};
    // Its terminator line is taken with the others' (takeTerminator).
    detail::CommentLog none;
    LineSource lines(text_.substr(start.at), headerLines_ + start.lines);
    detail::walkSections(lines, detail::kDcSection, problems, none, visitor);
    pieces_.push_back(std::move(piece));
    if (visitor.terminatorAt == std::string_view::npos) return false;
    at = start.at + visitor.terminatorAt;
    return true;
  }

  // Grows a section's list by its pieces' slots; a piece's records go to its
  // own. The pages are asked of the kernel at once, in huge pages where it
  // gives them, not one by one as the records are constructed.
  void growList(int section) {
    if (!parsedInPieces(section)) return;
    visitSection(case_, Section(section), [&](auto& list) {
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
      detail::populatePages(fresh, bytes);
      list.resize(count);
      report_.recordLines[section].resize(count - firstSlot_[section]);
    });
  }

  // Step 3, on any thread.
  void parse(Piece& piece) {
    if (piece.section == detail::kDcSection) return; // read in step 2
    detail::ProblemLog problems{&piece.problems, &piece.dropped, options_.maxProblems};
    detail::CommentLog none; // a piece holds no terminator line
    LineSource lines(text_.substr(piece.begin, piece.end - piece.begin),
                     piece.linesBefore);
    if (!parsedInPieces(piece.section)) {
      PieceVisitor<std::vector<ZELBus>> past{*this, piece, problems, nullptr};
      detail::walkSections(lines, piece.section, problems, none, past);
      return;
    }
    visitSection(case_, Section(piece.section), [&](auto& list) {
      PieceVisitor<std::decay_t<decltype(list)>> visitor{*this, piece, problems, &list};
      detail::walkSections(lines, piece.section, problems, none, visitor);
    });
  }

  // The records of a piece go to its own slots of the list, in order.
  template <class List> struct PieceVisitor {
    ParallelReader& reader;
    Piece& piece;
    detail::ProblemLog& problems;
    List* list;

    bool terminator(int, std::size_t) {
      // A piece holds none; only a text that changed since step 1 does.
      throw std::runtime_error("zel23: the text changed while it was read");
    }
    void record(int section, std::string_view line, std::size_t number) {
      if constexpr (!std::is_same_v<typename List::value_type, ZELTwoTerminalDC>) {
        // Only a text that changed since step 1 has more record lines.
        if (piece.parsed == piece.slots)
          throw std::runtime_error("zel23: the text changed while it was read");
        auto& record = (*list)[piece.slot + piece.parsed];
        if (problems.accept(detail::parseRecord(record, line, detail::noBusNames()),
                            number, section, line)) {
          reader.report_.recordLines[section][piece.slot + piece.parsed -
                                              reader.firstSlot_[section]] = number;
          ++piece.parsed;
        } else {
          record = {};
        }
      }
    }
    void dcRecord(std::size_t, std::string_view, std::string_view, std::string_view) {}
  };

  // Step 4: records that failed left empty slots at their piece's end.
  void closeUp() {
    forEachSection(
        [&](Section section, auto& list) {
          if (parsedInPieces(static_cast<int>(section)))
            closeUp(static_cast<int>(section), list);
        },
        case_);
    for (Piece& piece : pieces_) {
      for (Problem& problem : piece.problems)
        problems_.add(std::move(problem));
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

  std::string_view text_;
  Case& case_;
  const ReadOptions& options_;
  ReadReport& report_;
  detail::CommentLog comments_;
  detail::ProblemLog problems_;
  unsigned threads_ = 1;
  std::size_t headerLines_ = 0;
  std::size_t firstSlot_[kSectionCount] = {}; // each list's size before this read
  std::vector<Chunk> chunks_;
  std::vector<Piece> pieces_;
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
  problem.code = ProblemCode::FileError;
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

// Reads the first `size` bytes of a regular file into `into`, in parts taken
// with pread on up to `threads` threads, so that the copy and the faults of
// fresh pages are shared out as the parse is. Returns the bytes read from the
// start up to the first part that came short (the file shrank); a failed read
// leaves its errno in `error`.
std::size_t readParts(int fd, char* into, std::size_t size, unsigned threads,
                      int& error) {
  constexpr std::size_t kPart = std::size_t(4) << 20;
  const std::size_t parts = (size + kPart - 1) / kPart;
  const auto wanted = [&](std::size_t i) { return std::min(kPart, size - i * kPart); };
  std::vector<std::size_t> got(parts, 0);
  std::vector<int> errors(parts, 0);
  runTasks(threads, parts, [&](std::size_t i) {
    const std::size_t begin = i * kPart;
    while (got[i] < wanted(i)) {
      const ssize_t n = ::pread(fd, into + begin + got[i], wanted(i) - got[i],
                                static_cast<off_t>(begin + got[i]));
      if (n == 0) break;
      if (n < 0) {
        if (errno == EINTR) continue;
        errors[i] = errno;
        break;
      }
      got[i] += static_cast<std::size_t>(n);
    }
  });
  std::size_t total = 0;
  for (std::size_t i = 0; i < parts; ++i) {
    if (errors[i]) {
      error = errors[i];
      break;
    }
    total += got[i];
    if (got[i] < wanted(i)) break;
  }
  return total;
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
bool readsSequentially(const ReadOptions& options, std::size_t bytes) {
  return threadsFor(options) == 1 ||
         bytes <= std::max<std::size_t>(options.chunkBytes, 1);
}

} // namespace

ReadReport readBuffer(std::string_view text, Case& into, const ReadOptions& options) {
  if (readsSequentially(options, text.size())) {
    detail::MemoryBuffer buffer(text);
    std::istream in(&buffer);
    return read(in, into, options);
  }
  ReadReport report;
  ParallelReader(text, into, options, report).run();
  return report;
}

ReadReport readFile(const std::string& path, Case& into, const ReadOptions& options) {
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
    const std::size_t got = readParts(fd, text.get(), size, threadsFor(options), error);
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
