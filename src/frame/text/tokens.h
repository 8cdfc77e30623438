#ifndef ZEL23_FRAME_TOKENS_H
#define ZEL23_FRAME_TOKENS_H

#include "frame/text/fatal.h"
#include "frame/text/scan.h"

#include <string>
#include <string_view>

namespace zel23::detail {

// Reads the fields of a cursor-based record line one token each, in order.
// A field whose token is missing fails the parse with the message prefix +
// field name, reported from the caller's line. The first failure sticks:
// reading goes on over whatever tokens are left, and the parse returns
// take() at its end.
class TokenReader {
public:
  TokenReader(std::string_view line, std::string_view source, std::string_view prefix)
      : cursor_(line), source_(source), prefix_(prefix), result_(&own_) {}
  // A reader of a further line of the same record: it shares the other
  // one's source, prefix and outcome.
  TokenReader(std::string_view line, TokenReader& first)
      : cursor_(line), source_(first.source_), prefix_(first.prefix_),
        result_(first.result_) {}
  TokenReader(const TokenReader&) = delete;
  TokenReader& operator=(const TokenReader&) = delete;

  // The outcome so far, moved out.
  ParseResult take() { return std::move(*result_); }
  bool failed() const { return !result_->ok; }

  // The next token; `field` names it in the message when it is missing.
  std::string_view next(std::string_view field, int line = __builtin_LINE());
  // The same with a whole message of its own for a missing token.
  std::string_view nextOrFail(std::string_view message, int line = __builtin_LINE());

  // Moves to a further token if there is one, for fields that run to the
  // end of the line; token() is then the current one.
  bool more();
  std::string_view token() const { return cursor_.token(); }

  // Fails the parse, unless it failed already; failBus for a bus field
  // below its minimum.
  void fail(std::string_view message, int line = __builtin_LINE());
  void failBus(std::string_view message, int line = __builtin_LINE());

private:
  FieldCursor cursor_;
  std::string_view source_;
  std::string_view prefix_;
  ParseResult own_;
  ParseResult* result_;
  bool started_ = false;
};

// "Invalid bus number: <n>", the message for a bus field below its minimum.
std::string invalidBusNumber(int number);

// An identifier brought into quoted form: a token that opens with an
// apostrophe stays as it is, a single character c becomes 'c ', anything
// else is put between apostrophes.
std::string quotedIdentifier(std::string_view token);

} // namespace zel23::detail

#endif
