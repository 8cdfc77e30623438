#ifndef ZEL23_TEST_SUPPORT_H
#define ZEL23_TEST_SUPPORT_H

// What the tests share: the data-file tables, records as text (printed form
// and field dump), one call per record kind, and whole-case reading and
// writing.

#include "zel23.h"
#include "zel23_case.h"
#include "zel23_fields.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <streambuf>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace zel23_test {

using Row = std::vector<std::string>;

inline std::string shown(std::string_view s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    char buf[8];
    std::snprintf(buf, sizeof buf, c >= 0x20 && c < 0x7f ? "%c" : "\\x%02x", c);
    out += buf;
  }
  return out + "\"";
}

// Data files hold one row per line, columns split by tabs; \t \r \n \0,
// \xHH and a doubled backslash stand for their bytes. Lines starting with
// "#" are comments.
inline std::string unescape(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 == s.size()) {
      out += s[i];
      continue;
    }
    const char c = s[++i];
    if (c == 'x') {
      out +=
          static_cast<char>(std::strtol(std::string(s.substr(i + 1, 2)).c_str(), 0, 16));
      i += 2;
    } else {
      out += c == 't' ? '\t' : c == 'r' ? '\r' : c == 'n' ? '\n' : c == '0' ? '\0' : c;
    }
  }
  return out;
}

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline std::string dataPath(const std::string& name) {
  return std::string(ZEL23_TEST_DATA) + "/" + name;
}

inline std::vector<Row> table(const std::string& name) {
  std::vector<Row> rows;
  std::istringstream in(readFile(dataPath(name)));
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    Row row;
    std::size_t start = 0;
    for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos;
         start = tab + 1)
      row.push_back(unescape(line.substr(start, tab - start)));
    row.push_back(unescape(line.substr(start)));
    rows.push_back(row);
  }
  EXPECT_FALSE(rows.empty()) << "no rows in " << name;
  return rows;
}

template <class Rec> std::string printed(const Rec& record) {
  std::ostringstream os;
  os << record;
  return os.str();
}

// The shortest text that reads back as the same double.
inline std::string exact(double d) {
  char buf[64];
  for (int digits = 15; digits <= 17; ++digits) {
    std::snprintf(buf, sizeof buf, "%.*g", digits, d);
    if (std::strtod(buf, nullptr) == d) break;
  }
  return buf;
}

// Every field in field order, '|' between them, doubles exact.
template <class Rec> std::string dump(const Rec& r) {
  std::string out;
  zel23::forEachField(r, [&](const char*, const auto& field) {
    using T = std::decay_t<decltype(field)>;
    if (!out.empty()) out += '|';
    if constexpr (std::is_same_v<T, double>)
      out += exact(field);
    else if constexpr (std::is_same_v<T, int>)
      out += std::to_string(field);
    else
      out += field;
  });
  return out;
}

template <class Rec> Rec fromDump(const std::string& text) {
  Rec r;
  std::size_t start = 0;
  zel23::forEachField(r, [&](const char*, auto& field) {
    using T = std::decay_t<decltype(field)>;
    const std::size_t bar = std::min(text.find('|', start), text.size());
    const std::string value = text.substr(start, bar - start);
    start = bar + 1;
    if constexpr (std::is_same_v<T, double>)
      field = std::strtod(value.c_str(), nullptr);
    else if constexpr (std::is_same_v<T, int>)
      field = std::atoi(value.c_str());
    else
      field = value;
  });
  return r;
}

// One call of f(Rec()) for the record kind named in the tables.
template <class F> void forKind(const std::string& kind, F&& f) {
  if (kind == "bus")
    f(ZELBus());
  else if (kind == "generator")
    f(ZELGenerator());
  else if (kind == "load")
    f(ZELLoad());
  else if (kind == "branch")
    f(ZELBranch());
  else if (kind == "adjustment")
    f(ZELTransformerAdjustment());
  else if (kind == "area")
    f(ZELAreaInterchange());
  else if (kind == "shunt")
    f(ZELSwitchedShunt());
  else if (kind == "dc")
    f(ZELTwoTerminalDC());
  else
    ADD_FAILURE() << "no record kind " << kind;
}

// The record's text: one line, or a DC record's three lines split at '\n'.
template <class Rec> std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t feed; (feed = text.find('\n', start)) != std::string::npos;
       start = feed + 1)
    lines.push_back(text.substr(start, feed - start));
  lines.push_back(text.substr(start));
  lines.resize(std::is_same_v<Rec, ZELTwoTerminalDC> ? 3 : 1);
  return lines;
}

template <class Rec> bool parseText(const std::string& text, Rec& r, std::string& m) {
  const std::vector<std::string> l = linesOf<Rec>(text);
  if constexpr (std::is_same_v<Rec, ZELTwoTerminalDC>)
    return zel23::parse(l[0], l[1], l[2], r, m);
  else
    return zel23::parse(l[0], r, m);
}

template <class Rec> Rec construct(const std::string& text) {
  const std::vector<std::string> l = linesOf<Rec>(text);
  if constexpr (std::is_same_v<Rec, ZELTwoTerminalDC>)
    return Rec(l[0], l[1], l[2]);
  else
    return Rec(l[0]);
}

// ------------------------------------------------------------ whole cases

struct Read {
  zel23::Case data;
  zel23::ReadReport report;
};

