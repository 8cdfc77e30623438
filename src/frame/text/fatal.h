#ifndef ZEL23_FRAME_FATAL_H
#define ZEL23_FRAME_FATAL_H

#include <string>
#include <string_view>

namespace zel23::detail {

// The one fatal reporter. Normally it writes
//   File: <source> line: <line> <message>
// to standard error and ends the process with status -1. While a
// RecoverableScope is alive on the calling thread it throws RecordError
// instead, so the recoverable interface runs the very same parsers.
[[noreturn]] void fatalParseError(std::string_view source, int line,
                                  std::string_view message);

struct RecordError {
  std::string message;
};

class RecoverableScope {
public:
  RecoverableScope();
  ~RecoverableScope();
  RecoverableScope(const RecoverableScope&) = delete;
  RecoverableScope& operator=(const RecoverableScope&) = delete;

private:
  bool previous_;
};

} // namespace zel23::detail

#endif
