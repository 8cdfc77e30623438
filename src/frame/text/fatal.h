#ifndef ZEL23_FRAME_FATAL_H
#define ZEL23_FRAME_FATAL_H

#include "zel23_problem.h"

#include <string>
#include <string_view>

namespace zel23::detail {

// What a parse gives back: ok, or the first failure met, with the source
// module and line that report it and the message. The line constructors and
// ZELParse hand a failure to exitOnFailure; the recoverable interface keeps
// it as a problem.
struct ParseResult {
  bool ok = true;
  std::string_view source;
  int line = 0;
  std::string message;
  ProblemCode code = ProblemCode::MalformedRecord;

  explicit operator bool() const { return ok; }
};

inline ParseResult failure(std::string_view source, int line, std::string message,
                           ProblemCode code = ProblemCode::MalformedRecord) {
  return ParseResult{false, source, line, std::move(message), code};
}

// The one fatal reporter: writes
//   File: <source> line: <line> <message>
// to standard error and ends the process with status -1.
[[noreturn]] void fatalParseError(std::string_view source, int line,
                                  std::string_view message);

// Ends the process through the fatal reporter when the parse failed.
inline void exitOnFailure(const ParseResult& result) {
  if (!result.ok) fatalParseError(result.source, result.line, result.message);
}

} // namespace zel23::detail

#endif
