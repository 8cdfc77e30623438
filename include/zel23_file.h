#ifndef ZEL23_FILE_H
#define ZEL23_FILE_H

// Writing a file that appears complete or not at all.
//
// A regular file, new or existing, is written to a temporary file in the
// same folder and renamed over the target only once everything is written
// and flushed to the device; on any failure the temporary file is removed
// and the target is left as it was. A symbolic link's target is written
// (the link stays a link). A device, a FIFO or anything else that is not a
// regular file cannot be replaced by a rename and is written through
// instead. A new file gets the mode that open() would give it (0666 less
// the umask); an existing one keeps its mode.

#include "zel23_export.h"

#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>

namespace zel23 {

/// Opening or writing an output failed. what() is "cannot ACTION 'PATH':
/// REASON", with the path as the caller gave it (never the temporary
/// file's name).
class ZEL23_API FileError : public std::runtime_error {
public:
  FileError(std::string action, std::string path, int error);
  ~FileError() override;
  /// "open" (a device or FIFO that could not be opened) or "write".
  const std::string& action() const noexcept { return action_; }
  /// The path as the caller gave it.
  const std::string& path() const noexcept { return path_; }
  /// The errno of the failure.
  int error() const noexcept { return error_; }

private:
  std::string action_;
  std::string path_;
  int error_;
};

/// One output file: fill stream(), then commit(). Destroying it without a
/// successful commit() leaves no trace of it. Throws FileError from the
/// constructor (the folder is missing, a device cannot be opened, ...) and
/// from commit().
class ZEL23_API AtomicFile {
public:
  explicit AtomicFile(const std::string& path);
  /// Writes through `fd` (standard output, say), which stays open: there is
  /// nothing to rename, and commit() writes out what is buffered. FileError
  /// names the path "".
  explicit AtomicFile(int fd);
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  /// Buffered in large blocks; std::endl costs no write of its own.
  std::ostream& stream();
  /// Writes what is buffered, flushes it to the device and renames the
  /// temporary file into place.
  void commit();

private:
  struct State;
  std::unique_ptr<State> state_;
};

/// Writes `bytes` to `path` through an AtomicFile.
ZEL23_API void writeFileAtomically(const std::string& path, std::string_view bytes);

} // namespace zel23

#endif
