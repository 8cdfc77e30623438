// zel23::check: one row per finding, each a small case made from the clean
// fixture data/check/base.raw by replacing one line, with the code and the
// line the finding must carry (and its message where it matters); numbers
// written wrong; the clean case itself; the islands summary.

#include "support.h"
#include "zel23_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace {

using zel23_test::readFile;
using zel23_test::readText;

std::string base() { return readFile(zel23_test::dataPath("check/base.raw")); }

// The base case with lines (1-based) replaced, each by a text that may hold
// several lines.
std::string withLines(std::map<std::size_t, std::string> lines) {
  std::string out, all = base();
  std::size_t start = 0;
  for (std::size_t n = 1; start < all.size(); ++n) {
    const std::size_t end = all.find('\n', start) + 1;
    out += lines.count(n) ? lines[n] + "\n" : all.substr(start, end - start);
    start = end;
  }
  return out;
}

const char* const kBaseLine11 = "2,'1',50,10,40,-20,1.01,0,100,0,0.25,0,0,1,1,100,80,0";

std::string withLine(std::size_t line, const std::string& text) {
  return withLines({{line, text}});
}

zel23::CheckResult checkText(const std::string& text) {
  const zel23_test::Read r = readText(text);
  return zel23::check(r.data, r.report, text);
}

struct Row {
  std::size_t line; // replaced line of base.raw
  const char* text;
  const char* code;
  std::size_t at;                // line of the finding; 0: no finding of the code
  const char* message = nullptr; // the finding's message, where given
};

