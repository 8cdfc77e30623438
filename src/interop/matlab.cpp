#include "interop/matlab.h"

#include "frame/case/reader.h"
#include "frame/text/charconv.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <unordered_map>

namespace zel23::interop {

namespace {

using detail::excerpt;

constexpr const char* kHint =
    " is not evaluated: load the case in MATLAB or Octave and save it with `savecase` "
    "to get plain matrices";

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isNameChar(char c) { return isLetter(c) || isDigit(c) || c == '_'; }
bool isBlank(char c) { return c == ' ' || c == '\t'; }

// Characters after which a plain number in a matrix is a whole element,
// unless an operator follows the blanks.
constexpr std::array<bool, 256> kEndsNumber = [] {
  std::array<bool, 256> ends{};
  for (char c : std::string_view(" \t\r\n,;%#]}"))
    ends[static_cast<unsigned char>(c)] = true;
  return ends;
}();

constexpr std::array<bool, 256> table(std::string_view chars) {
  std::array<bool, 256> in{};
  for (char c : chars)
    in[static_cast<unsigned char>(c)] = true;
  return in;
}
// What follows a point that is an operator's, not a literal's (`1.*2`).
constexpr std::array<bool, 256> kAfterOperatorPoint = table("*/\\^'");
// What continues an expression after a number and blanks in a matrix.
constexpr std::array<bool, 256> kContinues = table("*/\\^<>=&|~:'\"");

// A literal the one exact operation cannot convert: long, or with a large
// power of ten.
[[gnu::noinline]] const char* slowLiteral(const char* start, const char* p, bool letterD,
                                          long exponent, double& value) {
  std::string copy;
  const char *first = start, *last = p;
  if (letterD) {
    copy.assign(start, p);
    std::replace_if(
        copy.begin(), copy.end(), [](char c) { return c == 'd' || c == 'D'; }, 'e');
    first = copy.data();
    last = first + copy.size();
  }
  auto result = detail::parseDouble(first, last, value);
  // Too large is infinite, too small is zero, as MATLAB reads them.
  if (result.ec == std::errc::result_out_of_range) {
    // The power of ten of the first significant digit decides which.
    long order = 0;
    const char* q = start;
    for (; q < p && *q == '0'; ++q) {
    }
    if (q < p && *q == '.')
      for (++q; q < p && *q == '0'; ++q)
        --order;
    else
      for (; q < p && isDigit(*q); ++q)
        ++order;
    value = order + exponent <= 0 ? 0.0 : std::numeric_limits<double>::infinity();
  }
  return p;
}

// A number literal at p (no sign): digits, a point, an exponent with e or d.
// Returns its end, p when there is none. Short literals are converted with
// one exact operation (both operands exact, so correctly rounded); the rest
// by from_chars.
[[gnu::always_inline]] inline const char* scanLiteral(const char* p, const char* end,
                                                      double& value) {
  static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                       1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  const char* start = p;
  std::uint64_t mantissa = 0; // wraps past 19 digits: then from_chars reads it
  int digits = 0, exp10 = 0;
  bool any = false, letterD = false;
  for (; p < end && isDigit(*p); ++p) {
    mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
    digits += mantissa != 0;
    any = true;
  }
  if (p < end && *p == '.' &&
      !(p + 1 < end && kAfterOperatorPoint[static_cast<unsigned char>(p[1])])) {
    for (++p; p < end && isDigit(*p); ++p) {
      mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
      digits += mantissa != 0;
      --exp10;
      any = true;
    }
  }
  if (!any) return start;
  long exponent = 0;
  if (p < end && (*p == 'e' || *p == 'E' || *p == 'd' || *p == 'D')) {
    const char* q = p + 1;
    bool negative = q < end && *q == '-';
    if (q < end && (*q == '+' || *q == '-')) ++q;
    if (q < end && isDigit(*q)) {
      letterD = *p == 'd' || *p == 'D';
      for (; q < end && isDigit(*q); ++q)
        exponent = std::min(exponent * 10 + (*q - '0'), 100000L);
      if (negative) exponent = -exponent;
      p = q;
    }
  }
  long scale = exp10 + exponent;
  if (digits <= 19 && mantissa <= (std::uint64_t(1) << 53) && scale >= -22 &&
      scale <= 22) {
    double m = static_cast<double>(mantissa);
    value = scale >= 0 ? m * kPowers[scale] : m / kPowers[-scale];
    return p;
  }
  return slowLiteral(start, p, letterD, exponent, value);
}

// Digits with at most one point among them and at most 15 digits, ending
// before what ends an element, at p with at least 48 bytes after it (so no
// end checks): one exact operation, as in scanLiteral. nullptr otherwise.
const char* shortDecimal(const char* p, double& value) {
  static constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  const char* start = p;
  std::uint64_t mantissa = 0;
  // Never more than 16 digits and a point are read: within the 48 bytes.
  for (; isDigit(*p) && p - start < 16; ++p)
    mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
  int decimals = 0;
  if (*p == '.' && isDigit(p[1])) {
    const char* point = ++p;
    for (; isDigit(*p) && p - start < 17; ++p)
      mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
    decimals = static_cast<int>(p - point);
  }
  std::ptrdiff_t digits = p - start - (decimals > 0);
  if (digits == 0 || digits > 15 || !kEndsNumber[static_cast<unsigned char>(*p)])
    return nullptr;
  value = static_cast<double>(mantissa) / kPowers[decimals];
  return p;
}

// A value met while evaluating: one number, or a block of a matrix (rows of
// `columns` values, row after row).
struct Operand {
  double number = 0.0;
  std::vector<double> values;
  std::size_t rows = 0, columns = 0; // 0 rows: a number
  bool logical = false;              // came from a comparison
  bool isBlock() const { return rows > 0; }
};

// Why a statement or an element was not evaluated. `syntax`: the text is
// not an expression at all.
struct NotEvaluated {
  std::string why;
  bool syntax = false;
};

[[noreturn]] void beyond(const std::string& construct) {
  throw NotEvaluated{construct + kHint};
}
[[noreturn]] void error(std::string why) { throw NotEvaluated{std::move(why)}; }

std::string numberText(double value) {
  char text[64];
  auto end = detail::formatShortest(text, text + sizeof text, value).ptr;
  return std::string(text, end);
}

// The outputs of MATPOWER's column-name functions, in order.
struct NamedColumn {
  const char* name;
  double value;
};
const std::vector<NamedColumn>* columnNames(std::string_view function) {
  static const std::vector<NamedColumn> bus = {
      {"PQ", 1},       {"PV", 2},    {"REF", 3},    {"NONE", 4},     {"BUS_I", 1},
      {"BUS_TYPE", 2}, {"PD", 3},    {"QD", 4},     {"GS", 5},       {"BS", 6},
      {"BUS_AREA", 7}, {"VM", 8},    {"VA", 9},     {"BASE_KV", 10}, {"ZONE", 11},
      {"VMAX", 12},    {"VMIN", 13}, {"LAM_P", 14}, {"LAM_Q", 15},   {"MU_VMAX", 16},
      {"MU_VMIN", 17}};
  static const std::vector<NamedColumn> gen = {
      {"GEN_BUS", 1},   {"PG", 2},       {"QG", 3},       {"QMAX", 4},
      {"QMIN", 5},      {"VG", 6},       {"MBASE", 7},    {"GEN_STATUS", 8},
      {"PMAX", 9},      {"PMIN", 10},    {"MU_PMAX", 22}, {"MU_PMIN", 23},
      {"MU_QMAX", 24},  {"MU_QMIN", 25}, {"PC1", 11},     {"PC2", 12},
      {"QC1MIN", 13},   {"QC1MAX", 14},  {"QC2MIN", 15},  {"QC2MAX", 16},
      {"RAMP_AGC", 17}, {"RAMP_10", 18}, {"RAMP_30", 19}, {"RAMP_Q", 20},
      {"APF", 21}};
  static const std::vector<NamedColumn> branch = {
      {"F_BUS", 1},      {"T_BUS", 2},  {"BR_R", 3},    {"BR_X", 4},    {"BR_B", 5},
      {"RATE_A", 6},     {"RATE_B", 7}, {"RATE_C", 8},  {"TAP", 9},     {"SHIFT", 10},
      {"BR_STATUS", 11}, {"PF", 14},    {"QF", 15},     {"PT", 16},     {"QT", 17},
      {"MU_SF", 18},     {"MU_ST", 19}, {"ANGMIN", 12}, {"ANGMAX", 13}, {"MU_ANGMIN", 20},
      {"MU_ANGMAX", 21}};
  static const std::vector<NamedColumn> cost = {
      {"PW_LINEAR", 1}, {"POLYNOMIAL", 2}, {"MODEL", 1}, {"STARTUP", 2},
      {"SHUTDOWN", 3},  {"NCOST", 4},      {"COST", 5}};
  if (function == "idx_bus") return &bus;
  if (function == "idx_gen") return &gen;
  if (function == "idx_brch") return &branch;
  if (function == "idx_cost") return &cost;
  return nullptr;
}

bool opensBlock(std::string_view word) {
  return word == "if" || word == "for" || word == "parfor" || word == "while" ||
         word == "switch" || word == "try" || word == "do" || word == "unwind_protect";
}

bool endsBlock(std::string_view word) {
  return word == "end" || word == "endif" || word == "endfor" || word == "endwhile" ||
         word == "endswitch" || word == "end_try_catch" || word == "until" ||
         word == "endparfor" || word == "end_unwind_protect";
}

// Which rows or columns an index selects: all, or a list of 0-based indexes.
struct Selection {
  bool all = false;
  std::vector<std::size_t> list;
  std::size_t size(std::size_t whole) const { return all ? whole : list.size(); }
  std::size_t at(std::size_t k) const { return all ? k : list[k]; }
};

// A scalar variable of the file; an unknown one keeps why it is unknown.
struct Variable {
  bool known = false;
  double value = 0.0;
  std::string why;
  std::size_t line = 0;
};

// Reads one file from start to end. Positions only move forward; every line
// end passed is counted, so `line_` is always the current line.
class Scanner {
public:
  Scanner(std::string_view text, const ScanSink& sink, FunctionFile& file)
      : text_(text), sink_(sink), file_(file), starts_(file.lineStarts) {
    // A line of a case is rarely under 8 bytes; reserving what untouched
    // costs nothing saves a pass over the text.
    starts_.reserve(text.size() / 8 + 1);
    starts_.assign(1, 0);
  }

