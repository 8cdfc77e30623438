// A caller's program: the public header alone, twice, against the shared
// library.
#include "zel23.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

// zel23.h brings every header of the library: the case and its readers,
// field access, the checks, MATPOWER files and output files.
static_assert(sizeof(zel23::Case) && sizeof(zel23::FieldValue) &&
              sizeof(zel23::Finding) && sizeof(zel23::MatpowerReport) &&
              sizeof(zel23::FileError));
// Code that names the readers' options by their former name still compiles.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
static_assert(std::is_same_v<zel23::ReadFileOptions, zel23::ReadOptions>);
#pragma GCC diagnostic pop

namespace {

template <class Rec> std::string text(const Rec& record) {
  std::ostringstream os;
  os << record;
  return os.str();
}

// Default, line, copy and assignment (to itself too); a copy owns its strings.
template <class Rec, class Change> void expectValue(const Rec& fromLine, Change change) {
  EXPECT_NE(text(Rec()), text(fromLine));
  Rec copy(fromLine);
  EXPECT_EQ(text(fromLine), text(copy));
  change(copy);
  EXPECT_NE(text(fromLine), text(copy));
  Rec assigned;
  EXPECT_EQ(&assigned, &(assigned = copy));
  const Rec* self = &assigned;
  assigned = *self;
  EXPECT_EQ(text(copy), text(assigned));
}

TEST(PublicApiTest, RecordsAreValues) {
  expectValue(ZELBus("101,2,50.0,-12.5,0,0,1,1.02,-3.4567,'BUS 101 ',138.0,7"),
              [](ZELBus& b) { b.NAME() += "X"; });
  expectValue(ZELGenerator("101,G1,50,10,30,-20,1.02,0,100,0,0.25,0,0,1,1,100,80,0"),
              [](ZELGenerator& g) { g.ID() = "'X'"; });
  expectValue(ZELLoad("205,1,1,2,7,120.5,35.25,0,0,0,-10"),
              [](ZELLoad& l) { l.ID() = "'L2'"; });
  expectValue(ZELBranch("1,2,'1 ',0.01,0.1,0.02,100,110,120,1.0,0,0,0,0,0,1"),
              [](ZELBranch& b) { b.CKT() = "'2 '"; });
  expectValue(ZELTransformerAdjustment("101,102,1,101,1.1,0.9,1.05,0.95,0.0125,0"),
              [](ZELTransformerAdjustment& a) { a.CKT() = "'9 '"; });
  expectValue(ZELAreaInterchange("1,0,0.0,10.0,'NORTH   '"),
              [](ZELAreaInterchange& a) { a.ARNAME() = "'SOUTH'"; });
  expectValue(ZELSwitchedShunt("101,1,1.05,0.95,0,50.0,2,0.5,1,-0.25"),
              [](ZELSwitchedShunt& s) { s.N(1) = 7; });
  expectValue(ZELTwoTerminalDC("7,1,5.5,100.0,500.0,400.0,0.5,0.15,'R'",
                               "101,2,20.0,5.0,0.1,10.0,230.0,0.5,1.02,1.1,0.9,0.00625",
                               "102,2,18.0,15.0,0.2,11.0,220.0,0.45,0.98,1.2,0.8,0.0125"),
              [](ZELTwoTerminalDC& d) { d.METER() = "'I'"; });
}

// The name maps are the library's own; ZELParse empties them.
TEST(PublicApiTest, NameMapsAndAnEmptyCase) {
  BName2BNum["'NORTH'"] = 5;
  BNum2BName[5] = "'NORTH'";
  EXPECT_EQ(5, ZELLoad("'NORTH',1,1,1,1,0,0,0,0,0,0").I());
  const std::string file =
      "0 100.0 / title\nsecond\nthird\n0 bus\n0\n0\n0\n0\n0\n0 shunt\n";
  std::istringstream in(file);
  std::vector<ZELBus> buses;
  std::vector<ZELGenerator> generators;
  std::vector<ZELBranch> branches;
  std::vector<ZELTransformerAdjustment> adjustments;
  std::vector<ZELAreaInterchange> areas;
  std::vector<ZELTwoTerminalDC> dcLines;
  std::vector<ZELSwitchedShunt> shunts;
  std::vector<std::string> comments;
  double systemBase = -1.0;
  EXPECT_TRUE(ZELParse(in, buses, generators, branches, adjustments, areas, dcLines,
                       shunts, comments, systemBase));
  EXPECT_TRUE(BName2BNum.empty() && BNum2BName.empty());
  EXPECT_EQ(100.0, systemBase);
  std::ostringstream out;
  EXPECT_TRUE(ZELPrint(out, buses, generators, branches, adjustments, areas, dcLines,
                       shunts, comments, systemBase));
  EXPECT_EQ(file, out.str());
}

} // namespace
