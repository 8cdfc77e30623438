#include "record_support.h"
#include "zel23.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

using zel23_test::sameRecord;
using zel23_test::shown;

enum class Kind { Bus, Generator, Load, Branch, Adjustment, Area, Shunt, DC };

const char* moduleName(Kind kind) {
  switch (kind) {
  case Kind::Bus:
    return "ZELBus";
  case Kind::Generator:
    return "ZELGenerator";
  case Kind::Load:
    return "ZELLoad";
  case Kind::Branch:
    return "ZELBranch";
  case Kind::Adjustment:
    return "ZELTransformerAdjustment";
  case Kind::Area:
    return "ZELAreaInterchange";
  case Kind::Shunt:
    return "ZELSwitchedShunt";
  case Kind::DC:
    return "ZELTwoTerminalDC";
  }
  return "?";
}

struct BadInput {
  Kind kind;
  std::string line1;
  std::string line2;
  std::string line3;
  std::string message;
};

std::string describe(const BadInput& c) {
  std::string text = std::string(moduleName(c.kind)) + " " + shown(c.line1);
  if (c.kind == Kind::DC) text += " / " + shown(c.line2) + " / " + shown(c.line3);
  return text + " -> " + c.message;
}

std::string regexEscaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (std::string("\\^$.|?*+()[]{}").find(c) != std::string::npos) out += '\\';
    out += c;
  }
  return out;
}

// The whole of standard error: one line, any source line number.
std::string fatalPattern(const BadInput& c) {
  return "^" + regexEscaped(std::string("File: ..\\") + moduleName(c.kind) + " line: ") +
         "[0-9]+ " + regexEscaped(c.message) + "\r?\n$";
}

template <class Rec> void build(const std::string& line) {
  const Rec record(line);
  static_cast<void>(record);
}

void construct(const BadInput& c) {
  switch (c.kind) {
  case Kind::Bus:
    build<ZELBus>(c.line1);
    break;
  case Kind::Generator:
    build<ZELGenerator>(c.line1);
    break;
  case Kind::Load:
    build<ZELLoad>(c.line1);
    break;
  case Kind::Branch:
    build<ZELBranch>(c.line1);
    break;
  case Kind::Adjustment:
    build<ZELTransformerAdjustment>(c.line1);
    break;
  case Kind::Area:
    build<ZELAreaInterchange>(c.line1);
    break;
  case Kind::Shunt:
    build<ZELSwitchedShunt>(c.line1);
    break;
  case Kind::DC: {
    const ZELTwoTerminalDC record(c.line1, c.line2, c.line3);
    static_cast<void>(record);
    break;
  }
  }
}

// Runs the recoverable parse on a record that already holds a parsed line,
// and checks that a failure leaves it as it was.
template <class Rec>
bool parseKeeps(const std::string& good, const std::string& line, std::string& message) {
  Rec record(good);
  const Rec before = record;
  const bool ok = zel23::parse(line, record, message);
  if (!ok) {
    EXPECT_TRUE(sameRecord(before, record)) << "a failed parse changed the record";
  }
  return ok;
}

bool tryParse(const BadInput& c, std::string& message) {
  switch (c.kind) {
  case Kind::Bus:
    return parseKeeps<ZELBus>("1,2,3,4,5,6,7,8,9,'N',10,11", c.line1, message);
  case Kind::Generator:
    return parseKeeps<ZELGenerator>("1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18",
                                    c.line1, message);
  case Kind::Load:
    return parseKeeps<ZELLoad>("1,2,3,4,5,6,7,8,9,10,11", c.line1, message);
  case Kind::Branch:
    return parseKeeps<ZELBranch>("1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16", c.line1,
                                 message);
  case Kind::Adjustment:
    return parseKeeps<ZELTransformerAdjustment>("1,2,3,4,5,6,7,8,9,10", c.line1, message);
  case Kind::Area:
    return parseKeeps<ZELAreaInterchange>("1,2,3,4,'A'", c.line1, message);
  case Kind::Shunt:
    return parseKeeps<ZELSwitchedShunt>("1,2,3,4,5,6,7,8,9,10", c.line1, message);
  case Kind::DC: {
    ZELTwoTerminalDC record("1,2,3,4,5,6,7,8,M", "1,2,3,4,5,6,7,8,9,10,11,12",
                            "13,14,15,16,17,18,19,20,21,22,23,24");
    const ZELTwoTerminalDC before = record;
    const bool ok = zel23::parse(c.line1, c.line2, c.line3, record, message);
    if (!ok) {
      EXPECT_TRUE(sameRecord(before, record)) << "a failed parse changed the record";
    }
    return ok;
  }
  }
  return true;
}

