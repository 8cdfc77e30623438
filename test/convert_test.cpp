// The number conversions: atoi's and atof's results, bit for bit, whatever
// the process locale; data/convert.txt holds one number text per row.

#include "frame/text/convert.h"
#include "support.h"

#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <locale>

namespace {

using namespace zel23_test;
using zel23::detail::toDouble;
using zel23::detail::toInt;

::testing::AssertionResult same(double expected, double actual) {
  const bool equal =
      std::isnan(expected)
          ? std::isnan(actual) && std::signbit(expected) == std::signbit(actual)
          : std::memcmp(&expected, &actual, sizeof expected) == 0;
  if (equal) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "expected " << exact(expected) << ", got " << exact(actual);
}

struct Number {
  std::string text;
  int asInt;
  double asDouble;
};

// Read in the "C" locale, before any test changes it.
const std::vector<Number>& numbers() {
  static const std::vector<Number> all = [] {
    std::vector<Number> out;
    for (const Row& row : table("convert.txt"))
      out.push_back(
          {row[0], std::atoi(row[1].c_str()), std::strtod(row[2].c_str(), nullptr)});
    return out;
  }();
  return all;
}

void expectTable() {
  for (const Number& n : numbers()) {
    SCOPED_TRACE(shown(n.text));
    EXPECT_EQ(n.asInt, toInt(n.text));
    EXPECT_TRUE(same(n.asDouble, toDouble(n.text)));
  }
}

TEST(ConvertTest, TableAndTheCLibrary) {
  ASSERT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
  expectTable();
  for (const Number& n : numbers()) {
    SCOPED_TRACE(shown(n.text));
    EXPECT_EQ(std::atoi(n.text.c_str()), n.asInt);
    EXPECT_TRUE(same(std::atof(n.text.c_str()), n.asDouble));
  }
}

// A process that has switched to a locale with a decimal comma still reads
// the file's numbers with a decimal point.
TEST(ConvertTest, ProcessLocaleChangesNothing) {
  numbers();
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "ru_RU.UTF-8"}) {
    if (!std::setlocale(LC_ALL, name)) continue;
    const std::locale before = std::locale::global(std::locale(name));
    if (std::localeconv()->decimal_point[0] == ',') expectTable();
    std::locale::global(before);
    std::setlocale(LC_ALL, "C");
    return;
  }
  GTEST_SKIP() << "no locale with a decimal comma is installed";
}

// The text ends at the view's end or at a NUL byte, wherever the bytes
// behind it would carry the number on.
TEST(ConvertTest, ViewEndsTheText) {
  const struct {
    const char* text;
    std::size_t length;
    double expected;
  } cases[] = {{"1.5e3", 4, 1.5},
               {"1.5e3", 3, 1.5},
               {"1.5e+3", 5, 1.5},
               {"0x1p3", 4, 1.0},
               {"0x1p3", 2, 0.0},
               {"0x18", 3, 1.0},
               {"-1", 1, 0.0},
               {"infinity", 5, HUGE_VAL},
               {" 7", 1, 0.0},
               {"2.25", 3, 2.2},
               {".5", 1, 0.0},
               {"99", 1, 9.0},
               {"12\0"
                "34",
                5, 12},
               {"12345", 2, 12.0},
               {"12345", 0, 0.0}};
  for (const auto& c : cases) {
    const std::string_view view(c.text, c.length);
    SCOPED_TRACE(shown(view));
    const std::string copy(view);
    EXPECT_TRUE(same(c.expected, toDouble(view)));
    EXPECT_TRUE(same(std::atof(copy.c_str()), toDouble(view)));
    EXPECT_EQ(std::atoi(copy.c_str()), toInt(view));
  }
  EXPECT_TRUE(std::isnan(toDouble(std::string_view("nan(12)", 5))));
  EXPECT_EQ(-21, toInt(std::string_view("-2147483648", 3)));
}

// Generated numbers: every digit count up to past 19, decimal points
// anywhere, exponents around the range where short decimals are exact, and
// beyond it.
TEST(ConvertTest, GeneratedNumbersMatchTheCLibrary) {
  std::uint64_t state = 0x2545F4914F6CDD1Dull;
  auto next = [&state] {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return state >> 11;
  };
  int mismatches = 0;
  for (int i = 0; i < 40000 && mismatches < 10; ++i) {
    std::string text = next() % 4 ? "" : next() % 2 ? "-" : "+";
    const int digits = 1 + static_cast<int>(next() % 24);
    const int point = static_cast<int>(next() % (digits + 2)) - 1;
    for (int d = 0; d < digits; ++d)
      text +=
          std::string(d == point ? "." : "") +
          static_cast<char>('0' + (d == 0 && next() % 3 ? 1 + next() % 9 : next() % 10));
    const int exponentKind = static_cast<int>(next() % 4);
    if (exponentKind == 1)
      text += "e" + std::to_string(static_cast<int>(next() % 50) - 25);
    if (exponentKind == 2)
      text += "E" + std::to_string(static_cast<int>(next() % 700) - 350);
    SCOPED_TRACE(text);
    const bool ok = same(std::strtod(text.c_str(), nullptr), toDouble(text)) &&
                    std::atoi(text.c_str()) == toInt(text);
    EXPECT_TRUE(ok);
    mismatches += !ok;
  }
}

} // namespace
