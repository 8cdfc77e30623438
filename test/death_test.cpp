// What ends the process, from data/fatal.txt: the whole standard error line
// and the exit status. The messages themselves are in data/messages.txt,
// checked through zel23::parse, which runs the same parsers.

#include "support.h"

namespace {

using namespace zel23_test;

std::string pattern(const std::string& stderrLine) {
  std::string out = "^";
  for (std::size_t i = 0; i < stderrLine.size(); ++i) {
    if (stderrLine.compare(i, 3, "<N>") == 0) {
      out += "[0-9]+";
      i += 2;
      continue;
    }
    if (std::string("\\^$.|?*+()[]{}").find(stderrLine[i]) != std::string::npos)
      out += '\\';
    out += stderrLine[i];
  }
  return out + "\n$";
}

TEST(FatalDeathTest, StandardErrorAndStatus) {
  for (const Row& row : table("fatal.txt")) {
    SCOPED_TRACE(row[0] + " " + shown(row[1]));
    if (row[0] == "case") {
      EXPECT_EXIT(zelParseText(row[1]), ::testing::ExitedWithCode(255), pattern(row[2]));
    } else {
      forKind(row[0], [&](auto tag) {
        EXPECT_EXIT(construct<decltype(tag)>(row[1]), ::testing::ExitedWithCode(255),
                    pattern(row[2]));
      });
    }
  }
}

// A stream that throws inside the second line of a DC record.
TEST(FatalDeathTest, InputFailsInsideADcRecord) {
  const std::string text = readFile(dataPath("cases/one_of_each.raw"));
  EXPECT_EXIT(
      {
        FailingInput buffer(text, text.find("101,2,25") + 3,
                            FailingInput::Failure::Throw);
        std::istream in(&buffer);
        zel23::Case c;
        zelParse(in, c);
      },
      ::testing::ExitedWithCode(255),
      pattern("File: ..\\ZELParse line: <N> Two terminal DC data format error."));
}

} // namespace
