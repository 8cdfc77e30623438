// Numeric fields whose text is not wholly a number. The reader converts as
// atoi and atof do: it takes the longest leading number and drops the rest
// without a word, or reads 0 when there is none, so '1.O2' becomes 1.0 and a
// misspelt status 0. Each record's line is found in the text by its number
// and cut into fields as its parser cuts it (field splitter or field
// cursor); every numeric field is held against what the conversion takes.

#include "check/checker.h"
#include "frame/case/reader.h"
#include "frame/text/charconv.h"
#include "frame/text/convert.h"
#include "frame/text/scan.h"
#include "zel23_fields.h"

#include <algorithm>
#include <initializer_list>
#include <type_traits>

namespace zel23::detail::check {
namespace {

enum class Kind : char {
  text,    // a name or an identifier
  integer, // atoi
  real,    // atof
  bus,     // atoi, or a bus name between apostrophes, looked up by name
  count,   // atof, truncated to an int: a switched shunt's N
};

struct Field {
  const char* name;
  Kind kind;
};

bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool onlySpace(std::string_view s) { return std::all_of(s.begin(), s.end(), isSpace); }

// An ASCII letter differs from its lower case in bit 0x20 alone, and no other
// byte becomes a lower-case letter by setting it: enough to compare with one.
char lower(char c) { return static_cast<char>(c | 0x20); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isHexDigit(char c) { return isDigit(c) || (lower(c) >= 'a' && lower(c) <= 'f'); }

// How many characters of `s` strtod takes in the "C" locale, the white
// space it skips first included; 0 when it finds no number. The forms are
// C's: decimal with an exponent, hexadecimal with a binary exponent, inf,
// infinity, nan and nan(chars), each after an optional sign.
std::size_t numberLength(std::string_view s) {
  const auto at = [s](std::size_t k) { return k < s.size() ? s[k] : '\0'; };
  const auto is = [&](std::size_t k, std::string_view word) {
    for (std::size_t j = 0; j < word.size(); ++j)
      if (lower(at(k + j)) != word[j]) return false;
    return true;
  };
  std::size_t i = 0;
  while (isSpace(at(i)))
    ++i;
  if (at(i) == '+' || at(i) == '-') ++i;
  if (is(i, "inf")) return i + (is(i, "infinity") ? 8 : 3);
  if (is(i, "nan")) {
    std::size_t k = i + 3;
    if (at(k) != '(') return k;
    while (isDigit(at(++k)) || (lower(at(k)) >= 'a' && lower(at(k)) <= 'z') ||
           at(k) == '_')
      ;
    return at(k) == ')' ? k + 1 : i + 3;
  }
  const bool hex = at(i) == '0' && lower(at(i + 1)) == 'x';
  const auto digit = [hex](char c) { return hex ? isHexDigit(c) : isDigit(c); };
  std::size_t k = hex ? i + 2 : i, digits = 0;
  for (; digit(at(k)); ++k)
    ++digits;
  if (at(k) == '.')
    for (++k; digit(at(k)); ++k)
      ++digits;
  if (digits == 0) return hex ? i + 1 : 0; // "0x" alone is the number 0
  if (lower(at(k)) == (hex ? 'p' : 'e')) {
    std::size_t e = k + 1;
    if (at(e) == '+' || at(e) == '-') ++e;
    if (isDigit(at(e))) {
      while (isDigit(at(e)))
        ++e;
      k = e;
    }
  }
  return k;
}

// A switched shunt's N as its parser makes it from the double.
int truncated(double value) {
  if (!(value > -2147483649.0 && value < 2147483648.0)) return INT32_MIN;
  return int(value);
}

double readAs(Kind kind, std::string_view token) {
  if (kind == Kind::real) return toDouble(token);
  if (kind == Kind::count) return truncated(toDouble(token));
  return toInt(token);
}

// The common case of an int field, decided without converting anything.
bool plainInt(std::string_view s) {
  if (!s.empty() && (s[0] == '-' || s[0] == '+')) s.remove_prefix(1);
  return !s.empty() && s.size() < 10 && std::all_of(s.begin(), s.end(), isDigit);
}

// Whether the field's conversion takes all the token says: the whole text is
// one number, and an int field gets that number ("2.0" is 2, "2.5" is not).
bool readWhole(Kind kind, std::string_view token) {
  if (kind != Kind::real && plainInt(token)) return true;
  const std::size_t n = numberLength(token);
  if (n == 0 || !onlySpace(token.substr(n))) return false;
  return kind == Kind::real || toDouble(token) == readAs(kind, token);
}

// The fields of a record type in the order its line holds them, from the
// library's own field list; `busFields` are resolved by bus name too.
template <class Rec>
std::vector<Field> lineFields(std::initializer_list<std::string_view> busFields) {
  std::vector<Field> fields;
  const Rec record{};
  forEachField(record, [&](const char* name, const auto& value) {
    using T = std::decay_t<decltype(value)>;
    Kind kind = std::is_same_v<T, double> ? Kind::real : Kind::integer;
    if (std::is_same_v<T, std::string>) kind = Kind::text;
    if (std::find(busFields.begin(), busFields.end(), name) != busFields.end())
      kind = Kind::bus;
    fields.push_back({name, kind});
  });
  return fields;
}

// The switched shunt's line has no VDES and no block count, and its blocks
// go on as far as the line does.
std::vector<Field> shuntFields() {
  std::vector<Field> fields;
  for (Field f : lineFields<ZELSwitchedShunt>({"I", "SWREM"})) {
    const std::string_view name = f.name;
    if (name == "VDES" || name == "noBlocks") continue;
    if (name[0] == 'N') f.kind = Kind::count;
    fields.push_back(f);
  }
  return fields;
}

struct Layouts {
  std::vector<Field> bus = lineFields<ZELBus>({});
  std::vector<Field> generator = lineFields<ZELGenerator>({"I", "IREG"});
  std::vector<Field> branch = lineFields<ZELBranch>({});
  std::vector<Field> adjustment =
      lineFields<ZELTransformerAdjustment>({"I", "J", "ICONT"});
  std::vector<Field> area = lineFields<ZELAreaInterchange>({});
  std::vector<Field> dc = lineFields<ZELTwoTerminalDC>({"IPR"});
  std::vector<Field> shunt = shuntFields();
};

// Lines of the text by number. Look-ups mostly go forward, so each goes on
// from the one before and starts over only for an earlier line.
class LineFinder {
public:
  explicit LineFinder(std::string_view text) : text_(text) {}

  /// Line `number` (1-based) as the reader reads it: without its line feed,
  /// cut at the reader's longest line; empty past the end.
  std::string_view operator[](std::size_t number) {
    if (number < number_) {
      at_ = 0;
      number_ = 1;
    }
    for (; number_ < number; ++number_) {
      const std::size_t end = text_.find('\n', at_);
      if (end == std::string_view::npos) return {};
      at_ = end + 1;
    }
    const std::size_t end = std::min(text_.find('\n', at_), text_.size());
    return text_.substr(at_, std::min(end - at_, LineSource::kMaxLine));
  }

private:
  std::string_view text_;
  std::size_t at_ = 0;
  std::size_t number_ = 1;
};

// Calls each(field, token) for the fields from `first` on and the tokens
// the field cursor gives for them, until either runs out.
template <class Each>
void cursorFields(std::string_view line, const Field* first, const Field* last,
                  const Each& each) {
  FieldCursor cursor(line);
  for (; first != last && !cursor.exhausted(); ++first, cursor.advance())
    each(*first, cursor.token());
}

// The same for the field splitter, whose fields stand by position.
template <class Each>
void splitterFields(std::string_view line, const std::vector<Field>& fields,
                    const Each& each) {
  const Fields split = splitFields(line);
  for (std::size_t k = 0; k < fields.size() && k < split.count(); ++k)
    each(fields[k], split[k]);
}

template <class Each>
void cursorFields(std::string_view line, const std::vector<Field>& fields,
                  const Each& each) {
  cursorFields(line, fields.data(), fields.data() + fields.size(), each);
}

const Field* named(const std::vector<Field>& fields, std::string_view name) {
  return &*std::find_if(fields.begin(), fields.end(),
                        [name](const Field& f) { return f.name == name; });
}

} // namespace

void Checker::numbers() {
  if (text_.empty()) return;
  static const Layouts layouts;
  LineFinder lines(text_);
  for (const Section section : kSections) {
    for (const std::size_t number : report_.recordLines[static_cast<int>(section)]) {
      if (number == 0) continue;
      // Each finding at the line its token stands on: a DC line's converter
      // ends are its second and third lines.
      const auto at = [&](std::size_t line) {
        return [this, line](const Field& field, std::string_view token) {
          if (field.kind == Kind::text || onlySpace(token)) return;
          if (field.kind == Kind::bus && token.find('\'') != std::string_view::npos)
            return;
          if (readWhole(field.kind, token)) return;
          malformedNumber(line, field.name, token, field.kind == Kind::real,
                          readAs(field.kind, token));
        };
      };
      const std::string_view line = lines[number];
      switch (section) {
      case Section::Bus:
        splitterFields(line, layouts.bus, at(number));
        break;
      case Section::Generator:
        cursorFields(line, layouts.generator, at(number));
        break;
      case Section::Branch:
        splitterFields(line, layouts.branch, at(number));
        break;
      case Section::TransformerAdjustment:
        cursorFields(line, layouts.adjustment, at(number));
        break;
      case Section::AreaInterchange:
        splitterFields(line, layouts.area, at(number));
        break;
      case Section::TwoTerminalDC: {
        const Field* rectifier = named(layouts.dc, "IPR");
        const Field* inverter = named(layouts.dc, "IPI");
        const Field* end = layouts.dc.data() + layouts.dc.size();
        cursorFields(line, layouts.dc.data(), rectifier, at(number));
        cursorFields(lines[number + 1], rectifier, inverter, at(number + 1));
        cursorFields(lines[number + 2], inverter, end, at(number + 2));
        break;
      }
      case Section::SwitchedShunt:
        cursorFields(line, layouts.shunt, at(number));
      }
    }
  }
}

void Checker::malformedNumber(std::size_t line, std::string_view name,
                              std::string_view token, bool real, double value) {
  constexpr std::size_t kShown = 40;
  Message m;
  m << name << " is written '" << token.substr(0, kShown)
    << (token.size() > kShown ? "...'" : "'") << ": read as ";
  char text[32];
  const char* end = detail::formatShortest(text, text + sizeof text, value).ptr;
  const std::string_view shown(text, std::size_t(end - text));
  m << shown;
  // A double field's value reads as one: 1.0, not 1.
  if (real && shown.find_first_not_of("-0123456789") == std::string_view::npos) m << ".0";
  warn(line, "malformed-number", m);
}

} // namespace zel23::detail::check
