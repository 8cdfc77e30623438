#include "frame/convert.h"

#include "record_support.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

using zel23_test::shown;

using zel23::detail::toDouble;
using zel23::detail::toInt;

const std::vector<std::string> kIntInputs = {
    "",
    "0",
    "7",
    "-7",
    "+7",
    "+-1",
    "-+1",
    "--1",
    "-",
    "+",
    " 12",
    "\t12",
    "\n12",
    "\v12",
    "\f12",
    "\r12",
    " \t\n\v\f\r-42",
    "\xa0"
    "5",
    "12AB",
    "12 34",
    "1.9",
    "-1.9",
    "2.7",
    "1e5",
    "0x10",
    "AB",
    "'NORTH'",
    "   ",
    "0000000000000000000000000012",
    "-0",
    "2147483647",
    "-2147483648",
    "2147483648",
    "-2147483649",
    "4294967296",
    "4294967297",
    "9223372036854775807",
    "9223372036854775808",
    "-9223372036854775809",
    "99999999999999999999",
    "-99999999999999999999",
    "1,5",
    "１",
};

const std::vector<std::string> kDoubleInputs = {
    "",
    "0",
    "-0",
    "+0",
    "-0.0e5",
    "1",
    "-1",
    "+1",
    "+-1",
    "-+1",
    "-",
    "+",
    ".",
    "-.",
    ".5",
    "-.5",
    "5.",
    "5.e3",
    "1e5",
    "1E5",
    "1e",
    "1e+",
    "1e-",
    "1ex",
    "1e+x",
    "-1.5E-3",
    "1.5E+01",
    "12.5abc",
    "5abc",
    "1,5",
    " 1.25",
    "\t1.25",
    "\n1.25",
    "\v1.25",
    "\f1.25",
    "\r1.25",
    " \t\n\v\f\r-1.25",
    "\xa0"
    "1.25",
    "0x1p3",
    "0x.8",
    "0X1P-2",
    "0x",
    "0X",
    "-0x",
    "0xg",
    "0x1p",
    "0x1p+",
    "0x1.8",
    "0xA.Bp1",
    "0x1.fffffffffffff8p0",
    "0x1.00000000000008p0",
    "0x1.000000000000081p0",
    "0x1.00000000000018p0",
    "0x1p-1074",
    "0x1p-1075",
    "0x1.8p-1075",
    "0x1p1024",
    "0x1.fffffffffffffp1023",
    "0x1P-1022",
    "-0x1.4p2",
    "0x.p1",
    "inf",
    "INF",
    "Inf",
    "-inf",
    "+iNf",
    "infinity",
    "INFINITY",
    "-Infinity",
    "infinit",
    "infx",
    "in",
    "i",
    "nan",
    "NaN",
    "NAN",
    "-nan",
    "+nan",
    "nan(123)",
    "NaN(abc_1)",
    "nan(",
    "nan()",
    "nan(1 2)",
    "na",
    "1e400",
    "-1e400",
    "1e-400",
    "-1e-400",
    "4.9e-324",
    "2.4703282292062327e-324",
    "2.4703282292062328e-324",
    "2.2250738585072011e-308",
    "2.2250738585072014e-308",
    "1.7976931348623157e308",
    "1.7976931348623158e308",
    "1.7976931348623159e308",
    "0.1000000000000000055511151231257827",
    "0.1000000000000000055511151231257828",
    "0.10000000000000000555111512312578270211815834045410156249999",
    "0.10000000000000000555111512312578270211815834045410156250001",
    "9007199254740993",
    "9007199254740993.0000000000000001",
    "9007199254740995",
    "123456789012345678901234567890",
    "0.000000000000000000000000000000000000000000000000000000000001",
    "1e-5",
    "0.00004",
    "0.00625",
    "1.02",
    "-3.4567",
    "138.0",
    "1234567.5",
    "3.14159265358979323846264338327950288419716939937510",
    "1e0000000000000000000000000000005",
    "1e-0000000000000000000000000000005",
    "1e99999999999999999999",
    "1e-99999999999999999999",
    "0e99999999999999999999",
    "000000000000000000000000000000000000001.5",
    "  ",
};

