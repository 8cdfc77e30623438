#include "record_support.h"
#include "zel23.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <iomanip>
#include <limits>
#include <locale>
#include <sstream>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace {

using namespace std::string_literals;
using zel23_test::printed;
using zel23_test::rounded;
using zel23_test::sameRecord;
using zel23_test::shown;
using zel23_test::Values;
using zel23_test::withValues;

// Parses through the recoverable interface and, when that succeeds, through
// the line constructor too: both must give the same record.
template <class Rec> Rec parsed(const std::string& line) {
  Rec viaParse;
  std::string message = "untouched";
  if (!zel23::parse(line, viaParse, message)) {
    ADD_FAILURE() << "parse failed on " << shown(line) << ": " << message;
    return viaParse;
  }
  EXPECT_EQ("untouched", message) << "a successful parse must leave the message alone";
  const Rec viaConstructor(line);
  EXPECT_TRUE(sameRecord(viaConstructor, viaParse)) << "constructor and parse differ";
  return viaParse;
}

ZELTwoTerminalDC parsedDC(const std::string& l1, const std::string& l2,
                          const std::string& l3) {
  ZELTwoTerminalDC viaParse;
  std::string message = "untouched";
  if (!zel23::parse(l1, l2, l3, viaParse, message)) {
    ADD_FAILURE() << "parse failed: " << message;
    return viaParse;
  }
  EXPECT_EQ("untouched", message);
  const ZELTwoTerminalDC viaConstructor(l1, l2, l3);
  EXPECT_TRUE(sameRecord(viaConstructor, viaParse)) << "constructor and parse differ";
  return viaParse;
}

// The message a line gets through the recoverable interface, "" on success.
template <class Rec> std::string failure(const std::string& line) {
  Rec record;
  std::string message;
  return zel23::parse(line, record, message) ? "" : message;
}

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string::size_type start = 0;
  for (;;) {
    const auto end = text.find('\n', start);
    lines.push_back(text.substr(start, end - start));
    if (end == std::string::npos) return lines;
    start = end + 1;
  }
}

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
  std::string out;
  std::string::size_type start = 0, at;
  while ((at = text.find(from, start)) != std::string::npos) {
    out += text.substr(start, at - start) + to;
    start = at + from.size();
  }
  return out + text.substr(start);
}

// Separator variants of a comma-separated line for the field splitter: any
// mix of blanks and tabs with at most one comma between two fields.
std::vector<std::string> splitterVariants(const std::string& line) {
  std::vector<std::string> out;
  for (const char* sep : {" ", "\t", "  ", " \t ", " , ", "\t,", ", ", "\t,\t "})
    out.push_back(replaceAll(line, ",", sep));
  out.push_back(" \t" + line);
  out.push_back(line + "  ");
  out.push_back(line + "\t");
  return out;
}

// Separator variants for the field cursor: any run of commas, blanks, tabs.
std::vector<std::string> cursorVariants(const std::string& line) {
  std::vector<std::string> out;
  for (const char* sep : {" ", "\t", ",,", " , ", ", \t ,", ",,,,", "\t\t"})
    out.push_back(replaceAll(line, ",", sep));
  out.push_back(",, \t" + line);
  out.push_back(line + " ,\t,");
  return out;
}

class RegistryTest : public ::testing::Test {
protected:
  void SetUp() override {
    BName2BNum.clear();
    BNum2BName.clear();
  }
  void TearDown() override {
    BName2BNum.clear();
    BNum2BName.clear();
  }
};

// ---------------------------------------------------------------- bus

const std::string kBusLine = "101,2,50.0,-12.5,0,0,1,1.02,-3.4567,'BUS 101 ',138.0,7";
const Values kBusFields = {101, 2,    50.0,    -12.5,         0.0,   0.0,
                           1,   1.02, -3.4567, "'BUS 101 '"s, 138.0, 7};

TEST(BusTest, DefaultPrintedForm) {
  EXPECT_EQ("        -1,1,    0.0000,    0.0000,    0.0000,    0.0000,   1,1.0000,   "
            "0.0000,'--------',   0.0000,   1",
            printed(ZELBus()));
}

TEST(BusTest, ExampleLine) {
  const ZELBus bus = parsed<ZELBus>(kBusLine);
  EXPECT_TRUE(sameRecord(withValues<ZELBus>(kBusFields), bus));
  EXPECT_EQ("       101,2,   50.0000,  -12.5000,    0.0000,    0.0000,   1,1.0200,  "
            "-3.4567,'BUS 101 ', 138.0000,   7",
            printed(bus));
}

TEST(BusTest, SeparatorVariants) {
  const ZELBus expected = withValues<ZELBus>(kBusFields);
  for (const std::string& line : splitterVariants(kBusLine)) {
    SCOPED_TRACE(shown(line));
    EXPECT_TRUE(sameRecord(expected, parsed<ZELBus>(line)));
  }
}

