#include "interop/matlab.h"

#include <algorithm>
#include <array>
#include "frame/charconv.h"
#include <cmath>
#include <cstring>
#include <limits>

namespace zel23::interop {

namespace {

bool isWordChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         c == '_' || c == '.';
}

bool equalsFolded(std::string_view token, std::string_view lower) {
  if (token.size() != lower.size()) return false;
  for (std::size_t k = 0; k < token.size(); ++k)
    if ((token[k] | 0x20) != lower[k]) return false;
  return true;
}

// Line feeds in the text, found with memchr (far faster than a loop).
std::size_t countLineFeeds(std::string_view text) {
  std::size_t n = 0;
  for (const char *p = text.data(), *end = p + text.size();
       (p = static_cast<const char*>(std::memchr(p, '\n', end - p))) != nullptr; ++p)
    ++n;
  return n;
}

// What ends a matrix element: blanks, separators, brackets, comments.
constexpr std::array<bool, 256> kEndsElement = [] {
  std::array<bool, 256> ends{};
  for (char c : std::string_view(" \t\r\n,;%#[]{}"))
    ends[static_cast<unsigned char>(c)] = true;
  return ends;
}();

// Reads one file from start to end. Positions only move forward; every
// line feed passed is counted, so `line_` is always the current line.
class Scanner {
public:
  Scanner(std::string_view text, const ScanSink& sink, std::vector<std::size_t>& starts)
      : text_(text), sink_(sink), starts_(starts) {
    starts_.reserve(countLineFeeds(text) + 1);
    starts_.assign(1, 0);
  }

  std::string run(std::size_t& functionLine) {
    std::string name;
    functionLine = 0;
    for (;;) {
      skipBlank();
      if (atEnd()) break;
      char c = text_[pos_];
      if (c == '\n') {
        newline();
        continue;
      }
      if (c == ';' || c == ',') {
        ++pos_;
        continue;
      }
      std::size_t line = line_;
      std::string_view word = readWord();
      if (word == "function" && functionLine == 0) {
        functionLine = line;
        name = functionName();
      } else if (word == "end" || word == "endfunction" || word == "return") {
        // The frame of the function, nothing to read.
      } else if (word.size() > 4 && word.substr(0, 4) == "mpc." &&
                 word.find('.', 4) == std::string_view::npos) {
        assignment(std::string(word.substr(4)), line);
        continue;
      } else {
        sink_.other(line, "");
      }
      skipStatement();
    }
    return name;
  }

private:
  bool atEnd() const { return pos_ >= text_.size(); }
  char peek(std::size_t ahead = 0) const {
    return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0';
  }

  void newline() {
    ++pos_;
    ++line_;
    starts_.push_back(pos_);
  }

  void skipToLineEnd() {
    while (!atEnd() && text_[pos_] != '\n')
      ++pos_;
  }

  // The line holding pos_ holds nothing but `mark` between blanks.
  bool lineIsOnly(std::string_view mark) const {
    std::size_t begin = starts_.back(), end = text_.find('\n', begin);
    std::string_view line = text_.substr(
        begin, end == std::string_view::npos ? std::string_view::npos : end - begin);
    auto first = line.find_first_not_of(" \t\r");
    auto last = line.find_last_not_of(" \t\r");
    return first != std::string_view::npos &&
           line.substr(first, last - first + 1) == mark;
  }

  // Blanks, comments and continuations; stops at a line feed that ends a
  // statement or a row.
  void skipBlank() {
    while (!atEnd()) {
      char c = text_[pos_];
      if (c == ' ' || c == '\t' || c == '\r') {
        ++pos_;
        continue;
      }
      if (c == '%' || c == '#') {
        if (peek(1) == '{' && lineIsOnly(c == '%' ? "%{" : "#{"))
          skipBlockComment();
        else
          skipToLineEnd();
      } else if (c == '.' && peek(1) == '.' && peek(2) == '.') {
        skipToLineEnd();
        if (!atEnd()) newline();
      } else {
        return;
      }
    }
  }

  void skipBlockComment() {
    std::size_t depth = 0;
    while (!atEnd()) {
      if (lineIsOnly("%{") || lineIsOnly("#{")) ++depth;
      if (lineIsOnly("%}") || lineIsOnly("#}")) --depth;
      skipToLineEnd();
      if (depth == 0 || atEnd()) return;
      newline();
    }
  }

  std::string_view readWord() {
    std::size_t begin = pos_;
    while (!atEnd() && isWordChar(text_[pos_]))
      ++pos_;
    return text_.substr(begin, pos_ - begin);
  }