const Row kRows[] = {
    {1, "0", "no-system-base", 1},
    {6, "3,1,50,20", "malformed-record", 6},
    {10, "-1,'1',100,20,80,-40,1.02,0,200,0,0.25,0,0,1,1,100,150,0", "invalid-bus-number",
     10},
    {28, "0 / end\n0 / extra\n6,7", "record-after-last-section", 30},
    {4, "1,2,0,0,0,0,1,1.02,0,'ONE',138,1", "no-swing-bus", 4},
    {8, "5,1,30,10,0,0,2,1.0,0,'FIVE',69,1\n5,1,0,0,0,0,2,1.0,0,'5B',69,1",
     "duplicate-bus", 9},
    {11, "9,'1',50,10,40,-20,1.01,0,100,0,0.25,0,0,1,1,100,80,0", "unknown-bus", 11},
    // Bus numbers far apart are looked up through a hash table.
    {8, "5000000,1,30,10,0,0,2,1.0,0,'FIVE',69,1", "unknown-bus", 16},
    {24, "9,2,25,5,0,12.5,138,0.44,1,1.15,0.85,0.00625", "unknown-bus", 24},
    {25, "9,2,20,17,0,12.5,138,0.44,1,1.15,0.85,0.00625", "unknown-bus", 25},
    {11,
     "2,'1',50,10,40,-20,1.01,0,100,0,0.25,0,0,1,1,100,80,0\n"
     "2,' 1 ',5,1,4,-2,1.01,0,100,0,0.25,0,0,1,1,100,8,0",
     "duplicate-generator", 12},
    {14, "2,2,'1',0.01,0.1,0.02,100,110,120,0,0,0,0,0,0,1", "branch-to-itself", 14},
    {14,
     "2,3,'1',0.01,0.1,0.02,100,110,120,0,0,0,0,0,0,1\n"
     "2,3,1,0.01,0.1,0.02,100,110,120,0,0,0,0,0,0,1",
     "duplicate-branch", 15},
    {18, "3,4,'2',4,1.1,0.9,1.05,0.95,0.0125,0", "adjustment-without-branch", 18},
    {18, "3,4,'1',9,1.1,0.9,1.05,0.95,0.0125,0", "unknown-bus", 18},
    {18, "3,4,'1',0,1.1,0.9,1.05,0.95,0.0125,0", "unknown-bus", 0},
    {5, "2,2,0,0,0,0,1,1.01,0,'TWO',0,1", "line-between-voltage-levels", 0},
    {28, "", "missing-terminator", 28},
    {28, "0 / end\n0 / extra", "extra-terminator", 29},
    {15, "3,4,'1',0.001,0.05,0,100,110,120,1.02,0,0,0,0,0,0", "island-without-swing", 7},
    {5, "2,3,0,0,0,0,1,1.01,0,'TWO',138,1", "several-swing-buses", 5,
     "bus 2 is a second swing bus (type 3) in the island of swing bus 1 on line 4"},
    {8, "5,4,30,10,0,0,2,1.0,0,'FIVE',69,1", "branch-to-isolated-bus", 16},
    {16, "4,5,'1',0.01,0.1,0.02,60,66,72,0,0,0,0,0,0,0", "unconnected-bus", 8},
    {16, "5,5,'1',0.01,0.1,0.02,60,66,72,0,0,0,0,0,0,1", "unconnected-bus", 8},
    {11, "1,'2',50,10,40,-20,1.02,0,100,0,0.25,0,0,1,1,100,80,0",
     "pv-bus-without-generator", 5},
    {10, "1,'1',100,20,80,-40,1.02,0,200,0,0.25,0,0,1,0,100,150,0",
     "pv-bus-without-generator", 4},
    {11, "2,'1',50,10,40,-20,1.01,0,100,0,0.25,0,0,1,0,100,80,0",
     "pv-bus-generators-offline", 5,
     "bus 2 is a PV bus but its generator is out of service: solved as a load bus"},
    {11,
     "2,'1',50,10,40,-20,1.01,0,100,0,0.25,0,0,1,0,100,80,0\n"
     "2,'2',50,10,40,-20,1.01,0,100,0,0.25,0,0,1,0,100,80,0",
     "pv-bus-generators-offline", 5,
     "bus 2 is a PV bus but its 2 generators are out of service: solved as a load bus"},
    {11, "3,'1',50,10,40,-20,1.0,0,100,0,0.25,0,0,1,1,100,80,0", "generator-at-load-bus",
     11},
    {5, "2,4,0,0,0,0,1,1.01,0,'TWO',138,1", "generator-at-isolated-bus", 11},
    {11,
     "2,'1',50,10,40,-20,1.01,0,100,0,0.25,0,0,1,1,100,80,0\n"
     "2,'2',50,10,40,-20,1.03,0,100,0,0.25,0,0,1,1,100,80,0",
     "voltage-setpoint-conflict", 12,
     "generator '2' at bus 2 has VS 1.03, but generator '1' at the same bus on line 11 "
     "has "
     "VS 1.01"},
    {11, "2,'1',50,10,40,-20,1.03,1,100,0,0.25,0,0,1,1,100,80,0",
     "voltage-setpoint-conflict", 11},
    {6, "3,1,50,20,0,0,1,0.3,0,'THREE',138,1", "voltage-out-of-range", 6},
    {6, "3,1,50,20,0,0,1,1.5,0,'THREE',138,1", "voltage-out-of-range", 0},
    {6, "3,1,50,20,0,0,1,0.5,0,'THREE',138,1", "voltage-out-of-range", 0},
    {10, "1,'1',100,20,80,-40,1.6,0,200,0,0.25,0,0,1,1,100,150,0", "voltage-out-of-range",
     10},
    {10, "1,'1',100,20,80,-40,1.02,0,200,0,0.25,0,0,1,1,100,0,10",
     "generator-limits-reversed", 10},
    {10, "1,'1',100,20,-40,80,1.02,0,200,0,0.25,0,0,1,1,100,150,0",
     "generator-limits-reversed", 10},
    {18, "3,4,'1',4,0.9,1.1,1.05,0.95,0.0125,0", "adjustment-limits-reversed", 18},
    {18, "3,4,'1',4,1.1,0.9,0.95,1.05,0.0125,0", "adjustment-limits-reversed", 18},
    {18, "3,4,'1',4,1.0,1.0,1.0,1.0,0.0125,0", "adjustment-limits-reversed", 0},
    {13, "1,2,'1',0.01,0.1,0.02,100,-5,120,0,0,0,0,0,0,1", "negative-rating", 13},
    {13, "1,2,'1',0.01,0.1,0.02,-7,110,120,0,0,0,0,0,0,1", "negative-rating", 13,
     "branch 1-2 circuit '1' has a negative rating RATEA -7"},
    {13, "1,2,'1',0,0,0.02,100,110,120,0,0,0,0,0,0,1", "zero-impedance", 13},
    {15, "3,4,'1',0.001,0.05,0,100,110,120,0,0,0,0,0,0,1", "line-between-voltage-levels",
     15,
     "branch 3-4 circuit '1' is a line (RATIO 0, no ANGLE) but joins bus 3 at 138 kV and "
     "bus 4 at 69 kV"},
    {7, "4,1,40,10,0,0,2,1.0,0,'FOUR',0.48,1", "line-between-voltage-levels", 16},
    {15, "3,4,'1',0.001,0.05,0,100,110,120,1,0,0,0,0,0,1", "line-between-voltage-levels",
     0},
    {15, "3,4,'1',0.001,0.05,0,100,110,120,0,30,0,0,0,0,1", "line-between-voltage-levels",
     0},
    {20, "1,4,0,10,'NORTH'", "area-swing-bus-outside-area", 20},
    {21, "2,9,0,10,'SOUTH'", "area-swing-bus-outside-area", 21},
    {27, "3,1,1.05,0.98,0,30,0,15", "empty-switched-shunt", 27},
    // Each way of cutting a line into fields, each kind of numeric field.
    {6, "3,1,50,20,0,0,1,1.O2,0,'THREE',138,1", "malformed-number", 6,
     "VM is written '1.O2': read as 1.0"},
    {6, "3,1,50,20,0,0,O2,1.0,0,'THREE',138,1", "malformed-number", 6,
     "AREA is written 'O2': read as 0"},
    {6, "3,1,50,20,0,0,1,1.0,0,'THREE',138,2147483648", "malformed-number", 6,
     "ZONE is written '2147483648': read as -2147483648"},
    // An empty header line: the lines are still counted from the text's start.
    {1, "\nh2\nh3\n1,3,0,0,0,0,1,1.O2,0,'ONE',138,1", "malformed-number", 4,
     "VM is written '1.O2': read as 1.0"},
    {10, "1,'1',1OO,20,80,-40,1.02,0,200,0,0.25,0,0,1,1,100,150,0", "malformed-number",
     10, "PG is written '1OO': read as 1.0"},
    {13, "1,2,'1',0.01,0.1,0.02,100,110,,0,0,0,0,0,0,1.5", "malformed-number", 13,
     "ST is written '1.5': read as 1"},
    {13, "1,2,'1',0.01,0.1,0.02,100,110,,0,0,0,0,0,0,1.0", "malformed-number", 0},
    {18, "3,4,'1',4,1.1,0.9,1.05,0.95,0.0125,zero", "malformed-number", 18,
     "TABLE is written 'zero': read as 0"},
    {20, "1,'1',0,10,'NORTH'", "malformed-number", 20, "ISW is written ''1'': read as 0"},
    {23, "1,1,8.2,50,5OO,400,0,0,'R'", "malformed-number", 23,
     "VSCHD is written '5OO': read as 5.0"},
    {24, "2,2,25,5,0,12.5,138,0.44,1,1.15,0.85,O.00625", "malformed-number", 24,
     "TSTPR is written 'O.00625': read as 0.0"},
    {25, "3,2x,20,17,0,12.5,138,0.44,1,1.15,0.85,0.00625", "malformed-number", 25,
     "NBI is written '2x': read as 2"},
    {27, "3,1,1.05,0.98,0,30,2.5,15", "malformed-number", 27,
     "N1 is written '2.5': read as 2"},
    {27, "3,1,1.05,0.98,0,30,2.0,15", "malformed-number", 0},
    {25, "3,2,20,17,0,12.5,138,0.44,1,1.15,0.85,0.00625,7x", "malformed-number", 0},
    {27, "3,1,1.05,0.98,0,30,1e3,15", "malformed-number", 0},
    {27, "3,1,1.05,0.98,0,30,2147483648,15", "malformed-number", 27,
     "N1 is written '2147483648': read as -2147483648"},
    {8, "5,1,30,10,0,0,2,1.0,0,'FIVE',69,1\r", "malformed-number", 0},
};