std::uint64_t bits(double d) {
  std::uint64_t u;
  std::memcpy(&u, &d, sizeof u);
  return u;
}

void expectSameDouble(double expected, double actual) {
  if (std::isnan(expected)) {
    EXPECT_TRUE(std::isnan(actual)) << actual;
    EXPECT_EQ(std::signbit(expected), std::signbit(actual));
  } else {
    EXPECT_EQ(bits(expected), bits(actual))
        << "expected " << expected << " got " << actual;
  }
}

// The reference values are taken from the C library in the "C" locale, which
// is the process locale unless a test changes it.
TEST(ConvertTest, IntMatchesAtoi) {
  ASSERT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
  for (const std::string& in : kIntInputs) {
    SCOPED_TRACE(shown(in));
    EXPECT_EQ(std::atoi(in.c_str()), toInt(in));
  }
}

TEST(ConvertTest, DoubleMatchesAtofBitForBit) {
  ASSERT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
  for (const std::string& in : kDoubleInputs) {
    SCOPED_TRACE(shown(in));
    expectSameDouble(std::atof(in.c_str()), toDouble(in));
  }
}

// Values written out, so the table does not depend on the C library alone.
TEST(ConvertTest, KnownIntValues) {
  struct Case {
    const char* in;
    int expected;
  };
  const Case cases[] = {
      {"", 0},
      {"12", 12},
      {" \t\n\v\f\r-42", -42},
      {"+7", 7},
      {"+-1", 0},
      {"12AB", 12},
      {"1.9", 1},
      {"-1.9", -1},
      {"0x10", 0},
      {"AB", 0},
      {"'7'", 0},
      {"2147483647", 2147483647},
      {"-2147483648", -2147483647 - 1},
      {"00012", 12},
      {"1e5", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(shown(c.in));
    EXPECT_EQ(c.expected, toInt(c.in));
  }
}

TEST(ConvertTest, KnownDoubleValues) {
  struct Case {
    const char* in;
    double expected;
  };
  const Case cases[] = {
      {"", 0.0},
      {"1e5", 1e5},
      {"1e", 1.0},
      {"1e+", 1.0},
      {"1e-", 1.0},
      {"-1.5E-3", -1.5e-3},
      {"1.5E+01", 15.0},
      {".5", 0.5},
      {"5.", 5.0},
      {".", 0.0},
      {"+-1", 0.0},
      {"5abc", 5.0},
      {"1,5", 1.0},
      {"0x1p3", 8.0},
      {"0x.8", 0.5},
      {"0X1P-2", 0.25},
      {"0x", 0.0},
      {"0x1p", 1.0},
      {"0xA.Bp1", 21.375},
      {"0x1.00000000000008p0", 1.0},
      {"0x1.00000000000018p0", 1.0000000000000004},
      {"0x1p-1074", 4.9406564584124654e-324},
      {"0x1p-1075", 0.0},
      {"0x1.8p-1075", 4.9406564584124654e-324},
      {"4.9e-324", 4.9406564584124654e-324},
      {"1e-400", 0.0},
      {"0.1000000000000000055511151231257827", 0.1},
      {"9007199254740993", 9007199254740992.0},
      {"9007199254740993.0000000000000001", 9007199254740994.0},
      {"9007199254740995", 9007199254740996.0},
      {"1.7976931348623157e308", 1.7976931348623157e308},
      {"0.00625", 0.00625},
      {"1e-99999999999999999999", 0.0},
      {"0e99999999999999999999", 0.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(shown(c.in));
    expectSameDouble(c.expected, toDouble(c.in));
  }
}

TEST(ConvertTest, SignedZeroAndSpecialValues) {
  EXPECT_TRUE(std::signbit(toDouble("-0")));
  EXPECT_TRUE(std::signbit(toDouble("-0.0e5")));
  EXPECT_TRUE(std::signbit(toDouble("-1e-400")));
  EXPECT_FALSE(std::signbit(toDouble("0")));
  EXPECT_EQ(HUGE_VAL, toDouble("1e400"));
  EXPECT_EQ(-HUGE_VAL, toDouble("-1e400"));
  EXPECT_EQ(HUGE_VAL, toDouble("1.7976931348623159e308"));
  EXPECT_EQ(HUGE_VAL, toDouble("0x1p1024"));
  EXPECT_EQ(HUGE_VAL, toDouble("INFINITY"));
  EXPECT_EQ(HUGE_VAL, toDouble("infinit"));
  EXPECT_EQ(-HUGE_VAL, toDouble("-Infinity"));
  EXPECT_EQ(0.0, toDouble("in"));
  EXPECT_EQ(0.0, toDouble("na"));
  for (const char* in : {"nan", "NaN", "nan(123)", "nan(", "nan()", "+nan"}) {
    SCOPED_TRACE(in);
    EXPECT_TRUE(std::isnan(toDouble(in)));
    EXPECT_FALSE(std::signbit(toDouble(in)));
  }
  EXPECT_TRUE(std::isnan(toDouble("-nan")));
  EXPECT_TRUE(std::signbit(toDouble("-nan")));
}

// The text ends at the view's end or at a NUL byte, wherever the bytes
// behind it would carry the number on.
TEST(ConvertTest, ViewEndsTheText) {
  const std::string digits = "12345";
  EXPECT_EQ(12.0, toDouble(std::string_view(digits.data(), 2)));
  EXPECT_EQ(12, toInt(std::string_view(digits.data(), 2)));
  EXPECT_EQ(0.0, toDouble(std::string_view(digits.data(), 0)));
  EXPECT_EQ(0, toInt(std::string_view(digits.data(), 0)));

  struct Case {
    std::string text;
    std::size_t length;
    double expected;
  };
  const Case cases[] = {
      {"1.5e3", 4, 1.5},         {"1.5e3", 3, 1.5}, {"1.5e+3", 5, 1.5},
      {"0x1p3", 4, 1.0},         {"0x1p3", 2, 0.0}, {"0x18", 3, 1.0},
      {"infinity", 5, HUGE_VAL}, {"-1", 1, 0.0},    {" 7", 1, 0.0},
      {"2.25", 3, 2.2},          {".5", 1, 0.0},    {"99", 1, 9.0},
  };
  for (const Case& c : cases) {
    std::string_view view(c.text.data(), c.length);
    SCOPED_TRACE(shown(view));
    expectSameDouble(c.expected, toDouble(view));
    expectSameDouble(std::atof(std::string(view).c_str()), toDouble(view));
  }
  EXPECT_TRUE(std::isnan(toDouble(std::string_view("nan(12)", 5))));

  const std::string withNul("12\0"
                            "34",
                            5);
  EXPECT_EQ(12.0, toDouble(withNul));
  EXPECT_EQ(12, toInt(withNul));
  const std::string intDigits = "-2147483648";
  EXPECT_EQ(-21, toInt(std::string_view(intDigits.data(), 3)));
}

// Many generated numbers: every digit count up to past 19, decimal points
// anywhere, exponents around the range where short decimals are exact, and
// beyond it.
std::vector<std::string> generatedNumbers() {
  std::vector<std::string> out;
  std::uint64_t state = 0x2545F4914F6CDD1Dull;
  auto next = [&state] {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return state >> 11;
  };
  for (int i = 0; i < 40000; ++i) {
    std::string text;
    if (next() % 4 == 0) text += next() % 2 ? "-" : "+";
    const int digits = 1 + static_cast<int>(next() % 24);
    const int point = static_cast<int>(next() % (digits + 2)) - 1;
    for (int d = 0; d < digits; ++d) {
      if (d == point) text += '.';
      text +=
          static_cast<char>('0' + (d == 0 && next() % 3 ? 1 + next() % 9 : next() % 10));
    }
    const int exponentKind = static_cast<int>(next() % 4);
    if (exponentKind == 1)
      text += "e" + std::to_string(static_cast<int>(next() % 50) - 25);
    if (exponentKind == 2)
      text += "E" + std::to_string(static_cast<int>(next() % 700) - 350);
    out.push_back(text);
  }
  return out;
}

TEST(ConvertTest, GeneratedNumbersMatchTheCLibrary) {
  int mismatches = 0;
  for (const std::string& in : generatedNumbers()) {
    const double expected = std::strtod(in.c_str(), nullptr);
    const double actual = toDouble(in);
    if (bits(expected) != bits(actual) && ++mismatches <= 10)
      ADD_FAILURE() << shown(in) << ": expected " << bits(expected) << " got "
                    << bits(actual);
    const int expectedInt = std::atoi(in.c_str());
    const int actualInt = toInt(in);
    if (expectedInt != actualInt && ++mismatches <= 10)
      ADD_FAILURE() << shown(in) << ": expected int " << expectedInt << " got "
                    << actualInt;
  }
  EXPECT_EQ(0, mismatches);
}

class ScopedGlobalLocale {
public:
  explicit ScopedGlobalLocale(const char* name) {
    const char* previous = std::setlocale(LC_ALL, nullptr);
    previous_ = previous ? previous : "C";
    ok_ = std::setlocale(LC_ALL, name) != nullptr;
    if (ok_) {
      try {
        previousCpp_ = std::locale::global(std::locale(name));
      } catch (const std::runtime_error&) {
        // The C library has it but the C++ library does not: C alone will do.
      }
    }
  }
  ~ScopedGlobalLocale() {
    std::locale::global(previousCpp_);
    std::setlocale(LC_ALL, previous_.c_str());
  }
  bool ok() const { return ok_; }

private:
  std::string previous_;
  std::locale previousCpp_ = std::locale::classic();
  bool ok_ = false;
};

// A process that has switched to a locale with a decimal comma still reads
// the file's numbers with a decimal point.
TEST(ConvertTest, ProcessLocaleChangesNothing) {
  std::vector<double> expectedDoubles;
  for (const std::string& in : kDoubleInputs)
    expectedDoubles.push_back(std::atof(in.c_str()));
  std::vector<int> expectedInts;
  for (const std::string& in : kIntInputs)
    expectedInts.push_back(std::atoi(in.c_str()));

  const char* const names[] = {"de_DE.UTF-8", "de_DE.utf8",  "de_DE",      "fr_FR.UTF-8",
                               "fr_FR.utf8",  "nl_NL.UTF-8", "ru_RU.UTF-8"};
  for (const char* name : names) {
    ScopedGlobalLocale scope(name);
    if (!scope.ok()) continue;
    if (std::localeconv()->decimal_point[0] != ',') continue;
    ASSERT_EQ(1.0, std::atof("1.5")) << "the locale should read 1.5 as 1";
    for (std::size_t i = 0; i < kDoubleInputs.size(); ++i) {
      SCOPED_TRACE(std::string(name) + " " + shown(kDoubleInputs[i]));
      expectSameDouble(expectedDoubles[i], toDouble(kDoubleInputs[i]));
    }
    for (std::size_t i = 0; i < kIntInputs.size(); ++i) {
      SCOPED_TRACE(std::string(name) + " " + shown(kIntInputs[i]));
      EXPECT_EQ(expectedInts[i], toInt(kIntInputs[i]));
    }
    EXPECT_EQ(1.0, toDouble("1,5"));
    EXPECT_EQ(1.5, toDouble("1.5"));
    return;
  }
  GTEST_SKIP() << "no locale with a decimal comma is installed";
}

} // namespace