  void run() {
    for (;;) {
      skipBlank();
      if (atEnd()) break;
      if (atLineEnd()) {
        newline();
        continue;
      }
      char c = text_[pos_];
      if (c == ';' || c == ',') {
        ++pos_;
        continue;
      }
      if (returned_)
        skipStatement();
      else
        statement();
    }
  }

private:
  bool atEnd() const { return pos_ >= text_.size(); }
  char peek(std::size_t ahead = 0) const {
    return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0';
  }
  // LF, or a CR not followed by LF (a CR before LF is a blank).
  bool atLineEnd() const {
    char c = peek();
    return c == '\n' || (c == '\r' && peek(1) != '\n');
  }

  // A position to go back to, unless a continuation was passed since (its
  // line is counted already).
  struct Mark {
    std::size_t pos, line;
  };
  Mark mark() const { return {pos_, line_}; }
  void back(Mark m) {
    if (m.line == line_) pos_ = m.pos;
  }

  void newline() {
    ++pos_;
    ++line_;
    starts_.push_back(pos_);
  }

  void skipToLineEnd() {
    while (!atEnd() && text_[pos_] != '\n' && text_[pos_] != '\r')
      ++pos_;
  }

  // The line holding pos_ holds nothing but `mark` between blanks.
  bool lineIsOnly(std::string_view mark) const {
    std::size_t begin = starts_.back(), end = begin;
    while (end < text_.size() && text_[end] != '\n' && text_[end] != '\r')
      ++end;
    std::string_view line = text_.substr(begin, end - begin);
    auto first = line.find_first_not_of(" \t");
    auto last = line.find_last_not_of(" \t");
    return first != std::string_view::npos &&
           line.substr(first, last - first + 1) == mark;
  }