TEST(Check, EachFindingAtItsLine) {
  for (const Row& row : kRows) {
    SCOPED_TRACE(std::string(row.code) + " from line " + std::to_string(row.line));
    const auto findings = checkText(withLine(row.line, row.text)).findings;
    const auto it =
        std::find_if(findings.begin(), findings.end(), [&](const zel23::Finding& f) {
          return f.code == std::string(row.code) && (f.line == row.at || row.at == 0);
        });
    EXPECT_EQ(it == findings.end(), row.at == 0);
    if (row.message && it != findings.end()) {
      EXPECT_EQ(it->message, row.message);
    }
    EXPECT_TRUE(
        std::is_sorted(findings.begin(), findings.end(),
                       [](const auto& a, const auto& b) { return a.line < b.line; }));
    for (const zel23::Finding& f : findings) {
      const bool known =
          std::any_of(zel23::checkCodes().begin(), zel23::checkCodes().end(),
                      [&](const zel23::CheckCode& c) {
                        return f.code == std::string(c.code) && f.severity == c.severity;
                      });
      EXPECT_TRUE(known) << f.code;
    }
  }
}

// Numbers as C writes them read whole; anything after the number, or no
// number at all, is a finding with what was read. In VA, bus 3's angle.
TEST(Check, NumberText) {
  const std::pair<const char*, const char*> kTokens[] = {
      {"-1.5e+3", nullptr}, {"\v5\f", nullptr},     {".5", nullptr},
      {"5.", nullptr},      {"0x1.8p1", nullptr},   {"0X1F", nullptr},
      {"inf", nullptr},     {"-Infinity", nullptr}, {"nan", nullptr},
      {"nan(x1)", nullptr}, {"1e", "1.0"},          {"1e+", "1.0"},
      {"0x", "0.0"},        {"0xg", "0.0"},         {".", "0.0"},
      {"+-1", "0.0"},       {"infinit", "inf"},     {"nan(x", "nan"},
      {"0x1p", "1.0"},      {"1.5.2", "1.5"}, // line has too many)
      {"nanx)", "nan"},
  };
  for (const auto& [token, read] : kTokens) {
    SCOPED_TRACE(token);
    const std::string line =
        std::string("3,1,50,20,0,0,1,1.0,") + token + ",'THREE',138,1";
    const auto findings = checkText(withLine(6, line)).findings;
    const auto it =
        std::find_if(findings.begin(), findings.end(), [](const zel23::Finding& f) {
          return f.code == std::string("malformed-number");
        });
    if (read == nullptr) {
      EXPECT_TRUE(it == findings.end()) << it->message;
    } else {
      ASSERT_TRUE(it != findings.end());
      EXPECT_EQ(it->message,
                std::string("VA is written '") + token + "': read as " + read);
    }
  }
}

