#include "frame/text/tokens.h"

namespace zel23::detail {

std::string_view TokenReader::next(std::string_view field, int line) {
  if (more()) return cursor_.token();
  if (result_->ok) fail(std::string(prefix_) + std::string(field), line);
  return {};
}

std::string_view TokenReader::nextOrFail(std::string_view message, int line) {
  if (more()) return cursor_.token();
  fail(message, line);
  return {};
}

bool TokenReader::more() {
  if (started_ && !cursor_.exhausted()) cursor_.advance();
  started_ = true;
  return !cursor_.exhausted();
}

void TokenReader::fail(std::string_view message, int line) {
  if (result_->ok) *result_ = failure(source_, line, std::string(message));
}

void TokenReader::failBus(std::string_view message, int line) {
  if (result_->ok)
    *result_ =
        failure(source_, line, std::string(message), ProblemCode::InvalidBusNumber);
}

std::string invalidBusNumber(int number) {
  return "Invalid bus number: " + std::to_string(number);
}

std::string quotedIdentifier(std::string_view token) {
  if (!token.empty() && token.front() == '\'') return std::string(token);
  if (token.size() == 1) return std::string{'\'', token.front(), ' ', '\''};
  return "'" + std::string(token) + "'";
}

} // namespace zel23::detail