  // Blanks, comments and continuations; stops at a line end that ends a
  // statement or a row.
  void skipBlank() {
    while (!atEnd()) {
      char c = text_[pos_];
      if (c == ' ' || c == '\t' || (c == '\r' && peek(1) == '\n')) {
        ++pos_;
        continue;
      }
      if (c == '%' || c == '#') {
        if (peek(1) == '{' && lineIsOnly(c == '%' ? "%{" : "#{"))
          skipBlockComment();
        else
          skipToLineEnd();
      } else if (c == '.' && peek(1) == '.' && peek(2) == '.') {
        continuation();
      } else {
        return;
      }
    }
  }

  void continuation() {
    skipToLineEnd();
    if (peek() == '\r' && peek(1) == '\n') ++pos_;
    if (!atEnd()) newline();
  }

  void skipBlockComment() {
    std::size_t depth = 0, opened = line_;
    while (!atEnd()) {
      if (lineIsOnly("%{") || lineIsOnly("#{")) ++depth;
      if (lineIsOnly("%}") || lineIsOnly("#}")) --depth;
      skipToLineEnd();
      if (depth == 0) return;
      if (peek() == '\r' && peek(1) == '\n') ++pos_;
      if (atEnd()) break;
      newline();
    }
    sink_.problem(opened, "the block comment opened here with %{ is never closed");
  }

  std::string_view readName() {
    std::size_t begin = pos_;
    if (isLetter(peek()))
      while (!atEnd() && isNameChar(text_[pos_]))
        ++pos_;
    return text_.substr(begin, pos_ - begin);
  }

  // `function mpc = NAME`, `function [mpc] = NAME` or `function NAME`.
  void functionLine(std::size_t line) {
    file_.functionLine = line;
    skipBlank();
    if (peek() == '[') {
      while (!atEnd() && text_[pos_] != ']' && !atLineEnd())
        ++pos_;
      if (peek() == ']') ++pos_;
    }
    std::size_t begin = pos_;
    while (!atEnd() && !isBlank(text_[pos_]) && text_[pos_] != '\r' && !atLineEnd() &&
           std::strchr("=;,%(", text_[pos_]) == nullptr)
      ++pos_;
    std::string_view first = text_.substr(begin, pos_ - begin);
    skipBlank();
    if (peek() == '=') {
      ++pos_;
      skipBlank();
      begin = pos_;
      while (!atEnd() && !isBlank(text_[pos_]) && text_[pos_] != '\r' && !atLineEnd() &&
             std::strchr(";,%(", text_[pos_]) == nullptr)
        ++pos_;
      first = text_.substr(begin, pos_ - begin);
    }
    file_.name = std::string(first);
  }

  // Past the whole statement being read, from its start when on its line.
  void skipWholeStatement() {
    back(start_);
    skipStatement();
  }

  // Past the rest of a statement: up to a line end, `;` or `,` outside
  // brackets and strings. A quote opens a string unless it follows a value
  // (then it transposes).
  void skipStatement() {
    int depth = 0;
    char previous = ' ';
    while (!atEnd()) {
      skipBlank();
      if (atEnd()) return;
      char c = text_[pos_];
      bool lineEnd = atLineEnd();
      if ((lineEnd || c == ';' || c == ',') && depth == 0) return;
      if (c == '(' || c == '[' || c == '{') ++depth;
      if ((c == ')' || c == ']' || c == '}') && depth > 0) --depth;
      bool afterValue = isNameChar(previous) || previous == '.' || previous == ')' ||
                        previous == ']' || previous == '}' || previous == '\'';
      if ((c == '\'' && !afterValue) || c == '"') {
        readString();
        previous = '\'';
        continue;
      }
      previous = c;
      if (lineEnd)
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
      if (atEnd() || atLineEnd()) return false;
      char c = text_[pos_++];
      if (c == quote) {
        if (peek() != quote) return true;
        ++pos_;
      }
      if (into) into->push_back(c);
    }
  }

  // ------------------------------------------------------------ statements

  void statement() {
    inMatrix_ = false;
    inParentheses_ = 0;
    std::size_t line = line_;
    start_ = mark();
    if (peek() == '[') return multipleAssignment(line);
    std::string_view word = readName();
    if (word == "function" && file_.functionLine == 0) {
      functionLine(line);
      skipStatement();
    } else if (endsBlock(word) || word == "endfunction") {
      if (openIfs_ > 0 && word != "endfunction") --openIfs_;
    } else if (word == "return") {
      returned_ = true;
    } else if (word == "if") {
      ifStatement(line);
    } else if (word == "else" || word == "elseif") {
      if (openIfs_ == 0) {
        sink_.problem(line, "`" + std::string(word) + "` without `if`");
        skipStatement();
        return;
      }
      skipBlock(false, line);
      --openIfs_;
    } else if (opensBlock(word)) {
      std::string what =
          word == "for" || word == "parfor" || word == "while" || word == "do"
              ? "a `" + std::string(word) + "` loop"
              : "a `" + std::string(word) + "` block";
      sink_.problem(line, what + kHint);
      skipStatement();
      skipBlock(false, line);
    } else if (word == "mpc") {
      caseStatement(line);
    } else if (!word.empty() && assignmentFollows()) {
      variableAssignment(std::string(word), line);
    } else {
      std::string what = word.empty() ? "'" + excerpt(restOfLine(), 40) + "'"
                                      : "`" + std::string(word) + "`";
      // `x(2) = 1` and the like leave x unknown.
      auto variable = variables_.find(std::string(word));
      if (variable != variables_.end())
        variable->second = Variable{false, 0.0, what + kHint, line};
      sink_.skipped(line, "", what + kHint);
      skipStatement();
    }
  }

  // What messages quote of the rest of the line: never more than they keep,
  // so that a long line of bad statements is not read over and over.
  std::string_view restOfLine() const {
    std::size_t end = pos_, most = pos_ + 64;
    while (end < text_.size() && end < most && text_[end] != '\n' && text_[end] != '\r')
      ++end;
    return text_.substr(pos_, end - pos_);
  }