// A case built in code has no lines: its findings stand at line 0, a DC
// line's converter ends too, and there is no text to read numbers from.
TEST(Check, CaseWithoutLines) {
  const zel23_test::Read r =
      readText(withLines({{24, "9,2,25,5,0,12.5,138,0.44,1,1.15,0.85,0.00625"},
                          {25, "8,2,20,17,0,12.5,138,0.44,1,1.15,0.85,0.00625"}}));
  const auto findings = zel23::check(r.data, zel23::ReadReport(), "1,x\n").findings;
  ASSERT_EQ(findings.size(), 2u);
  for (const zel23::Finding& f : findings) {
    EXPECT_STREQ(f.code, "unknown-bus");
    EXPECT_EQ(f.line, 0u);
  }
  // Nor are lines past the end of a text read: it is not the case's.
  EXPECT_EQ(zel23::check(r.data, r.report, "1,abc").findings.size(), 2u);
  // A report may list lines in any order.
  const std::string vm = withLine(6, "3,1,50,20,0,0,1,1.O2,0,'THREE',138,1");
  zel23_test::Read any = readText(vm);
  any.report.recordLines[0] = {8, 6};
  const auto found = zel23::check(any.data, any.report, vm).findings;
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].line, 6u);
  // Nor the fields of a line past those of its record.
  EXPECT_EQ(zel23::check(r.data, r.report, withLine(4, "1,3,0,0,0,0,1,1,0,'ONE',138,1,x"))
                .findings.size(),
            2u);
}

// Findings of one line come in the order of the checks that make them.
TEST(Check, FindingsOfOneLineInCheckOrder) {
  const auto findings =
      checkText(withLine(4, "1,2,0,0,0,0,1,0.3,0,'ONE',138,1")).findings;
  std::vector<std::string> atFour;
  for (const zel23::Finding& f : findings)
    if (f.line == 4) atFour.push_back(f.code);
  EXPECT_EQ(atFour, (std::vector<std::string>{"voltage-out-of-range", "no-swing-bus"}));
}

// A case without buses has no swing bus, said on its first line.
TEST(Check, CaseWithoutBuses) {
  const auto findings = checkText("0 100\nh2\nh3\n0\n0\n0\n0\n0\n0\n0\n").findings;
  ASSERT_EQ(findings.size(), 1u);
  EXPECT_STREQ(findings[0].code, "no-swing-bus");
  EXPECT_EQ(findings[0].line, 1u);
}

// Blocks past noBlocks are not in use, whatever a program left in them.
TEST(Check, BlocksPastTheCountAreNotInUse) {
  const std::string text = withLine(27, "3,1,1.05,0.98,0,30,0,15");
  zel23_test::Read r = readText(text);
  r.data.shunts.at(0).N(1) = 2;
  r.data.shunts.at(0).B(1) = 5;
  const auto findings = zel23::check(r.data, r.report, text).findings;
  ASSERT_EQ(findings.size(), 1u);
  EXPECT_STREQ(findings[0].code, "empty-switched-shunt");
}