inline Read readText(const std::string& text, std::size_t maxProblems = 1000) {
  Read r;
  std::istringstream in(text);
  zel23::ReadOptions options;
  options.maxProblems = maxProblems;
  r.report = zel23::read(in, r.data, options);
  return r;
}

inline bool zelParse(std::istream& in, zel23::Case& c) {
  return ZELParse(in, c.buses, c.generators, c.branches, c.adjustments, c.areas,
                  c.dcLines, c.shunts, c.comments, c.systemBase);
}

inline zel23::Case zelParseText(const std::string& text) {
  zel23::Case c;
  std::istringstream in(text);
  zelParse(in, c);
  return c;
}

inline std::string writeText(const zel23::Case& c) {
  std::ostringstream out;
  zel23::write(out, c);
  return out.str();
}

// Two cases with the same lists (every field), comments and system base.
template <class Rec>
bool sameLists(const std::vector<Rec>& a, const std::vector<Rec>& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](auto& x, auto& y) { return zel23::sameFields(x, y); });
}

inline ::testing::AssertionResult sameCase(const zel23::Case& a, const zel23::Case& b) {
  if (a.comments == b.comments && a.systemBase == b.systemBase &&
      sameLists(a.buses, b.buses) && sameLists(a.generators, b.generators) &&
      sameLists(a.branches, b.branches) && sameLists(a.adjustments, b.adjustments) &&
      sameLists(a.areas, b.areas) && sameLists(a.dcLines, b.dcLines) &&
      sameLists(a.shunts, b.shunts))
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "the cases differ";
}

// Every field as text that tells its type and, for a double, its bits.
template <class Rec> std::vector<std::string> bitFields(const Rec& r) {
  std::vector<std::string> out;
  zel23::forEachField(r, [&](const char*, const auto& field) {
    using T = std::decay_t<decltype(field)>;
    if constexpr (std::is_same_v<T, double>) {
      unsigned long long bits;
      std::memcpy(&bits, &field, sizeof bits);
      out.push_back("d" + std::to_string(bits));
    } else if constexpr (std::is_same_v<T, int>) {
      out.push_back("i" + std::to_string(field));
    } else {
      out.push_back("s" + field);
    }
  });
  return out;
}

template <class F> void forEachList(const zel23::Case& c, F&& f) {
  f(c.buses), f(c.generators), f(c.branches), f(c.adjustments), f(c.areas), f(c.dcLines),
      f(c.shunts);
}

// Two cases whose every field, comment line and system base are the same,
// doubles bit for bit (a NaN equals the same NaN).
inline ::testing::AssertionResult identical(const zel23::Case& a, const zel23::Case& b) {
  std::vector<std::vector<std::string>> fa, fb;
  forEachList(a, [&](const auto& list) {
    for (const auto& r : list)
      fa.push_back(bitFields(r));
  });
  forEachList(b, [&](const auto& list) {
    for (const auto& r : list)
      fb.push_back(bitFields(r));
  });
  const auto sizes = [](const zel23::Case& c) {
    std::vector<std::size_t> n;
    forEachList(c, [&](const auto& list) { n.push_back(list.size()); });
    return n;
  };
  if (a.comments != b.comments) return ::testing::AssertionFailure() << "comments differ";
  if (std::memcmp(&a.systemBase, &b.systemBase, sizeof a.systemBase) != 0)
    return ::testing::AssertionFailure() << "system bases differ";
  if (sizes(a) != sizes(b) || fa != fb)
    return ::testing::AssertionFailure() << "records differ";
  return ::testing::AssertionSuccess();
}

// A small whole case with one record in each section, and its lines.
inline const std::string& oneOfEach() {
  static const std::string text = readFile(dataPath("cases/one_of_each.raw"));
  return text;
}

// Line k (0-based) of oneOfEach(): 0-2 the header, then each section's
// record before its terminator; the DC record is lines 13 to 15.
inline std::string oneOfEachLine(std::size_t k) {
  std::istringstream in(oneOfEach());
  std::string line;
  for (std::size_t i = 0; i <= k; ++i)
    std::getline(in, line);
  return line;
}

// Hands out the first `limit` characters of its text one at a time, then
// ends the input or throws.
class FailingInput : public std::streambuf {
public:
  enum class Failure { Throw, Eof };
  FailingInput(std::string text, std::size_t limit, Failure failure)
      : text_(std::move(text)), limit_(std::min(limit, text_.size())), failure_(failure) {
  }

protected:
  int_type underflow() override {
    if (next_ == limit_) {
      if (failure_ == Failure::Throw) throw std::runtime_error("device error");
      return traits_type::eof();
    }
    char* c = &text_[next_++];
    setg(c, c, c + 1);
    return traits_type::to_int_type(*c);
  }

private:
  std::string text_;
  std::size_t limit_;
  Failure failure_;
  std::size_t next_ = 0;
};

// Accepts `limit` characters, keeps them, and refuses every further one.
class RefusingOutput : public std::streambuf {
public:
  explicit RefusingOutput(std::size_t limit) : limit_(limit) {}
  const std::string& accepted() const { return accepted_; }

protected:
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    if (accepted_.size() >= limit_) return traits_type::eof();
    accepted_ += traits_type::to_char_type(c);
    return c;
  }

private:
  std::size_t limit_;
  std::string accepted_;
};

} // namespace zel23_test

#endif