  // After a name: blanks, then `=` that is not `==`.
  bool assignmentFollows() {
    Mark save = mark();
    space();
    bool is = peek() == '=' && peek(1) != '=';
    if (is)
      ++pos_;
    else
      back(save);
    return is;
  }

  // The rest of a statement must be empty; anything else is not read.
  void expectStatementEnd() {
    space();
    char c = peek();
    if (atEnd() || atLineEnd() || c == ';' || c == ',' || c == '%' || c == '#') return;
    throw NotEvaluated{"'" + excerpt(restOfLine(), 40) + "' cannot be read", true};
  }

  // Skips to the `end` of a block (or, with `stopAtElse`, to an `else` or
  // `elseif` of the same block) unread; returns the word that stopped it.
  std::string_view skipBlock(bool stopAtElse, std::size_t opened) {
    int depth = 0;
    for (;;) {
      skipBlank();
      if (atEnd()) {
        sink_.problem(opened, "the block opened here has no `end`");
        return {};
      }
      if (atLineEnd()) {
        newline();
        continue;
      }
      char c = text_[pos_];
      if (c == ';' || c == ',') {
        ++pos_;
        continue;
      }
      std::string_view word = readName();
      if (opensBlock(word)) {
        ++depth;
      } else if (endsBlock(word)) {
        if (depth-- == 0) return word;
        continue;
      } else if (word == "else" || word == "elseif") {
        if (depth == 0 && stopAtElse) return word;
        if (word == "else") continue;
      }
      skipStatement();
    }
  }

  void ifStatement(std::size_t line) {
    for (;;) {
      bool taken = false;
      try {
        Operand condition = expression();
        expectStatementEnd();
        taken = truth(condition);
      } catch (NotEvaluated& e) {
        sink_.problem(line, "the condition of this `if` cannot be evaluated: " + e.why);
        skipStatement();
        skipBlock(false, line);
        return;
      }
      if (taken) {
        ++openIfs_;
        return;
      }
      std::string_view word = skipBlock(true, line);
      if (word == "else") {
        ++openIfs_;
        return;
      }
      if (word != "elseif") return;
      line = line_;
    }
  }

  static bool truth(const Operand& value) {
    if (value.isBlock()) beyond("a condition on more than one number");
    if (std::isnan(value.number)) error("NaN cannot be a condition");
    return value.number != 0.0;
  }

  void variableAssignment(const std::string& name, std::size_t line) {
    Variable variable;
    variable.line = line;
    try {
      Operand value = expression();
      expectStatementEnd();
      if (value.isBlock()) beyond("a variable holding more than one number");
      variable.known = true;
      variable.value = value.number;
    } catch (NotEvaluated& e) {
      variable.why = e.why;
      sink_.skipped(line, "", e.why);
      skipWholeStatement();
    }
    variables_[name] = std::move(variable);
  }

  // `[NAME, NAME, ...] = FUNCTION;`
  void multipleAssignment(std::size_t line) {
    ++pos_;
    std::vector<std::string> names;
    for (;;) {
      skipBlank();
      char c = peek();
      if (c == ']') {
        ++pos_;
        break;
      }
      if (c == ',') {
        ++pos_;
      } else if (c == '~') {
        ++pos_;
        names.emplace_back();
      } else if (atLineEnd() || !isLetter(c)) {
        sink_.skipped(line, "", "'" + excerpt(restOfLine(), 40) + "'" + kHint);
        skipStatement();
        return;
      } else {
        names.emplace_back(readName());
      }
    }
    std::string function;
    std::string why;
    if (assignmentFollows()) {
      space();
      function = readName();
      space();
      if (peek() == '(' && peek(1) == ')') pos_ += 2;
    }
    const std::vector<NamedColumn>* outputs = columnNames(function);
    try {
      expectStatementEnd();
      if (!outputs) beyond(function.empty() ? "this statement" : "`" + function + "`");
    } catch (NotEvaluated& e) {
      why = e.why;
    }
    if (outputs && names.size() > outputs->size())
      why = "`" + function + "` gives " + std::to_string(outputs->size()) +
            " names, not " + std::to_string(names.size());
    for (std::size_t k = 0; k < names.size(); ++k) {
      if (names[k].empty()) continue;
      Variable& variable = variables_[names[k]];
      variable = Variable();
      variable.line = line;
      variable.known = why.empty();
      variable.why = why;
      if (variable.known) variable.value = (*outputs)[k].value;
    }
    if (!why.empty()) {
      if (outputs)
        sink_.problem(line, why);
      else
        sink_.skipped(line, "", why);
      skipStatement();
    }
  }

  // A statement starting with `mpc`.
  void caseStatement(std::size_t line) {
    if (peek() != '.' || !isLetter(peek(1))) {
      sink_.skipped(line, "mpc",
                    "a statement that changes mpc as a whole" + std::string(kHint));
      skipStatement();
      return;
    }
    ++pos_;
    std::string field(readName());
    if (assignmentFollows()) return assignment(field, line);
    if (peek() == '(') return update(field, line);
    sink_.skipped(line, field, "'mpc." + field + excerpt(restOfLine(), 40) + "'" + kHint);
    skipStatement();
  }

  void assignment(const std::string& field, std::size_t line) {
    report_ = sink_.wantsProblems(field);
    field_ = "mpc." + field;
    Value value;
    value.line = line;
    readValue(value);
    skipBlank();
    if (!atEnd() && !atLineEnd() && peek() != ';' && peek() != ',') {
      if (report_ && value.kind != Value::kNone)
        sink_.problem(line_, "unexpected text after the value of " + field_);
      value.kind = Value::kNone;
      skipStatement();
    }
    Value& stored = file_.fields[field];
    stored = std::move(value);
    sink_.assigned(field, stored);
  }

