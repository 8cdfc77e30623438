#include "frame/scan.h"

namespace zel23::detail {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

bool endsPlainField(char c) { return c == ' ' || c == '\t' || c == ','; }

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

namespace {

FieldCursor::Classes classesOf(std::string_view delimiters, std::string_view quotes) {
  FieldCursor::Classes classes;
  for (char c : delimiters)
    classes.delimiter[static_cast<unsigned char>(c)] = true;
  for (char c : quotes)
    classes.quote[static_cast<unsigned char>(c)] = true;
  return classes;
}

const FieldCursor::Classes kUsualClasses = classesOf(", \t", "'");

} // namespace

FieldCursor::FieldCursor(std::string_view line, std::string_view delimiters,
                         std::string_view quotes)
    : line_(line), classes_(&kUsualClasses) {
  if (delimiters != ", \t" || quotes != "'") {
    own_ = std::make_unique<Classes>(classesOf(delimiters, quotes));
    classes_ = own_.get();
  }
  advance();
}

void FieldCursor::advance() {
  const std::size_t n = line_.size();
  const auto is = [this](const bool* set, std::size_t at) {
    return set[static_cast<unsigned char>(line_[at])];
  };
  std::size_t start = end_;
  while (start < n && is(classes_->delimiter, start))
    ++start;
  if (start >= n) {
    exhausted_ = true;
    start_ = end_ = 0;
    return;
  }
  start_ = start;
  std::size_t end = start + 1;
  if (is(classes_->quote, start)) {
    while (end < n && !is(classes_->quote, end))
      ++end;
    end_ = end < n ? end + 1 : n; // an unclosed quote runs to the end
  } else {
    while (end < n && !is(classes_->delimiter, end))
      ++end;
    end_ = end;
  }
}

} // namespace zel23::detail
