#include "common.h"
#include "matpower.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "frame/text/charconv.h"
#include "frame/text/memory.h"
#include "frame/text/memory_buffer.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <istream>

namespace zel23tool {

extern const unsigned char kSampleBytes[];
extern const std::size_t kSampleSize;

namespace {

std::string quoted(const std::string& path) { return "'" + path + "'"; }

std::string errorText(int error) { return std::strerror(error); }

// What the command takes from a pipe or a device at most: such an input may
// never end (/dev/zero), and all of it is held in memory.
constexpr std::size_t kStreamLimit = std::size_t(1) << 30;

// Reads a whole file descriptor; returns 0, the errno of the failed read, or
// EFBIG for a pipe or device that gives more than kStreamLimit bytes.
int readAll(int fd, std::string& into) {
  struct stat st;
  const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  if (regular && st.st_size > 0) {
    // Read in place, in huge pages where the system has them: the parser
    // walks the whole text, and a copy through a block costs as much as
    // the reading.
    const std::size_t size = static_cast<std::size_t>(st.st_size);
    into.reserve(size + 1);
    zel23::detail::adviseHugePages(into.data(), size + 1);
    into.resize(size + 1); // one byte more tells the end without a read more
    std::size_t got = 0;
    while (got < into.size()) {
      ssize_t n = ::read(fd, into.data() + got, into.size() - got);
      if (n == 0) break;
      if (n < 0) {
        if (errno == EINTR) continue;
        return errno;
      }
      got += static_cast<std::size_t>(n);
    }
    into.resize(got);
    if (got <= size) return 0; // a file that grew is read on below
  }
  char chunk[1 << 16];
  for (;;) {
    ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n == 0) return 0;
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (!regular && into.size() + static_cast<std::size_t>(n) > kStreamLimit)
      return EFBIG;
    into.append(chunk, static_cast<std::size_t>(n));
  }
}

std::size_t countLines(const std::string& bytes) {
  std::size_t lines = 0;
  for (char c : bytes)
    lines += c == '\n';
  if (!bytes.empty() && bytes.back() != '\n') ++lines;
  return lines;
}

} // namespace

std::string inputName(const std::string& file) {
  if (file.empty()) return "the bundled sample";
  if (file == "-") return "standard input";
  return quoted(file);
}

std::string readInput(const std::string& file) {
  if (file.empty())
    return std::string(reinterpret_cast<const char*>(kSampleBytes), kSampleSize);
  int fd = file == "-" ? STDIN_FILENO : ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw ToolError("cannot open " + inputName(file) + ": " + errorText(errno));
  std::string data;
  int error = readAll(fd, data);
  if (fd != STDIN_FILENO) ::close(fd);
  if (error == EFBIG)
    throw ToolError("cannot read " + inputName(file) +
                    ": it holds more than 1 GiB, the " +
                    "most the command takes from a pipe or a device");
  if (error) throw ToolError("cannot read " + inputName(file) + ": " + errorText(error));
  return data;
}

std::string outputName(const std::string& target) {
  return target.empty() || target == "-" ? "standard output" : quoted(target);
}

std::string writeError(const std::string& target, int error) {
  return (target.empty() || target == "-" ? "cannot write to " : "cannot write ") +
         outputName(target) + ": " + errorText(error);
}

LoadedCase loadCase(const std::string& file) {
  LoadedCase loaded;
  loaded.name = inputName(file);
  const auto start = std::chrono::steady_clock::now();
  const std::string bytes = readInput(file);
  if (isMatpowerInput(file, bytes)) return loadMatpower(file, bytes, start);
  // The text is read on every core. Where that read meets a problem, ZELParse
  // parses the same bytes again, so that the errors and the library's own
  // report stay those of the sequential read.
  zel23::Case& c = loaded.data;
  if (!zel23::readBuffer(bytes, c).ok()) {
    c = zel23::Case();
    zel23::detail::MemoryBuffer buffer(bytes);
    std::istream in(&buffer);
    try {
      ZELParse(in, c.buses, c.generators, c.branches, c.adjustments, c.areas, c.dcLines,
               c.shunts, c.comments, c.systemBase);
    } catch (const std::out_of_range&) {
      // The one failure ZELParse hands back instead of ending the process.
      throw ToolError("cannot read " + loaded.name +
                      ": the first header line holds no system base");
    }
  }
  loaded.seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  loaded.bytes = bytes.size();
  loaded.lines = countLines(bytes);
  return loaded;
}

namespace {

std::unique_ptr<zel23::AtomicFile> openOutput(const std::string& target) {
  try {
    if (target.empty() || target == "-")
      return std::make_unique<zel23::AtomicFile>(STDOUT_FILENO);
    return std::make_unique<zel23::AtomicFile>(target);
  } catch (const zel23::FileError& e) {
    throw ToolError("cannot " + e.action() + " " + outputName(target) + ": " +
                    errorText(e.error()));
  }
}

} // namespace

OutputFile::OutputFile(const std::string& target)
    : target_(target), file_(openOutput(target)) {}

OutputFile::~OutputFile() = default;

std::ostream& OutputFile::stream() { return file_->stream(); }

void OutputFile::commit() {
  try {
    file_->commit();
  } catch (const zel23::FileError& e) {
    throw ToolError("cannot write " + outputName(target_) + ": " + errorText(e.error()));
  }
}

void refuseToOverwriteInput(const std::string& file, const std::string& target,
                            const std::string& hint) {
  if (file.empty() || file == "-" || target.empty() || target == "-") return;
  struct stat in, out;
  if (::stat(file.c_str(), &in) == 0 && ::stat(target.c_str(), &out) == 0 &&
      in.st_dev == out.st_dev && in.st_ino == out.st_ino)
    throw ToolError("refusing to overwrite the input " + inputName(file) + hint);
}

std::string fieldText(int value) { return std::to_string(value); }

std::string fieldText(double value) {
  // Fixed notation reads best (0.0003, not 3e-04) until it grows long.
  char text[400];
  auto fixed = zel23::detail::formatFixedShortest(text, text + sizeof text, value);
  if (fixed.ec == std::errc() && fixed.ptr - text <= 24)
    return std::string(text, fixed.ptr);
  auto shortest = zel23::detail::formatShortest(text, text + sizeof text, value);
  return std::string(text, shortest.ptr);
}

std::string printable(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string shown;
  shown.reserve(text.size());
  for (unsigned char ch : text) {
    if ((ch < 0x20 && ch != '\t') || ch == 0x7f) {
      shown += "\\x";
      shown += kHex[ch >> 4];
      shown += kHex[ch & 15];
    } else {
      shown += static_cast<char>(ch);
    }
  }
  return shown;
}

} // namespace zel23tool