  // `mpc.FIELD(ROWS, COLUMNS) = EXPRESSION`
  void update(const std::string& field, std::size_t line) {
    try {
      auto found = file_.fields.find(field);
      if (found == file_.fields.end())
        error("mpc." + field + " is changed before it is set");
      Value& target = found->second;
      Selection rows, columns;
      subscripts(field, target, rows, columns);
      if (!assignmentFollows())
        error("'" + excerpt(restOfLine(), 40) + "' cannot be read");
      Operand value = expression();
      expectStatementEnd();
      store(field, target, rows, columns, value);
    } catch (NotEvaluated& e) {
      sink_.skipped(line, field, e.why);
      skipWholeStatement();
    }
  }

  void store(const std::string& field, Value& target, const Selection& rows,
             const Selection& columns, const Operand& value) {
    std::size_t height = rows.size(target.rows.size());
    std::size_t width = columns.list.size();
    if (value.isBlock() && (value.rows != height || value.columns != width))
      error("a block of " + std::to_string(value.rows) + " by " +
            std::to_string(value.columns) + " values cannot fill " +
            std::to_string(height) + " by " + std::to_string(width));
    for (std::size_t r = 0; r < height; ++r) {
      const Row& row = target.rows[rows.at(r)];
      for (std::size_t k = 0; k < width; ++k)
        if (!row.bad && columns.list[k] >= row.width)
          error("mpc." + field + "(" + std::to_string(rows.at(r) + 1) + ", " +
                std::to_string(columns.list[k] + 1) +
                ") is outside the matrix; growing it" + kHint);
    }
    for (std::size_t r = 0; r < height; ++r) {
      const Row& row = target.rows[rows.at(r)];
      if (row.bad) continue;
      for (std::size_t k = 0; k < width; ++k)
        target.numbers[row.start + columns.list[k]] =
            value.isBlock() ? value.values[r * width + k] : value.number;
    }
  }

  // `(ROWS, COLUMNS)` after mpc.FIELD: `:` or an expression for the rows,
  // an expression or a list `[A B]` for the columns.
  void subscripts(const std::string& field, const Value& target, Selection& rows,
                  Selection& columns) {
    if (target.kind != Value::kMatrix) error("mpc." + field + " is not a matrix");
    if (target.rowsHandedOver > 0 && sink_.rowsNeeded) sink_.rowsNeeded();
    ++pos_; // (
    bool saved = inMatrix_;
    inMatrix_ = false;
    subscript(rows, target.rows.size(), "rows", field);
    space();
    if (peek() != ',') beyond("an index that is not (rows, columns)");
    ++pos_;
    subscript(columns, std::numeric_limits<std::size_t>::max(), "columns", field);
    space();
    if (peek() != ')') beyond("an index that is not (rows, columns)");
    ++pos_;
    inMatrix_ = saved;
    if (columns.all) beyond("a whole row (`:` for the columns)");
  }

  void subscript(Selection& into, std::size_t count, const char* what,
                 const std::string& field) {
    space();
    if (peek() == ':') {
      ++pos_;
      space();
      if (peek() == ',' || peek() == ')') {
        into.all = true;
        return;
      }
      beyond("a range (`:`)");
    }
    std::vector<double> indexes;
    if (peek() == '[') {
      ++pos_;
      inMatrix_ = true;
      for (;;) {
        space();
        if (peek() == ',') {
          ++pos_;
          continue;
        }
        if (peek() == ']') break;
        indexes.push_back(scalar(additive()));
      }
      ++pos_;
      inMatrix_ = false;
    } else {
      Operand index = expression();
      if (index.logical) beyond("a logical index");
      if (index.isBlock()) beyond("an index by a list");
      indexes.push_back(index.number);
    }
    space();
    if (peek() == ':') beyond("a range (`:`)");
    for (double index : indexes) {
      if (!(index >= 1) || std::trunc(index) != index)
        error("index " + numberText(index) + " is not a positive whole number");
      if (index > static_cast<double>(count))
        error("index " + numberText(index) + " is beyond the " + std::to_string(count) +
              " " + what + " of mpc." + field);
      into.list.push_back(static_cast<std::size_t>(index) - 1);
    }
  }

  // ---------------------------------------------------------- expressions

  // Blanks (and continuations, but not directly inside a matrix, where they
  // part elements) inside an expression; true when any.
  bool space() {
    std::size_t begin = pos_;
    for (;;) {
      char c = peek();
      if (isBlank(c) || (c == '\r' && peek(1) == '\n'))
        ++pos_;
      else if (c == '.' && peek(1) == '.' && peek(2) == '.' && !inMatrix_)
        continuation();
      else
        break;
    }
    return pos_ != begin;
  }

  static double scalar(const Operand& value) {
    if (value.isBlock()) beyond("a list of more than one number here");
    return value.number;
  }

  Operand expression() {
    Operand left = andAnd();
    while (operatorAhead("||"))
      left = logical(left, andAnd(), [](bool a, bool b) { return a || b; });
    return left;
  }
  Operand andAnd() {
    Operand left = elementOr();
    while (operatorAhead("&&"))
      left = logical(left, elementOr(), [](bool a, bool b) { return a && b; });
    return left;
  }
  Operand elementOr() {
    Operand left = elementAnd();
    while (operatorAhead("|", '|'))
      left = logical(left, elementAnd(), [](bool a, bool b) { return a || b; });
    return left;
  }
  Operand elementAnd() {
    Operand left = relational();
    while (operatorAhead("&", '&'))
      left = logical(left, relational(), [](bool a, bool b) { return a && b; });
    return left;
  }

  template <class Op> static Operand logical(const Operand& a, const Operand& b, Op op) {
    Operand result;
    result.number = op(truth(a), truth(b)) ? 1.0 : 0.0;
    result.logical = true;
    return result;
  }

  // At an operator `op` (not followed by `unless`) after blanks: consumes it.
  // In a matrix, a sign after a blank and before a non-blank starts the
  // next element instead.
  bool operatorAhead(std::string_view op, char unless = '\0') {
    Mark save = mark();
    bool blank = space();
    if (text_.compare(pos_, op.size(), op) == 0 &&
        (unless == '\0' || peek(op.size()) != unless)) {
      if (inMatrix_ && blank && (op == "+" || op == "-") && !isBlank(peek(1))) {
        back(save);
        return false;
      }
      pos_ += op.size();
      return true;
    }
    back(save);
    return false;
  }