TEST(BusTest, FieldContents) {
  struct Case {
    std::string line;
    Values fields;
  };
  const Case cases[] = {
      // Two commas in a row are one empty field.
      {"101,2,,-12.5,0,0,1,1.02,-3.4567,'BUS 101 ',138.0,7",
       {101, 2, 0.0, -12.5, 0.0, 0.0, 1, 1.02, -3.4567, "'BUS 101 '"s, 138.0, 7}},
      {"1,1,0,0,0,0,1,1,0,'A, B',0,1",
       {1, 1, 0.0, 0.0, 0.0, 0.0, 1, 1.0, 0.0, "'A, B'"s, 0.0, 1}},
      {"1,1,0,0,0,0,1,1,0,GEN,0,1",
       {1, 1, 0.0, 0.0, 0.0, 0.0, 1, 1.0, 0.0, "GEN"s, 0.0, 1}},
      // A bus name in I is no number, and the bus parser has no lookup.
      {"'BUS 7',2.7,1e2,x,-0,.5,3.9,0x1p1,inf,'',1,-3",
       {0, 2, 100.0, 0.0, -0.0, 0.5, 3, 2.0, HUGE_VAL, "''"s, 1.0, -3}},
      {"-5,0,0,0,0,0,0,0,0,N,0,0",
       {-5, 0, 0.0, 0.0, 0.0, 0.0, 0, 0.0, 0.0, "N"s, 0.0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(shown(c.line));
    EXPECT_TRUE(sameRecord(withValues<ZELBus>(c.fields), parsed<ZELBus>(c.line)));
  }
}

TEST(BusTest, PrintedWidths) {
  ZELBus bus;
  bus.VM() = 0.98766;
  bus.VA() = 0.5;
  bus.NAME() = "GEN";
  EXPECT_EQ("        -1,1,    0.0000,    0.0000,    0.0000,    0.0000,   1,0.9877,   "
            "0.5000,       GEN,   0.0000,   1",
            printed(bus));
  bus.NAME() = "'LONG BUS NAME'";
  bus.I() = 1234567890;
  bus.AREA() = 123456;
  EXPECT_EQ("1234567890,1,    0.0000,    0.0000,    0.0000,    0.0000,123456,0.9877,   "
            "0.5000,'LONG BUS NAME',   0.0000,   1",
            printed(bus));
}

// atof gives +0.0 when no digit follows the sign, -0.0 for a signed zero;
// the printed form shows the difference.
TEST(BusTest, SignOfZero) {
  struct Case {
    const char* pl;
    const char* printedPl;
  };
  const Case cases[] = {{"-.", "    0.0000"}, {"-", "    0.0000"},
                        {"-x", "    0.0000"}, {"-.e5", "    0.0000"},
                        {"-0", "   -0.0000"}, {"-0.00001", "   -0.0000"},
                        {"+.", "    0.0000"}};
  for (const Case& c : cases) {
    const std::string line = std::string("1,1,") + c.pl + ",0,0,0,1,1,0,N,0,1";
    SCOPED_TRACE(line);
    EXPECT_EQ(std::string("         1,1,") + c.printedPl + ",",
              printed(parsed<ZELBus>(line)).substr(0, 24));
  }
}

// ---------------------------------------------------------------- generator

const std::string kGenLine =
    "101,1,50.0,10.0,30.0,-20.0,1.02,0,100.0,0.0,0.25,0.0,0.0,1.0,1,100.0,80.0,0.0";
const Values kGenFields = {101, "'1 '"s, 50.0, 10.0, 30.0, -20.0, 1.02,  0,    100.0,
                           0.0, 0.25,    0.0,  0.0,  1.0,  1,     100.0, 80.0, 0.0};

TEST(GeneratorTest, DefaultPrintedForm) {
  EXPECT_EQ(
      "1,' 1',    0.0000,    0.0000, 9999.0000,-9999.0000, 1.0000,    0,  100.0000,  "
      "  0.0000,    1.0000,    0.0000,    0.0000, 1.0000,1,100.0000, "
      "9999.0000,-9999.0000",
      printed(ZELGenerator()));
}

TEST(GeneratorTest, ExampleLine) {
  const ZELGenerator gen = parsed<ZELGenerator>(kGenLine);
  EXPECT_TRUE(sameRecord(withValues<ZELGenerator>(kGenFields), gen));
  EXPECT_EQ(
      "101,'1 ',   50.0000,   10.0000,   30.0000,  -20.0000, 1.0200,    0,  100.0000,  "
      "  0.0000,    0.2500,    0.0000,    0.0000, 1.0000,1,100.0000,   80.0000,    "
      "0.0000",
      printed(gen));
}

TEST(GeneratorTest, SeparatorVariantsAndExtraTokens) {
  const ZELGenerator expected = withValues<ZELGenerator>(kGenFields);
  std::vector<std::string> lines = cursorVariants(kGenLine);
  lines.push_back(kGenLine + ",7,8");
  lines.push_back(kGenLine + " remark 'x y'");
  for (const std::string& line : lines) {
    SCOPED_TRACE(shown(line));
    EXPECT_TRUE(sameRecord(expected, parsed<ZELGenerator>(line)));
  }
}

TEST(GeneratorTest, IdentifierQuoting) {
  struct Case {
    std::string token;
    std::string stored;
    std::string printedId;
  };
  const Case cases[] = {
      {"1", "'1 '", "'1 '"},
      {"G1", "'G1'", "'G1'"},
      {"GEN12", "'GEN12'", "'GEN12'"},
      {"'1'", "'1'", " '1'"},
      {"' 1'", "' 1'", "' 1'"},
      {"'GEN 12'", "'GEN 12'", "'GEN 12'"},
      {"''", "''", "  ''"},
      {"X'Y", "'X'Y'", "'X'Y'"},
  };
  for (const Case& c : cases) {
    const std::string line = "7," + c.token + ",0,0,0,0,1,0,100,0,1,0,0,1,1,100,0,0";
    SCOPED_TRACE(shown(line));
    const ZELGenerator gen = parsed<ZELGenerator>(line);
    EXPECT_EQ(c.stored, gen.ID());
    EXPECT_EQ("7," + c.printedId + ",", printed(gen).substr(0, 3 + c.printedId.size()));
  }
}

TEST(GeneratorTest, Conversions) {
  const ZELGenerator gen =
      parsed<ZELGenerator>("BUS 1 1.5E+01 ABC 0 0 1 0 100 0 1 0 0 1 1.9 100 0 0");
  EXPECT_EQ(0, gen.I());
  EXPECT_EQ("'1 '", gen.ID());
  EXPECT_EQ(15.0, gen.PG());
  EXPECT_EQ(0.0, gen.QG());
  EXPECT_EQ(1, gen.STAT());
}

// An unclosed quote swallows the rest of the line, so the fields after it
// are missing.
TEST(GeneratorTest, UnclosedQuote) {
  EXPECT_EQ("Error parsing generator data: PG",
            failure<ZELGenerator>("101,'G1,50.0,10.0"));
  // In the last field the swallowed rest is just a token that is no number.
  EXPECT_EQ(0.0, parsed<ZELGenerator>(
                     "101,1,50,10,30,-20,1.02,0,100,0,0.25,0,0,1,1,100,80,'x 7")
                     .PB());
}

// ---------------------------------------------------------------- load

const std::string kLoadLine = "205,1,1,2,7,120.5,35.25,0,0,0,-10";
const Values kLoadFields = {205, "'1 '"s, 1, 2, 7, 120.5, 35.25, 0.0, 0.0, 0.0, -10.0};

TEST(LoadTest, DefaultPrintedForm) {
  EXPECT_EQ("        -1,' 1',1,   1,   1,    0.0000,    0.0000,    0.0000,    0.0000,    "
            "0.0000,    0.0000",
            printed(ZELLoad()));
}

TEST(LoadTest, ExampleLine) {
  const ZELLoad load = parsed<ZELLoad>(kLoadLine);
  EXPECT_TRUE(sameRecord(withValues<ZELLoad>(kLoadFields), load));
  EXPECT_EQ("       205,'1 ',1,   2,   7,  120.5000,   35.2500,    0.0000,    0.0000,    "
            "0.0000,  -10.0000",
            printed(load));
}

TEST(LoadTest, SeparatorVariantsAndExtraTokens) {
  const ZELLoad expected = withValues<ZELLoad>(kLoadFields);
  std::vector<std::string> lines = cursorVariants(kLoadLine);
  lines.push_back(kLoadLine + ",12");
  lines.push_back(kLoadLine + " a remark");
  for (const std::string& line : lines) {
    SCOPED_TRACE(shown(line));
    EXPECT_TRUE(sameRecord(expected, parsed<ZELLoad>(line)));
  }
}

TEST(LoadTest, IdentifierQuoting) {
  struct Case {
    std::string token;
    std::string stored;
  };
  const Case cases[] = {{"1", "'1 '"},    {"12", "'12'"}, {"'1 '", "'1 '"},
                        {"'L1'", "'L1'"}, {"L", "'L '"},  {"'L 1'", "'L 1'"}};
  for (const Case& c : cases) {
    const std::string line = "3," + c.token + ",1,1,1,0,0,0,0,0,0";
    SCOPED_TRACE(shown(line));
    const ZELLoad load = parsed<ZELLoad>(line);
    EXPECT_EQ(c.stored, load.ID());
    // Wider than its width 2: written whole, right after the comma.
    EXPECT_EQ("         3," + c.stored + ",1,",
              printed(load).substr(0, 14 + c.stored.size()));
  }
}

// ---------------------------------------------------------------- branch

const std::string kBranchLine = "1,2,'1 ',0.01,0.1,0.02,100,110,120,1.0,0,0,0,0,0,1";
const Values kBranchFields = {1,     2,   "'1 '"s, 0.01, 0.1, 0.02, 100.0, 110.0,
                              120.0, 1.0, 0.0,     0.0,  0.0, 0.0,  0.0,   1};

TEST(BranchTest, DefaultPrintedForm) {
  EXPECT_EQ(
      "    -1,    -1,' 1', -1.0000, -1.0000, 0.0000, 0.0000, 0.0000,, 0.0000, 0.0000,   "
      "0.0000,   0.0000,   0.0000,   0.0000,1",
      printed(ZELBranch()));
}

TEST(BranchTest, ExampleLine) {
  const ZELBranch branch = parsed<ZELBranch>(kBranchLine);
  EXPECT_TRUE(sameRecord(withValues<ZELBranch>(kBranchFields), branch));
  EXPECT_EQ("     1,     2,'1 ',  0.0100,  0.1000, 0.0200,100.0000,110.0000,, 1.0000, "
            "0.0000,   "
            "0.0000,   0.0000,   0.0000,   0.0000,1",
            printed(branch));
}

TEST(BranchTest, SeparatorVariants) {
  const ZELBranch expected = withValues<ZELBranch>(kBranchFields);
  for (const std::string& line : splitterVariants(kBranchLine)) {
    SCOPED_TRACE(shown(line));
    EXPECT_TRUE(sameRecord(expected, parsed<ZELBranch>(line)));
  }
}

TEST(BranchTest, FieldContents) {
  struct Case {
    std::string line;
    Values fields;
  };
  const Case cases[] = {
      // The printer's empty RATEC position reads back as 0.0.
      {"1,2,'1 ',0.01,0.1,0.02,100,110,,1.0,0,0,0,0,0,1",
       {1, 2, "'1 '"s, 0.01, 0.1, 0.02, 100.0, 110.0, 0.0, 1.0, 0.0, 0.0, 0.0, 0.0, 0.0,
        1}},
      {"'BUS 7','BUS 8',1,5abc,0,0,0,0,0,0,0,0,0,0,0,1.9",
       {0, 0, "1"s, 5.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 1}},
      {"1 2 'A, B' 1 2 3 4 5 6 7 8 9 10 11 12 -1",
       {1, 2, "'A, B'"s, 1.0, 2.0, 3.0, 4.0, 5.0, 6.0, 7.0, 8.0, 9.0, 10.0, 11.0, 12.0,
        -1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(shown(c.line));
    EXPECT_TRUE(sameRecord(withValues<ZELBranch>(c.fields), parsed<ZELBranch>(c.line)));
  }
}

TEST(BranchTest, CircuitPrintedAsStored) {
  ZELBranch branch;
  branch.CKT() = "1";
  EXPECT_EQ("    -1,    -1,   1,", printed(branch).substr(0, 19));
  branch.CKT() = "'LONG1'";
  EXPECT_EQ("    -1,    -1,'LONG1',", printed(branch).substr(0, 22));
  branch.RATEC() = 99.0;
  EXPECT_NE(std::string::npos, printed(branch).find(" 0.0000,, 0.0000,"))
      << "RATEC is never printed";
  EXPECT_EQ(std::string::npos, printed(branch).find("99.0000"));
}

// ---------------------------------------------------------------- transformer adjustment

const std::string kAdjLine = "101,102,1,101,1.1,0.9,1.05,0.95,0.0125,0";
const Values kAdjFields = {101, 102, "'1 '"s, 101, 1.1, 0.9, 1.05, 0.95, 0.0125, 0};

TEST(TransformerAdjustmentTest, DefaultPrintedForm) {
  EXPECT_EQ("    -1,    -1,' 1',    -1, 1.5000, 0.5100, 1.5000, 0.5100,    0.0063,   0",
            printed(ZELTransformerAdjustment()));
}

TEST(TransformerAdjustmentTest, ExampleLine) {
  const auto adj = parsed<ZELTransformerAdjustment>(kAdjLine);
  EXPECT_TRUE(sameRecord(withValues<ZELTransformerAdjustment>(kAdjFields), adj));
  EXPECT_EQ("   101,   102,'1 ',   101, 1.1000, 0.9000, 1.0500, 0.9500,    0.0125,   0",
            printed(adj));
}

TEST(TransformerAdjustmentTest, SeparatorVariantsAndExtraTokens) {
  const auto expected = withValues<ZELTransformerAdjustment>(kAdjFields);
  std::vector<std::string> lines = cursorVariants(kAdjLine);
  lines.push_back(kAdjLine + ",11");
  lines.push_back(kAdjLine + " 'remark");
  for (const std::string& line : lines) {
    SCOPED_TRACE(shown(line));
    EXPECT_TRUE(sameRecord(expected, parsed<ZELTransformerAdjustment>(line)));
  }
}

TEST(TransformerAdjustmentTest, CircuitQuotingAndBusZero) {
  struct Case {
    std::string token;
    std::string stored;
  };
  const Case cases[] = {
      {"1", "'1 '"}, {"10", "'10'"}, {"'1 '", "'1 '"}, {"'AB'", "'AB'"}, {"A", "'A '"}};
  for (const Case& c : cases) {
    const std::string line = "0,0," + c.token + ",0,1.5,0.5,1.1,0.9,0.01,3";
    SCOPED_TRACE(shown(line));
    const auto adj = parsed<ZELTransformerAdjustment>(line);
    EXPECT_EQ(c.stored, adj.CKT());
    EXPECT_EQ(0, adj.I());
    EXPECT_EQ(0, adj.J());
    EXPECT_EQ(0, adj.ICONT());
    EXPECT_EQ(3, adj.TABLE());
  }
}

// ---------------------------------------------------------------- area interchange

TEST(AreaInterchangeTest, DefaultPrintedForm) {
  EXPECT_EQ("    -1,     0,   0.0000,  10.0000,'        '",
            printed(ZELAreaInterchange()));
}

TEST(AreaInterchangeTest, Lines) {
  struct Case {
    std::string line;
    Values fields;
    std::string printedForm;
  };
  const Case cases[] = {
      {"1,0,0.0,10.0,'NORTH   '",
       {1, 0, 0.0, 10.0, "'NORTH   '"s},
       "     1,     0,   0.0000,  10.0000,'NORTH   '"},
      {"1 0 0.0 10.0 'NORTH   '",
       {1, 0, 0.0, 10.0, "'NORTH   '"s},
       "     1,     0,   0.0000,  10.0000,'NORTH   '"},
      {"1\t0\t0.0\t10.0\t'NORTH   '",
       {1, 0, 0.0, 10.0, "'NORTH   '"s},
       "     1,     0,   0.0000,  10.0000,'NORTH   '"},
      {"1,,0.0,10.0,'NORTH'",
       {1, 0, 0.0, 10.0, "'NORTH'"s},
       "     1,     0,   0.0000,  10.0000,   'NORTH'"},
      {"1,0,0.0,10.0,NORTH",
       {1, 0, 0.0, 10.0, "NORTH"s},
       "     1,     0,   0.0000,  10.0000,     NORTH"},
      {"1,0,0.0,10.0,'NORTH EAST'",
       {1, 0, 0.0, 10.0, "'NORTH EAST'"s},
       "     1,     0,   0.0000,  10.0000,'NORTH EAST'"},
      {"7,2,1234567.5,-0.00004,'A,B'",
       {7, 2, 1234567.5, -0.00004, "'A,B'"s},
       "     7,     2,1234567.5000,  -0.0000,     'A,B'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(shown(c.line));
    const auto area = parsed<ZELAreaInterchange>(c.line);
    EXPECT_TRUE(sameRecord(withValues<ZELAreaInterchange>(c.fields), area));
    EXPECT_EQ(c.printedForm, printed(area));
  }
}

// ---------------------------------------------------------------- switched shunt

TEST(SwitchedShuntTest, DefaultPrintedFormHasOneBlock) {
  EXPECT_EQ("    -1,     1,   1.0000,   1.0000,     0,   0.0000,     0,   0.0000",
            printed(ZELSwitchedShunt()));
}

TEST(SwitchedShuntTest, ExampleLine) {
  const std::string line = "101,1,1.05,0.95,0,50.0,2,0.5,1,-0.25";
  const auto shunt = parsed<ZELSwitchedShunt>(line);
  ZELSwitchedShunt expected = withValues<ZELSwitchedShunt>(
      {101, 1, 1.05, 0.95, 0, 1.0, 50.0, 2, 2, 0.5, 1, -0.25});
  EXPECT_TRUE(sameRecord(expected, shunt));
  EXPECT_EQ(
      "   101,     1,   1.0500,   0.9500,     0,  50.0000,     2,   0.5000,     1,  "
      "-0.2500",
      printed(shunt));
  for (const std::string& variant : cursorVariants(line)) {
    SCOPED_TRACE(shown(variant));
    EXPECT_TRUE(sameRecord(expected, parsed<ZELSwitchedShunt>(variant)));
  }
}

TEST(SwitchedShuntTest, BlockCounts) {
  for (int pairs = 1; pairs <= 8; ++pairs) {
    std::string line = "5,0,1.1,0.9,7,-2.5";
    for (int k = 0; k < pairs; ++k)
      line += "," + std::to_string(k + 1) + "," + std::to_string(k + 1) + ".25";
    SCOPED_TRACE(line);
    const auto shunt = parsed<ZELSwitchedShunt>(line);
    EXPECT_EQ(pairs, shunt.noBlocks());
    for (int k = 0; k < 8; ++k) {
      EXPECT_EQ(k < pairs ? k + 1 : 0, shunt.N(k)) << "slot " << k;
      EXPECT_EQ(k < pairs ? k + 1.25 : 0.0, shunt.B(k)) << "slot " << k;
    }
    EXPECT_EQ(1.0, shunt.VDES());
    EXPECT_EQ(7, shunt.SWREM());
    EXPECT_EQ(-2.5, shunt.BINIT());
  }
  const std::string base = "5,0,1.1,0.9,7,-2.5";
  for (int values : {0, 1, 3, 15, 17, 18, 20, 1000}) {
    std::string line = base;
    for (int v = 0; v < values; ++v)
      line += ",1";
    SCOPED_TRACE(line);
    EXPECT_EQ("Error parsing switched shunt data: Ni or Bi",
              failure<ZELSwitchedShunt>(line));
  }
}

TEST(SwitchedShuntTest, BlockValues) {
  struct Case {
    std::string blocks;
    std::vector<int> n;
    std::vector<double> b;
  };
  const Case cases[] = {
      {"2.9,1,-1.5,2", {2, -1}, {1.0, 2.0}},
      {"abc,xyz,0,-3", {0, 0}, {0.0, -3.0}},
      {"-7 1e1 1e1 .5", {-7, 10}, {10.0, 0.5}},
      {"3,,,0.125", {3}, {0.125}},
      // An unclosed quote is one block value, and the loop ends with the line.
      {"2,'X, 4", {2}, {0.0}},
  };
  for (const Case& c : cases) {
    const std::string line = "1,1,1,1,0,0," + c.blocks;
    SCOPED_TRACE(shown(line));
    const auto shunt = parsed<ZELSwitchedShunt>(line);
    ASSERT_EQ(static_cast<int>(c.n.size()), shunt.noBlocks());
    for (std::size_t k = 0; k < c.n.size(); ++k) {
      EXPECT_EQ(c.n[k], shunt.N(static_cast<int>(k)));
      EXPECT_EQ(c.b[k], shunt.B(static_cast<int>(k)));
    }
  }
}

TEST(SwitchedShuntTest, PrintsBlocksInUseOnly) {
  ZELSwitchedShunt shunt;
  for (int k = 0; k < 8; ++k) {
    shunt.N(k) = k + 1;
    shunt.B(k) = -(k + 1) * 0.5;
  }
  const std::string head = "    -1,     1,   1.0000,   1.0000,     0,   0.0000,";
  shunt.noBlocks() = 3;
  EXPECT_EQ(head + "     1,  -0.5000,     2,  -1.0000,     3,  -1.5000", printed(shunt));
  shunt.noBlocks() = 0;
  EXPECT_EQ(head + "     1,  -0.5000", printed(shunt));
  shunt.noBlocks() = -1;
  EXPECT_EQ(head + "     1,  -0.5000", printed(shunt));
  shunt.noBlocks() = 8;
  EXPECT_EQ(
      head + "     1,  -0.5000,     2,  -1.0000,     3,  -1.5000,     4,  -2.0000,     "
             "5,  -2.5000,     6,  -3.0000,     7,  -3.5000,     8,  -4.0000",
      printed(shunt));
  shunt.VDES() = 5.0;
  EXPECT_EQ(std::string::npos, printed(shunt).find("5.0000")) << "no VDES column";
}

TEST(SwitchedShuntTest, ParseReplacesTheWholeRecord) {
  ZELSwitchedShunt shunt =
      parsed<ZELSwitchedShunt>("1,1,1,1,0,0,1,1,2,2,3,3,4,4,5,5,6,6,7,7,8,8");
  shunt.VDES() = 3.0;
  std::string message;
  ASSERT_TRUE(zel23::parse("2,1,1,1,0,0,9,9", shunt, message)) << message;
  EXPECT_TRUE(sameRecord(
      withValues<ZELSwitchedShunt>({2, 1, 1.0, 1.0, 0, 1.0, 0.0, 1, 9, 9.0}), shunt));
}

// ---------------------------------------------------------------- two-terminal DC

const std::string kDcLine1 = "7,1,5.5,100.0,500.0,400.0,0.5,0.15,'R'";
const std::string kDcLine2 = "101,2,20.0,5.0,0.1,10.0,230.0,0.5,1.02,1.1,0.9,0.00625";
const std::string kDcLine3 = "102,2,18.0,15.0,0.2,11.0,220.0,0.45,0.98,1.2,0.8,0.0125";
const Values kDcFields = {7,     1,    5.5,     100.0, 500.0, 400.0, 0.5,   0.15, "'R'"s,
                          101,   2,    20.0,    5.0,   0.1,   10.0,  230.0, 0.5,  1.02,
                          1.1,   0.9,  0.00625, 102,   2,     18.0,  15.0,  0.2,  11.0,
                          220.0, 0.45, 0.98,    1.2,   0.8,   0.0125};

TEST(TwoTerminalDCTest, DefaultPrintedForm) {
  const std::string rectifier =
      "    -1,    -1,  -1.0000,-1.0000,  -1.0000,  -1.0000,  "
      "-1.0000,   1.0000,   1.0000,   1.5000,   0.5100,   0.0063";
  EXPECT_EQ("    -1,0,  -1.0000,  -1.0000,  -1.0000,   0.0000,   0.0000,   0.0000,'I'\n" +
                rectifier + "\n" + rectifier,
            printed(ZELTwoTerminalDC()));
}

// The first two lines end with std::endl, which flushes; the third is left
// to the caller.
TEST(TwoTerminalDCTest, FirstTwoLinesAreFlushed) {
  struct SyncLog : std::stringbuf {
    std::vector<std::string> atSync;
    int sync() override {
      atSync.push_back(str());
      return 0;
    }
  } buffer;
  std::ostream os(&buffer);
  os << ZELTwoTerminalDC();
  const std::vector<std::string> lines = splitLines(printed(ZELTwoTerminalDC()));
  ASSERT_EQ(3u, lines.size());
  ASSERT_EQ(2u, buffer.atSync.size());
  EXPECT_EQ(lines[0] + "\n", buffer.atSync[0]);
  EXPECT_EQ(lines[0] + "\n" + lines[1] + "\n", buffer.atSync[1]);
  EXPECT_EQ(lines[0] + "\n" + lines[1] + "\n" + lines[2], buffer.str());
}

TEST(TwoTerminalDCTest, ExampleLines) {
  const auto dc = parsedDC(kDcLine1, kDcLine2, kDcLine3);
  EXPECT_TRUE(sameRecord(withValues<ZELTwoTerminalDC>(kDcFields), dc));
  EXPECT_EQ("     7,1,   5.5000, 100.0000, 500.0000, 400.0000,   0.5000,   0.1500,'R'\n"
            "   101,     2,  20.0000,5.0000,   0.1000,  10.0000, 230.0000,   0.5000,   "
            "1.0200,   1.1000,   0.9000,   0.0063\n"
            "   102,     2,  18.0000,15.0000,   0.2000,  11.0000, 220.0000,   0.4500,   "
            "0.9800,   1.2000,   0.8000,   0.0125",
            printed(dc));
}

TEST(TwoTerminalDCTest, SeparatorVariantsAndExtraTokens) {
  const auto expected = withValues<ZELTwoTerminalDC>(kDcFields);
  const auto v1 = cursorVariants(kDcLine1);
  const auto v2 = cursorVariants(kDcLine2);
  const auto v3 = cursorVariants(kDcLine3);
  for (std::size_t i = 0; i < v1.size(); ++i) {
    SCOPED_TRACE(shown(v1[i]));
    EXPECT_TRUE(sameRecord(expected, parsedDC(v1[i], v2[i], v3[i])));
  }
  EXPECT_TRUE(sameRecord(expected, parsedDC(kDcLine1 + " 'x' 9", kDcLine2 + ",13,14",
                                            kDcLine3 + " remark")));
}

TEST(TwoTerminalDCTest, FieldConversions) {
  const auto dc = parsedDC("12X,1.9,1.5E+01,ABC,0,0,0,0,R", "0,0,0,0,0,0,0,0,0,0,0,0",
                           "'NAME',-5,0,0,0,0,0,0,0,0,0,0");
  EXPECT_EQ(12, dc.I());
  EXPECT_EQ(1, dc.MDC());
  EXPECT_EQ(15.0, dc.RDC());
  EXPECT_EQ(0.0, dc.SETVL());
  EXPECT_EQ("R", dc.METER());
  EXPECT_EQ(0, dc.IPR());
  EXPECT_EQ(0, dc.IPI()) << "IPI is a plain number";
  EXPECT_EQ(-5, dc.NBI());
  EXPECT_EQ("    12,1,  15.0000,   0.0000,   0.0000,   0.0000,   0.0000,   0.0000,  R",
            splitLines(printed(dc))[0]);

  const auto negative =
      parsedDC(kDcLine1, "ABC,1,0,0,0,0,0,0,0,0,0,0", "-5,1,0,0,0,0,0,0,0,0,0,0");
  EXPECT_EQ(0, negative.IPR());
  EXPECT_EQ(-5, negative.IPI());
}

TEST(TwoTerminalDCTest, UnclosedMeterTakesTheRestOfLineOne) {
  const auto dc = parsedDC("1,1,0,0,0,0,0,0,'R X, 5", kDcLine2, kDcLine3);
  EXPECT_EQ("'R X, 5", dc.METER());
}

// ---------------------------------------------------------------- registry

TEST_F(RegistryTest, NamesResolveInCursorRecords) {
  BName2BNum["'NORTH'"] = 5;
  BName2BNum["'NORTH EAST'"] = 9;
  const auto sizeBefore = BName2BNum.size();

  EXPECT_EQ(
      5, parsed<ZELGenerator>("'NORTH',1,0,0,0,0,1,'NORTH EAST',100,0,1,0,0,1,1,100,0,0")
             .I());
  EXPECT_EQ(
      9, parsed<ZELGenerator>("'NORTH',1,0,0,0,0,1,'NORTH EAST',100,0,1,0,0,1,1,100,0,0")
             .IREG());
  EXPECT_EQ(5,
            parsed<ZELGenerator>("X'NORTH'Y,1,0,0,0,0,1,0,100,0,1,0,0,1,1,100,0,0").I());
  EXPECT_EQ("5,'1 ',",
            printed(parsed<ZELGenerator>("'NORTH',1,0,0,0,0,1,0,100,0,1,0,0,1,1,100,0,0"))
                .substr(0, 7));

  EXPECT_EQ(5, parsed<ZELLoad>("'NORTH',1,1,1,1,0,0,0,0,0,0").I());

  const auto adj = parsed<ZELTransformerAdjustment>(
      "'NORTH' 'NORTH EAST' 1 'NORTH' 1.1 0.9 1.1 0.9 0.01 0");
  EXPECT_EQ(5, adj.I());
  EXPECT_EQ(9, adj.J());
  EXPECT_EQ(5, adj.ICONT());

  const auto shunt = parsed<ZELSwitchedShunt>("'NORTH',1,1,1,'NORTH EAST',0,1,1");
  EXPECT_EQ(5, shunt.I());
  EXPECT_EQ(9, shunt.SWREM());
  EXPECT_EQ(-1, parsed<ZELSwitchedShunt>("1,1,1,1,'SOUTH',0,1,1").SWREM());
  EXPECT_EQ(-3, parsed<ZELSwitchedShunt>("1,1,1,1,-3,0,1,1").SWREM());

  const auto dc = parsedDC(kDcLine1, "'NORTH',2,0,0,0,0,0,0,0,0,0,0",
                           "'NORTH',2,0,0,0,0,0,0,0,0,0,0");
  EXPECT_EQ(5, dc.IPR());
  EXPECT_EQ(0, dc.IPI());

  EXPECT_EQ(sizeBefore, BName2BNum.size()) << "parsers never add names";
  EXPECT_TRUE(BNum2BName.empty());
}

TEST_F(RegistryTest, NamesAreMatchedExactly) {
  BName2BNum["'NORTH'"] = 5;
  const std::string rest = ",1,0,0,0,0,1,0,100,0,1,0,0,1,1,100,0,0";
  for (const char* name : {"'North'", "'NORTH '", "' NORTH'", "'SOUTH'", "'"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ("Invalid bus number: -1", failure<ZELGenerator>(name + rest));
    EXPECT_EQ("Invalid bus number -1", failure<ZELLoad>(name + ",1,1,1,1,0,0,0,0,0,0"s));
  }
}

// The key runs from the first through the last apostrophe of the token.
TEST_F(RegistryTest, KeyFromFirstToLastApostrophe) {
  BName2BNum["'A'B'"] = 3;
  BName2BNum["'A'"] = 4;
  const std::string rest = ",1,0,0,0,0,1,0,100,0,1,0,0,1,1,100,0,0";
  EXPECT_EQ(3, parsed<ZELGenerator>("X'A'B'Y" + rest).I());
  EXPECT_EQ(4, parsed<ZELGenerator>("X'A'Y" + rest).I());
  EXPECT_EQ(3, parsed<ZELLoad>("X'A'B',1,1,1,1,0,0,0,0,0,0").I());
}

TEST_F(RegistryTest, SplitterRecordsNeverLookUp) {
  BName2BNum["'BUS 7'"] = 7;
  EXPECT_EQ(0, parsed<ZELBus>("'BUS 7',1,0,0,0,0,1,1,0,'BUS 7',0,1").I());
  const auto branch = parsed<ZELBranch>("'BUS 7','BUS 7',1,0,0,0,0,0,0,0,0,0,0,0,0,1");
  EXPECT_EQ(0, branch.I());
  EXPECT_EQ(0, branch.J());
  EXPECT_EQ(0, parsed<ZELAreaInterchange>("'BUS 7',0,0,0,'A'").I());
  EXPECT_EQ(1u, BName2BNum.size());
  EXPECT_TRUE(BNum2BName.empty());
}

TEST_F(RegistryTest, BusZeroAndWords) {
  EXPECT_EQ(0, parsed<ZELGenerator>("0,1,0,0,0,0,1,0,100,0,1,0,0,1,1,100,0,0").I());
  EXPECT_EQ(0, parsed<ZELGenerator>("BUS,1,0,0,0,0,1,BUS,100,0,1,0,0,1,1,100,0,0").I());
  EXPECT_EQ(0, parsed<ZELSwitchedShunt>("0,1,1,1,0,0,1,1").I());
  EXPECT_EQ(0, parsed<ZELSwitchedShunt>("ABC,1,1,1,0,0,1,1").I());
  EXPECT_EQ(12, parsed<ZELGenerator>("12AB,1,0,0,0,0,1,0,100,0,1,0,0,1,1,100,0,0").I());
  EXPECT_EQ(7, parsed<ZELLoad>(" 7,1,1,1,1,0,0,0,0,0,0").I());
}

// ---------------------------------------------------------------- stream state

template <class Rec> void expectStreamState(const std::string& defaultForm) {
  std::ostringstream os;
  os << std::scientific << std::setfill('*') << std::setprecision(9);
  const auto flagsBefore = os.flags();
  os << Rec();
  EXPECT_EQ(defaultForm, os.str());
  EXPECT_EQ(flagsBefore, os.flags());
  EXPECT_EQ(4, os.precision());
  EXPECT_EQ(' ', os.fill());
}

TEST(PrinterTest, StreamStateAfterPrinting) {
  expectStreamState<ZELBus>(printed(ZELBus()));
  expectStreamState<ZELGenerator>(printed(ZELGenerator()));
  expectStreamState<ZELLoad>(printed(ZELLoad()));
  expectStreamState<ZELBranch>(printed(ZELBranch()));
  expectStreamState<ZELTransformerAdjustment>(printed(ZELTransformerAdjustment()));
  expectStreamState<ZELAreaInterchange>(printed(ZELAreaInterchange()));
  expectStreamState<ZELSwitchedShunt>(printed(ZELSwitchedShunt()));
  expectStreamState<ZELTwoTerminalDC>(printed(ZELTwoTerminalDC()));
}

TEST(PrinterTest, AdjustmentIsTheStreams) {
  std::ostringstream os;
  os << std::left << ZELAreaInterchange();
  EXPECT_EQ("-1    ,0     ,0.0000   ,10.0000  ,'        '", os.str());
  EXPECT_TRUE(os.flags() & std::ios::left);
}

TEST(PrinterTest, ReturnsTheStream) {
  std::ostringstream os;
  os << ZELAreaInterchange() << "|" << ZELLoad();
  EXPECT_EQ(printed(ZELAreaInterchange()) + "|" + printed(ZELLoad()), os.str());
}

// What the stream itself writes for an area record with the printer's
// settings: the reference for both the printer's own formatting and the
// stream's.
std::string streamFormatted(const ZELAreaInterchange& a, std::ios::fmtflags flags,
                            const std::locale& loc) {
  std::ostringstream ref;
  ref.flags(flags);
  ref.imbue(loc);
  ref << std::setfill(' ') << std::fixed << std::showpoint << std::setprecision(4);
  ref << std::setw(6) << a.I() << ',' << std::setw(6) << a.ISW() << ',' << std::setw(9)
      << a.PDES() << ',' << std::setw(9) << a.PTOL() << ',' << std::setw(10)
      << a.ARNAME();
  return ref.str();
}

std::vector<double> sampleDoubles() {
  std::vector<double> values = {0.0,
                                -0.0,
                                0.00005,
                                -0.00005,
                                0.00015,
                                0.00025,
                                0.00004999999,
                                0.1,
                                0.7,
                                2.675,
                                1.00005,
                                12345.00005,
                                0.5,
                                0.98766,
                                1234567.5,
                                999999999999999.9,
                                999999999999999.5,
                                1e15,
                                1e15 + 0.125,
                                -1e15,
                                9007199254740993.0,
                                1e16,
                                1e22,
                                1e300,
                                -1e300,
                                std::numeric_limits<double>::max(),
                                std::numeric_limits<double>::min(),
                                std::numeric_limits<double>::denorm_min(),
                                1e-320,
                                std::numeric_limits<double>::infinity(),
                                -std::numeric_limits<double>::infinity(),
                                std::numeric_limits<double>::quiet_NaN()};
  // Exact halves at the fourth decimal are odd multiples of 1/32.
  for (int k = 1; k < 200; k += 2) {
    values.push_back(k / 32.0);
    values.push_back(-k / 32.0);
    values.push_back(1000000.0 + k / 32.0);
  }
  // Every exponent, and decimals of every length at many magnitudes.
  std::uint64_t state = 0x9E3779B97F4A7C15ull;
  auto next = [&state] {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return state;
  };
  for (int i = 0; i < 3000; ++i) {
    const std::uint64_t bits = next();
    double d;
    std::memcpy(&d, &bits, sizeof d);
    values.push_back(d);
  }
  for (int i = 0; i < 3000; ++i) {
    const double scale = std::pow(10.0, static_cast<int>(next() % 24) - 8);
    values.push_back(
        static_cast<double>(static_cast<std::int64_t>(next() % 2000000001) - 1000000000) /
        1e5 * scale);
  }
  return values;
}

// The printer's numbers are exactly what the stream writes for the same
// settings, whatever the value.
TEST(PrinterTest, NumbersAsTheStreamWritesThem) {
  const std::vector<double> values = sampleDoubles();
  const int ints[] = {
      0, -1, 7, 123456, std::numeric_limits<int>::max(), std::numeric_limits<int>::min()};
  std::size_t mismatches = 0;
  for (std::size_t i = 0; i < values.size(); ++i) {
    ZELAreaInterchange area;
    area.I() = ints[i % 6];
    area.ISW() = ints[(i + 1) % 6];
    area.PDES() = values[i];
    area.PTOL() = -values[i];
    const std::string expected =
        streamFormatted(area, std::ios::fmtflags(), std::locale());
    const std::string actual = printed(area);
    if (expected != actual && ++mismatches <= 10) {
      char hex[64];
      std::snprintf(hex, sizeof hex, "%a", values[i]);
      ADD_FAILURE() << "value " << hex << ": expected " << shown(expected) << ", got "
                    << shown(actual);
    }
  }
  EXPECT_EQ(0u, mismatches);
}

// A decimal comma with thousands grouping: only the stream can format that.
struct CommaPunct : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
  char do_thousands_sep() const override { return '.'; }
  std::string do_grouping() const override { return "\3"; }
};

TEST(PrinterTest, StreamSettingsTheCallerChose) {
  const std::locale comma(std::locale::classic(), new CommaPunct);
  struct Variant {
    const char* name;
    std::ios::fmtflags flags;
    std::locale loc;
  };
  const Variant variants[] = {
      {"default", std::ios::fmtflags(), std::locale::classic()},
      {"left", std::ios::left, std::locale::classic()},
      {"internal", std::ios::internal, std::locale::classic()},
      {"showpos", std::ios::showpos, std::locale::classic()},
      {"hex", std::ios::hex, std::locale::classic()},
      {"uppercase hex", std::ios::hex | std::ios::uppercase, std::locale::classic()},
      {"scientific", std::ios::scientific, std::locale::classic()},
      {"decimal comma", std::ios::fmtflags(), comma},
  };
  const std::vector<double> values = {0.0,  -0.0,   1234567.5, 0.03125,  -2.675,
                                      1e20, 1e-320, 123.45678, -0.00005, HUGE_VAL};
  for (const Variant& v : variants) {
    for (double value : values) {
      SCOPED_TRACE(std::string(v.name) + " " + std::to_string(value));
      ZELAreaInterchange area;
      area.I() = 1234567;
      area.ISW() = -255;
      area.PDES() = value;
      area.PTOL() = 10.0;
      area.ARNAME() = "'A'";
      std::ostringstream os;
      os.flags(v.flags);
      os.imbue(v.loc);
      os << area;
      EXPECT_EQ(streamFormatted(area, v.flags, v.loc), os.str());
      EXPECT_EQ(v.flags, os.flags());
      EXPECT_EQ(4, os.precision());
      EXPECT_EQ(' ', os.fill());
    }
  }
}

TEST(PrinterTest, PendingWidthIsUsedUp) {
  std::ostringstream os;
  os << std::setw(40) << ZELAreaInterchange() << "x";
  EXPECT_EQ(printed(ZELAreaInterchange()) + "x", os.str());
  EXPECT_EQ(0, os.width());
}

// Text fields longer than any buffer a printer may keep are written whole.
TEST(PrinterTest, LongTextFields) {
  const std::string defaultBus = printed(ZELBus());
  const std::string defaultName = "'--------'";
  for (std::size_t length :
       {11u, 900u, 1000u, 1010u, 1020u, 1024u, 1030u, 2000u, 5000u}) {
    SCOPED_TRACE(length);
    ZELBus bus;
    bus.NAME() = "'" + std::string(length - 2, 'N') + "'";
    EXPECT_EQ(replaceAll(defaultBus, defaultName, bus.NAME()), printed(bus));
    ZELTwoTerminalDC dc;
    dc.METER() = std::string(length, 'M');
    const std::vector<std::string> lines = splitLines(printed(dc));
    ASSERT_EQ(3u, lines.size());
    EXPECT_EQ(replaceAll(splitLines(printed(ZELTwoTerminalDC()))[0], "'I'", dc.METER()),
              lines[0]);
  }
}

// A parse reads its view and nothing behind it.
TEST(ParseTest, ReadsOnlyTheView) {
  auto view = [](const std::string& buffer, std::size_t cut) {
    return std::string_view(buffer.data(), buffer.size() - cut);
  };
  std::string message;
  const std::string bus = kBusLine + "9";
  ZELBus b;
  ASSERT_TRUE(zel23::parse(view(bus, 1), b, message)) << message;
  EXPECT_EQ(7, b.ZONE());
  const std::string gen = kGenLine + "9";
  ZELGenerator g;
  ASSERT_TRUE(zel23::parse(view(gen, 1), g, message)) << message;
  EXPECT_EQ(0.0, g.PB());
  const std::string load = kLoadLine + "9";
  ZELLoad l;
  ASSERT_TRUE(zel23::parse(view(load, 1), l, message)) << message;
  EXPECT_EQ(-10.0, l.YQ());
  const std::string branch = kBranchLine + "9";
  ZELBranch br;
  ASSERT_TRUE(zel23::parse(view(branch, 1), br, message)) << message;
  EXPECT_EQ(1, br.ST());
  const std::string adj = kAdjLine + "9";
  ZELTransformerAdjustment a;
  ASSERT_TRUE(zel23::parse(view(adj, 1), a, message)) << message;
  EXPECT_EQ(0, a.TABLE());
  const std::string area = "1,0,0.0,10.0,NORTH9";
  ZELAreaInterchange ar;
  ASSERT_TRUE(zel23::parse(view(area, 1), ar, message)) << message;
  EXPECT_EQ("NORTH", ar.ARNAME());
  const std::string shunt = "101,1,1.05,0.95,0,50.0,2,0.5,1,-0.259";
  ZELSwitchedShunt s;
  ASSERT_TRUE(zel23::parse(view(shunt, 1), s, message)) << message;
  EXPECT_EQ(-0.25, s.B(1));
  const std::string l1 = kDcLine1 + "9", l2 = kDcLine2 + "9", l3 = kDcLine3 + "9";
  ZELTwoTerminalDC dc;
  ASSERT_TRUE(zel23::parse(view(l1, 1), view(l2, 1), view(l3, 1), dc, message))
      << message;
  EXPECT_TRUE(sameRecord(withValues<ZELTwoTerminalDC>(kDcFields), dc));
  // Cut inside a token: the token ends with the view.
  ASSERT_TRUE(zel23::parse(view(shunt, 2), s, message)) << message;
  EXPECT_EQ(-0.2, s.B(1));
  ASSERT_FALSE(zel23::parse(view(kLoadLine, 4), l, message));
  EXPECT_EQ("Error parsing load data: YQ", message);
}

// ---------------------------------------------------------------- round trips

template <class Rec> void expectRoundTrip(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    SCOPED_TRACE(shown(line));
    const Rec original = parsed<Rec>(line);
    const std::string text = printed(original);
    SCOPED_TRACE("printed " + shown(text));
    Rec expected = rounded(original);
    if constexpr (std::is_same_v<Rec, ZELBranch>) expected.RATEC() = 0.0;
    EXPECT_TRUE(sameRecord(expected, parsed<Rec>(text)));
  }
}

TEST(RoundTripTest, Bus) {
  expectRoundTrip<ZELBus>({kBusLine,
                           "1,1,0.00004,-0.00005,123.456789,-99999.99999,2,0.98766,"
                           "0.5,'--------',400.00005,3",
                           "-7 3 1e6 -1e-6 0 0 0 1.00005 -179.99995 'A, B' 0.01 0",
                           "2147483647,1,0,0,0,0,1,1,0,NAME,0,-2147483648"});
}

TEST(RoundTripTest, Generator) {
  expectRoundTrip<ZELGenerator>(
      {kGenLine,
       "3,'G 1',0.00004,-0.00005,1e4,-1e4,1.04999,2,99.99995,0.12345,0.6789,1e-5,"
       "2.5,0.95,0,55.55555,123456.7,-0.1",
       "0 'GEN12' 1 2 3 4 5 0 6 7 8 9 10 11 -1 12 13 14"});
}

TEST(RoundTripTest, Load) {
  expectRoundTrip<ZELLoad>({kLoadLine,
                            "1 'L1' 0 -3 99999 0.00004 -0.00005 1.23456 -6.54321 "
                            "1e5 -1e-5",
                            "2147483647,'LONG ID',-1,1,1,1,1,1,1,1,1"});
}

TEST(RoundTripTest, Branch) {
  expectRoundTrip<ZELBranch>(
      {kBranchLine,
       "3,4,'AB',0.00004,-0.00005,0.123456,1000.5,2000.25,3000.125,"
       "0.98765,-30.00005,0.1,0.2,0.3,0.4,0",
       "-1 -2 'X, Y' 1 2 3 4 5 6 7 8 9 10 11 12 -3"});
}

TEST(RoundTripTest, TransformerAdjustment) {
  expectRoundTrip<ZELTransformerAdjustment>(
      {kAdjLine, "0 0 'T 1' 0 1.23456 0.00004 -0.00005 99.99995 0.00625 -4",
       "2147483647,5,AB,6,1,1,1,1,1,2147483647"});
}

TEST(RoundTripTest, AreaInterchange) {
  expectRoundTrip<ZELAreaInterchange>({"1,0,0.0,10.0,'NORTH   '",
                                       "-3 7 1234567.5 0.00004 NORTH",
                                       "2,-1,-0.00005,99.99995,'A, B'"});
}

TEST(RoundTripTest, SwitchedShunt) {
  std::vector<std::string> lines = {"101,1,1.05,0.95,0,50.0,2,0.5,1,-0.25",
                                    "0 2 1.00004 0.99995 -3 0.00004 -2 0.00005"};
  for (int pairs = 1; pairs <= 8; ++pairs) {
    std::string line = "9,1,1.1,0.9,4,12.34567";
    for (int k = 0; k < pairs; ++k)
      line += "," + std::to_string(k - 2) + "," + std::to_string(k * 1.23456 - 3);
    lines.push_back(line);
  }
  expectRoundTrip<ZELSwitchedShunt>(lines);
}

TEST(RoundTripTest, TwoTerminalDC) {
  const std::vector<std::vector<std::string>> cases = {
      {kDcLine1, kDcLine2, kDcLine3},
      {"1 2 0.00004 -0.00005 1.23456 2.34567 3.45678 4.56789 R",
       "0 1 -1 -1.00005 0 0 0 0.99995 1 1.5 0.51 0.00625",
       "-4 -1 1e3 1e-5 -1e-5 9 8 7 6 5 4 3"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(shown(c[0]));
    const auto original = parsedDC(c[0], c[1], c[2]);
    const std::vector<std::string> lines = splitLines(printed(original));
    ASSERT_EQ(3u, lines.size()) << "three lines, the last without a line end";
    EXPECT_TRUE(sameRecord(rounded(original), parsedDC(lines[0], lines[1], lines[2])));
  }
}

} // namespace
