// Properties over generated records of every type, from a seeded generator:
// - a printed record parses back into the record with every double rounded
//   to four decimals (the branch's RATEC becomes 0.0, the shunt's VDES, which
//   is not printed, comes back as 1.0);
// - a written case reads back without a problem and writes the same text;
// - the printed line is the same whatever path the printer takes (its own
//   formatting or the stream's insertions), and each printed double is what
//   printf's "%.4f" makes of it.

#include "support.h"
#include "zel23_check.h"

#include "frame/text/convert.h"
#include "frame/text/print.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iomanip>
#include <locale>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

namespace {

using namespace zel23_test;

// splitmix64: small, seedable and the same on every platform, unlike the
// standard distributions.
class Random {
public:
  explicit Random(std::uint64_t seed) : state_(seed) {}

  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9e3779b97f4a7c15u);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9u;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebu;
    return z ^ (z >> 31);
  }
  // 0 .. n-1
  int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }
  bool chance(int percent) { return below(100) < percent; }

  int anyInt() {
    switch (below(4)) {
    case 0:
      return below(1000) - 500;
    case 1:
      return static_cast<int>(static_cast<std::uint32_t>(next()));
    case 2: {
      const int extremes[] = {INT_MIN, INT_MIN + 1, -1, 0, 1, INT_MAX - 1, INT_MAX};
      return extremes[below(7)];
    }
    default:
      return below(100000);
    }
  }
  int atLeast(int minimum) {
    const int value = anyInt();
    if (value >= minimum) return value;
    return value == INT_MIN ? minimum
                            : minimum + (value < 0 ? -(value + 1) : value) % 1000;
  }

  // A value a case holds in practice: up to six decimals, below 10^8.
  double realistic() {
    const double scale[] = {1.0, 10.0, 100.0, 1e3, 1e4, 1e5, 1e6};
    const double units =
        static_cast<double>(static_cast<std::int64_t>(next() % 200000001) - 100000000);
    return units / scale[below(7)];
  }

  // Values at the edges of printing and reading.
  double extreme(bool shortText) {
    switch (below(shortText ? 7 : 10)) {
    case 0: { // exact binary ties at the fifth decimal: k + odd/32
      const double odd = 2.0 * below(16) + 1.0;
      return (below(2) ? -1.0 : 1.0) * (below(100000) + odd / 32.0);
    }
    case 1: { // decimal ties that binary puts just above or below
      const double ties[] = {0.00005, 0.00015,  1.00005,   2.00025,
                             0.99995, 99.99995, 1e4 + 5e-5};
      return (below(2) ? -1.0 : 1.0) * ties[below(7)];
    }
    case 2: {
      const double tiny[] = {0.0,     -0.0,   4.9e-324, -4.9e-324,
                             DBL_MIN, 1e-300, -1e-10,   4.9999e-5};
      return tiny[below(8)];
    }
    case 3: // around the limit of exact integers and of the printer's fast path
      return (below(2) ? -1.0 : 1.0) * std::ldexp(1.0, 40 + below(14)) *
             (1.0 + static_cast<double>(below(1000)) / 997.0);
    case 4: {
      const double edges[] = {999999999999999.9,  1e15, 1e15 - 0.5,
                              9007199254740993.0, 1e17, 1e20};
      return (below(2) ? -1.0 : 1.0) * edges[below(6)];
    }
    case 5:
      return realistic() * 1e-6;
    case 6: { // any bit pattern of moderate magnitude
      double v;
      const std::uint64_t bits = next();
      std::memcpy(&v, &bits, sizeof v);
      return std::isfinite(v) && std::fabs(v) < 1e20 ? v : realistic();
    }
    case 7: {
      const double huge[] = {1e300, -1e300, DBL_MAX, -DBL_MAX, 1e22, 123456789e290};
      return huge[below(6)];
    }
    case 8: {
      const double special[] = {HUGE_VAL, -HUGE_VAL, std::nan(""), -std::nan("")};
      return special[below(4)];
    }
    default: { // any finite bit pattern
      double v;
      do {
        const std::uint64_t bits = next();
        std::memcpy(&v, &bits, sizeof v);
      } while (!std::isfinite(v));
      return v;
    }
    }
  }

  // shortText keeps the printed number short enough for a case file line.
  double anyDouble(bool shortText) {
    return chance(70) ? realistic() : extreme(shortText);
  }

  std::string text(int minLength, int maxLength, const char* alphabet) {
    const int n = minLength + below(maxLength - minLength + 1);
    const int size = static_cast<int>(std::strlen(alphabet));
    std::string out;
    for (int i = 0; i < n; ++i)
      out += alphabet[below(size)];
    return out;
  }
  // Between apostrophes: blanks and commas are part of it.
  std::string quoted() { return "'" + text(0, 12, "ABCXYZ019 ,-_.#/") + "'"; }
  // A bare name: one plain field, nothing that separates or quotes.
  std::string bare() { return text(1, 10, "ABCXYZ019-_.#/"); }

