#include "support_hostile.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <streambuf>

using zel23_test::oneOfEach;
using zel23_test::printCase;
using zel23_test::zelParseText;

namespace {

std::string sevenTerminators() { return "0\n0\n0\n0\n0\n0\n0\n"; }

TEST(CaseReader, EmptySectionsGiveTenCommentLines) {
  const zel23::Case c =
      zelParseText("0 100 / empty\nsecond\nthird\n" + sevenTerminators());
  EXPECT_EQ(c.comments.size(), 10u);
  EXPECT_EQ(c.systemBase, 100.0);
  EXPECT_TRUE(c.buses.empty() && c.generators.empty() && c.branches.empty() &&
              c.adjustments.empty() && c.areas.empty() && c.dcLines.empty() &&
              c.shunts.empty());
}

TEST(CaseReader, SystemBaseIsTheSecondTokenOfLineOne) {
  const struct {
    const char* line;
    double base;
  } cases[] = {
      {"0 100.0 / title", 100.0}, {"0/99.9", 99.0},   {"0,100.0 title", 0.0},
      {"  0\t250 x", 250.0},      {"0 abc 100", 0.0}, {"0 //  7/8", 7.0},
      {"0 -12", -12.0},           {"0 1e3", 1.0},     {"x 42\r", 42.0},
  };
  for (const auto& t : cases) {
    SCOPED_TRACE(t.line);
    const zel23::Case c = zelParseText(std::string(t.line) + "\nh2\nh3\n");
    EXPECT_EQ(c.systemBase, t.base);
    ASSERT_EQ(c.comments.size(), 3u);
    EXPECT_EQ(c.comments[0], t.line);
  }
}

TEST(CaseReader, LineOneWithoutSecondTokenThrowsAfterAppendingIt) {
  for (const char* text : {"", "0", "0   \n", " / 0 /\n", "\n"}) {
    SCOPED_TRACE(text);
    BName2BNum["'X'"] = 1;
    BNum2BName[1] = "'X'";
    zel23::Case c;
    c.systemBase = 7.0;
    std::istringstream in(text);
    EXPECT_THROW(ZELParse(in, c.buses, c.generators, c.branches, c.adjustments, c.areas,
                          c.dcLines, c.shunts, c.comments, c.systemBase),
                 std::out_of_range);
    ASSERT_EQ(c.comments.size(), 1u);
    EXPECT_EQ(c.systemBase, 7.0);
    EXPECT_TRUE(BName2BNum.empty());
    EXPECT_TRUE(BNum2BName.empty());
  }
}

TEST(CaseReader, ClassifiesLinesByFirstSignificantCharacter) {
  // Blank, '#'-only and CR-only lines are skipped; "# 0" and "  0123" are
  // terminators; "#101,..." is a bus line whose I reads as 0.
  const std::string text = std::string("0 100\nh2\nh3\n\n   \t\r\n#\n##  \n") +
                           "#101,1,0,0,0,0,1,1.0,0,'A',1,1\n" + "# 0 / bus\n" +
                           "  0123\n" + "#0\n\n0\n0\n0\n0\n";
  const zel23::Case c = zelParseText(text);
  ASSERT_EQ(c.buses.size(), 1u);
  EXPECT_EQ(c.buses[0].I(), 0);
  ASSERT_EQ(c.comments.size(), 10u);
  EXPECT_EQ(c.comments[3], "# 0 / bus");
  EXPECT_EQ(c.comments[4], "  0123");
  EXPECT_EQ(c.comments[5], "#0");
}

TEST(CaseReader, ReadsOneRecordOfEachSection) {
  const zel23::Case c = zelParseText(oneOfEach());
  EXPECT_EQ(c.buses.size(), 1u);
  EXPECT_EQ(c.generators.size(), 1u);
  EXPECT_EQ(c.branches.size(), 1u);
  EXPECT_EQ(c.adjustments.size(), 1u);
  EXPECT_EQ(c.areas.size(), 1u);
  ASSERT_EQ(c.dcLines.size(), 1u);
  EXPECT_EQ(c.shunts.size(), 1u);
  EXPECT_EQ(c.dcLines[0].IPI(), 102);
  EXPECT_EQ(c.comments.size(), 10u);
  EXPECT_EQ(c.comments.back(), "0 / end of section 6");
}

TEST(CaseReader, DcSecondAndThirdLinesAreTakenAsRead) {
  // A second line that looks like a terminator is data (IPR 0 is allowed).
  const std::string text = "0 100\nh2\nh3\n0\n0\n0\n0\n0\n"
                           "7,1,8.2,200,500,400,0,0,'R'\n"
                           "0 2 25 5 0 12.5 138 0.44 1 1.15 0.85 0.00625\n"
                           "\t0,2,20,17,0,12.5,138,0.44,1,1.15,0.85,0.00625\n"
                           "0 / dc\n0\n";
  const zel23::Case c = zelParseText(text);
  ASSERT_EQ(c.dcLines.size(), 1u);
  EXPECT_EQ(c.dcLines[0].I(), 7);
  EXPECT_EQ(c.dcLines[0].IPR(), 0);
  EXPECT_EQ(c.comments.size(), 10u);
}

TEST(CaseReader, ListsAreAppendedTo) {
  zel23::Case c = zelParseText(oneOfEach());
  std::istringstream in(oneOfEach());
  ZELParse(in, c.buses, c.generators, c.branches, c.adjustments, c.areas, c.dcLines,
           c.shunts, c.comments, c.systemBase);
  EXPECT_EQ(c.buses.size(), 2u);
  EXPECT_EQ(c.dcLines.size(), 2u);
  EXPECT_EQ(c.comments.size(), 20u);
}

TEST(CaseReader, TerminatorsAfterTheSeventhStillCount) {
  const zel23::Case c = zelParseText(oneOfEach() + "0 / extra\n\n0 / more\n");
  ASSERT_EQ(c.comments.size(), 12u);
  EXPECT_EQ(c.comments[11], "0 / more");
}

TEST(CaseReader, EndOfInputRule) {
  const std::string head = "0 100\nh2\nh3\n";
  const struct {
    std::string text;
    std::size_t buses;
    std::size_t comments;
  } cases[] = {
      // A last line without a line feed is read but not processed.
      {head + zel23_test::kBus, 0, 3},
      {head + zel23_test::kBus + "\n", 1, 3},
      {head + zel23_test::kBus + "\n0 / bus", 1, 3},
      {head + zel23_test::kBus + "\n0 / bus\n", 1, 4},
      // Missing header lines become empty comment lines.
      {"0 100", 0, 3},
      {"0 100\nh2", 0, 3},
      {head, 0, 3},
  };
  for (const auto& t : cases) {
    SCOPED_TRACE(t.text);
    const zel23::Case c = zelParseText(t.text);
    EXPECT_EQ(c.buses.size(), t.buses);
    EXPECT_EQ(c.comments.size(), t.comments);
  }
  EXPECT_EQ(zelParseText("0 100").comments[1], "");
}

TEST(CaseReader, DcThirdLineWithoutLineFeedIsAccepted) {
  const std::string text = "0 100\nh2\nh3\n0\n0\n0\n0\n0\n" + zel23_test::kDc1 + "\n" +
                           zel23_test::kDc2 + "\n" + zel23_test::kDc3;
  const zel23::Case c = zelParseText(text);
  EXPECT_EQ(c.dcLines.size(), 1u);
  EXPECT_EQ(c.comments.size(), 8u);
}

TEST(CaseReader, LongLinesAreCutAt1023Characters) {
  const std::string head = "0 100\n";
  const std::string exact(1023, 'h');
  const std::string longer = std::string(1500, 'x');
  struct Case {
    std::string text;
    std::vector<std::string> comments;
    std::size_t buses;
  };
  const Case cases[] = {
      {head + exact + "\nh3\n", {"0 100", exact, "h3"}, 0},
      {head + longer + "\nh3\n", {"0 100", longer.substr(0, 1023), "h3"}, 0},
      // The cut line's tail, which looks like a record, is discarded.
      {head + "h2\n" + std::string(1023, ' ') + "# trailing part\n" + zel23_test::kBus +
           "\n",
       {"0 100", "h2", std::string(1023, ' ')},
       1},
      // A cut last line whose rest reaches the end of input is not processed.
      {head + "h2\nh3\n" + zel23_test::kBus + std::string(2000, ' '),
       {"0 100", "h2", "h3"},
       0},
      // A record line with its tail cut still parses from its first 1023.
      {head + "h2\nh3\n" + zel23_test::kBus + std::string(1200, ' ') + "junk\n",
       {"0 100", "h2", "h3"},
       1},
  };
  for (const Case& t : cases) {
    SCOPED_TRACE(t.text.size());
    const zel23::Case c = zelParseText(t.text);
    EXPECT_EQ(c.comments, t.comments);
    EXPECT_EQ(c.buses.size(), t.buses);
  }
  // Header line 1 longer than the buffer: its tail does not become line 2.
  const zel23::Case c = zelParseText("0 100 " + std::string(3000, 'z') + "\nh2\nh3\n");
  ASSERT_EQ(c.comments.size(), 3u);
  EXPECT_EQ(c.comments[0].size(), 1023u);
  EXPECT_EQ(c.comments[1], "h2");
  EXPECT_EQ(c.systemBase, 100.0);
}

TEST(CaseReader, CarriageReturnsStayInTheLines) {
  // A CR after a closing apostrophe would be a sixth area field, so the
  // area name is left unquoted here: it keeps the CR.
  std::string text = oneOfEach();
  text.replace(text.find("'NORTH'"), 7, "NORTH");
  std::string crlf;
  for (char ch : text)
    crlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
  const zel23::Case c = zelParseText(crlf);
  EXPECT_EQ(c.comments[0], "0 100.0 / hostile\r");
  EXPECT_EQ(c.comments[9], "0 / end of section 6\r");
  ASSERT_EQ(c.buses.size(), 1u);
  EXPECT_EQ(c.buses[0].ZONE(), 1);
  ASSERT_EQ(c.dcLines.size(), 1u);
  EXPECT_EQ(c.dcLines[0].METER(), "'R'");
  ASSERT_EQ(c.areas.size(), 1u);
  EXPECT_EQ(c.areas[0].ARNAME(), "NORTH\r");
}

TEST(CaseReader, RegistryIsEmptyAfterParse) {
  BName2BNum["'NORTH'"] = 5;
  BNum2BName[5] = "'NORTH'";
  zelParseText(oneOfEach());
  EXPECT_TRUE(BName2BNum.empty());
  EXPECT_TRUE(BNum2BName.empty());
}

TEST(CaseReader, StreamEndsAtEndOfInput) {
  std::istringstream in(oneOfEach());
  zel23::Case c;
  ZELParse(in, c.buses, c.generators, c.branches, c.adjustments, c.areas, c.dcLines,
           c.shunts, c.comments, c.systemBase);
  EXPECT_TRUE(in.eof());
  EXPECT_FALSE(in.bad());
}

TEST(CaseReader, FailingStreamStopsTheRead) {
  const std::string text = oneOfEach();
  const std::size_t cut = text.find("0 / end of section 2");
  zel23_test::FailingInput buffer(text, cut, zel23_test::FailingInput::Failure::Throw);
  std::istream in(&buffer);
  zel23::Case c;
  EXPECT_TRUE(ZELParse(in, c.buses, c.generators, c.branches, c.adjustments, c.areas,
                       c.dcLines, c.shunts, c.comments, c.systemBase));
  EXPECT_EQ(c.buses.size(), 1u);
  EXPECT_EQ(c.branches.size(), 1u);
  EXPECT_TRUE(in.bad());
}

TEST(CaseWriter, WritesCommentLinesByPosition) {
  zel23::Case c;
  for (int i = 0; i < 12; ++i)
    c.comments.push_back("line " + std::to_string(i));
  EXPECT_EQ(printCase(c), "line 0\nline 1\nline 2\nline 3\nline 4\nline 5\nline 6\nline "
                          "7\nline 8\nline 9\n");
}

TEST(CaseWriter, FillsMissingCommentLines) {
  const struct {
    std::size_t have;
    const char* expected;
  } cases[] = {
      {0, "\n\n\n0\n0\n0\n0\n0\n0\n0\n"},
      {2, "c0\nc1\n\n0\n0\n0\n0\n0\n0\n0\n"},
      {9, "c0\nc1\nc2\nc3\nc4\nc5\nc6\nc7\nc8\n0\n"},
  };
  for (const auto& t : cases) {
    SCOPED_TRACE(t.have);
    zel23::Case c;
    for (std::size_t i = 0; i < t.have; ++i)
      c.comments.push_back("c" + std::to_string(i));
    EXPECT_EQ(printCase(c), t.expected);
  }
}

TEST(CaseWriter, SystemBaseArgumentIsNotUsed) {
  zel23::Case c = zelParseText(oneOfEach());
  const std::string before = printCase(c);
  c.systemBase = 12345.0;
  EXPECT_EQ(printCase(c), before);
}

TEST(CaseRoundTrip, SampleWritesTheSameTextTwice) {
  const std::string original = zel23_test::sampleText();
  zel23::Case first = zelParseText(original);
  const std::string written = printCase(first);
  zel23::Case second = zelParseText(written);
  EXPECT_EQ(printCase(second), written);
  EXPECT_EQ(second.comments, first.comments);
  EXPECT_EQ(first.comments.size(), 10u);
  // Header and terminator lines come through unchanged.
  std::istringstream lines(original);
  std::string line;
  for (int i = 0; i < 3 && std::getline(lines, line); ++i)
    EXPECT_EQ(first.comments[i], line);
  EXPECT_EQ(first.buses.size(), second.buses.size());
  EXPECT_EQ(first.dcLines.size(), 1u);
  for (std::size_t i = 0; i < first.buses.size(); ++i)
    EXPECT_TRUE(zel23::sameFields(first.buses[i], second.buses[i])) << i;
}

TEST(CaseRoundTrip, EveryPrefixOfTheSampleReadsWithoutCrashing) {
  // Cut the sample at every byte: the recoverable reader must stop cleanly,
  // and never hold more records than the whole file has.
  const std::string text = zel23_test::sampleText();
  const zel23::Case whole = zelParseText(text);
  for (std::size_t cut = 0; cut <= text.size(); ++cut) {
    std::istringstream in(text.substr(0, cut));
    zel23::Case c;
    zel23::read(in, c);
    ASSERT_LE(c.buses.size(), whole.buses.size()) << cut;
    ASSERT_LE(c.shunts.size(), whole.shunts.size()) << cut;
    ASSERT_LE(c.comments.size(), whole.comments.size()) << cut;
  }
}

// Fatal errors of the reader itself.
TEST(CaseReaderDeathTest, UnknownRecordType) {
  EXPECT_EXIT(zelParseText(oneOfEach() + zel23_test::kBus + "\n"),
              ::testing::ExitedWithCode(255),
              "^File: \\.\\.\\\\ZELParse line: [0-9]+ Unknown record type\n$");
}

TEST(CaseReaderDeathTest, DcRecordCutShort) {
  const std::string head = "0 100\nh2\nh3\n0\n0\n0\n0\n0\n";
  const std::string dc1 = "1,1,8.2,200,500,400,0,0,'R'\n";
  const std::string dc2 = "101,2,25,5,0,12.5,138,0.44,1,1.15,0.85,0.00625";
  for (const std::string& text :
       {head + dc1, head + dc1 + dc2, head + dc1 + dc2 + "\n"}) {
    SCOPED_TRACE(text);
    EXPECT_EXIT(
        zelParseText(text), ::testing::ExitedWithCode(255),
        "^File: \\.\\.\\\\ZELParse line: [0-9]+ Two terminal DC data format error\\.\n$");
  }
}

TEST(CaseReaderDeathTest, DcBlankSecondLineIsPassedOn) {
  const std::string text = "0 100\nh2\nh3\n0\n0\n0\n0\n0\n1,1,8.2,200,500,400,0,0,'R'\n\n"
                           "102,2,20,17,0,12.5,138,0.44,1,1.15,0.85,0.00625\n";
  EXPECT_EXIT(
      zelParseText(text), ::testing::ExitedWithCode(255),
      "^File: \\.\\.\\\\ZELTwoTerminalDC line: [0-9]+ Error parsing two terminal DC "
      "data: IPR\n$");
}

TEST(CaseReaderDeathTest, QuotedBusNamesFailDuringParse) {
  BName2BNum["'ONE'"] = 101;
  const std::string text =
      "0 100\nh2\nh3\n0\n'ONE',1,50,10,30,-20,1.02,0,100,0,0.25,0,0,1,1,"
      "100,80,0\n";
  EXPECT_EXIT(zelParseText(text), ::testing::ExitedWithCode(255),
              "^File: \\.\\.\\\\ZELGenerator line: [0-9]+ Invalid bus number: -1\n$");
  BName2BNum.clear();
}

TEST(CaseReaderDeathTest, RecordErrorsEndTheRead) {
  EXPECT_EXIT(zelParseText("0 100\nh2\nh3\n1,2,3\n"), ::testing::ExitedWithCode(255),
              "^File: \\.\\.\\\\ZELBus line: [0-9]+ Error parsing bus data\n$");
}

} // namespace
