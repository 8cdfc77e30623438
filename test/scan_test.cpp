// The field splitter and the field cursor, from data/scan.txt: a line and
// the fields or tokens it gives. Every piece must lie inside the line's view.

#include "frame/text/scan.h"
#include "support.h"

namespace {

using namespace zel23_test;
using zel23::detail::FieldCursor;
using zel23::detail::Fields;

bool inside(std::string_view part, std::string_view whole) {
  return part.empty() || (part.data() >= whole.data() &&
                          part.data() + part.size() <= whole.data() + whole.size());
}

std::string bracketed(std::string_view piece, std::string_view line) {
  EXPECT_TRUE(inside(piece, line)) << "piece outside the line";
  return "[" + std::string(piece) + "]";
}

std::string split(std::string_view line) {
  const Fields fields = zel23::detail::splitFields(line);
  std::string out;
  for (std::size_t i = 0; i < fields.count() && i < Fields::kCapacity; ++i)
    out += bracketed(fields[i], line);
  return out;
}

// Stops at a bound, so a cursor that never gets exhausted fails.
std::string tokens(std::string_view line) {
  std::string out;
  int n = 0;
  for (FieldCursor cursor(line); !cursor.exhausted() && ++n < 100; cursor.advance())
    out += bracketed(cursor.token(), line);
  EXPECT_LT(n, 100) << "the cursor never ran out";
  return out;
}

TEST(ScanTest, Table) {
  for (const Row& row : table("scan.txt")) {
    SCOPED_TRACE(row[0] + " " + shown(row[1]));
    EXPECT_EQ(row[2], row[0] == "split" ? split(row[1]) : tokens(row[1]));
  }
}

// The splitter looks at 64 bytes at a time: each line must split the same
// wherever it falls against those blocks, and with its blank runs stretched
// across them.
TEST(ScanTest, SplitsTheSameAcrossBlocks) {
  for (const Row& row : table("scan.txt")) {
    if (row[0] != "split") continue;
    SCOPED_TRACE(shown(row[1]));
    for (std::size_t k = 1; k <= 130; ++k)
      EXPECT_EQ(row[2], split(std::string(k, ' ') + row[1])) << k << " blanks before";
    if (row[1].find('\'') != std::string::npos) continue; // blanks inside quotes count
    for (const std::size_t k : {2, 63, 64, 65, 130}) {
      std::string stretched;
      for (const char c : row[1])
        stretched += c == ' ' ? std::string(k, ' ') : std::string(1, c);
      EXPECT_EQ(row[2], split(stretched)) << "blanks " << k << " long";
    }
  }
}

// The line is a view: the bytes behind it must never be read.
TEST(ScanTest, StaysInsideTheView) {
  const struct {
    const char* text;
    std::size_t length;
    const char* pieces;
  } cases[] = {{"1,2'XYZ' 9", 3, "[1][2]"},
               {"'AB'CD", 3, "['AB]"},
               {"AB CD", 2, "[AB]"},
               {"1    2", 3, "[1]"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(c.pieces, split(std::string_view(c.text, c.length)));
    EXPECT_EQ(c.pieces, tokens(std::string_view(c.text, c.length)));
  }
  EXPECT_EQ("[1]", split(std::string_view("1,,,", 2)));
}

TEST(ScanTest, CountsFieldsBeyondCapacity) {
  std::string line, first;
  for (std::size_t i = 0; i < Fields::kCapacity + 6; ++i) {
    line += std::to_string(i) + ",";
    if (i < Fields::kCapacity) first += "[" + std::to_string(i) + "]";
  }
  EXPECT_EQ(Fields::kCapacity + 6, zel23::detail::splitFields(line).count());
  EXPECT_EQ(first, split(line));
}

} // namespace