  Operand relational() {
    Operand left = additive();
    static constexpr std::string_view ops[] = {"==", "~=", "<=", ">=", "<", ">"};
    for (;;) {
      std::string_view found;
      for (std::string_view op : ops)
        if (operatorAhead(op)) {
          found = op;
          break;
        }
      if (found.empty()) return left;
      Operand right = additive();
      left = combine(left, right, [found](double a, double b) {
        bool r = found == "=="   ? a == b
                 : found == "~=" ? a != b
                 : found == "<=" ? a <= b
                 : found == ">=" ? a >= b
                 : found == "<"  ? a < b
                                 : a > b;
        return r ? 1.0 : 0.0;
      });
      left.logical = true;
    }
  }

  Operand additive() {
    Operand left = multiplicative();
    for (;;) {
      if (operatorAhead("+"))
        left = combine(left, multiplicative(), [](double a, double b) { return a + b; });
      else if (operatorAhead("-"))
        left = combine(left, multiplicative(), [](double a, double b) { return a - b; });
      else
        return left;
    }
  }

  // At one of `ops`, or a point and one of them, after blanks: consumes it
  // and returns it; '\0' (nothing consumed) when there is none.
  char dottedOperator(std::string_view ops, bool& dotted) {
    Mark save = mark();
    space();
    dotted =
        peek() == '.' && peek(1) != '\0' && ops.find(peek(1)) != std::string_view::npos;
    char op = dotted ? peek(1) : peek();
    if (op == '\0' || ops.find(op) == std::string_view::npos) {
      back(save);
      return '\0';
    }
    pos_ += dotted ? 2 : 1;
    return op;
  }

  Operand multiplicative() {
    Operand left = unary();
    for (;;) {
      bool dotted = false;
      char op = dottedOperator("*/\\", dotted);
      if (op == '\0') return left;
      if (op == '\\') beyond("left division (\\)");
      Operand right = unary();
      if (!dotted && right.isBlock() && (op == '/' || left.isBlock()))
        beyond(op == '/' ? "division by a block (/)" : "a matrix product (*)");
      left = op == '*' ? combine(left, right, [](double a, double b) { return a * b; })
                       : combine(left, right, [](double a, double b) { return a / b; });
    }
  }

  Operand unary() {
    space();
    char c = peek();
    if (c == '-' || c == '+' || (c == '~' && peek(1) != '=')) {
      ++pos_;
      Operand value = unary();
      if (c == '~') {
        Operand result;
        result.number = truth(value) ? 0.0 : 1.0;
        result.logical = true;
        return result;
      }
      return c == '+' ? value : negate(std::move(value));
    }
    return power();
  }

  static Operand negate(Operand value) {
    value.number = -value.number;
    for (double& v : value.values)
      v = -v;
    value.logical = false;
    return value;
  }

  // `^` groups left to right; its right operand may carry a sign (2^-2).
  // `2^-2^2` is left out: MATLAB and Octave group it differently.
  Operand power() {
    Operand left = primary();
    for (;;) {
      bool dotted = false;
      if (dottedOperator("^", dotted) == '\0') return left;
      space();
      char sign = peek();
      bool signed_ = sign == '-' || sign == '+';
      if (signed_) ++pos_;
      Operand right = primary();
      if (signed_) {
        if (sign == '-') right = negate(std::move(right));
        Mark after = mark();
        space();
        if (peek() == '^' || (peek() == '.' && peek(1) == '^'))
          beyond("a power of a signed power (write the parentheses)");
        back(after);
      }
      if (left.isBlock() || right.isBlock()) beyond("a power of a block");
      left.number = raise(left.number, right.number);
      left.logical = false;
    }
  }

  static double raise(double base, double exponent) {
    if (base < 0 && std::isfinite(exponent) && std::trunc(exponent) != exponent)
      error("a negative number to a fractional power is complex");
    return std::pow(base, exponent);
  }

  template <class Op> static Operand combine(const Operand& a, const Operand& b, Op op) {
    Operand result;
    if (!a.isBlock() && !b.isBlock()) {
      result.number = op(a.number, b.number);
      return result;
    }
    if (a.isBlock() && b.isBlock() && (a.rows != b.rows || a.columns != b.columns))
      error("blocks of " + std::to_string(a.rows) + " by " + std::to_string(a.columns) +
            " and " + std::to_string(b.rows) + " by " + std::to_string(b.columns) +
            " values do not match");
    const Operand& shape = a.isBlock() ? a : b;
    result.rows = shape.rows;
    result.columns = shape.columns;
    result.values.resize(shape.values.size());
    for (std::size_t k = 0; k < result.values.size(); ++k)
      result.values[k] =
          op(a.isBlock() ? a.values[k] : a.number, b.isBlock() ? b.values[k] : b.number);
    return result;
  }