// The tie 3-4 open leaves buses 4 and 5 an island without a swing bus: it
// needs one for any load, active or reactive, or any generation.
TEST(Check, IslandWithoutSwingHasLoadOrGeneration) {
  const struct {
    const char *pl, *ql, *generator;
    bool found;
  } kIslands[] = {
      {"40", "0", "", true},
      {"0", "10", "", true},
      {"0", "0", "\n4,'1',0,0,10,-10,1.0,0,100,0,0.25,0,0,1,1,100,10,0", true},
      {"0", "0", "", false},
  };
  for (const auto& island : kIslands) {
    SCOPED_TRACE(std::string(island.pl) + " MW, " + island.ql + " MVAr" +
                 island.generator);
    const std::string load = std::string(",1,") + island.pl + ',' + island.ql;
    const auto findings =
        checkText(withLines({{7, "4" + load + ",0,0,2,1.0,0,'FOUR',69,1"},
                             {8, "5" + load + ",0,0,2,1.0,0,'FIVE',69,1"},
                             {11, std::string(kBaseLine11) + island.generator},
                             {15, "3,4,'1',0.001,0.05,0,100,110,120,1.02,0,0,0,0,0,0"}}))
            .findings;
    EXPECT_EQ(std::any_of(findings.begin(), findings.end(),
                          [](const zel23::Finding& f) {
                            return f.code == std::string("island-without-swing");
                          }),
              island.found);
  }
}

// The base case, and the same with 64 more circuits from bus 1 to bus 2:
// more branches than the look-ahead reaches, each end looked up early.
TEST(Check, CleanCaseHasNoFinding) {
  std::string circuits = "1,2,'1',0.01,0.1,0.02,100,110,120,0,0,0,0,0,0,1";
  for (int k = 2; k <= 65; ++k)
    circuits += "\n1,2," + std::to_string(k) + ",0.01,0.1,0.02,100,110,120,0,0,0,0,0,0,1";
  // With the tie 2-3 open, the DC line 2-3 keeps the buses one island.
  const std::string dcTie =
      withLine(14, "2,3,'1',0.01,0.1,0.02,100,110,120,0,0,0,0,0,0,0");
  for (const std::string& text : {base(), withLine(13, circuits), dcTie}) {
    const zel23::CheckResult r = checkText(text);
    for (const zel23::Finding& f : r.findings)
      ADD_FAILURE() << f.line << ": " << f.code << ": " << f.message;
    ASSERT_EQ(r.summary.islands.size(), 1u);
    EXPECT_EQ(r.summary.islands[0].buses, 5u);
  }
}

void expectIsland(const zel23::Island& i, std::size_t buses, int first,
                  std::vector<int> swings, double loadMW, double loadMVAr, double genMW,
                  double genMVAr) {
  EXPECT_EQ(i.buses, buses);
  EXPECT_EQ(i.firstBus, first);
  EXPECT_EQ(i.swingBuses, swings);
  EXPECT_DOUBLE_EQ(i.loadMW, loadMW);
  EXPECT_DOUBLE_EQ(i.loadMVAr, loadMVAr);
  EXPECT_DOUBLE_EQ(i.generationMW, genMW);
  EXPECT_DOUBLE_EQ(i.generationMVAr, genMVAr);
}

TEST(Check, SummaryOfTheSample) {
  const zel23::CheckResult r = checkText(readFile(ZEL23_SAMPLE_CASE));
  for (const zel23::Finding& f : r.findings)
    ADD_FAILURE() << f.line << ": " << f.code << ": " << f.message;
  EXPECT_EQ(r.summary.buses, 14u);
  EXPECT_EQ(r.summary.isolatedBuses, 0u);
  EXPECT_EQ(r.summary.swingBuses, 1u);
  ASSERT_EQ(r.summary.islands.size(), 1u);
  expectIsland(r.summary.islands[0], 14, 101, {101}, 965, 320, 965, 182);
}

TEST(Check, SummaryOfTwoIslandsLargestFirst) {
  // Branch 1-2 out of service leaves the swing bus alone, first in the file.
  const zel23::CheckResult r =
      checkText(withLine(13, "1,2,'1',0.01,0.1,0.02,100,110,120,0,0,0,0,0,0,0"));
  EXPECT_EQ(r.summary.swingBuses, 1u);
  ASSERT_EQ(r.summary.islands.size(), 2u);
  expectIsland(r.summary.islands[0], 4, 2, {}, 120, 40, 50, 10);
  expectIsland(r.summary.islands[1], 1, 1, {1}, 0, 0, 100, 20);
}

} // namespace