std::string joined(const std::vector<std::string>& tokens, std::size_t count) {
  std::string line;
  for (std::size_t i = 0; i < count; ++i)
    line += (i ? "," : "") + tokens[i];
  return line;
}

// One case per field: the line cut just before that field.
void addMissingFields(std::vector<BadInput>& out, Kind kind, const std::string& prefix,
                      const std::vector<std::string>& tokens,
                      const std::vector<std::string>& names,
                      const std::string& firstMessage) {
  for (std::size_t k = 0; k < names.size(); ++k) {
    const std::string message = k == 0 ? firstMessage : prefix + names[k];
    out.push_back({kind, joined(tokens, k), "", "", message});
  }
}

std::vector<BadInput> badInputs() {
  std::vector<BadInput> cases;

  const std::string bus12 = "101,2,50.0,-12.5,0,0,1,1.02,-3.4567,'BUS 101 ',138.0,7";
  for (const std::string& line :
       {std::string(), std::string("   "),
        std::string("101,2,50.0,-12.5,0,0,1,1.02,-3.4567,'BUS 101 ',138.0"), bus12 + ",8",
        bus12 + " remark", bus12 + ",,", std::string("'BUS 101 ' 1"),
        std::string("101,2,50.0,-12.5,0,0,1,1.02,-3.4567,BUS 101,138.0,7")})
    cases.push_back({Kind::Bus, line, "", "", "Error parsing bus data"});

  const std::string branch16 = "1,2,'1 ',0.01,0.1,0.02,100,110,120,1.0,0,0,0,0,0,1";
  for (const std::string& line :
       {std::string(), std::string("1,2,'1 ',0.01,0.1,0.02,100,110,120,1.0,0,0,0,0,0"),
        branch16 + ",0", branch16 + " remark",
        std::string("1,2,'1 ',0.01,0.1,0.02,100,110,,,1.0,0,0,0,0,0,1")})
    cases.push_back({Kind::Branch, line, "", "", "Error parsing branch data"});

  for (const std::string& line :
       {std::string(), std::string("1,0,0.0,10.0"), std::string("1,0,0.0,10.0,'NORTH' 7"),
        std::string("1,0,0.0,10.0,NORTH EAST"), std::string("1,,,0.0,10.0,'NORTH'")})
    cases.push_back({Kind::Area, line, "", "", "Error parsing Area Interchange Data."});

  const std::vector<std::string> genTokens = {
      "101", "1",    "50.0", "10.0", "30.0", "-20.0", "1.02",  "0",    "100.0",
      "0.0", "0.25", "0.0",  "0.0",  "1.0",  "1",     "100.0", "80.0", "0.0"};
  const std::vector<std::string> genNames = {"I",  "ID",   "PG",    "QG",    "QT", "QB",
                                             "VS", "IREG", "MBASE", "ZR",    "ZX", "RT",
                                             "XT", "GTAP", "STAT",  "RMPCT", "PT", "PB"};
  addMissingFields(cases, Kind::Generator, "Error parsing generator data: ", genTokens,
                   genNames, "Error parsing generator data: I");
  for (const char* line : {" , \t,", "\t"})
    cases.push_back({Kind::Generator, line, "", "", "Error parsing generator data: I"});
  cases.push_back({Kind::Generator,
                   "101,1,,10.0,30.0,-20.0,1.02,0,100.0,0.0,0.25,0.0,0.0,1.0,"
                   "1,100.0,80.0,0.0",
                   "", "", "Error parsing generator data: PB"});
  cases.push_back(
      {Kind::Generator, "101,'G1,50.0,10.0", "", "", "Error parsing generator data: PG"});
  cases.push_back({Kind::Generator, "-5", "", "", "Invalid bus number: -5"});
  cases.push_back({Kind::Generator, "'NORTH',1,50", "", "", "Invalid bus number: -1"});
  cases.push_back({Kind::Generator, "101,1,50.0,10.0,30.0,-20.0,1.02,-7", "", "",
                   "Invalid bus number: -7"});
  cases.push_back({Kind::Generator, "101,1,50.0,10.0,30.0,-20.0,1.02,'NORTH',100", "", "",
                   "Invalid bus number: -1"});
  cases.push_back(
      {Kind::Generator, "-2147483648", "", "", "Invalid bus number: -2147483648"});
  cases.push_back(
      {Kind::Generator,
       "-1,' 1',    0.0000,    0.0000, 9999.0000,-9999.0000, 1.0000,    0,  "
       "100.0000,    0.0000,    1.0000,    0.0000,    0.0000, 1.0000,1,100.0000, "
       "9999.0000,-9999.0000",
       "", "", "Invalid bus number: -1"});
  // Whatever the C library's atoi makes of an out-of-range number is the bus.
  for (const char* huge : {"99999999999999999999", "2147483648", "-9999999999"}) {
    const int value = std::atoi(huge);
    if (value < 0)
      cases.push_back({Kind::Generator, huge, "", "",
                       "Invalid bus number: " + std::to_string(value)});
  }

  const std::vector<std::string> loadTokens = {"205",   "1", "1", "2", "7",  "120.5",
                                               "35.25", "0", "0", "0", "-10"};
  const std::vector<std::string> loadNames = {"I",  "ID", "STATUS", "AREA", "ZONE", "PL",
                                              "QL", "IP", "IQ",     "YP",   "YQ"};
  addMissingFields(cases, Kind::Load, "Error parsing load data: ", loadTokens, loadNames,
                   "Error parsing load data: I");
  cases.push_back({Kind::Load, ",,\t ", "", "", "Error parsing load data: I"});
  for (const char* line : {"0", "0,1,1,2,7,120.5,35.25,0,0,0,-10"})
    cases.push_back({Kind::Load, line, "", "", "Invalid bus number 0"});
  cases.push_back({Kind::Load, "-3,1", "", "", "Invalid bus number -3"});
  cases.push_back({Kind::Load, "'NORTH',1,1,2,7,120.5,35.25,0,0,0,-10", "", "",
                   "Invalid bus number -1"});
  cases.push_back({Kind::Load, "ABC", "", "", "Invalid bus number 0"});
  cases.push_back(
      {Kind::Load,
       "        -1,' 1',1,   1,   1,    0.0000,    0.0000,    0.0000,    0.0000,    "
       "0.0000,    0.0000",
       "", "", "Invalid bus number -1"});

  const std::vector<std::string> adjTokens = {"101", "102",  "1",    "101",    "1.1",
                                              "0.9", "1.05", "0.95", "0.0125", "0"};
  const std::vector<std::string> adjNames = {"I",   "J",   "CKT", "ICONT", "RMA",
                                             "RMI", "VMA", "VMI", "STEP",  "TABLE"};
  addMissingFields(cases, Kind::Adjustment,
                   "Error parsing transformer adjustment data: ", adjTokens, adjNames,
                   "Error parsing transformer adjustment data data: I");
  cases.push_back({Kind::Adjustment, "101,,102", "", "",
                   "Error parsing transformer adjustment data: CKT"});
  cases.push_back({Kind::Adjustment, "-5", "", "", "Invalid bus number: -5"});
  cases.push_back({Kind::Adjustment, "101,-5", "", "", "Invalid bus number: -5"});
  cases.push_back({Kind::Adjustment, "'A',102,1,101", "", "", "Invalid bus number: -1"});
  cases.push_back({Kind::Adjustment, "101,'B'", "", "", "Invalid bus number: -1"});
  cases.push_back({Kind::Adjustment, "101,102,1,'C',1.1,0.9,1.05,0.95,0.0125,0", "", "",
                   "Invalid bus number: -1"});
  cases.push_back(
      {Kind::Adjustment, "101,102,1,-9,1.1", "", "", "Invalid bus number: -9"});
  cases.push_back(
      {Kind::Adjustment,
       "    -1,    -1,' 1',    -1, 1.5000, 0.5100, 1.5000, 0.5100,    0.0063,   0", "",
       "", "Invalid bus number: -1"});

  const std::vector<std::string> shuntTokens = {"101", "1", "1.05", "0.95", "0", "50.0"};
  const std::vector<std::string> shuntNames = {"I",     "MODSW", "VSWHI",
                                               "VSWLO", "SWREM", "BINIT"};
  addMissingFields(cases, Kind::Shunt, "Error parsing switched shunt data: ", shuntTokens,
                   shuntNames, "Error parsing switched shunt data: I");
  cases.push_back({Kind::Shunt, " ,", "", "", "Error parsing switched shunt data: I"});
  for (int values : {0, 1, 3, 15, 17, 18}) {
    std::string line = "101,1,1.05,0.95,0,50.0";
    for (int v = 0; v < values; ++v)
      line += ",2";
    cases.push_back(
        {Kind::Shunt, line, "", "", "Error parsing switched shunt data: Ni or Bi"});
  }
  cases.push_back({Kind::Shunt, "-3", "", "", "Invalid bus number: -3"});
  cases.push_back(
      {Kind::Shunt, "'NORTH',1,1,1,0,0,1,1", "", "", "Invalid bus number: -1"});
  cases.push_back({Kind::Shunt,
                   "    -1,     1,   1.0000,   1.0000,     0,   0.0000,     0,   0.0000",
                   "", "", "Invalid bus number: -1"});

  const std::vector<std::string> dc1 = {"7",     "1",   "5.5",  "100.0", "500.0",
                                        "400.0", "0.5", "0.15", "'R'"};
  const std::vector<std::string> dc1Names = {"MDC",   "RDC",    "SETVL", "VSCHD",
                                             "VCMOD", "RCOMOP", "DELTI", "METER"};
  const std::vector<std::string> dc2 = {"101",   "2",   "20.0", "5.0", "0.1", "10.0",
                                        "230.0", "0.5", "1.02", "1.1", "0.9", "0.00625"};
  const std::vector<std::string> dc2Names = {"IPR",  "NBR",   "ALFMX", "ALFMN",
                                             "RCR",  "XCR",   "EBASR", "TRR",
                                             "TAPR", "TPMXR", "TPMNR", "TSTPR"};
  const std::vector<std::string> dc3Names = {"IPI",  "NBI",   "GAMMX", "GAMMN",
                                             "RCI",  "XCI",   "EBASI", "TRI",
                                             "TAPI", "TPMXI", "TPMNI", "TSTPI"};
  const std::string dcPrefix = "Error parsing two terminal DC data: ";
  cases.push_back({Kind::DC, "", "", "", "Error parsing two terminal DC  data: I"});
  cases.push_back({Kind::DC, ", \t,", joined(dc2, 12), joined(dc2, 12),
                   "Error parsing two terminal DC  data: I"});
  for (std::size_t k = 1; k < dc1.size(); ++k)
    cases.push_back({Kind::DC, joined(dc1, k), "", "", dcPrefix + dc1Names[k - 1]});
  for (std::size_t k = 0; k < dc2.size(); ++k)
    cases.push_back(
        {Kind::DC, joined(dc1, 9), joined(dc2, k), "", dcPrefix + dc2Names[k]});
  for (std::size_t k = 0; k < dc2.size(); ++k)
    cases.push_back({Kind::DC, joined(dc1, 9), joined(dc2, 12), joined(dc2, k),
                     dcPrefix + dc3Names[k]});
  cases.push_back(
      {Kind::DC, "1,0,,1.0", joined(dc2, 12), joined(dc2, 12), dcPrefix + "SETVL"});
  cases.push_back({Kind::DC, "1,2", "-5", "", dcPrefix + "RDC"});
  cases.push_back({Kind::DC, joined(dc1, 9), "-5", "", "Invalid bus number: -5"});
  cases.push_back(
      {Kind::DC, joined(dc1, 9), "'NORTH',2,20.0", "", "Invalid bus number: -1"});
  cases.push_back({Kind::DC, "1,1,0,0,0,0,0,0,'R", "-5", "", "Invalid bus number: -5"});
  cases.push_back({Kind::DC, "1,1,0,0,0,0,0,'R X, 5", "", "", dcPrefix + "METER"});
  return cases;
}