private:
  std::uint64_t state_;
};

// Records as their printed form allows them: what a parser could have made.
// Bus numbers that the cursor-read records look up are not negative (the
// load's from 1 on), their identifiers are quoted, and only the bus name and
// the branch circuit may be empty. firstNonZero keeps the first field off
// 0, which a case file would read as a terminator line.
struct Maker {
  Random& rnd;
  bool shortText;
  bool firstNonZero;

  template <class Rec> Rec make() {
    constexpr bool cursor = !std::is_same_v<Rec, ZELBus> &&
                            !std::is_same_v<Rec, ZELBranch> &&
                            !std::is_same_v<Rec, ZELAreaInterchange> &&
                            !std::is_same_v<Rec, ZELTwoTerminalDC>;
    Rec r;
    zel23::forEachField(r, [&](const char* n, auto& field) {
      using T = std::decay_t<decltype(field)>;
      const std::string name = n;
      if constexpr (std::is_same_v<T, double>) {
        field = rnd.anyDouble(shortText);
      } else if constexpr (std::is_same_v<T, std::string>) {
        const bool mayBeEmpty = name == "NAME" || (name == "CKT" && !cursor);
        field = name == "ID" || (name == "CKT" && cursor) ? rnd.quoted()
                : mayBeEmpty && rnd.chance(10)            ? ""
                : rnd.chance(50)                          ? rnd.quoted()
                                                          : rnd.bare();
      } else if (name == "I") {
        field = rnd.atLeast(std::is_same_v<Rec, ZELLoad> ? 1 : cursor ? 0 : INT_MIN);
        if (firstNonZero && field == 0) field = 1;
      } else if (name == "noBlocks") {
        field = 1 + rnd.below(8);
      } else {
        const bool bus =
            name == "IREG" || name == "ICONT" || name == "IPR" || (cursor && name == "J");
        field = bus ? rnd.atLeast(0) : rnd.anyInt();
      }
    });
    if constexpr (std::is_same_v<Rec, ZELSwitchedShunt>)
      for (int k = r.noBlocks(); k < 8; ++k)
        r.N(k) = 0, r.B(k) = 0.0;
    return r;
  }
};

std::string fourDecimals(double value) {
  char text[400];
  std::snprintf(text, sizeof text, "%.4f", value);
  return text;
}

// The record that printing and parsing must give.
template <class Rec> Rec afterPrinting(Rec r) {
  zel23::forEachField(r, [&](const char* name, auto& field) {
    if constexpr (std::is_same_v<std::decay_t<decltype(field)>, double>)
      field = std::strtod(fourDecimals(field).c_str(), nullptr);
    (void)name;
  });
  if constexpr (std::is_same_v<Rec, ZELBranch>) r.RATEC() = 0.0;
  if constexpr (std::is_same_v<Rec, ZELSwitchedShunt>) r.VDES() = 1.0;
  return r;
}

constexpr int kRecordsPerType = 3000;

template <class Rec> void expectPrintedRecordsReadBack(std::uint64_t seed) {
  Random rnd(seed);
  Maker make{rnd, false, false};
  for (int i = 0; i < kRecordsPerType; ++i) {
    const Rec original = make.make<Rec>();
    const std::string text = printed(original);
    SCOPED_TRACE("record " + std::to_string(i) + " printed as " + shown(text));
    Rec reread;
    std::string message;
    ASSERT_TRUE(parseText(text, reread, message)) << message;
    ASSERT_EQ(dump(afterPrinting(original)), dump(reread));
  }
}

