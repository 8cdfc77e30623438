#include "record_support.h"
#include "zel23.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iomanip>
#include <sstream>
#include <string>
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
  for (int values : {0, 1, 3, 15, 17, 18, 20}) {
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
