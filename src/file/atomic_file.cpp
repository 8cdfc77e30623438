#include "zel23_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <streambuf>
#include <vector>

namespace zel23 {

FileError::FileError(std::string action, std::string path, int error)
    : std::runtime_error("cannot " + action + " '" + path + "': " + std::strerror(error)),
      action_(std::move(action)), path_(std::move(path)), error_(error) {}

FileError::~FileError() = default;

namespace {

mode_t newFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

std::string folderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string baseOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

/// Collects output in one large block and writes it out only when the block
/// is full or at finish(). The first write error is kept for finish().
class BlockBuf : public std::streambuf {
public:
  explicit BlockBuf(int fd) : fd_(fd), block_(std::size_t(1) << 20) {
    setp(block_.data(), block_.data() + block_.size());
  }
  /// Writes what is held; returns 0 or the errno of the first failed write.
  int finish() {
    drain();
    return error_;
  }

protected:
  int_type overflow(int_type ch) override {
    if (!drain()) return traits_type::eof();
    if (!traits_type::eq_int_type(ch, traits_type::eof())) {
      *pptr() = traits_type::to_char_type(ch);
      pbump(1);
    }
    return traits_type::not_eof(ch);
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    std::streamsize done = 0;
    while (done < n) {
      const std::streamsize room = epptr() - pptr();
      if (room == 0) {
        if (!drain()) break;
        continue;
      }
      const std::streamsize take = std::min(room, n - done);
      std::memcpy(pptr(), s + done, static_cast<std::size_t>(take));
      pbump(static_cast<int>(take));
      done += take;
    }
    return done;
  }
  int sync() override { return 0; }

private:
  bool drain() {
    const char* p = pbase();
    while (error_ == 0 && p < pptr()) {
      const ssize_t n = ::write(fd_, p, static_cast<std::size_t>(pptr() - p));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0)
        error_ = errno;
      else
        p += n;
    }
    setp(block_.data(), block_.data() + block_.size());
    return error_ == 0;
  }

  int fd_;
  int error_ = 0;
  std::vector<char> block_;
};

} // namespace

struct AtomicFile::State {
  std::string target; ///< the path as given, for messages
  std::string final;  ///< where the file ends up (symbolic links resolved)
  std::string temp;   ///< empty when writing through
  int fd = -1;
  bool ownsFd = true;
  std::unique_ptr<BlockBuf> buf;
  std::ostream stream{nullptr};

  [[noreturn]] void fail(const char* action, int error) const {
    throw FileError(action, target, error);
  }
};

AtomicFile::AtomicFile(const std::string& path) : state_(std::make_unique<State>()) {
  State& s = *state_;
  s.target = s.final = path;
  mode_t mode = newFileMode();
  struct stat st;
  if (::stat(path.c_str(), &st) == 0) {
    if (!S_ISREG(st.st_mode)) {
      // A device or a FIFO cannot be replaced by a rename; write into it.
      s.fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
      if (s.fd < 0) s.fail("open", errno);
    } else {
      mode = st.st_mode & 07777;
      // A rename over a symbolic link would replace the link, not its file.
      if (char* real = ::realpath(path.c_str(), nullptr)) {
        s.final = real;
        std::free(real);
      }
    }
  } else if (errno != ENOENT) {
    s.fail("write", errno);
  }
  if (s.fd < 0) {
    s.temp = folderOf(s.final) + "/." + baseOf(s.final) + ".XXXXXX";
    s.fd = ::mkstemp(s.temp.data());
    if (s.fd < 0) {
      const int error = errno;
      s.temp.clear();
      s.fail("write", error);
    }
    ::fchmod(s.fd, mode);
  }
  s.buf = std::make_unique<BlockBuf>(s.fd);
  s.stream.rdbuf(s.buf.get());
}

AtomicFile::AtomicFile(int fd) : state_(std::make_unique<State>()) {
  state_->fd = fd;
  state_->ownsFd = false;
  state_->buf = std::make_unique<BlockBuf>(fd);
  state_->stream.rdbuf(state_->buf.get());
}

AtomicFile::~AtomicFile() {
  if (state_->fd >= 0 && state_->ownsFd) ::close(state_->fd);
  if (!state_->temp.empty()) ::unlink(state_->temp.c_str());
}

std::ostream& AtomicFile::stream() { return state_->stream; }

void AtomicFile::commit() {
  State& s = *state_;
  int error = s.buf->finish();
  if (error == 0 && !s.temp.empty() && ::fsync(s.fd) != 0) error = errno;
  if (s.fd >= 0 && s.ownsFd) {
    if (::close(s.fd) != 0 && error == 0) error = errno;
    s.fd = -1;
  }
  if (error != 0) s.fail("write", error);
  if (!s.temp.empty()) {
    if (::rename(s.temp.c_str(), s.final.c_str()) != 0) s.fail("write", errno);
    s.temp.clear();
  }
}

void writeFileAtomically(const std::string& path, std::string_view bytes) {
  AtomicFile out(path);
  out.stream().write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.commit();
}

} // namespace zel23