TEST(PropertyTest, PrintedRecordsReadBackRoundedToFourDecimals) {
  // The bus name registry is not consulted: every bus field is a number.
  expectPrintedRecordsReadBack<ZELBus>(1);
  expectPrintedRecordsReadBack<ZELGenerator>(2);
  expectPrintedRecordsReadBack<ZELLoad>(3);
  expectPrintedRecordsReadBack<ZELBranch>(4);
  expectPrintedRecordsReadBack<ZELTransformerAdjustment>(5);
  expectPrintedRecordsReadBack<ZELAreaInterchange>(6);
  expectPrintedRecordsReadBack<ZELSwitchedShunt>(7);
  expectPrintedRecordsReadBack<ZELTwoTerminalDC>(8);
}

// ------------------------------------------------------------- whole cases

template <class Rec> void addSome(Maker& make, std::vector<Rec>& list) {
  const int n = make.rnd.below(6);
  for (int i = 0; i < n; ++i)
    list.push_back(make.make<Rec>());
}

template <class Rec>
void expectRoundedLists(const std::vector<Rec>& original,
                        const std::vector<Rec>& reread) {
  ASSERT_EQ(original.size(), reread.size());
  for (std::size_t i = 0; i < original.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(dump(afterPrinting(original[i])), dump(reread[i]));
  }
}

template <class Rec> std::size_t roundedFields(const std::vector<Rec>& list) {
  std::size_t count = 0;
  for (const Rec& r : list) {
    const auto before = bitFields(r), after = bitFields(afterPrinting(r));
    for (std::size_t k = 0; k < before.size(); ++k)
      count += before[k] != after[k] && before[k].front() == 'd';
  }
  return count;
}

std::size_t roundedFields(const zel23::Case& c) {
  std::size_t count = 0;
  forEachList(c, [&](const auto& list) { count += roundedFields(list); });
  return count;
}

// A case of a few records per section, its header line 1 giving `base`.
zel23::Case makeCase(Random& rnd, Maker& make, int base) {
  zel23::Case c;
  c.systemBase = base;
  c.comments.push_back("0 " + std::to_string(base) + " /" +
                       rnd.text(0, 40, "AB 0,/'#\t"));
  c.comments.push_back(rnd.text(0, 60, "AB 0,/'#\t"));
  c.comments.push_back(rnd.text(0, 60, "AB 0,/'#\t"));
  for (int s = 0; s < 7; ++s)
    c.comments.push_back(rnd.text(0, 3, " \t#") + "0" + rnd.text(0, 30, "AB 0,/'#\t"));
  addSome(make, c.buses);
  addSome(make, c.generators);
  addSome(make, c.branches);
  addSome(make, c.adjustments);
  addSome(make, c.areas);
  addSome(make, c.dcLines);
  addSome(make, c.shunts);
  // Not on the line in either form.
  for (ZELSwitchedShunt& shunt : c.shunts)
    shunt.VDES() = ZELSwitchedShunt().VDES();
  return c;
}

TEST(PropertyTest, WrittenCasesReadBackAndWriteTheSameText) {
  Random rnd(2024);
  Maker make{rnd, true, true};
  for (int round = 0; round < 300; ++round) {
    SCOPED_TRACE("case " + std::to_string(round));
    const int base = rnd.anyInt();
    const zel23::Case c = makeCase(rnd, make, base);

    std::ostringstream first;
    zel23::write(first, c);
    zel23::Case reread;
    std::istringstream in(first.str());
    const zel23::ReadReport report = zel23::read(in, reread);
    ASSERT_TRUE(report.ok()) << report.problems[0].message << " in "
                             << shown(report.problems[0].text);
    EXPECT_EQ(reread.comments, c.comments);
    EXPECT_EQ(reread.systemBase, static_cast<double>(base));
    expectRoundedLists(c.buses, reread.buses);
    expectRoundedLists(c.generators, reread.generators);
    expectRoundedLists(c.branches, reread.branches);
    expectRoundedLists(c.adjustments, reread.adjustments);
    expectRoundedLists(c.areas, reread.areas);
    expectRoundedLists(c.dcLines, reread.dcLines);
    expectRoundedLists(c.shunts, reread.shunts);
    std::ostringstream second;
    zel23::write(second, reread);
    ASSERT_EQ(second.str(), first.str());
    // The printed form's count of rounded doubles is what reading it back
    // shows, field by field.
    EXPECT_EQ(zel23::checkWrite(c, {false}).rounded, roundedFields(c));
    // Every number the writer writes reads whole.
    for (const zel23::Finding& f : zel23::check(reread, report, first.str()).findings)
      EXPECT_STRNE(f.code, "malformed-number") << f.message;
  }
}

