// MATPOWER case files: numbers, round trips both ways, bad input, and Octave
// loading what the writer wrote.

#include "interop/matlab.h"
#include "interop/matpower_columns.h"
#include "zel23.h"
#include "zel23_matpower.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

namespace {

using zel23::interop::Value;

std::string fixture(const std::string& name) {
  std::ifstream in(std::string(ZEL23_SOURCE_DIR) + "/" + name, std::ios::binary);
  EXPECT_TRUE(in) << name;
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string exported(const zel23::Case& c, const std::string& name = "zel23case") {
  std::ostringstream out;
  zel23::MatpowerWriteOptions options;
  options.functionName = name;
  zel23::writeMatpower(out, c, options);
  return out.str();
}

// Every field assignment of a function file, as the scanner reads it.
std::map<std::string, Value> fieldsOf(const std::string& text) {
  zel23::interop::ScanSink sink;
  sink.wantsProblems = [](const std::string&) { return true; };
  sink.assigned = [](const std::string&, const Value&) {};
  sink.skipped = [](std::size_t, const std::string&, const std::string&) {};
  sink.problem = [](std::size_t line, std::string m) { ADD_FAILURE() << line << m; };
  zel23::interop::FunctionFile file;
  zel23::interop::scanFunctionFile(text, sink, file);
  return file.fields;
}

bool sameBits(double a, double b) {
  return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(MatpowerNumber, MatlabForms) {
  const double inf = HUGE_VAL;
  const struct {
    const char* text;
    bool ok;
    double value;
  } rows[] = {
      {"1", true, 1},
      {"-0.5", true, -0.5},
      {"+.5", true, 0.5},
      {"1e-3", true, 1e-3},
      {"1E+3", true, 1e3},
      {"1d3", true, 1e3},
      {"2D-2", true, 2e-2},
      {"Inf", true, inf},
      {"-inf", true, -inf},
      {"1e999", true, inf},
      {"1d300", true, 1e300},
      {"-1e-999", true, -0.0},
      {"5.", true, 5},
      {"0.1", true, 0.1},
      // 20 digits: their integer is 2^64 + 5.
      {"0.18446744073709551621", true, 0.18446744073709551621},
      {"", false, 0},
      {"-", false, 0},
      {"1.2.3", false, 0},
      {"0x1F", false, 0},
      {"1i", false, 0},
      {"abc", false, 0},
      {"1e", false, 0},
      {"Infinity", false, 0},
      // Past what one exact operation converts: 20 digits, powers beyond 1e22.
      {"18446744073709551617", true, 18446744073709551617.0},
      {"1e23", true, 1e23},
      {"1e-23", true, 1e-23},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    double value = 42.0;
    ASSERT_EQ(zel23::interop::parseNumber(row.text, value), row.ok);
    if (row.ok) {
      EXPECT_TRUE(sameBits(value, row.value)) << value;
    }
  }
  double nan = 0.0;
  EXPECT_TRUE(zel23::interop::parseNumber("NaN", nan) && std::isnan(nan));
}

// The fields a function body leaves and the messages of reading it as a case.
struct Evaluated {
  std::map<std::string, Value> fields;
  std::vector<std::string> problems;
};
Evaluated evaluate(const std::string& body) {
  const std::string text = "function mpc = t\n" + body + "\n";
  Evaluated out;
  zel23::interop::ScanSink sink;
  sink.wantsProblems = [](const std::string&) { return true; };
  sink.assigned = [](const std::string&, const Value&) {};
  sink.skipped = [](std::size_t, const std::string&, const std::string&) {};
  sink.problem = [](std::size_t, std::string) {};
  zel23::interop::FunctionFile file;
  zel23::interop::scanFunctionFile(text, sink, file);
  out.fields = std::move(file.fields);
  zel23::Case c;
  for (const zel23::Problem& p : zel23::readMatpower(text, c).problems)
    out.problems.push_back(std::to_string(p.line) + ": " + p.message);
  return out;
}

const std::string kHint = " is not evaluated: load the case in MATLAB or Octave and save "
                          "it with `savecase` to get plain matrices";

// Each construct of the subset once, with the values MATLAB gives (Octave
// agrees); each construct beyond it with its message. `x` is unmapped, so
// its values are read with no other problem in the way.
TEST(MatpowerEvaluate, ConstructsGiveMatlabValues) {
  const double inf = HUGE_VAL;
  const struct {
    const char* body;
    std::vector<double> x; // mpc.x, row after row; empty: see `problem`
    std::string problem;   // "LINE: message" among the case's problems
  } rows[] = {
      {"mpc.x = 50/3;", {16.666666666666668}, ""},
      {"mpc.x = [135/sqrt(3) -2^2 2^3^2 2^-2 -2^-2 (1+2)*3 7-2-1 8/2/2];",
       {77.94228634059948, -4, 64, 0.25, -0.25, 9, 4, 2},
       ""},
      {"mpc.x = [1 -2, 1 - 2, 1 -  2, (1 -2) 2 *3 1 +2 1 - -2];",
       {1, -2, -1, -1, -1, 6, 1, 2, 3},
       ""},
      {"mpc.x = [pi -Inf inf 1e3 1d-3 .5 5. 1e999 1e-999];",
       {3.1415926535897931, -inf, inf, 1000, 0.001, 0.5, 5, inf, 0},
       ""},
      {"a = 2; b = a * 3 + 1; pi = 4; mpc.x = [b a^2 pi];", {7, 4, 4}, ""},
      {"mpc.x = [1 == 1, 2 < 1, 2 >= 2, 1 ~= 1, ~0, 1 & 0, 0 | 1, 1 && 1, 0 || 0];",
       {1, 0, 1, 0, 1, 0, 1, 1, 0},
       ""},
      {"[PQ, PV, REF, NONE, BUS_I, BUS_TYPE, PD, QD, GS, BS, BUS_AREA, VM, ...\n"
       "    VA, BASE_KV, ZONE, VMAX, VMIN, LAM_P, LAM_Q, MU_VMAX, MU_VMIN] = idx_bus;\n"
       "mpc.x = [PQ PV REF NONE BUS_I BUS_TYPE PD QD GS BS BUS_AREA VM VA BASE_KV ZONE "
       "VMAX VMIN LAM_P LAM_Q MU_VMAX MU_VMIN];",
       {1, 2, 3, 4, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17},
       ""},
      {"[GEN_BUS, PG, QG, QMAX, QMIN, VG, MBASE, GEN_STATUS, PMAX, PMIN, MU_PMAX, "
       "MU_PMIN, MU_QMAX, MU_QMIN, PC1, PC2, QC1MIN, QC1MAX, QC2MIN, QC2MAX, RAMP_AGC, "
       "RAMP_10, RAMP_30, RAMP_Q, APF] = idx_gen(); mpc.x = [GEN_BUS PMIN MU_PMAX "
       "MU_QMIN PC1 APF];",
       {1, 10, 22, 25, 11, 21},
       ""},
      {"[F_BUS, T_BUS, BR_R, BR_X, BR_B, RATE_A, RATE_B, RATE_C, TAP, SHIFT, BR_STATUS, "
       "PF, QF, PT, QT, MU_SF, MU_ST, ANGMIN, ANGMAX, MU_ANGMIN, MU_ANGMAX] = idx_brch; "
       "mpc.x = [BR_STATUS PF MU_ST ANGMIN ANGMAX MU_ANGMIN MU_ANGMAX];",
       {11, 14, 19, 12, 13, 20, 21},
       ""},
      {"[PW_LINEAR, ~, MODEL, STARTUP, SHUTDOWN, NCOST, COST] = idx_cost; "
       "mpc.x = [PW_LINEAR MODEL STARTUP SHUTDOWN NCOST COST];",
       {1, 1, 2, 3, 4, 5},
       ""},
      {"mpc.x = [1 2; 3 4]; mpc.x(:, 2) = mpc.x(:, 2) * 10; mpc.x(1, 1) = -1;",
       {-1, 20, 3, 40},
       ""},
      {"mpc.x = [1 2 3; 4 5 6]; c = 3; mpc.x(:, [1 c]) = 1 + mpc.x(:, [1, c]) ./ 2 - 1;",
       {0.5, 2, 1.5, 2, 5, 3},
       ""},
      {"mpc.x = [1 2; 3 4]; mpc.x(:, [1 2]) = 2 * mpc.x(:, [1 2]) .* mpc.x(:, [1 2]) - "
       "1;",
       {1, 7, 17, 31},
       ""},
      {"mpc.x = [2 4]; mpc.x(1, 2) = mpc.x(1, 1) + mpc.x(1, 2);", {2, 6}, ""},
      {"mpc.x = [1 2]; mpc.x(1, (1 == 1)^1) = 5;", {5, 2}, ""},
      {"mpc.x = [1 2] ;\nmpc.x(1, 2) = 5;", {1, 5}, ""},
      {"mpc.x = [1 2]; mpc.x(1, 1) = 3 mpc.x = 9;", {1, 2}, ""},
      {"mpc.x = [1 2]; mpc.x(1 , 1 ) = 5 % five\nmpc.x(1, 2) = 6 # six", {5, 6}, ""},
      {"mpc.y = [1 2 3]; mpc.x = [mpc.y(1, 3 -1) 5];", {2, 5}, ""},
      {"mpc.x = [1 2 3]; mpc.x(1, [2 -1+2]) = 9; mpc.y = 1; mpc.y(:, 1:2) = 0; "
       "mpc.x(1, 3) = 7;",
       {9, 9, 7},
       ""},
      {"mpc.x = [1 2; 3 4]; v = mpc.x(:, 1); mpc.x(1, 2) = v;", {1, 2, 3, 4}, ""},
      {"fixed = 0;\nif fixed\n mpc.x = find(1);\n for k = 1:2\n end\nelse\n mpc.x = "
       "2;\nend",
       {2},
       ""},
      {"if 1 > 0 && ~0, mpc.x = 1; else mpc.x = 2; end", {1}, ""},
      {"if 0\n mpc.x = 1;\nendif\nmpc.x = 2;", {2}, ""},
      {"if 0\n if 1\n  mpc.x = 1;\n else\n  mpc.x = 2;\n end\nelse\n mpc.x = 3;\nend",
       {3},
       ""},
      {"a = 2;\nmpc.bus = [a' 1];",
       {},
       "3: mpc.bus: a row holds 'a'': a transpose (')" + kHint},
      {"if 0\n for k = 1:2\n endfor\nelse\n mpc.x = 3;\nendif", {3}, ""},
      {"disp(1) % see (x\nmpc.x = 1;", {1}, ""},
      {"mpc.x = 1; disp 'a; mpc.x = 2; b'", {1}, ""},
      {"mpc.x = [2 .^2];", {4}, ""},
      {"mpc.x = 4^0.5;", {2}, ""},
      {"mpc.x = [2 .*3 1];", {6, 1}, ""},
      {"mpc.x = 2;\ndisp 1 ...\n mpc.x = 1;", {2}, ""},
      {"if 0\n mpc.x = 1;\nelseif 2 == 2\n mpc.x = 3;\nelse\n mpc.x = 4;\nend", {3}, ""},
      {"mpc.baseMVA = 100; mpc.x = mpc.baseMVA / 8;", {12.5}, ""},
      {"mpc.x = [1 2];\nreturn\nmpc.x = 3;", {1, 2}, ""},
      {"mpc.bus = [1 2];\nidx = find(mpc.bus(:, 1) == 1);\nmpc.bus(idx, 2) = 0;",
       {},
       "4: mpc.bus: `idx` is not known: on line 3, `find`" + kHint},
      {"mpc.bus = [1 2];\nfor k = 1:1\n mpc.bus(k, 2) = 0;\nend",
       {},
       "3: a `for` loop" + kHint},
      {"mpc.bus = [1 2; 3 4];\nmpc.bus(mpc.bus(:, 1) > 0, 2) = 0;",
       {},
       "3: mpc.bus: a logical index" + kHint},
      {"mpc.bus = [1 2];\nmpc.bus(:, 1:2) = 0;", {}, "3: mpc.bus: a range (`:`)" + kHint},
      {"mpc.bus = [1 2];\nmpc.bus(:1, 2) = 0;", {}, "3: mpc.bus: a range (`:`)" + kHint},
      {"mpc.bus = [1 2];\nmpc.bus(:, 3) = 0;",
       {},
       "3: mpc.bus: mpc.bus(1, 3) is outside the matrix; growing it" + kHint},
      {"mpc.bus = [1 2];\nmpc.bus(1, 1) = mpc.bus(1, 3);",
       {},
       "3: mpc.bus: mpc.bus(1, 3) is outside the matrix"},
      {"mpc.bus = [1 2];\nmpc.bus(2, 1) = 0;",
       {},
       "3: mpc.bus: index 2 is beyond the 1 rows of mpc.bus"},
      {"mpc.bus = [1 2; 3 4];\nmpc.bus(:, 1) = mpc.bus(:, [1 2]);",
       {},
       "3: mpc.bus: a block of 2 by 2 values cannot fill 2 by 1"},
      {"mpc.bus = [1 2; 3 4];\nmpc.bus(:, 1) = mpc.bus(:, 1) * mpc.bus(:, 2);",
       {},
       "3: mpc.bus: a matrix product (*)" + kHint},
      {"mpc.bus = [1 2];\nmpc.bus = mpc.bus';",
       {},
       "3: mpc.bus: mpc.bus as a whole" + kHint},
      {"mpc.baseMVA = 2^-2^2;",
       {},
       "2: mpc.baseMVA: a power of a signed power (write the parentheses)" + kHint},
      {"mpc.baseMVA = sqrt(-1);",
       {},
       "2: mpc.baseMVA: the square root of a negative number is complex"},
      {"mpc.baseMVA = (-8)^(1/3);",
       {},
       "2: mpc.baseMVA: a negative number to a fractional power is complex"},
      {"mpc.bus = [1 foo(2)];", {}, "2: mpc.bus: a row holds 'foo(2)': `foo`" + kHint},
      {"mpc.bus = [1 foo(123456789012345678901234567890123456789)];",
       {},
       "2: mpc.bus: a row holds 'foo(123456789012345678901234567890123456...': `foo`" +
           kHint},
      {"mpc.bus = [1 2x];", {}, "2: mpc.bus: a row holds '2x', which is not a number"},
      {"mpc.bus = [1 2x...\n 3];",
       {},
       "2: mpc.bus: a row holds '2x', which is not a number"},
      {"mpc.bus = 5;\nmpc.bus(1, 1) = 2;", {}, "3: mpc.bus: mpc.bus is not a matrix"},
      // What a message quotes of a line stops at 40 bytes.
      {"mpc.bus.a123456789012345678901234567890123456789 = 1;",
       {},
       "2: mpc.bus: 'mpc.bus.a12345678901234567890123456789012345678...'" + kHint},
      {"mpc.bus = [1 2];\nmpc.bus(1, 2) a123456789012345678901234567890123456789;",
       {},
       "3: mpc.bus: ' a12345678901234567890123456789012345678...' cannot be read"},
      {"mpc.bus = [1 2];\nmpc.bus(1, 2) = 3 a123456789012345678901234567890123456789;",
       {},
       "3: mpc.bus: 'a123456789012345678901234567890123456789...' cannot be read"},
      {"mpc.bus_name = {'A'; 2x};",
       {},
       "2: mpc.bus_name: a row holds '2x', which is not a number"},
      {"mpc.bus = [1 PD];", {}, "2: mpc.bus: a row holds 'PD', which is not a number"},
      {"mpc.bus = [1 (2 3];",
       {},
       "2: mpc.bus: a row holds '(2 3', which is not a number"},
      {"mpc.x = [1 (2 3];\nmpc.x = 5;", {5}, ""},
      {"mpc.baseMVA = 12abc;", {}, "2: mpc.baseMVA is '12abc', which is not a value"},
      {"mpc.baseMVA = 100';", {}, "2: mpc.baseMVA is '100'', which is not a value"},
      {"mpc.baseMVA = 1.5.5;", {}, "2: mpc.baseMVA is '1.5.5', which is not a value"},
      {"mpc.baseMVA = 1234567890123456789012345678901234567890abc;",
       {},
       "2: mpc.baseMVA is '1234567890123456789012345678901234567890...', which is not a "
       "value"},
      {"mpc.baseMVA = 1(2);", {}, "2: mpc.baseMVA is '1(2)', which is not a value"},
      {"[A, B, C, D, E, F, G, H] = idx_cost;", {}, "2: `idx_cost` gives 7 names, not 8"},
      {"if NaN\n mpc.x = 1;\nend",
       {},
       "2: the condition of this `if` cannot be evaluated: NaN cannot be a condition"},
      {"mpc = loadcase(3);", {}, "2: a statement that changes mpc as a whole" + kHint},
      {"%{\nmpc.x = 1;", {}, "2: the block comment opened here with %{ is never closed"},
  };
  // What follows a stray `else` on its line is not evaluated.
  const Evaluated stray = evaluate("mpc.x = 1;\nelse mpc.x = 3;");
  EXPECT_EQ(stray.fields.at("x").number, 1.0);
  EXPECT_EQ(stray.problems.at(0), "3: `else` without `if`");
  for (const auto& row : rows) {
    SCOPED_TRACE(row.body);
    Evaluated e = evaluate(row.body);
    if (!row.x.empty()) {
      const Value& x = e.fields["x"];
      std::vector<double> got =
          x.kind == Value::kNumber ? std::vector<double>{x.number} : x.numbers;
      ASSERT_EQ(got.size(), row.x.size());
      for (std::size_t k = 0; k < got.size(); ++k)
        EXPECT_TRUE(sameBits(got[k], row.x[k])) << k << ": " << got[k];
      for (const std::string& p : e.problems) // only the missing matrices
        EXPECT_NE(p.find(" is missing"), std::string::npos) << p;
    } else {
      EXPECT_NE(std::find(e.problems.begin(), e.problems.end(), row.problem),
                e.problems.end())
          << (e.problems.empty() ? "none" : e.problems[0]);
    }
  }
}

// A distribution feeder's unit conversions, as MATPOWER's own cases write
// them; the values are MATLAB's, to the bit.
TEST(MatpowerEvaluate, FeederUnitConversion) {
  const std::string text = fixture("test/data/matpower/feeder.m");
  zel23::Case c;
  zel23::MatpowerReport report = zel23::readMatpower(text, c);
  ASSERT_TRUE(report.ok()) << report.problems[0].message;
  const double expected[][4] = {{0.0057525911617239307, 0.002932448856844086, 0.1, 0.06},
                                {0.030759516732428389, 0.0156667639990117, 0.09, 0.04}};
  for (int k = 0; k < 2; ++k) {
    EXPECT_TRUE(sameBits(c.branches[k].R(), expected[k][0])) << c.branches[k].R();
    EXPECT_TRUE(sameBits(c.branches[k].X(), expected[k][1])) << c.branches[k].X();
    EXPECT_TRUE(sameBits(c.buses[k + 1].PL(), expected[k][2])) << c.buses[k + 1].PL();
    EXPECT_TRUE(sameBits(c.buses[k + 1].QL(), expected[k][3])) << c.buses[k + 1].QL();
  }
  // No comment after the function line: no titles, whatever comes later.
  std::string untitled =
      text.substr(0, text.find('%')) + text.substr(text.find("mpc.")) + "% end";
  zel23::Case u;
  ASSERT_TRUE(zel23::readMatpower(untitled, u).ok());
  EXPECT_EQ(u.comments[1] + u.comments[2], "");
}

// What a hostile file meets: each row a whole text and one problem.
TEST(MatpowerRead, HostileInputIsRefusedWithItsCause) {
  const std::string tiny = fixture("test/data/matpower/tiny.m");
  auto edit = [&](const std::string& find, const std::string& replace) {
    std::string text = tiny;
    text.replace(text.find(find), find.size(), replace);
    return text;
  };
  std::string crOnly = tiny;
  std::replace(crOnly.begin(), crOnly.end(), '\n', '\r');
  const std::string longName(927, 'N');
  const struct {
    std::string text;
    std::string problem; // "" for none
  } rows[] = {
      {"", "1: the file is empty"},
      {"function mpc = t\nmpc.bus = [" + std::string(100, '7'),
       "2: mpc.bus: the '[' opened here is never closed"},
      {edit("= 100;", "= Inf;"),
       "6: mpc.baseMVA is inf: a system base must be a number from 1 to 2147483647"},
      {edit("= 100;", "= NaN;"),
       "6: mpc.baseMVA is nan: a system base must be a number from 1 to 2147483647"},
      {edit("= 100;", "= 1e300;"),
       "6: mpc.baseMVA is 1e+300: a system base must be a number from 1 to 2147483647"},
      {edit("= 100;", "= -1e300;"),
       "6: mpc.baseMVA is -1e+300: a system base must be a number from 1 to 2147483647"},
      {edit("= 100;", "= 0.5;"),
       "6: mpc.baseMVA is 0.5: a system base must be a number from 1 to 2147483647"},
      {edit("= 100;", "= 2147483647;"), ""},
      {edit("mpc.version", "%{\nmpc.version"),
       "5: the block comment opened here with %{ is never closed"},
      {edit("mpc.version", "%{\n%{\n%}\nmpc.version"),
       "5: the block comment opened here with %{ is never closed"},
      {crOnly, ""},
      {edit("\t3\t1\t100", "\t2147483648\t1\t100"),
       "10: mpc.bus column 1 (BUS_I): 2147483648 is beyond the 32-bit integers a raw "
       "case holds"},
      {edit("'TWO'", std::string("'T\0O'", 5)),
       "24: mpc.bus_name: a name holds a NUL byte"},
      {std::string(1, '\0') + tiny,
       "24: the function line `function mpc = NAME` is missing"},
      {edit("= tiny", "= 9tiny"), "1: the function name '9tiny' is not a MATLAB name"},
      {edit("mpc = tiny", "[mpc, x] = 9tiny"),
       "1: the function name '9tiny' is not a MATLAB name"},
      {edit("'TWO'", "'" + longName + "'"), ""},
      {edit("'TWO'", "'N" + longName + "'"),
       "24: mpc.bus_name: a name of 928 characters is longer than the 927 a raw bus line "
       "holds"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text.substr(0, 80));
    zel23::Case c;
    zel23::MatpowerReport report = zel23::readMatpower(row.text, c);
    if (row.problem.empty()) {
      ASSERT_TRUE(report.ok()) << report.problems[0].message;
      EXPECT_EQ(c.buses.size(), 3u);
      continue;
    }
    std::vector<std::string> got;
    for (const zel23::Problem& p : report.problems)
      got.push_back(std::to_string(p.line) + ": " + p.message);
    EXPECT_NE(std::find(got.begin(), got.end(), row.problem), got.end())
        << (got.empty() ? "none" : got[0]);
  }
  // A problem's text is its line without the line end, the last line too.
  for (const char* text :
       {"function mpc = t\nmpc.bus = [7", "function mpc = t\r\nmpc.bus = [7\r\n"}) {
    zel23::Case c;
    EXPECT_EQ(zel23::readMatpower(text, c).problems.at(0).text, "mpc.bus = [7");
  }
  // Memory follows the input: bounded problem text and token echo.
  std::string huge = edit("= 100;", "= 1" + std::string(1 << 20, 'x') + ";");
  huge.replace(huge.find("\t1\t1;\n"), 6, "\t1\t1;" + std::string(1 << 16, ' ') + "1;");
  zel23::Case c;
  zel23::MatpowerReport report = zel23::readMatpower(huge, c);
  ASSERT_FALSE(report.ok());
  for (const zel23::Problem& p : report.problems) {
    EXPECT_LE(p.message.size(), 200u);
    EXPECT_LE(p.text.size(), 203u);
  }
  // So do the raw reader's: 200 bytes of the line and an ellipsis.
  std::istringstream raw("0 100\n\n\n" + std::string(600, '1') + " x\n0\n");
  zel23::ReadReport rawReport = zel23::read(raw, c);
  ASSERT_FALSE(rawReport.ok());
  EXPECT_EQ(rawReport.problems[0].text, std::string(200, '1') + "...");
}

// A case holding only what MATPOWER can carry, the rest at the values the
// reader gives: any double but NaN (NaN never equals itself), any int.
class CaseGenerator {
public:
  explicit CaseGenerator(unsigned seed) : rng_(seed) {}

  zel23::Case make() {
    zel23::Case c;
    c.systemBase = static_cast<double>(1 + rng_() % 2147483647);
    c.comments = {"0   " + std::to_string(static_cast<long>(c.systemBase)) +
                      " / MATPOWER case zel23case",
                  title(), title()};
    c.comments.insert(c.comments.end(), 7, "0");
    int buses = 1 + static_cast<int>(rng_() % 20);
    for (int k = 0; k < buses; ++k) {
      ZELBus b;
      b.I() = 1 + k * 7 + static_cast<int>(rng_() % 7);
      b.IDE() = 1 + static_cast<int>(rng_() % 4);
      for (double* d : {&b.PL(), &b.QL(), &b.GL(), &b.BL(), &b.VM(), &b.VA(), &b.BASKV()})
        *d = number();
      b.AREA() = integer();
      b.ZONE() = integer();
      std::string name = rng_() % 4 ? "BUS " + std::to_string(rng_() % 100000) : "";
      name.resize(std::max<std::size_t>(name.size(), 8), ' ');
      b.NAME() = "'" + name + "'";
      c.buses.push_back(b);
    }
    std::map<int, int> machines;
    std::map<std::pair<int, int>, int> circuits;
    for (int k = static_cast<int>(rng_() % 30); k > 0; --k) {
      ZELGenerator g;
      g.I() = bus(c);
      g.ID() = zel23::interop::numberedId(++machines[g.I()]);
      for (double* d :
           {&g.PG(), &g.QG(), &g.QT(), &g.QB(), &g.VS(), &g.MBASE(), &g.PT(), &g.PB()})
        *d = number();
      g.STAT() = integer();
      c.generators.push_back(g);
    }
    for (int k = static_cast<int>(rng_() % 30); k > 0; --k) {
      ZELBranch br;
      br.I() = bus(c);
      br.J() = bus(c);
      br.CKT() = zel23::interop::numberedId(++circuits[std::minmax(br.I(), br.J())]);
      for (double* d : {&br.R(), &br.X(), &br.B(), &br.RATEA(), &br.RATEB(), &br.RATEC(),
                        &br.RATIO(), &br.ANGLE()})
        *d = number();
      br.ST() = integer();
      c.branches.push_back(br);
    }
    for (int k = static_cast<int>(rng_() % 3); k > 0; --k) {
      ZELAreaInterchange a;
      a.I() = integer();
      a.ISW() = integer();
      c.areas.push_back(a);
    }
    return c;
  }

private:
  // Bit patterns of every kind (subnormal, huge, infinite) and short decimals.
  double number() {
    if (rng_() % 2)
      return static_cast<double>(static_cast<int>(rng_() % 20001) - 10000) / 1000;
    for (;;) {
      std::uint64_t bits = rng_();
      double d;
      std::memcpy(&d, &bits, sizeof d);
      if (!std::isnan(d)) return d;
    }
  }
  int integer() { return static_cast<int>(static_cast<std::uint32_t>(rng_())); }
  int bus(const zel23::Case& c) { return c.buses[rng_() % c.buses.size()].I(); }
  std::string title() {
    static const char kChars[] = "AZ az09 %'\".,;[]...\t";
    std::string t;
    for (int n = static_cast<int>(rng_() % 12); n > 0; --n)
      t += kChars[rng_() % (sizeof kChars - 1)];
    return t;
  }
  std::mt19937_64 rng_;
};

template <class Record>
void expectSame(const std::vector<Record>& a, const std::vector<Record>& b) {
  ASSERT_EQ(a.size(), b.size());
  for (std::size_t k = 0; k < a.size(); ++k)
    EXPECT_TRUE(zel23::sameFields(a[k], b[k])) << "record " << k;
}

TEST(MatpowerRoundTrip, RawCaseThroughMatpowerKeepsEveryField) {
  for (unsigned seed = 1; seed <= 200; ++seed) {
    SCOPED_TRACE(seed);
    const zel23::Case c = CaseGenerator(seed).make();
    std::ostringstream out;
    std::vector<std::string> notes = zel23::writeMatpower(out, c);
    EXPECT_EQ(notes.size(), 1u) << "only the voltage limits note";
    zel23::Case back;
    zel23::MatpowerReport report = zel23::readMatpower(out.str(), back);
    ASSERT_TRUE(report.ok()) << report.problems.front().message << "\n" << out.str();
    EXPECT_TRUE(report.notCarried.empty());
    EXPECT_EQ(report.functionName, "zel23case");
    EXPECT_TRUE(sameBits(back.systemBase, c.systemBase));
    EXPECT_EQ(back.comments, c.comments);
    expectSame(back.buses, c.buses);
    expectSame(back.generators, c.generators);
    expectSame(back.branches, c.branches);
    expectSame(back.areas, c.areas);
  }
  // Names all blank: no mpc.bus_name.
  zel23::Case blank = CaseGenerator(1).make();
  for (ZELBus& b : blank.buses)
    b.NAME() = "'  '";
  EXPECT_EQ(exported(blank).find("bus_name"), std::string::npos);
}

TEST(MatpowerRoundTrip, MatpowerCaseThroughRawKeepsEveryMappedColumn) {
  const std::string text = fixture("test/data/matpower/rich.m");
  zel23::Case c;
  ASSERT_TRUE(zel23::readMatpower(text, c).ok());
  auto before = fieldsOf(text), after = fieldsOf(exported(c));
  const std::map<std::string, std::size_t> mapped = {
      {"bus", 11}, {"gen", 10}, {"branch", 11}, {"areas", 2}};
  for (const auto& [name, columns] : mapped) {
    SCOPED_TRACE(name);
    const Value &a = before[name], &b = after[name];
    ASSERT_EQ(a.rows.size(), b.rows.size());
    for (std::size_t r = 0; r < a.rows.size(); ++r)
      for (std::size_t k = 0; k < columns; ++k)
        EXPECT_TRUE(
            sameBits(a.numbers[a.rows[r].start + k], b.numbers[b.rows[r].start + k]))
            << "row " << r + 1 << " column " << k + 1;
  }
  std::vector<std::string> names = before["bus_name"].texts;
  std::replace(names[1].begin(), names[1].end(), '\'', '`');
  EXPECT_EQ(after["bus_name"].texts, names);
  EXPECT_TRUE(sameBits(after["baseMVA"].number, before["baseMVA"].number));
}

TEST(MatpowerRead, SaysWhatItDoesNotCarry) {
  zel23::Case c;
  zel23::MatpowerReport report =
      zel23::readMatpower(fixture("test/data/matpower/rich.m"), c);
  std::vector<std::string> expected;
  std::istringstream lines(fixture("test/data/matpower/rich.notes"));
  for (std::string line; std::getline(lines, line);)
    expected.push_back(line);
  EXPECT_EQ(report.notCarried, expected);
  // Line ends of another system and a byte order mark change nothing.
  std::string crlf = "\xEF\xBB\xBF";
  for (char ch : fixture("test/data/matpower/rich.m"))
    crlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
  zel23::Case same;
  EXPECT_EQ(zel23::readMatpower(crlf, same).notCarried, expected);
  EXPECT_EQ(same.comments, c.comments);
  EXPECT_EQ(exported(same), exported(c));
  EXPECT_EQ(report.functionName, "rich");
  EXPECT_EQ(c.comments[1], "RICH    A case written by hand, with what real files hold");
  EXPECT_EQ(c.generators[2].ID(), "'2 '");
  EXPECT_EQ(c.branches[4].CKT(), "'3 '"); // 3 to 2 is the third circuit of 2 and 3
  // Rows on one line, rows after a continuation: each at the line it starts.
  EXPECT_EQ(report.recordLines[0], (std::vector<std::size_t>{20, 21, 22, 22, 24, 25}));
}

// Header lines and names that would end a comment or a string, open a block
// comment or hold bytes Octave replaces; each with the header comment line
// and the bus_name row the writer gives for it.
using namespace std::string_literals;
const struct Hostile {
  std::string text, comment, name;
  std::size_t notes; // besides the voltage limits'
} kHostile[] = {
    {"TITLE\rsystem(\"touch PWNED\");", "%TITLEsystem(\"touch PWNED\");",
     "\t'TITLEsystem(\"touch PWNED\");';", 2},
    {"{\r", "% {", "\t'{';", 2}, // a last CR ends the line: not noted
    {"}", "% }", "\t'}';", 1},
    {"  {", "%  {", "\t'{';", 0},
    {"A\0B\nC\x7f\x1f"s + "D", "%ABCD", "\t'ABCD';", 2},
    {"x\xc2\x85y\xe2\x80\xa8z\xe2\x80\xa9!", "%xyz!", "\t'xyz!';", 2},
    {"caf\xc3\xa9\tA\xf0\x9f\x98\x80", "%caf\xc3\xa9\tA\xf0\x9f\x98\x80",
     "\t'caf\xc3\xa9\tA\xf0\x9f\x98\x80';", 0},
    {"\xff\xc3(\xed\xa0\x80\xf4\x90\x80\x80\xc0\xaf\xe2\x82ok\xc3", "%(ok", "\t'(ok';",
     2},
    {"x'); system('y", "%x'); system('y", "\t'x''); system(''y';", 0},
    // The first and last characters of each UTF-8 length, around the ones dropped.
    {"~\xc2\xa0\xdf\xbf\xe0\xa0\x80\xed\x9f\xbf\xee\x80\x80\xe2\x80\xa7\xe2\x80\xaa"
     "\xf0\x90\x80\x80\xf4\x8f\xbf\xbf",
     "%~\xc2\xa0\xdf\xbf\xe0\xa0\x80\xed\x9f\xbf\xee\x80\x80\xe2\x80\xa7\xe2\x80\xaa"
     "\xf0\x90\x80\x80\xf4\x8f\xbf\xbf",
     "\t'~\xc2\xa0\xdf\xbf\xe0\xa0\x80\xed\x9f\xbf\xee\x80\x80\xe2\x80\xa7\xe2\x80\xaa"
     "\xf0\x90\x80\x80\xf4\x8f\xbf\xbf';",
     0},
    {"a\xc2\x9f\xe0\x9f\xbf\xf0\x8f\xbf\xbf\xc1\xbf\xf5\x80\x80\x80 b", "%a b",
     "\t'a b';", 2},
    {"", "%", "\t'';", 0},
    // Longer than the writer's block.
    {std::string(70000, 'x'), "%" + std::string(70000, 'x'),
     "\t'" + std::string(70000, 'x') + "';", 0},
};

// A case of three buses whose header line 2 and first bus name are `text`.
zel23::Case hostileCase(const std::string& text) {
  zel23::Case c;
  c.systemBase = 100;
  c.comments = {"{0 100", text, "T3"}; // line 1 is written after blanks
  for (int k = 1; k <= 3; ++k) {
    ZELBus b;
    b.I() = k;
    b.NAME() = "'" + (k == 1 ? text : "B" + std::to_string(k)) + "'";
    c.buses.push_back(b);
  }
  return c;
}

TEST(MatpowerWrite, HostileTextStaysText) {
  for (const Hostile& row : kHostile) {
    SCOPED_TRACE(row.comment);
    std::ostringstream out;
    const std::vector<std::string> notes =
        zel23::writeMatpower(out, hostileCase(row.text));
    std::istringstream lines(out.str());
    std::string line;
    std::vector<std::string> written;
    while (std::getline(lines, line))
      written.push_back(line);
    ASSERT_GT(written.size(), 2u);
    EXPECT_EQ(written[1], row.comment);
    EXPECT_EQ(std::count(written.begin(), written.end(), row.name), 1);
    EXPECT_EQ(notes.size(), 1 + row.notes) << notes.back();
  }
}

// One field away from what MATPOWER carries, one note saying so.
TEST(MatpowerWrite, EachLossIsNoted) {
  using Change = void (*)(zel23::Case&);
  const std::string machine =
                        "1 generator: IREG, ZR, ZX, RT, XT, GTAP or RMPCT not written",
                    lineShunt = "1 branch: line shunts GI, BI, GJ and BJ not written",
                    area = "1 area interchange: PDES, PTOL or ARNAME not written";
  const struct {
    Change change;
    std::string note;
  } rows[] = {
      {[](zel23::Case&) {}, ""},
      {[](zel23::Case& c) { c.generators[0].IREG() = 2; }, machine},
      {[](zel23::Case& c) { c.generators[0].ZR() = 0.5; }, machine},
      {[](zel23::Case& c) { c.generators[0].ZX() = 0.5; }, machine},
      {[](zel23::Case& c) { c.generators[0].RT() = 0.5; }, machine},
      {[](zel23::Case& c) { c.generators[0].XT() = 0.5; }, machine},
      {[](zel23::Case& c) { c.generators[0].GTAP() = 0.5; }, machine},
      {[](zel23::Case& c) { c.generators[0].RMPCT() = 50; }, machine},
      {[](zel23::Case& c) { c.generators[0].ID() = "'2 '"; },
       "1 generator ID not written: reading numbers the machines of a bus 1, 2, ..."},
      {[](zel23::Case& c) { c.branches[0].GI() = 0.1; }, lineShunt},
      {[](zel23::Case& c) { c.branches[0].BI() = 0.1; }, lineShunt},
      {[](zel23::Case& c) { c.branches[0].GJ() = 0.1; }, lineShunt},
      {[](zel23::Case& c) { c.branches[0].BJ() = 0.1; }, lineShunt},
      {[](zel23::Case& c) { c.branches[0].CKT() = "'A '"; },
       "1 branch circuit identifier not written: reading numbers the circuits between "
       "two "
       "buses 1, 2, ..."},
      {[](zel23::Case& c) { c.areas[0].PDES() = 5; }, area},
      {[](zel23::Case& c) { c.areas[0].PTOL() = 5; }, area},
      {[](zel23::Case& c) { c.areas[0].ARNAME() = "'WEST'"; }, area},
      {[](zel23::Case& c) { c.shunts.emplace_back().I() = 9; },
       "1 switched shunt at buses not in the bus section not written"},
      {[](zel23::Case& c) { c.adjustments.emplace_back(); },
       "1 transformer adjustment not written: MATPOWER has no tap adjustment data"},
      {[](zel23::Case& c) { c.dcLines.emplace_back(); },
       "1 two-terminal DC line not written"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.note);
    zel23::Case c = hostileCase("T");
    c.generators.emplace_back().I() = 1;
    c.generators[0].ID() = zel23::interop::numberedId(1);
    c.branches.emplace_back().I() = 1;
    c.branches[0].J() = 2;
    c.branches[0].CKT() = zel23::interop::numberedId(1);
    c.areas.emplace_back().I() = 1;
    row.change(c);
    std::ostringstream out;
    std::vector<std::string> notes = zel23::writeMatpower(out, c);
    ASSERT_FALSE(notes.empty());
    notes.erase(notes.begin()); // the voltage limits
    EXPECT_EQ(notes, row.note.empty() ? std::vector<std::string>()
                                      : std::vector<std::string>{row.note});
  }
}

// Every number as std::to_chars writes it: the shortest text that reads
// back, fixed notation on a tie.
TEST(MatpowerWrite, NumbersAsToChars) {
  std::mt19937_64 rng(3);
  zel23::Case c = hostileCase("T");
  c.buses.resize(1);
  std::string expected = "NaN|Inf|-Inf|";
  for (double value : {std::nan(""), HUGE_VAL, -HUGE_VAL}) {
    c.buses.push_back(c.buses[0]);
    c.buses.back().I() = static_cast<int>(c.buses.size());
    c.buses.back().PL() = value;
  }
  for (int k = 0; k < 20000; ++k) {
    double value =
        static_cast<double>(static_cast<std::int64_t>(rng() % 2000000001) - 1000000000) /
        std::pow(10.0, static_cast<double>(rng() % 14));
    if (k < 4) value = k % 2 ? -2300000.0 : 1e-4;
    if (k % 4 == 0 && k >= 4) {
      const std::uint64_t bits = rng();
      std::memcpy(&value, &bits, sizeof value);
    }
    if (!std::isfinite(value)) continue;
    char text[32];
    expected +=
        std::string(text, std::to_chars(text, text + sizeof text, value).ptr) + "|";
    c.buses.push_back(c.buses[0]);
    c.buses.back().I() = static_cast<int>(c.buses.size());
    c.buses.back().PL() = value;
  }
  std::string written;
  std::istringstream lines(exported(c));
  for (std::string line; std::getline(lines, line);)
    if (line.size() > 1 && line[0] == '\t' && line.find('\'') == std::string::npos) {
      std::istringstream row(line);
      std::string id, type, pl;
      row >> id >> type >> pl;
      if (id != "1") written += pl + "|";
    }
  EXPECT_EQ(written, expected);
}

// Header lines that fill the writer's block to just before a number: under
// AddressSanitizer a number written past the block fails here.
TEST(MatpowerWrite, LongHeaderLinesBeforeANumber) {
  for (std::size_t n = 69000; n <= 69700; n += 3) {
    zel23::Case c = hostileCase(std::string(n, 'h')), back;
    c.systemBase = 123.456;
    c.buses[0].NAME() = "'B1'"; // a name this long is refused on reading
    ASSERT_TRUE(zel23::readMatpower(exported(c), back).ok()) << n;
    EXPECT_EQ(back.systemBase, 123.456);
    EXPECT_EQ(back.comments[1].size(), n);
  }
}

TEST(MatpowerWrite, FunctionNames) {
  const struct {
    std::string name;
    bool ok;
  } rows[] = {
      {"case9", true},
      {"zA9", true},
      {"Az0_a", true},
      {"Z", true},
      {"ends", true},
      {std::string(63, 'a'), true},
      {"", false},
      {"9case", false},
      {"_case", false},
      {"a-b", false},
      {"a b", false},
      {std::string(64, 'a'), false},
      {"end", false},
      {"function", false},
      {"endfunction", false},
      {"unwind_protect_cleanup", false},
      {"caf\xc3\xa9", false},
      {"a\n", false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(zel23::isMatlabFunctionName(row.name), row.ok);
    std::ostringstream out;
    zel23::MatpowerWriteOptions options;
    options.functionName = row.name;
    if (row.ok)
      EXPECT_NO_THROW(zel23::writeMatpower(out, hostileCase("T"), options));
    else
      EXPECT_THROW(zel23::writeMatpower(out, hostileCase("T"), options),
                   std::invalid_argument);
  }
}

// Each row edits tiny.m and names one problem the read must report.
TEST(MatpowerRead, BadInputIsReportedWithItsLine) {
  const std::string tiny = fixture("test/data/matpower/tiny.m");
  const struct {
    const char* find;
    const char* replace;
    std::size_t line;
    std::string message;
  } rows[] = {
      {"mpc.bus =", "mpc.buses =", 24, "mpc.bus is missing"},
      {"mpc.gen =", "mpc.gens =", 24, "mpc.gen is missing"},
      {"mpc.baseMVA = 100;", "", 24, "mpc.baseMVA is missing"},
      {"\t90\t30\t0\t0\t1\t1\t0\t230\t1\t1.1\t0.9",
       "\t90\t30\t0\t0\t1\t1\t0\t230\t1\t1.1\t0.9\t0", 9,
       "mpc.bus: a row has 14 columns, the first readable row 13"},
      {"\t1\t3\t0\t0\t0\t0\t1\t1\t0\t230\t1\t1.1\t0.9", "\t1\t3", 8,
       "mpc.bus: a row has 2 columns, at least 13 are needed"},
      {"\t90\t30", "\t9O\t30", 9, "mpc.bus: a row holds '9O', which is not a number"},
      {"0\t230\t1\t1.1\t0.9;\n\t2\t2\t90\t30\t0\t0\t1\t1\t0\t230\t1\t1.1\t0.9;"
       "\n\t3\t1\t100\t35"
       "\t0\t0\t1\t1\t0\t230\t1\t1.1\t0.9;",
       "x\t230\t1\t1.1\t0.9\t0\t0;\n\t2\t2\t90\t30\t0\t0\t1\t1\t0\t230\t1\t1.1\t0.9;"
       "\n\t3\t1\t100\t35"
       "\t0\t0\t1\t1\t0\t230\t1\t1.1\t0.9\t0;",
       10, "mpc.bus: a row has 14 columns, the first readable row 13"},
      {"\t2\t163", "\t7\t163", 14,
       "mpc.gen: a generator names bus 7, which no mpc.bus row has"},
      {"\t3\t1\t0.0085", "\t3\t9\t0.0085", 19,
       "mpc.branch: a branch names bus 9, which no mpc.bus row has"},
      {"\t3\t1\t100", "\t3\t1.5\t100", 10,
       "mpc.bus column 2 (BUS_TYPE): 1.5 is not an integer"},
      {"\t100\t1\t250", "\t100\tInf\t250", 13,
       "mpc.gen column 8 (GEN_STATUS): inf is not an integer"},
      {"\t3\t1\t100", "\t2\t1\t100", 10, "bus 2 is defined twice (first on line 9)"},
      {"\t1\t3\t0", "\t0\t3\t0", 8, "mpc.bus: bus number 0 is not positive"},
      {"\t1\t1;\n];", "\t1\t1;\n", 21, "mpc.areas: the '[' opened here is never closed"},
      {"'2'", "'1'", 5, "mpc.version is not '2': only version 2 case files are read"},
      {"mpc.baseMVA = 100;", "mpc.baseMVA = 'x';", 6, "mpc.baseMVA is not a number"},
      {"mpc.baseMVA = 100;", "mpc.baseMVA = 1 + 2 3;", 6,
       "unexpected text after the value of mpc.baseMVA"},
      {"mpc.gen = [", "mpc.gen = {", 12, "mpc.gen is not a matrix"},
      {"mpc.areas", "mpc.bus(2, 3) = x;\nmpc.areas", 21, "mpc.bus: `x`" + kHint},
      {"'THREE' }", "}", 24, "mpc.bus_name holds 2 names, mpc.bus 3 rows"},
      {"'THREE' }", "'THREE }", 24,
       "mpc.bus_name: a row holds a string that the line ends inside"},
      {"mpc.baseMVA = 100;", "mpc.baseMVA = [1 2];", 6, "mpc.baseMVA is not a number"},
      {"\t90\t30", "\t.e2\t30", 9, "mpc.bus: a row holds '.e2', which is not a number"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.message);
    std::string text = tiny;
    auto at = text.find(row.find);
    ASSERT_NE(at, std::string::npos);
    text.replace(at, std::strlen(row.find), row.replace);
    zel23::Case c;
    zel23::MatpowerReport report = zel23::readMatpower(text, c);
    bool found = false;
    for (const zel23::Problem& p : report.problems) {
      found = found || (p.line == row.line && p.message == row.message);
      EXPECT_EQ(p.code, zel23::ProblemCode::Matpower);
    }
    EXPECT_TRUE(found) << (report.problems.empty()
                               ? "no problem"
                               : std::to_string(report.problems[0].line) + " " +
                                     report.problems[0].message);
  }
  // A field the case does not map may hold anything; a problem's text is
  // its line's, the first line's too.
  zel23::Case c;
  EXPECT_TRUE(zel23::readMatpower(tiny + "mpc.extra = 1 + 2 3;\n", c).problems.empty());
  const auto first = zel23::readMatpower("mpc.baseMVA = 'x';\n", c).problems;
  ASSERT_FALSE(first.empty());
  EXPECT_EQ(first[0].line, 1u);
  EXPECT_EQ(first[0].text, "mpc.baseMVA = 'x';");
}

// No prefix of a case, however it is cut, makes the reader fail other than
// by reporting.
TEST(MatpowerRead, EveryPrefixReadsOrReports) {
  const std::string text = fixture("test/data/matpower/rich.m");
  for (std::size_t n = 0; n <= text.size(); ++n) {
    zel23::Case c;
    zel23::ReadOptions options;
    options.maxProblems = 3;
    zel23::MatpowerReport report = zel23::readMatpower(text.substr(0, n), c, options);
    for (const zel23::Problem& p : report.problems)
      ASSERT_LE(p.line, report.lines + 1) << n;
    if (n <= text.find("];", text.find("mpc.branch"))) {
      ASSERT_FALSE(report.ok()) << n;
    }
  }
}

// Octave loads the written file; every matrix and name holds what the file
// says, to the bit.
TEST(MatpowerOctave, LoadsTheWrittenValues) {
  if (std::system("command -v octave-cli >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "octave-cli is not installed";
  std::map<std::string, std::string> files;
  zel23::Case sample;
  std::istringstream raw(fixture("examples/sample.raw"));
  ASSERT_TRUE(zel23::read(raw, sample).ok());
  files["sample"] = exported(sample, "sample");
  zel23::Case generated = CaseGenerator(7).make();
  generated.buses[0].VA() = std::nan("");
  files["generated"] = exported(generated, "generated");
  const std::string dir = testing::TempDir() + "zel23_octave";
  ASSERT_EQ(std::system(("rm -rf '" + dir + "' && mkdir -p '" + dir + "'").c_str()), 0);
  // Loading runs nothing of the header lines and names.
  const std::string touch = "system('touch " + dir + "/PWNED')";
  zel23::Case hostile = hostileCase("\r" + touch + ";");
  hostile.buses[1].NAME() = "'x'); " + touch + "; ('";
  hostile.buses[2].NAME() = "'\n" + touch + "'";
  for (const Hostile& row : kHostile) {
    hostile.buses.push_back(hostile.buses[0]);
    hostile.buses.back().I() = static_cast<int>(hostile.buses.size());
    hostile.buses.back().NAME() = "'" + row.text + "'";
  }
  files["hostile"] = exported(hostile, "hostile");
  std::string script = "addpath('" + dir + "');";
  for (const auto& [name, text] : files) {
    std::ofstream(dir + "/" + name + ".m") << text;
    script += "mpc = " + name +
              "; for f = {'baseMVA', 'bus', 'gen', 'branch', 'areas'}, if isfield(mpc, "
              "f{1}), m = mpc.(f{1}); printf('%s %s %d\\n', '" +
              name +
              "', f{1}, numel(m)); if numel(m), printf('%.17g\\n', m.'); end, end, end, "
              "printf('" +
              name +
              " bus_name %d\\n', numel(mpc.bus_name)); for k = 1:numel(mpc.bus_name), "
              "printf('%s\\n', mpc.bus_name{k}); end;";
  }
  FILE* pipe = popen(
      ("octave-cli --norc --quiet --eval \"" + script + "\" 2>/dev/null").c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string output;
  char chunk[4096];
  while (std::size_t n = std::fread(chunk, 1, sizeof chunk, pipe))
    output.append(chunk, n);
  ASSERT_EQ(pclose(pipe), 0) << output;
  EXPECT_FALSE(std::ifstream(dir + "/PWNED"));

  std::istringstream lines(output);
  std::size_t checked = 0;
  for (std::string head; std::getline(lines, head);) {
    std::istringstream h(head);
    std::string file, field;
    std::size_t count = 0;
    ASSERT_TRUE(h >> file >> field >> count) << head;
    SCOPED_TRACE(file + " " + field);
    Value written = fieldsOf(files[file])[field];
    if (field == "baseMVA") written.numbers = {written.number};
    ASSERT_EQ(count, field == "bus_name" ? written.texts.size() : written.numbers.size());
    for (std::size_t k = 0; k < count; ++k, ++checked) {
      std::string line;
      ASSERT_TRUE(std::getline(lines, line));
      if (field == "bus_name") {
        EXPECT_EQ(line, written.texts[k]);
        continue;
      }
      double value = 0.0;
      ASSERT_TRUE(zel23::interop::parseNumber(line, value)) << line;
      EXPECT_TRUE(sameBits(value, written.numbers[k])) << line << " element " << k;
    }
  }
  EXPECT_GT(checked, 500u);
}

} // namespace
