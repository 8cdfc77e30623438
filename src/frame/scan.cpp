#include "frame/scan.h"

namespace zel23::detail {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// A 256-entry table is faster than three comparisons in the inner loop.
struct PlainFieldEnds {
  bool at[256] = {};
  constexpr PlainFieldEnds() : at() { at[' '] = at['\t'] = at[','] = true; }
};
constexpr PlainFieldEnds kPlainFieldEnds;

bool endsPlainField(char c) { return kPlainFieldEnds.at[static_cast<unsigned char>(c)]; }

} // namespace

Fields splitFields(std::string_view line) {
  Fields fields;
  const std::size_t n = line.size();
  std::size_t pos = 0;
  bool havePrevious = false;
  std::size_t previous = 0;
  while (pos < n) {
    while (pos < n && isBlank(line[pos]))
      ++pos;
    if (pos == n) break;
    const char first = line[pos];
    if (first == '\'') {
      const std::size_t close = line.find('\'', pos + 1);
      if (close == std::string_view::npos) {
        fields.add(line.substr(pos));
        break;
      }
      fields.add(line.substr(pos, close + 1 - pos));
      pos = close;
    } else if (first == ',') {
      // Only a comma right after a comma stands for an empty field.
      if (havePrevious && line[previous] == ',') fields.add(std::string_view());
    } else {
      std::size_t end = pos + 1;
      while (end < n && !endsPlainField(line[end]))
        ++end;
      fields.add(line.substr(pos, end - pos));
      pos = end == n ? end - 1 : end;
    }
    havePrevious = true;
    previous = pos;
    ++pos;
  }
  return fields;
}

FieldCursor::FieldCursor(std::string_view line, std::string_view delimiters,
                         std::string_view quotes)
    : line_(line), delimiters_(delimiters), quotes_(quotes) {
  advance();
}

void FieldCursor::advance() {
  const std::size_t start = end_ >= line_.size()
                                ? std::string_view::npos
                                : line_.find_first_not_of(delimiters_, end_);
  if (start == std::string_view::npos) {
    exhausted_ = true;
    start_ = end_ = 0;
    return;
  }
  start_ = start;
  if (quotes_.find(line_[start]) != std::string_view::npos) {
    const std::size_t close = line_.find_first_of(quotes_, start + 1);
    end_ = close == std::string_view::npos ? line_.size() : close + 1;
  } else {
    const std::size_t next = line_.find_first_of(delimiters_, start + 1);
    end_ = next == std::string_view::npos ? line_.size() : next;
  }
}

} // namespace zel23::detail