class RecordDeathTest : public ::testing::Test {
protected:
  void SetUp() override {
    BName2BNum.clear();
    BNum2BName.clear();
  }
};

TEST_F(RecordDeathTest, FatalErrorLineAndStatus) {
  for (const BadInput& c : badInputs()) {
    SCOPED_TRACE(describe(c));
    EXPECT_EXIT(construct(c), ::testing::ExitedWithCode(255), fatalPattern(c));
  }
}

TEST_F(RecordDeathTest, RecoverableParseGivesTheSameMessage) {
  for (const BadInput& c : badInputs()) {
    SCOPED_TRACE(describe(c));
    std::string message = "unset";
    EXPECT_FALSE(tryParse(c, message));
    EXPECT_EQ(c.message, message);
  }
}

// A line that is fine for one record in the table's neighbourhood must not
// trip the checks: the good lines used above really parse.
TEST_F(RecordDeathTest, GoodLinesParse) {
  std::string message;
  ZELBus bus;
  EXPECT_TRUE(zel23::parse("101,2,50.0,-12.5,0,0,1,1.02,-3.4567,'BUS 101 ',138.0,7,", bus,
                           message))
      << message;
  ZELGenerator gen;
  EXPECT_TRUE(
      zel23::parse("0,1,50.0,10.0,30.0,-20.0,1.02,0,100.0,0.0,0.25,0.0,0.0,1.0,1,100.0,"
                   "80.0,0.0",
                   gen, message))
      << message;
  ZELSwitchedShunt shunt;
  EXPECT_TRUE(zel23::parse("101,1,1.05,0.95,0,50.0,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2",
                           shunt, message))
      << message;
  EXPECT_EQ(8, shunt.noBlocks());
  ZELTwoTerminalDC dc;
  EXPECT_TRUE(zel23::parse("7,1,5.5,100.0,500.0,400.0,0.5,0.15,'R'",
                           "0,2,20.0,5.0,0.1,10.0,230.0,0.5,1.02,1.1,0.9,0.00625",
                           "-5,2,20.0,5.0,0.1,10.0,230.0,0.5,1.02,1.1,0.9,0.00625", dc,
                           message))
      << message;
}

} // namespace