  Operand primary() {
    space();
    Operand result;
    char c = peek();
    if (isDigit(c) || (c == '.' && isDigit(peek(1)))) {
      const char* begin = text_.data() + pos_;
      const char* end = scanLiteral(begin, text_.data() + text_.size(), result.number);
      pos_ += static_cast<std::size_t>(end - begin);
      if (isNameChar(peek()) || peek() == '(' || peek() == '.' || peek() == '\'' ||
          peek() == '"')
        throw NotEvaluated{"not a number", true};
      return result;
    }
    if (c == '(') {
      ++pos_;
      bool saved = inMatrix_;
      inMatrix_ = false;
      ++inParentheses_;
      result = expression();
      space();
      --inParentheses_;
      inMatrix_ = saved;
      if (peek() != ')') throw NotEvaluated{"a '(' without its ')'", true};
      ++pos_;
      transposeAhead();
      return result;
    }
    if (!isLetter(c)) {
      if (c == '[' || c == '{') beyond("a matrix inside an expression");
      if (c == '\'' || c == '"') beyond("a string in an expression");
      if (c == ':') beyond("a range (`:`)");
      throw NotEvaluated{"not a number", true};
    }
    std::string name(readName());
    auto variable = variables_.find(name);
    if (variable != variables_.end()) {
      if (!variable->second.known)
        error("`" + name + "` is not known: on line " +
              std::to_string(variable->second.line) + ", " + variable->second.why);
      if (peek() == '(') beyond("an index into `" + name + "`");
      result.number = variable->second.value;
    } else if (name == "mpc" && peek() == '.' && isLetter(peek(1))) {
      ++pos_;
      result = caseValue(std::string(readName()));
    } else if (name == "sqrt") {
      bool blank = space();
      if (peek() != '(' || (blank && inMatrix_)) error("`sqrt` needs its argument");
      result = primary();
      if (result.isBlock()) beyond("`sqrt` of a block");
      if (result.number < 0) error("the square root of a negative number is complex");
      result.number = std::sqrt(result.number);
      return result;
    } else if (name == "pi" || name == "Inf" || name == "inf" || name == "NaN" ||
               name == "nan") {
      result.number = name == "pi" ? 3.141592653589793
                      : name == "Inf" || name == "inf"
                          ? std::numeric_limits<double>::infinity()
                          : std::numeric_limits<double>::quiet_NaN();
      if (peek() == '(') beyond("`" + name + "(...)`");
    } else if (name == "end") {
      beyond("`end` in an index");
    } else {
      // A bare unknown word among a matrix's numbers is most likely a typo.
      if (inMatrix_ && peek() != '(') throw NotEvaluated{"not a number", true};
      beyond("`" + name + "`");
    }
    transposeAhead();
    return result;
  }

  void transposeAhead() {
    if (peek() == '\'' || (peek() == '.' && peek(1) == '\'')) beyond("a transpose (')");
  }

  // `mpc.FIELD` or `mpc.FIELD(ROWS, COLUMNS)` inside an expression.
  Operand caseValue(const std::string& field) {
    auto found = file_.fields.find(field);
    if (found == file_.fields.end() || found->second.kind == Value::kNone)
      error("mpc." + field + " has no value here");
    const Value& value = found->second;
    Operand result;
    if (peek() != '(') {
      if (value.kind != Value::kNumber) beyond("mpc." + field + " as a whole");
      result.number = value.number;
      return result;
    }
    Selection rows, columns;
    subscripts(field, value, rows, columns);
    result.rows = rows.size(value.rows.size());
    result.columns = columns.list.size();
    for (std::size_t r = 0; r < result.rows; ++r) {
      const Row& row = value.rows[rows.at(r)];
      for (std::size_t column : columns.list) {
        if (row.bad) {
          result.values.push_back(0.0); // the row is dropped with its own problem
          continue;
        }
        if (column >= row.width)
          error("mpc." + field + "(" + std::to_string(rows.at(r) + 1) + ", " +
                std::to_string(column + 1) + ") is outside the matrix");
        result.values.push_back(value.numbers[row.start + column]);
      }
    }
    if (result.values.size() == 1) {
      result.number = result.values.front();
      result.values.clear();
      result.rows = result.columns = 0;
    }
    return result;
  }

  // -------------------------------------------------------- field values

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
    Mark begin = mark();
    try {
      Operand number = expression();
      if (number.isBlock()) beyond("a block");
      value.kind = Value::kNumber;
      value.number = number.number;
    } catch (NotEvaluated& e) {
      if (!e.syntax) {
        if (report_) sink_.problem(line_, field_ + ": " + e.why);
        value.kind = Value::kNone;
        return;
      }
      std::string_view token = text_.substr(begin.pos, pos_ - begin.pos);
      back(begin);
      if (pos_ == begin.pos) token = element();
      fail(value, token.empty() ? std::string("nothing")
                                : "'" + excerpt(token, 40) + "', which is not a value");
    }
  }

  void fail(Value& value, const std::string& what) {
    if (report_) sink_.problem(line_, field_ + " is " + what);
    value.kind = Value::kNone;
  }

  // The text of one matrix element that did not read, up to what ends it.
  std::string_view element() {
    std::size_t begin = pos_;
    int depth = 0;
    while (!atEnd()) {
      char c = text_[pos_];
      if (c == '(') ++depth;
      if (c == ')' && depth > 0) --depth;
      // A parenthesis left open ends with the line or the matrix.
      bool ends =
          c == '\n' || c == '\r' || c == ']' || c == '}' ||
          (depth == 0 && (kEndsNumber[static_cast<unsigned char>(c)] || c == '[' ||
                          c == '{' || (c == '.' && peek(1) == '.' && peek(2) == '.')));
      if (ends) break;
      ++pos_;
    }
    return text_.substr(begin, pos_ - begin);
  }

  // A number followed by what ends an element: most elements of a case.
  bool plainNumber(double& number) {
    const char* begin = text_.data() + pos_;
    const char* end = text_.data() + text_.size();
    const char* p = begin;
    bool negative = *p == '-';
    if (negative || *p == '+') ++p;
    const char* after = end - p > 48 ? shortDecimal(p, number) : nullptr;
    if (!after) after = scanLiteral(p, end, number);
    if (after == p) return false;
    if (after < end) {
      if (!kEndsNumber[static_cast<unsigned char>(*after)]) return false;
      // `1 - 2` is one element, `1 -2` two, `1 * 2` one.
      const char* q = after;
      while (q < end && isBlank(*q))
        ++q;
      if (q != after && q < end) {
        char c = *q;
        char next = q + 1 < end ? q[1] : ' ';
        if (kContinues[static_cast<unsigned char>(c)]) return false;
        if ((c == '+' || c == '-') && (isBlank(next) || next == '\r' || next == '\n'))
          return false;
        if (c == '.' && !isDigit(next)) return false;
      }
    }
    if (negative) number = -number;
    pos_ += static_cast<std::size_t>(after - begin);
    return true;
  }