  // `function mpc = NAME` or `function NAME`.
  std::string functionName() {
    skipBlank();
    if (peek() == '[') {
      while (!atEnd() && text_[pos_] != ']' && text_[pos_] != '\n')
        ++pos_;
      if (peek() == ']') ++pos_;
    }
    std::string_view first = readWord();
    skipBlank();
    if (peek() == '=') {
      ++pos_;
      skipBlank();
      first = readWord();
    }
    return std::string(first);
  }

  // Past the rest of a statement: up to a line feed, `;` or `,` outside
  // brackets and strings. A quote opens a string unless it follows a value
  // (then it transposes).
  void skipStatement() {
    int depth = 0;
    char previous = ' ';
    while (!atEnd()) {
      skipBlank();
      if (atEnd()) return;
      char c = text_[pos_];
      if ((c == '\n' || c == ';' || c == ',') && depth == 0) return;
      if (c == '(' || c == '[' || c == '{') ++depth;
      if ((c == ')' || c == ']' || c == '}') && depth > 0) --depth;
      bool afterValue = isWordChar(previous) || previous == ')' || previous == ']' ||
                        previous == '}' || previous == '\'';
      if ((c == '\'' && !afterValue) || c == '"') {
        readString();
        previous = '\'';
        continue;
      }
      previous = c;
      if (c == '\n')
        newline();
      else
        ++pos_;
    }
  }

  // A quoted string; pos_ is on the opening quote. A doubled quote stands
  // for one. Returns false when the line ends first.
  bool readString(std::string* into = nullptr) {
    char quote = text_[pos_++];
    for (;;) {
      if (atEnd() || text_[pos_] == '\n') return false;
      char c = text_[pos_++];
      if (c == quote) {
        if (peek() != quote) return true;
        ++pos_;
      }
      if (into) into->push_back(c);
    }
  }

  void assignment(std::string field, std::size_t line) {
    skipBlank();
    if (peek() != '=' || peek(1) == '=') {
      sink_.other(line, field);
      skipStatement();
      return;
    }
    ++pos_;
    report_ = sink_.wantsProblems(field);
    field_ = "mpc." + field;
    Value value;
    value.line = line;
    readValue(value);
    skipBlank();
    if (peek() == ';' || peek() == ',') ++pos_;
    skipBlank();
    if (!atEnd() && peek() != '\n') {
      if (report_ && value.kind != Value::kNone)
        sink_.problem(line_, "unexpected text after the value of " + field_);
      value.kind = Value::kNone;
      skipStatement();
    }
    sink_.assign(field, std::move(value));
  }

  void readValue(Value& value) {
    skipBlank();
    char c = peek();
    if (c == '[' || c == '{') {
      value.kind = c == '[' ? Value::kMatrix : Value::kCell;
      ++pos_;
      readRows(value, c == '[' ? ']' : '}');
      return;
    }
    if (c == '\'' || c == '"') {
      value.kind = Value::kText;
      if (!readString(&value.text)) fail(value, "a string that the line ends inside");
      return;
    }
    std::string_view token = readElement();
    if (parseNumber(token, value.number)) {
      value.kind = Value::kNumber;
      return;
    }
    fail(value, token.empty() ? std::string("nothing")
                              : "'" + std::string(token) + "', which is not a value");
  }

  void fail(Value& value, const std::string& what) {
    if (report_) sink_.problem(line_, field_ + " is " + what);
    value.kind = Value::kNone;
  }

  std::string_view readElement() {
    std::size_t begin = pos_;
    while (pos_ < text_.size()) {
      auto c = static_cast<unsigned char>(text_[pos_]);
      if (kEndsElement[c] || (c == '.' && peek(1) == '.' && peek(2) == '.')) break;
      ++pos_;
    }
    return text_.substr(begin, pos_ - begin);
  }

