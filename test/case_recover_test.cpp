#include "case_support.h"

#include <gtest/gtest.h>

using zel23_test::oneOfEach;
using zel23_test::printCase;
using zel23_test::zelParseText;

namespace {

using zel23_test::readText;

template <class Rec>
void expectSameRecords(const std::vector<Rec>& a, const std::vector<Rec>& b) {
  ASSERT_EQ(a.size(), b.size());
  for (std::size_t i = 0; i < a.size(); ++i)
    EXPECT_TRUE(zel23::sameFields(a[i], b[i])) << i;
}

void expectSameCase(const zel23::Case& a, const zel23::Case& b) {
  EXPECT_EQ(a.systemBase, b.systemBase);
  EXPECT_EQ(a.comments, b.comments);
  expectSameRecords(a.buses, b.buses);
  expectSameRecords(a.generators, b.generators);
  expectSameRecords(a.branches, b.branches);
  expectSameRecords(a.adjustments, b.adjustments);
  expectSameRecords(a.areas, b.areas);
  expectSameRecords(a.dcLines, b.dcLines);
  expectSameRecords(a.shunts, b.shunts);
}

TEST(RecoverableRead, MatchesZELParseOnValidInput) {
  const std::string inputs[] = {
      zel23_test::sampleText(),
      oneOfEach(),
      oneOfEach() + "0 / extra terminator\n",
      "0 100\nh2",
      "0 100\nh2\nh3\n" + zel23_test::kBus,
      "0 7 / cut long line\n" + std::string(5000, 'x') + "\nh3\n0\n",
  };
  for (const std::string& text : inputs) {
    SCOPED_TRACE(text.substr(0, 40));
    const zel23_test::Read r = readText(text);
    EXPECT_TRUE(r.report.ok());
    expectSameCase(r.data, zelParseText(text));
    std::ostringstream written;
    zel23::write(written, r.data);
    zel23::Case parsed = zelParseText(text);
    EXPECT_EQ(written.str(), printCase(parsed));
  }
}

TEST(RecoverableRead, ReportsEveryBadLineAndKeepsTheGoodOnes) {
  const std::string text = "0 100 / three bad lines\n"       // 1
                           "h2\n"                            // 2
                           "h3\n"                            // 3
                           "101,1,0,0,0,0,1,1.0,0,'A',1,1\n" // 4
                           "102,1,0,0\n"                     // 5 bad bus
                           "103,1,0,0,0,0,1,1.0,0,'C',1,1\n" // 6
                           "0 / bus\n"                       // 7
                           "-4,1\n"                          // 8 bad generator
                           "0 / gen\n0\n0\n0\n"              // 9-12
                           "1,1,8.2,200,500,400,0,0,'R'\n"   // 13 DC, bad 3rd line
                           "101,2,25,5,0,12.5,138,0.44,1,1.15,0.85,0.00625\n"
                           "102,2\n"
                           "0 / dc\n"                        // 16
                           "101,1,1.05,0.98,0,30.0,2\n"      // 17 bad shunt
                           "102,1,1.05,0.98,0,30.0,2,15.0\n" // 18
                           "0 / shunt\n"
                           "5,1,0,0,0,0,1,1.0,0,'D',1,1\n"; // 20 after the last section
  const zel23_test::Read r = readText(text);
  const struct {
    std::size_t line;
    int section;
    const char* message;
  } expected[] = {
      {5, 0, "Error parsing bus data"},
      {8, 1, "Invalid bus number: -4"},
      {13, 5, "Error parsing two terminal DC data: GAMMX"},
      {17, 6, "Error parsing switched shunt data: Ni or Bi"},
      {20, 7, "Unknown record type"},
  };
  ASSERT_EQ(r.report.problems.size(), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(r.report.problems[i].line, expected[i].line);
    EXPECT_EQ(r.report.problems[i].section, expected[i].section);
    EXPECT_EQ(r.report.problems[i].message, expected[i].message);
  }
  EXPECT_EQ(r.report.problems[0].text, "102,1,0,0");
  EXPECT_EQ(r.data.buses.size(), 2u);
  EXPECT_EQ(r.data.generators.size(), 0u);
  EXPECT_EQ(r.data.dcLines.size(), 0u);
  EXPECT_EQ(r.data.shunts.size(), 1u);
  EXPECT_EQ(r.data.comments.size(), 10u);
  EXPECT_EQ(r.report.recordLines[0], (std::vector<std::size_t>{4, 6}));
  EXPECT_EQ(r.report.recordLines[6], (std::vector<std::size_t>{18}));
  EXPECT_EQ(r.report.commentLines.front(), 1u);
  EXPECT_EQ(r.report.commentLines.back(), 19u);
  EXPECT_EQ(r.report.lines, 20u);
}

TEST(RecoverableRead, HeaderWithoutSystemBaseIsAProblem) {
  const zel23_test::Read r = readText("0\nh2\nh3\n" + zel23_test::kBus + "\n");
  ASSERT_EQ(r.report.problems.size(), 1u);
  EXPECT_EQ(r.report.problems[0].line, 1u);
  EXPECT_EQ(r.report.problems[0].section, zel23::kHeader);
  EXPECT_EQ(r.data.buses.size(), 1u);
  EXPECT_EQ(r.data.comments.size(), 3u);
}

TEST(RecoverableRead, EmptyInputIsOneLineWithoutSystemBase) {
  const zel23_test::Read r = readText("");
  ASSERT_EQ(r.report.problems.size(), 1u);
  EXPECT_EQ(r.report.problems[0].line, 1u);
  EXPECT_EQ(r.report.lines, 1u);
  EXPECT_EQ(r.data.comments, (std::vector<std::string>{"", "", ""}));
}

TEST(RecoverableRead, DcFormatErrorIsAProblem) {
  const zel23_test::Read r =
      readText("0 100\nh2\nh3\n0\n0\n0\n0\n0\n1,1,8.2,200,500,400,0,0,'R'\n");
  ASSERT_EQ(r.report.problems.size(), 1u);
  EXPECT_EQ(r.report.problems[0].message, "Two terminal DC data format error.");
  EXPECT_EQ(r.report.problems[0].line, 9u);
}

TEST(RecoverableRead, ProblemsAreCapped) {
  std::string text = "0 100\nh2\nh3\n";
  for (int i = 0; i < 50; ++i)
    text += "1,2,3\n";
  const zel23_test::Read r = readText(text, 10);
  EXPECT_EQ(r.report.problems.size(), 10u);
  EXPECT_EQ(r.report.problemsDropped, 40u);
  EXPECT_FALSE(r.report.ok());
}

TEST(RecoverableRead, LeavesTheRegistryAlone) {
  BName2BNum["'ONE'"] = 101;
  const zel23_test::Read r =
      readText("0 100\nh2\nh3\n0\n'ONE',1,50,10,30,-20,1.02,0,100,0,0.25,0,0,"
               "1,1,100,80,0\n");
  ASSERT_EQ(r.report.problems.size(), 1u);
  EXPECT_EQ(r.report.problems[0].message, "Invalid bus number: -1");
  EXPECT_EQ(BName2BNum.size(), 1u);
  BName2BNum.clear();
}

TEST(RecoverableParse, SingleRecordsGiveTheMessageAndKeepTheRecord) {
  ZELBus bus;
  bus.I() = 42;
  std::string message;
  EXPECT_FALSE(zel23::parse("1,2,3", bus, message));
  EXPECT_EQ(message, "Error parsing bus data");
  EXPECT_EQ(bus.I(), 42);
  EXPECT_TRUE(zel23::parse(zel23_test::kBus, bus, message));
  EXPECT_EQ(bus.I(), 101);

  ZELTwoTerminalDC dc;
  EXPECT_FALSE(zel23::parse("1,1,8.2,200,500,400", "", "", dc, message));
  EXPECT_EQ(message, "Error parsing two terminal DC data: RCOMOP");
  EXPECT_EQ(dc.I(), -1);

  ZELLoad load;
  EXPECT_FALSE(zel23::parse("0", load, message));
  EXPECT_EQ(message, "Invalid bus number 0");
}

} // namespace