// The shortest text of a double: what std::to_chars gives (fixed notation
// from 1e-5 to below 1e15), whichever way it is found, and it reads back
// through the library's reader to the same bits.
TEST(PropertyTest, ShortestTextIsToCharsAndReadsBack) {
  Random rnd(2026);
  // The edges of the ways it is found: exponent notation below 1e-5, eight
  // decimals below 2^26, four below 2^39.
  const double edges[] = {0.000005,          0.00001,           -0.0,
                          67108863.99999999, 67108864.0001,     549755813887.9999,
                          549755813888.0001, 999999999999999.9, 1e15};
  for (int i = 0; i < 200000; ++i) {
    const double value = i < 9            ? edges[i]
                         : rnd.chance(50) ? rnd.realistic()
                                          : rnd.anyDouble(false);
    char text[zel23::detail::kShortestMax];
    const std::string got(text, zel23::detail::formatShortest(value, text));
    const double magnitude = std::fabs(value);
    const auto want =
        magnitude == 0 || (magnitude >= 1e-5 && magnitude < 1e15)
            ? std::to_chars(text, text + sizeof text, value, std::chars_format::fixed)
            : std::to_chars(text, text + sizeof text, value);
    ASSERT_EQ(got, std::string(text, want.ptr)) << exact(value);
    const double back = zel23::detail::toDouble(got);
    ASSERT_TRUE(std::memcmp(&back, &value, sizeof back) == 0 || std::isnan(value)) << got;
  }
}

// The exact form: any value, the longest numbers included, comes back bit
// for bit, and a line of extra terminators after the last section too.
TEST(PropertyTest, ExactCasesReadBackBitForBit) {
  Random rnd(2025);
  Maker make{rnd, false, true};
  for (int round = 0; round < 300; ++round) {
    SCOPED_TRACE("case " + std::to_string(round));
    zel23::Case c = makeCase(rnd, make, rnd.anyInt());
    if (rnd.chance(20)) c.comments.push_back(" 0 / past the last section");
    std::ostringstream out;
    const zel23::WriteReport written = zel23::write(out, c, {true});
    ASSERT_TRUE(written.ok()) << written.error;
    EXPECT_EQ(written.rounded, 0u);
    const Read back = readText(out.str());
    ASSERT_TRUE(back.report.ok()) << back.report.problems[0].message << " in "
                                  << shown(back.report.problems[0].text);
    EXPECT_EQ(written.lines, back.report.lines);
    EXPECT_TRUE(identical(back.data, c)) << out.str();
  }
}

// ------------------------------------------------- printing paths and printf

// A number formatter that is the standard one in all but its type: the
// printer cannot vouch for it, so it must go through the stream's own
// insertions, which count here.
class CountingNumPut : public std::num_put<char> {
public:
  mutable int doubles = 0;

protected:
  iter_type do_put(iter_type out, std::ios_base& str, char_type fill,
                   double value) const override {
    ++doubles;
    return std::num_put<char>::do_put(out, str, fill, value);
  }
};

// '.' and no grouping, as the classic locale has, but another facet type.
class PlainPunct : public std::numpunct<char> {
protected:
  char do_decimal_point() const override { return '.'; }
  std::string do_grouping() const override { return ""; }
};

// Each field's text after its padding blanks, in print order; commas and
// line feeds end fields. Fields whose value holds a comma are matched
// whole, so the expected values walk the line.
::testing::AssertionResult matchesFields(const std::string& line,
                                         const std::vector<std::string>& values) {
  std::size_t at = 0;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i > 0) {
      if (at >= line.size() || (line[at] != ',' && line[at] != '\n'))
        return ::testing::AssertionFailure() << "no separator before field " << i;
      ++at;
    }
    while (at < line.size() && line[at] == ' ' &&
           (values[i].empty() || line.compare(at, values[i].size(), values[i]) != 0))
      ++at;
    if (line.compare(at, values[i].size(), values[i]) != 0)
      return ::testing::AssertionFailure()
             << "field " << i << ": expected " << shown(values[i]) << " at "
             << shown(line.substr(at, values[i].size() + 8));
    at += values[i].size();
  }
  if (at != line.size())
    return ::testing::AssertionFailure()
           << "more after the last field: " << shown(line.substr(at));
  return ::testing::AssertionSuccess();
}

