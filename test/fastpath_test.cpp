// The conversions and the line printer take fast paths for common input;
// these tests hold them to the plain library routines on generated values.

#include "frame/convert.h"
#include "zel23.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iomanip>
#include <sstream>
#include <string>

namespace {

// splitmix64: the same sequence everywhere.
struct Random {
  std::uint64_t state;
  std::uint64_t next() {
    std::uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
  }
  int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }
};

std::uint64_t bitsOf(double d) {
  std::uint64_t b;
  std::memcpy(&b, &d, sizeof b);
  return b;
}

// Decimal text of the shapes a case file holds, and some it rarely does.
std::string decimalText(Random& r) {
  std::string s;
  if (r.below(3) == 0) s += r.below(2) ? '-' : '+';
  const int whole = r.below(12);
  for (int i = 0; i < whole; ++i)
    s += static_cast<char>('0' + r.below(10));
  if (r.below(4) != 0) {
    s += '.';
    const int decimals = r.below(25);
    for (int i = 0; i < decimals; ++i)
      s += static_cast<char>('0' + r.below(10));
  }
  if (r.below(5) == 0) {
    s += r.below(2) ? 'e' : 'E';
    if (r.below(2)) s += r.below(2) ? '-' : '+';
    s += std::to_string(r.below(r.below(4) == 0 ? 400 : 30));
  }
  if (r.below(6) == 0) s += ",x";
  return s;
}

TEST(FastPaths, DecimalConversionMatchesStrtod) {
  std::setlocale(LC_ALL, "C");
  Random r{42};
  for (int i = 0; i < 300000; ++i) {
    const std::string text = decimalText(r);
    const double expected = std::strtod(text.c_str(), nullptr);
    const double got = zel23::detail::toDouble(text);
    ASSERT_EQ(bitsOf(got), bitsOf(expected)) << text;
  }
}

TEST(FastPaths, FixedPrintingMatchesPrintf) {
  // Bus VA is printed through the record printer at width 9 with four
  // decimals; every double must come out as printf("%9.4f") writes it.
  Random r{7};
  for (int i = 0; i < 200000; ++i) {
    double value;
    switch (r.below(4)) {
    case 0: { // any bit pattern, NaN and infinity included
      const std::uint64_t bits = r.next();
      std::memcpy(&value, &bits, sizeof value);
      break;
    }
    case 1: // ties and near-ties at the fourth decimal
      value = (2.0 * r.below(2000000) + 1) / 20000.0 * (r.below(2) ? 1 : -1);
      break;
    case 2:
      value = std::ldexp(static_cast<double>(r.next() >> 11), r.below(120) - 100);
      break;
    default:
      value = (static_cast<double>(r.next() % 2000000000) - 1e9) / 1e5;
    }
    ZELBus bus;
    bus.VA() = value;
    std::ostringstream out;
    out << bus;
    char expected[400];
    std::snprintf(expected, sizeof expected, "%9.4f", value);
    const std::string line = out.str();
    // VA is the ninth field.
    std::size_t start = 0;
    for (int comma = 0; comma < 8; ++comma)
      start = line.find(',', start) + 1;
    const std::size_t end = line.find(',', start);
    ASSERT_EQ(line.substr(start, end - start), expected) << std::hexfloat << value;
  }
}

// A numpunct that behaves like the classic one but is another facet type,
// which sends the record printers down the stream's own insertions.
struct PlainPunct : std::numpunct<char> {};

TEST(FastPaths, DirectAndStreamPrintingAgree) {
  Random r{3};
  for (int i = 0; i < 20000; ++i) {
    ZELGenerator g;
    g.I() = static_cast<int>(r.next());
    g.PG() = (static_cast<double>(r.next() % 100000000) - 5e7) / 1e3;
    g.ID() = std::string(static_cast<std::size_t>(r.below(8)), 'x');
    g.QT() = std::ldexp(static_cast<double>(r.next() >> 11), r.below(80) - 60);
    std::ostringstream direct;
    direct << g;
    std::ostringstream plain;
    plain.imbue(std::locale(std::locale::classic(), new PlainPunct));
    plain << g;
    ASSERT_EQ(direct.str(), plain.str());
  }
}

TEST(FastPaths, StreamStateIsHonoured) {
  // Flags the direct path cannot reproduce must still show in the output.
  ZELBranch branch;
  std::ostringstream left, plus;
  left << std::left << branch;
  plus << std::showpos << branch;
  EXPECT_EQ(left.str().substr(0, 14), "-1    ,-1    ,");
  EXPECT_EQ(plus.str().substr(0, 14), "    -1,    -1,");
  EXPECT_NE(plus.str().find("+0.0000"), std::string::npos);
  EXPECT_EQ(left.flags() & std::ios::adjustfield, std::ios::left);
}

} // namespace
