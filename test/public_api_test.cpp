// A caller's program: the public header alone, twice, against the shared
// library.
#include "zel23.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

template <class Rec> std::string text(const Rec& record) {
  std::ostringstream os;
  os << record;
  return os.str();
}

// Default, line, copy and assignment; a copy owns its strings.
template <class Rec, class Change>
void checkValueSemantics(const Rec& fromLine, Change change) {
  const Rec byDefault;
  EXPECT_NE(text(byDefault), text(fromLine));
  Rec copy(fromLine);
  EXPECT_EQ(text(fromLine), text(copy));
  change(copy);
  EXPECT_NE(text(fromLine), text(copy));
  Rec assigned;
  Rec& result = (assigned = copy);
  EXPECT_EQ(&assigned, &result);
  EXPECT_EQ(text(copy), text(assigned));
  const Rec* self = &assigned;
  assigned = *self;
  EXPECT_EQ(text(copy), text(assigned));
}

TEST(PublicApiTest, Bus) {
  const ZELBus bus("101,2,50.0,-12.5,0,0,1,1.02,-3.4567,'BUS 101 ',138.0,7");
  EXPECT_EQ(101, bus.I());
  EXPECT_EQ("'BUS 101 '", bus.NAME());
  EXPECT_EQ(138.0, bus.BASKV());
  checkValueSemantics(bus, [](ZELBus& b) { b.NAME() += "X"; });
  ZELBus changed = bus;
  changed.ZONE() = 9;
  changed.VM() = 0.98766;
  EXPECT_EQ(
      "       101,2,   50.0000,  -12.5000,    0.0000,    0.0000,   1,0.9877,  -3.4567,"
      "'BUS 101 ', 138.0000,   9",
      text(changed));
}

TEST(PublicApiTest, Generator) {
  const ZELGenerator gen(
      "101,G1,50.0,10.0,30.0,-20.0,1.02,0,100.0,0.0,0.25,0.0,0.0,1.0,1,100.0,80.0,0.0");
  EXPECT_EQ("'G1'", gen.ID());
  EXPECT_EQ(0.25, gen.ZX());
  EXPECT_EQ(80.0, gen.PT());
  checkValueSemantics(gen, [](ZELGenerator& g) { g.ID() = "'X'"; });
  ZELGenerator changed;
  changed.IREG() = 12;
  EXPECT_EQ(12, static_cast<const ZELGenerator&>(changed).IREG());
}

TEST(PublicApiTest, Load) {
  const ZELLoad load("205,1,1,2,7,120.5,35.25,0,0,0,-10");
  EXPECT_EQ(205, load.I());
  EXPECT_EQ("'1 '", load.ID());
  EXPECT_EQ(-10.0, load.YQ());
  checkValueSemantics(load, [](ZELLoad& l) { l.ID() = "'L2'"; });
}

TEST(PublicApiTest, Branch) {
  const ZELBranch branch("1,2,'1 ',0.01,0.1,0.02,100,110,120,1.0,0,0,0,0,0,1");
  EXPECT_EQ(2, branch.J());
  EXPECT_EQ(120.0, branch.RATEC());
  checkValueSemantics(branch, [](ZELBranch& b) { b.CKT() = "'2 '"; });
}

TEST(PublicApiTest, TransformerAdjustment) {
  const ZELTransformerAdjustment adj("101,102,1,101,1.1,0.9,1.05,0.95,0.0125,0");
  EXPECT_EQ(101, adj.ICONT());
  EXPECT_EQ(0.0125, adj.STEP());
  checkValueSemantics(adj, [](ZELTransformerAdjustment& a) { a.CKT() = "'9 '"; });
}

TEST(PublicApiTest, AreaInterchange) {
  const ZELAreaInterchange area("1,0,0.0,10.0,'NORTH   '");
  EXPECT_EQ("'NORTH   '", area.ARNAME());
  checkValueSemantics(area, [](ZELAreaInterchange& a) { a.ARNAME() = "'SOUTH'"; });
}

TEST(PublicApiTest, SwitchedShunt) {
  const ZELSwitchedShunt shunt("101,1,1.05,0.95,0,50.0,2,0.5,1,-0.25");
  EXPECT_EQ(2, shunt.noBlocks());
  EXPECT_EQ(-0.25, shunt.B(1));
  checkValueSemantics(shunt, [](ZELSwitchedShunt& s) { s.N(1) = 7; });
}

TEST(PublicApiTest, TwoTerminalDC) {
  const ZELTwoTerminalDC dc("7,1,5.5,100.0,500.0,400.0,0.5,0.15,'R'",
                            "101,2,20.0,5.0,0.1,10.0,230.0,0.5,1.02,1.1,0.9,0.00625",
                            "102,2,18.0,15.0,0.2,11.0,220.0,0.45,0.98,1.2,0.8,0.0125");
  EXPECT_EQ("'R'", dc.METER());
  EXPECT_EQ(101, dc.IPR());
  EXPECT_EQ(0.0125, dc.TSTPI());
  checkValueSemantics(dc, [](ZELTwoTerminalDC& d) { d.METER() = "'I'"; });
}

TEST(PublicApiTest, RegistryIsShared) {
  BName2BNum["'NORTH'"] = 5;
  BNum2BName[5] = "'NORTH'";
  EXPECT_EQ(5, ZELLoad("'NORTH',1,1,1,1,0,0,0,0,0,0").I());
  BName2BNum.clear();
  BNum2BName.clear();
}

TEST(PublicApiTest, EmptyCaseReadAndWritten) {
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
  BName2BNum["'X'"] = 1;
  EXPECT_TRUE(ZELParse(in, buses, generators, branches, adjustments, areas, dcLines,
                       shunts, comments, systemBase));
  EXPECT_TRUE(BName2BNum.empty());
  EXPECT_EQ(100.0, systemBase);
  EXPECT_EQ(10u, comments.size());
  std::ostringstream out;
  EXPECT_TRUE(ZELPrint(out, buses, generators, branches, adjustments, areas, dcLines,
                       shunts, comments, systemBase));
  EXPECT_EQ(file, out.str());
}

} // namespace