// The texts printf makes of each printed field: "%.4f" for doubles, "%d"
// for ints, strings as they are. The branch's RATEC position is empty; the
// shunt prints neither VDES nor noBlocks, and only the blocks in use (one
// at least).
template <class Rec> std::vector<std::string> printfFields(const Rec& r) {
  std::vector<std::string> out;
  int blockFields = 0;
  zel23::forEachField(r, [&](const char* name, const auto& field) {
    using T = std::decay_t<decltype(field)>;
    const std::string n = name;
    if constexpr (std::is_same_v<Rec, ZELSwitchedShunt>) {
      if (n == "VDES" || n == "noBlocks") return;
      if ((n[0] == 'N' || n[0] == 'B') && n.size() == 2 &&
          blockFields++ >= 2 * std::max(1, r.noBlocks()))
        return;
    }
    if constexpr (std::is_same_v<Rec, ZELBranch>) {
      if (n == "RATEC") {
        out.push_back("");
        return;
      }
    }
    if constexpr (std::is_same_v<T, double>) {
      out.push_back(fourDecimals(field));
    } else if constexpr (std::is_same_v<T, int>) {
      char text[16];
      std::snprintf(text, sizeof text, "%d", field);
      out.push_back(text);
    } else {
      out.push_back(field);
    }
  });
  return out;
}

template <class Rec> void expectSamePrintOnEveryPath(std::uint64_t seed) {
  Random rnd(seed);
  Maker make{rnd, false, false};
  const std::locale counting(std::locale::classic(), new CountingNumPut);
  const std::locale punct(std::locale::classic(), new PlainPunct);
  for (int i = 0; i < kRecordsPerType; ++i) {
    const Rec r = make.make<Rec>();
    std::ostringstream plain;
    plain << r;
    SCOPED_TRACE("record " + std::to_string(i) + " printed as " + shown(plain.str()));
    ASSERT_TRUE(matchesFields(plain.str(), printfFields(r)));

    std::ostringstream insertions;
    insertions.imbue(counting);
    insertions << r;
    EXPECT_EQ(insertions.str(), plain.str()) << "through the stream's insertions";
    EXPECT_GT(std::use_facet<CountingNumPut>(insertions.getloc()).doubles, 0);

    const struct {
      const char* name;
      void (*prepare)(std::ostream&);
    } states[] = {
        {"exceptions enabled", [](std::ostream& os) { os.exceptions(std::ios::badbit); }},
        {"std::right set", [](std::ostream& os) { os << std::right; }},
        {"scientific and precision 9 beforehand",
         [](std::ostream& os) { os << std::scientific << std::setprecision(9); }},
    };
    for (const auto& s : states) {
      std::ostringstream os;
      s.prepare(os);
      os << r;
      EXPECT_EQ(os.str(), plain.str()) << s.name;
    }
    std::ostringstream punctuated;
    punctuated.imbue(punct);
    punctuated << r;
    EXPECT_EQ(punctuated.str(), plain.str()) << "numpunct subclass";
  }
}

TEST(PropertyTest, PrintedFieldsAreWhatPrintfMakesOnEveryPath) {
  expectSamePrintOnEveryPath<ZELBus>(11);
  expectSamePrintOnEveryPath<ZELGenerator>(12);
  expectSamePrintOnEveryPath<ZELLoad>(13);
  expectSamePrintOnEveryPath<ZELBranch>(14);
  expectSamePrintOnEveryPath<ZELTransformerAdjustment>(15);
  expectSamePrintOnEveryPath<ZELAreaInterchange>(16);
  expectSamePrintOnEveryPath<ZELSwitchedShunt>(17);
  expectSamePrintOnEveryPath<ZELTwoTerminalDC>(18);
}

} // namespace
