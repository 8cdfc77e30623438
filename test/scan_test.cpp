#include "frame/scan.h"

#include "record_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using zel23_test::shown;

using zel23::detail::FieldCursor;
using zel23::detail::Fields;
using zel23::detail::splitFields;
using Strings = std::vector<std::string>;

bool inside(std::string_view part, std::string_view whole) {
  return part.empty() || (part.data() >= whole.data() &&
                          part.data() + part.size() <= whole.data() + whole.size());
}

Strings split(std::string_view line) {
  const Fields fields = splitFields(line);
  Strings out;
  for (std::size_t i = 0; i < fields.count() && i < Fields::kCapacity; ++i) {
    EXPECT_TRUE(inside(fields[i], line)) << "field " << i << " points outside the line";
    out.emplace_back(fields[i]);
  }
  return out;
}

// Tokens until the cursor is exhausted; stops at a bound so a cursor that never
// gets exhausted fails instead of hanging.
Strings tokens(std::string_view line) {
  Strings out;
  FieldCursor cursor(line);
  while (!cursor.exhausted() && out.size() < 100) {
    EXPECT_TRUE(inside(cursor.token(), line)) << "token points outside the line";
    out.emplace_back(cursor.token());
    cursor.advance();
  }
  EXPECT_TRUE(cursor.exhausted()) << "cursor never ran out";
  return out;
}

struct Case {
  std::string line;
  Strings expected;
};

