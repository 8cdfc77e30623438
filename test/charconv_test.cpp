// The portable double conversions against the standard library's: the same
// text for every double, the same double (and the same end and error) for
// every text, whatever the process locale.

#include "frame/text/charconv.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>

#if defined(__cpp_lib_to_chars)

namespace {

namespace portable = zel23::detail::portable;

double fromBits(std::uint64_t bits) {
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

template <class Convert> std::string text(Convert convert) {
  char buffer[400];
  const std::to_chars_result r = convert(buffer, buffer + sizeof buffer);
  EXPECT_EQ(r.ec, std::errc());
  return std::string(buffer, r.ptr);
}

void expectSameText(double value) {
  SCOPED_TRACE(text([&](char* f, char* l) { return std::to_chars(f, l, value); }));
  EXPECT_EQ(text([&](char* f, char* l) { return portable::formatShortest(f, l, value); }),
            text([&](char* f, char* l) { return std::to_chars(f, l, value); }));
  EXPECT_EQ(
      text([&](char* f, char* l) { return portable::formatFixedShortest(f, l, value); }),
      text([&](char* f, char* l) {
        return std::to_chars(f, l, value, std::chars_format::fixed);
      }));
  EXPECT_EQ(text([&](char* f, char* l) { return portable::formatFixed(f, l, value, 4); }),
            text([&](char* f, char* l) {
              return std::to_chars(f, l, value, std::chars_format::fixed, 4);
            }));
}

void expectSameParse(const std::string& in) {
  SCOPED_TRACE(in);
  double native = -7.0, mine = -7.0;
  const auto n = std::from_chars(in.data(), in.data() + in.size(), native);
  const auto m = portable::parseDouble(in.data(), in.data() + in.size(), mine);
  EXPECT_EQ(m.ec, n.ec);
  EXPECT_EQ(m.ptr - in.data(), n.ptr - in.data());
  if (std::isnan(native))
    EXPECT_TRUE(std::isnan(mine));
  else
    EXPECT_EQ(std::memcmp(&native, &mine, sizeof mine), 0) << native << " " << mine;
}

// Every kind of double: random bits (all exponents, subnormals, NaN
// payloads), powers of two (unevenly spaced neighbours), whole numbers past
// 2^53, and short decimals as files hold them; then each one's text read back.
void sameForManyDoubles() {
  std::mt19937_64 random(23);
  std::vector<double> values = {0.0,
                                -0.0,
                                HUGE_VAL,
                                -HUGE_VAL,
                                std::nan(""),
                                -std::nan(""),
                                1e23,
                                5e-324,
                                2.2250738585072014e-308,
                                1.7976931348623157e308,
                                1e5,
                                123456,
                                0.0001,
                                1e-7};
  for (int k = -1074; k <= 1023; ++k)
    values.push_back(std::ldexp(1.0, k));
  for (int k = 0; k < 20000; ++k) {
    values.push_back(fromBits(random()));
    values.push_back(static_cast<double>(random() >> (random() % 64)));
    values.push_back(static_cast<double>(static_cast<int>(random() % 2000001) - 1000000) /
                     std::pow(10.0, random() % 9));
  }
  for (double value : values) {
    expectSameText(value);
    char buffer[400];
    expectSameParse(std::string(buffer, std::to_chars(buffer, buffer + 400, value).ptr));
  }
}

TEST(Charconv, SameAsStandardLibrary) { sameForManyDoubles(); }

TEST(Charconv, SameAsStandardLibraryInACommaLocale) {
  if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "no de_DE.UTF-8 locale";
  sameForManyDoubles();
  std::setlocale(LC_ALL, "C");
}

// Text the reader and the MATLAB reader hand over: prefixes, spellings and
// the edges of the double range.
TEST(Charconv, ParsesTextAsStandardLibrary) {
  for (const char* in : {"1e400",
                         "-1e400",
                         "1e-400",
                         "4.9e-324",
                         "2e-324",
                         "3e-324",
                         "2.4703282292062328e-324",
                         "2.4703282292062327e-324",
                         "2.2250738585072011e-308",
                         "1e-310",
                         "0e999999999999",
                         "0.000e-99999",
                         "inf",
                         "-Infinity",
                         "INFINIT",
                         "nan",
                         "nan(abc_1)",
                         "nan(a",
                         "nan()",
                         "-NaN",
                         "0x1p3",
                         ".5",
                         ".",
                         "-",
                         "",
                         "-.e1",
                         "1e",
                         "1e+",
                         "1e+x",
                         "5.e2",
                         "+1",
                         "  1",
                         "00001.50e-0001x",
                         "1.2.3",
                         "12,5",
                         "1d3",
                         "9007199254740993",
                         "179769313486231580793728971405303415079934132710037826936173"
                         "778980444968292764750946649017977587207096330286416692887910"
                         "946555547851940402630657488671505820681908902000708383676273"
                         "854845817711531764475730270069855571366959622842914819860834"
                         "936475292719074168444365510704342711559699508093042880177904"
                         "174497791.9999999999"})
    expectSameParse(in);
}

} // namespace

#endif