  // Elements up to `close`; rows end at `;` or a line end. Empty rows are
  // dropped, as MATLAB drops them.
  void readRows(Value& value, char close) {
    std::size_t openLine = line_;
    // Growing a large matrix copies it over and over: reserve for the most
    // elements the text up to the next closing bracket can hold.
    std::size_t end = text_.find(close, pos_);
    if (end == std::string_view::npos) end = text_.size();
    std::size_t room = end - pos_;
    constexpr std::size_t kMostReserved = std::size_t(1) << 24;
    // Rows handed over leave only the current row's elements in `numbers`.
    const bool handOver =
        value.kind == Value::kMatrix && sink_.handsOver &&
        sink_.handsOver(field_.substr(4),
                        static_cast<std::size_t>(std::count(
                            text_.begin() + static_cast<std::ptrdiff_t>(pos_),
                            text_.begin() + static_cast<std::ptrdiff_t>(end), '\n')));
    if (handOver) {
      value.numbers.reserve(64);
    } else if (value.kind == Value::kMatrix) {
      value.numbers.reserve(std::min(room / 2, kMostReserved));
      // Fresh pages are most of the cost of filling a large matrix.
      detail::adviseHugePages(value.numbers.data(),
                              value.numbers.capacity() * sizeof(double));
    } else {
      value.texts.reserve(std::min(room / 3, kMostReserved));
    }
    if (!handOver) value.rows.reserve(std::min(room / 8 + 1, kMostReserved));
    Row row;
    row.line = line_;
    auto endRow = [&] {
      if (handOver && (row.width > 0 || row.bad)) {
        sink_.row(row, value.numbers.data() + row.start);
        ++value.rowsHandedOver;
        value.numbers.clear();
      } else if (row.width > 0 || row.bad) {
        value.rows.push_back(row);
      }
      row = Row();
      row.line = line_;
      row.start =
          value.kind == Value::kMatrix ? value.numbers.size() : value.texts.size();
    };
    for (;;) {
      // Blanks and a number, the common case, without the general walk.
      while (pos_ < text_.size() && isBlank(text_[pos_]))
        ++pos_;
      double number = 0.0;
      if (value.kind == Value::kMatrix && pos_ < text_.size() &&
          (isDigit(text_[pos_]) || text_[pos_] == '-') && plainNumber(number)) {
        value.numbers.push_back(number);
        ++row.width;
        continue;
      }
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
      if (atLineEnd() || c == ';') {
        endRow();
        if (c == ';')
          ++pos_;
        else
          newline();
        row.line = line_;
        continue;
      }
      if (c == ',') {
        ++pos_;
        continue;
      }
      if (value.kind == Value::kCell) {
        cellElement(value, row);
        continue;
      }
      if (plainNumber(number) || matrixElement(row, number)) {
        value.numbers.push_back(number);
        ++row.width;
      }
    }
  }

  void cellElement(Value& value, Row& row) {
    char c = text_[pos_];
    if (c == '\'' || c == '"') {
      std::string text;
      if (!readString(&text)) {
        badElement(row, "a string that the line ends inside");
        return;
      }
      value.texts.push_back(std::move(text));
      ++row.width;
      return;
    }
    std::string_view token = element();
    if (token.empty()) {
      // A bracket where an element should be: nested arrays are not read.
      ++pos_;
      badElement(row, "'" + std::string(1, c) + "', which is not a number");
      return;
    }
    double number = 0.0;
    if (!parseNumber(token, number)) {
      badElement(row, "'" + excerpt(token, 40) + "', which is not a number");
      return;
    }
    value.texts.emplace_back(token);
    ++row.width;
  }

  // An element that is an expression; false (and the row marked bad) when
  // it is not evaluated.
  bool matrixElement(Row& row, double& number) {
    std::size_t begin = pos_, beginLine = line_;
    inMatrix_ = true;
    try {
      Operand value = expression();
      if (value.isBlock()) beyond("a block inside a matrix");
      number = value.number;
      // What follows must end the element.
      if (!atEnd() && !kEndsNumber[static_cast<unsigned char>(peek())] &&
          !(peek() == '.' && peek(1) == '.' && peek(2) == '.'))
        throw NotEvaluated{"not a number", true};
      inMatrix_ = false;
      return true;
    } catch (NotEvaluated& e) {
      inMatrix_ = false;
      inParentheses_ = 0;
      std::size_t failed = std::min(pos_, text_.size());
      if (line_ == beginLine) {
        pos_ = begin;
        element();
        if (pos_ == begin) ++pos_; // a bracket where an element should be
        pos_ = std::max(pos_, failed);
      }
      std::string token = excerpt(text_.substr(begin, pos_ - begin), 40);
      badElement(row, e.syntax ? "'" + token + "', which is not a number"
                               : "'" + token + "': " + e.why);
      return false;
    }
  }

  // Reports the first bad element of a row; the row is dropped later.
  void badElement(Row& row, const std::string& what) {
    if (!row.bad && report_) sink_.problem(line_, field_ + ": a row holds " + what);
    row.bad = true;
  }

  std::string_view text_;
  const ScanSink& sink_;
  FunctionFile& file_;
  std::vector<std::size_t>& starts_;
  std::size_t pos_ = 0;
  std::size_t line_ = 1;
  bool report_ = true;
  std::string field_;
  std::unordered_map<std::string, Variable> variables_;
  bool inMatrix_ = false;
  int inParentheses_ = 0;
  int openIfs_ = 0;
  Mark start_{0, 0};
  bool returned_ = false;
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
  if (token == "Inf" || token == "inf") {
    magnitude = std::numeric_limits<double>::infinity();
  } else if (token == "NaN" || token == "nan") {
    magnitude = std::numeric_limits<double>::quiet_NaN();
  } else {
    const char* end = token.data() + token.size();
    if (scanLiteral(token.data(), end, magnitude) != end) return false;
  }
  value = negative ? -magnitude : magnitude;
  return true;
}

std::string_view FunctionFile::line(std::string_view text, std::size_t n) const {
  if (n == 0 || n > lineStarts.size()) return {};
  std::size_t begin = lineStarts[n - 1];
  std::size_t end = n < lineStarts.size() ? lineStarts[n] : text.size();
  std::string_view line = text.substr(begin, end - begin);
  if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

void scanFunctionFile(std::string_view text, const ScanSink& sink, FunctionFile& into) {
  Scanner(text, sink, into).run();
}

} // namespace zel23::interop