  // Elements up to `close`; rows end at `;` or a line feed. Empty rows are
  // dropped, as MATLAB drops them.
  void readRows(Value& value, char close) {
    std::size_t openLine = line_;
    // Growing a large matrix copies it over and over: reserve for the most
    // elements the text up to the next closing bracket can hold.
    std::size_t end = text_.find(close, pos_);
    std::size_t room = (end == std::string_view::npos ? text_.size() : end) - pos_;
    constexpr std::size_t kMostReserved = std::size_t(1) << 24;
    if (value.kind == Value::kMatrix)
      value.numbers.reserve(std::min(room / 2, kMostReserved));
    else
      value.texts.reserve(std::min(room / 3, kMostReserved));
    value.rows.reserve(
        std::min(countLineFeeds(text_.substr(pos_, room)) + 1, kMostReserved));
    Row row;
    row.line = line_;
    auto endRow = [&] {
      if (row.width > 0 || row.bad) value.rows.push_back(row);
      row = Row();
      row.line = line_;
      row.start =
          value.kind == Value::kMatrix ? value.numbers.size() : value.texts.size();
    };
    for (;;) {
      skipBlank();
      if (atEnd()) {
        if (report_)
          sink_.problem(openLine, field_ + ": the '" +
                                      std::string(1, close == ']' ? '[' : '{') +
                                      "' opened here is never closed");
        value.kind = Value::kNone;
        return;
      }
      char c = text_[pos_];
      if (c == close) {
        ++pos_;
        endRow();
        return;
      }
      if (c == '\n' || c == ';') {
        endRow();
        if (c == '\n')
          newline();
        else
          ++pos_;
        row.line = line_;
        continue;
      }
      if (c == ',') {
        ++pos_;
        continue;
      }
      if (value.kind == Value::kCell && (c == '\'' || c == '"')) {
        std::string text;
        if (!readString(&text)) {
          badElement(row, "a string that the line ends inside");
          continue;
        }
        value.texts.push_back(std::move(text));
        ++row.width;
        continue;
      }
      std::string_view token = readElement();
      if (token.empty()) {
        // A bracket where an element should be: nested arrays are not read.
        ++pos_;
        badElement(row, "'" + std::string(1, c) + "', which is not a number");
        continue;
      }
      double number = 0.0;
      if (!parseNumber(token, number)) {
        badElement(row, "'" + std::string(token) + "', which is not a number");
        continue;
      }
      if (value.kind == Value::kMatrix)
        value.numbers.push_back(number);
      else
        value.texts.emplace_back(token);
      ++row.width;
    }
  }

  // Reports the first bad element of a row; the row is dropped later.
  void badElement(Row& row, const std::string& what) {
    if (!row.bad && report_) sink_.problem(line_, field_ + ": a row holds " + what);
    row.bad = true;
  }

  std::string_view text_;
  const ScanSink& sink_;
  std::vector<std::size_t>& starts_;
  std::size_t pos_ = 0;
  std::size_t line_ = 1;
  bool report_ = true;
  std::string field_;
};

} // namespace

bool parseNumber(std::string_view token, double& value) {
  bool negative = false;
  if (!token.empty() && (token.front() == '+' || token.front() == '-')) {
    negative = token.front() == '-';
    token.remove_prefix(1);
  }
  if (token.empty()) return false;
  double magnitude = 0.0;
  char first = token.front();
  if (!(first >= '0' && first <= '9') && first != '.') {
    if (equalsFolded(token, "inf"))
      magnitude = std::numeric_limits<double>::infinity();
    else if (equalsFolded(token, "nan"))
      magnitude = std::numeric_limits<double>::quiet_NaN();
    else
      return false;
  } else {
    const char* tokenEnd = token.data() + token.size();
    auto plain = detail::parseDouble(token.data(), tokenEnd, magnitude);
    if (plain.ec == std::errc() && plain.ptr == tokenEnd) {
      value = negative ? -magnitude : magnitude;
      return true;
    }
    // MATLAB also writes the exponent with d or D.
    char buffer[64];
    if (token.size() >= sizeof buffer) return false;
    for (std::size_t k = 0; k < token.size(); ++k)
      buffer[k] = token[k] == 'd' || token[k] == 'D' ? 'e' : token[k];
    auto end = buffer + token.size();
    auto result = detail::parseDouble(buffer, end, magnitude);
    if (result.ec == std::errc::result_out_of_range && result.ptr == end) {
      // Too large is infinite, too small is zero, as MATLAB reads them; with
      // fewer than 64 digits only a negative exponent makes a number tiny.
      std::string_view digits(buffer, token.size());
      auto e = digits.find('e');
      bool tiny =
          e != std::string_view::npos && e + 1 < digits.size() && digits[e + 1] == '-';
      magnitude = tiny ? 0.0 : std::numeric_limits<double>::infinity();
    } else if (result.ec != std::errc() || result.ptr != end) {
      return false;
    }
  }
  value = negative ? -magnitude : magnitude;
  return true;
}

std::string scanFunctionFile(std::string_view text, const ScanSink& sink,
                             std::size_t& functionLine,
                             std::vector<std::size_t>& lineStarts) {
  return Scanner(text, sink, lineStarts).run(functionLine);
}

} // namespace zel23::interop
