#include "frame/text/fatal.h"

#include <cstdlib>
#include <iostream>

namespace zel23::detail {
namespace {
thread_local bool t_recoverable = false;
} // namespace

void fatalParseError(std::string_view source, int line, std::string_view message) {
  if (t_recoverable) throw RecordError{std::string(message)};
  std::cerr << "File: " << source << " line: " << line << " " << message << std::endl;
  std::exit(-1);
}

RecoverableScope::RecoverableScope() : previous_(t_recoverable) { t_recoverable = true; }
RecoverableScope::~RecoverableScope() { t_recoverable = previous_; }

} // namespace zel23::detail