TEST(FieldSplitterTest, SeparatorsAndEmptyFields) {
  const Case cases[] = {
      {"1,2,3", {"1", "2", "3"}},
      {"1 2\t3", {"1", "2", "3"}},
      {"1, 2 ,3", {"1", "2", "3"}},
      {"1\t,\t2", {"1", "2"}},
      {"1  2\t\t3", {"1", "2", "3"}},
      {"  1", {"1"}},
      {"\t1", {"1"}},
      {"1,,3", {"1", "", "3"}},
      {"1, ,3", {"1", "", "3"}},
      {"1 , ,3", {"1", "", "3"}},
      {"1,\t,3", {"1", "", "3"}},
      {"1,,,3", {"1", "", "", "3"}},
      {"1,2,", {"1", "2"}},
      {"1,2,,", {"1", "2", ""}},
      {"1 2 ", {"1", "2"}},
      {"1 ,2", {"1", "2"}},
      {"", {}},
      {"x", {"x"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(shown(c.line));
    EXPECT_EQ(c.expected, split(c.line));
  }
}

TEST(FieldSplitterTest, Apostrophes) {
  const Case cases[] = {
      {"'AB CD',5", {"'AB CD'", "5"}},
      {"'A,B'", {"'A,B'"}},
      {"'A\tB'", {"'A\tB'"}},
      {"'AB'CD", {"'AB'", "CD"}},
      {"AB'C D'", {"AB'C", "D'"}},
      {"'AB',,'CD'", {"'AB'", "", "'CD'"}},
      {"'AB','CD'", {"'AB'", "'CD'"}},
      {"'AB' 'CD'", {"'AB'", "'CD'"}},
      {"'AB' ,5", {"'AB'", "5"}},
      {"''", {"''"}},
      {"'',5", {"''", "5"}},
      {"1,'BUS 101 ',138.0", {"1", "'BUS 101 '", "138.0"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(shown(c.line));
    EXPECT_EQ(c.expected, split(c.line));
  }
}

TEST(FieldSplitterTest, CarriageReturnIsOrdinary) {
  const Case cases[] = {
      {"1,2\r", {"1", "2\r"}}, {"'AB'\r", {"'AB'", "\r"}}, {"\r", {"\r"}},
      {"1 \r", {"1", "\r"}},   {"1\r2", {"1\r2"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(shown(c.line));
    EXPECT_EQ(c.expected, split(c.line));
  }
}

// Blank-and-tab skipping that runs into the end of the line adds no field.
TEST(FieldSplitterTest, TrailingBlanksAddNothing) {
  const Case cases[] = {
      {" ", {}},
      {"   ", {}},
      {"\t \t", {}},
      {"1  ", {"1"}},
      {"1\t\t", {"1"}},
      {"1 \t ", {"1"}},
      {"'AB' ", {"'AB'"}},
      {"'AB'\t\t", {"'AB'"}},
      {"1, ", {"1"}},
      {"1,2, \t", {"1", "2"}},
      {"1,2,, ", {"1", "2", ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(shown(c.line));
    EXPECT_EQ(c.expected, split(c.line));
  }
}

// Without its closing apostrophe a field is the rest of the line.
TEST(FieldSplitterTest, UnclosedApostropheTakesTheRest) {
  const Case cases[] = {
      {"'", {"'"}},
      {"'AB", {"'AB"}},
      {"1,'AB C", {"1", "'AB C"}},
      {"1 'A,B\t,C ", {"1", "'A,B\t,C "}},
      {"'AB','CD", {"'AB'", "'CD"}},
      {"1 '", {"1", "'"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(shown(c.line));
    EXPECT_EQ(c.expected, split(c.line));
  }
}

// A comma that opens the line has no comma before it: it adds nothing, but it
// counts as the comma before a second one.
TEST(FieldSplitterTest, LeadingComma) {
  const Case cases[] = {
      {",", {}},          {",1", {"1"}},        {" ,1", {"1"}},    {"\t, 1", {"1"}},
      {",,1", {"", "1"}}, {" , ,1", {"", "1"}}, {",'A'", {"'A'"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(shown(c.line));
    EXPECT_EQ(c.expected, split(c.line));
  }
}

// The line is a view: the bytes behind it must never be read.
TEST(FieldSplitterTest, StaysInsideTheView) {
  const std::string buffer = "1,2'XYZ' 9";
  EXPECT_EQ((Strings{"1", "2"}), split(std::string_view(buffer.data(), 3)));
  const std::string quoted = "'AB'CD";
  EXPECT_EQ((Strings{"'AB"}), split(std::string_view(quoted.data(), 3)));
  const std::string plain = "AB CD";
  EXPECT_EQ((Strings{"AB"}), split(std::string_view(plain.data(), 2)));
  const std::string commas = "1,,,";
  EXPECT_EQ((Strings{"1"}), split(std::string_view(commas.data(), 2)));
  const std::string blanks = "1    2";
  EXPECT_EQ((Strings{"1"}), split(std::string_view(blanks.data(), 3)));
}

TEST(FieldSplitterTest, CountsFieldsBeyondCapacity) {
  std::string line;
  const std::size_t total = Fields::kCapacity + 6;
  for (std::size_t i = 0; i < total; ++i)
    line += std::to_string(i) + ",";
  const Fields fields = splitFields(line);
  EXPECT_EQ(total, fields.count());
  for (std::size_t i = 0; i < Fields::kCapacity; ++i)
    EXPECT_EQ(std::to_string(i), fields[i]);
}

TEST(FieldCursorTest, Tokens) {
  const Case cases[] = {
      {"1,2,3", {"1", "2", "3"}},
      {"1 ,\t2, 3", {"1", "2", "3"}},
      {"1,,3", {"1", "3"}},
      {"1, 2, ", {"1", "2"}},
      {",,1", {"1"}},
      {" \t,1", {"1"}},
      {"'GEN 1',5", {"'GEN 1'", "5"}},
      {"'A,B' C", {"'A,B'", "C"}},
      {"'AB'CD", {"'AB'", "CD"}},
      {"AB'C D'", {"AB'C", "D'"}},
      {"'AB''CD'", {"'AB'", "'CD'"}},
      {"''", {"''"}},
      {"x", {"x"}},
      {"", {}},
      {",", {}},
      {" ,\t, ", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(shown(c.line));
    EXPECT_EQ(c.expected, tokens(c.line));
  }
}

TEST(FieldCursorTest, CarriageReturnIsNoDelimiter) {
  const Case cases[] = {
      {"'AB'\r", {"'AB'", "\r"}},
      {"1,2\r", {"1", "2\r"}},
      {"\r", {"\r"}},
      {"1 \r ", {"1", "\r"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(shown(c.line));
    EXPECT_EQ(c.expected, tokens(c.line));
  }
}

// An unclosed quote takes the rest of the line; the next advance exhausts.
TEST(FieldCursorTest, UnclosedQuoteTakesTheRest) {
  const Case cases[] = {
      {"'", {"'"}},
      {"'AB", {"'AB"}},
      {"1,'AB C", {"1", "'AB C"}},
      {"1 'A, B\t,C, ", {"1", "'A, B\t,C, "}},
      {"'AB' 'CD,5", {"'AB'", "'CD,5"}},
      {"1 '", {"1", "'"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(shown(c.line));
    EXPECT_EQ(c.expected, tokens(c.line));
  }
}

TEST(FieldCursorTest, ExhaustedRightAfterConstruction) {
  for (const char* line : {"", " ", ",", "\t", ", \t,,  "}) {
    SCOPED_TRACE(shown(line));
    EXPECT_TRUE(FieldCursor(line).exhausted());
  }
  EXPECT_FALSE(FieldCursor("0").exhausted());
  EXPECT_EQ("0", FieldCursor("0").token());
}

TEST(FieldCursorTest, StaysInsideTheView) {
  const std::string buffer = "1,2'XYZ' 9";
  EXPECT_EQ((Strings{"1", "2"}), tokens(std::string_view(buffer.data(), 3)));
  const std::string quoted = "'AB'CD";
  EXPECT_EQ((Strings{"'AB"}), tokens(std::string_view(quoted.data(), 3)));
  const std::string plain = "AB CD";
  EXPECT_EQ((Strings{"AB"}), tokens(std::string_view(plain.data(), 2)));
  const std::string blanks = "1    2";
  EXPECT_EQ((Strings{"1"}), tokens(std::string_view(blanks.data(), 3)));
}

TEST(FieldCursorTest, OwnDelimitersAndQuotes) {
  FieldCursor cursor("a/b  \"x/y'/z", "/", "'\"");
  Strings seen;
  while (!cursor.exhausted() && seen.size() < 10) {
    seen.emplace_back(cursor.token());
    cursor.advance();
  }
  // Any quote character closes a token opened by any other.
  EXPECT_EQ((Strings{"a", "b  \"x", "y'", "z"}), seen);

  FieldCursor quoted("\"x/y'/z", "/", "'\"");
  ASSERT_FALSE(quoted.exhausted());
  EXPECT_EQ("\"x/y'", quoted.token());
}

} // namespace
