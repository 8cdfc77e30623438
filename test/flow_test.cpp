// The power flow through its public interface: solutions made by hand, the
// power balance of every solved case recomputed here from the records in
// plain complex arithmetic, each modelling rule on a small network, and the
// inputs it must refuse.

#include "zel23_flow.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>

namespace {

using Complex = std::complex<double>;
constexpr double kDeg = 3.14159265358979323846 / 180.0;

// A small network as lines per section, edited by each case of a table.
struct Net {
  std::vector<std::string> s[7];
  std::string text() const {
    std::string t = "0 100.0 / flow test\nL2\nL3\n";
    for (const auto& section : s) {
      for (const std::string& line : section)
        t += line + '\n';
      t += "0\n";
    }
    return t;
  }
};

// Swing bus 1, PV bus 2, load buses 3 and 4, meshed.
Net base() {
  Net n;
  n.s[0] = {"1,3,0,0,0,0,1,1.02,0,'A',230,1", "2,2,0,0,0,0,1,1.0,0,'B',230,1",
            "3,1,90,30,0,0,1,1.0,0,'C',230,1", "4,1,50,20,0,0,1,1.0,0,'D',230,1"};
  n.s[1] = {"1,'1 ',0,0,200,-100,1.02,0,100,0,0.2,0,0,1,1,100,300,0",
            "2,'1 ',60,10,80,-40,1.01,0,100,0,0.2,0,0,1,1,100,100,0"};
  n.s[2] = {"1,2,'1 ',0.01,0.08,0.02,100,100,100,0,0,0,0,0,0,1",
            "1,3,'1 ',0.02,0.10,0.03,100,100,100,0,0,0,0,0,0,1",
            "2,3,'1 ',0.015,0.09,0.02,100,100,100,0,0,0,0,0,0,1",
            "3,4,'1 ',0.01,0.05,0.0,100,100,100,0,0,0,0,0,0,1"};
  return n;
}

zel23::Case parse(const std::string& text) {
  zel23::Case c;
  std::istringstream in(text);
  const zel23::ReadReport r = zel23::read(in, c);
  EXPECT_TRUE(r.ok()) << (r.problems.empty() ? "" : r.problems[0].message);
  return c;
}

int index(const zel23::Case& c, int bus) {
  for (std::size_t k = 0; k < c.buses.size(); ++k)
    if (c.buses[k].I() == bus) return static_cast<int>(k);
  return -1;
}

// Every bus of a converged island: the power the network takes there,
// computed from the records and the solved voltages, is what the solution's
// generators, the load and the DC lines put in (MW, MVAr).
void expectBalance(const zel23::Case& c, const zel23::Solution& s,
                   double tolerance = 1e-8) {
  const double base = c.systemBase;
  std::vector<Complex> v(c.buses.size()), current(c.buses.size()), put(c.buses.size());
  for (std::size_t k = 0; k < c.buses.size(); ++k) {
    v[k] = std::polar(s.buses[k].vm, s.buses[k].va * kDeg);
    current[k] = Complex(c.buses[k].GL(), c.buses[k].BL()) / base * v[k];
    put[k] = -Complex(c.buses[k].PL(), c.buses[k].QL());
  }
  for (const ZELSwitchedShunt& sh : c.shunts)
    current[index(c, sh.I())] += Complex(0, sh.BINIT() / base) * v[index(c, sh.I())];
  for (const ZELBranch& b : c.branches) {
    if (b.ST() == 0) continue;
    const int i = index(c, b.I()), j = index(c, b.J());
    const Complex y = 1.0 / Complex(b.R(), b.X()), half(0, b.B() / 2);
    const Complex t = std::polar(b.RATIO() == 0 ? 1.0 : b.RATIO(), b.ANGLE() * kDeg);
    current[i] += (y + half) / std::norm(t) * v[i] - y / std::conj(t) * v[j] +
                  Complex(b.GI(), b.BI()) * v[i];
    current[j] += -y / t * v[i] + (y + half) * v[j] + Complex(b.GJ(), b.BJ()) * v[j];
  }
  for (std::size_t g = 0; g < c.generators.size(); ++g)
    if (s.generators[g].solved)
      put[index(c, c.generators[g].I())] +=
          Complex(s.generators[g].pg, s.generators[g].qg);
  for (const ZELTwoTerminalDC& d : c.dcLines) {
    const double mw = d.MDC() == 1   ? d.SETVL()
                      : d.MDC() == 2 ? d.SETVL() * d.VSCHD() / 1000
                                     : 0;
    put[index(c, d.IPR())] -= mw;
    put[index(c, d.IPI())] += mw;
  }
  for (std::size_t k = 0; k < c.buses.size(); ++k) {
    if (!s.buses[k].solved) continue;
    const Complex taken = v[k] * std::conj(current[k]) * base;
    SCOPED_TRACE("bus " + std::to_string(c.buses[k].I()));
    EXPECT_NEAR(taken.real(), put[k].real(), tolerance * base);
    EXPECT_NEAR(taken.imag(), put[k].imag(), tolerance * base);
  }
}

zel23::Solution solved(const zel23::Case& c, zel23::SolveOptions o = {}) {
  zel23::Solution s = zel23::solve(c, o);
  EXPECT_TRUE(s.problems.empty()) << s.problems[0].message;
  return s;
}

// Two buses, lossless line X: the receiving end at V2 and angle d takes
// P = V2 sin(-d) / X and Q = (V2 cos d - V2^2) / X; a load of exactly that
// must give V2 and d back, from a flat start.
TEST(Flow, TwoBusesByHand) {
  const double x = 0.1, v2 = 0.95, d = -10 * kDeg;
  zel23::Case c = parse("0 100 /\n\n\n1,3,0,0,0,0,1,1,0,'S',230,1\n"
                        "2,1,0,0,0,0,1,1,0,'L',230,1\n0\n0\n"
                        "1,2,'1 ',0,0.1,0,1,1,1,0,0,0,0,0,0,1\n0\n0\n0\n0\n0\n");
  c.buses[1].PL() = 100 * v2 * std::sin(-d) / x;
  c.buses[1].QL() = 100 * (v2 * std::cos(d) - v2 * v2) / x;
  const zel23::Solution s = solved(c, {true, false, 1e-10, 10});
  ASSERT_TRUE(s.converged());
  EXPECT_NEAR(s.buses[1].vm, v2, 1e-10);
  EXPECT_NEAR(s.buses[1].va, -10.0, 1e-8);
  EXPECT_LE(s.iterations, 5);
  EXPECT_NEAR(s.lossesMW, 0.0, 1e-9);
}

// Three buses with a transformer, voltages chosen first: the injections
// they need are set as load and generation, and the solve must find them.
TEST(Flow, ThreeBusesFromChosenVoltages) {
  zel23::Case c =
      parse("0 100 /\n\n\n1,3,0,0,0,0,1,1.03,0,'S',230,1\n"
            "2,2,0,0,0,0,1,1,0,'G',230,1\n3,1,0,0,0,0,1,1,0,'L',230,1\n0\n"
            "1,'1 ',0,0,999,-999,1.03,0,100,0,0,0,0,1,1,100,0,0\n"
            "2,'1 ',0,0,999,-999,1.01,0,100,0,0,0,0,1,1,100,0,0\n0\n"
            "1,2,'1 ',0.02,0.06,0.06,1,1,1,0,0,0,0,0,0,1\n"
            "1,3,'1 ',0.08,0.24,0.05,1,1,1,0,0,0,0,0,0,1\n"
            "2,3,'1 ',0.06,0.18,0.04,1,1,1,1.05,3,0,0,0,0,1\n0\n0\n0\n0\n0\n");
  const Complex v[] = {std::polar(1.03, 0.0), std::polar(1.01, -2 * kDeg),
                       std::polar(0.97, -6 * kDeg)};
  // Injections the chosen voltages need, from the test's own admittances.
  std::vector<Complex> i(3);
  for (const ZELBranch& b : c.branches) {
    const int f = b.I() - 1, t = b.J() - 1;
    const Complex y = 1.0 / Complex(b.R(), b.X()), h(0, b.B() / 2);
    const Complex a = std::polar(b.RATIO() == 0 ? 1.0 : b.RATIO(), b.ANGLE() * kDeg);
    i[f] += (y + h) / std::norm(a) * v[f] - y / std::conj(a) * v[t];
    i[t] += -y / a * v[f] + (y + h) * v[t];
  }
  const Complex s2 = v[1] * std::conj(i[1]) * 100.0, s3 = v[2] * std::conj(i[2]) * 100.0;
  c.generators[1].PG() = s2.real();
  c.buses[2].PL() = -s3.real();
  c.buses[2].QL() = -s3.imag();
  const zel23::Solution s = solved(c, {true, false, 1e-10, 10});
  ASSERT_TRUE(s.converged());
  for (int k = 0; k < 3; ++k) {
    EXPECT_NEAR(s.buses[k].vm, std::abs(v[k]), 1e-9);
    EXPECT_NEAR(s.buses[k].va * kDeg, std::arg(v[k]), 1e-9);
  }
  EXPECT_NEAR(s.generators[1].qg, s2.imag(), 1e-6);
  expectBalance(c, s);
}

struct FeatureCase {
  const char* name;
  std::function<void(Net&)> edit;
  zel23::SolveOptions options;
  std::function<void(const zel23::Case&, const zel23::Solution&)> expect;
};

TEST(Flow, ModelRules) {
  const auto vm = [](const zel23::Solution& s, int k) { return s.buses[k].vm; };
  const FeatureCase cases[] = {
      {"PV and swing buses hold VS",
       [](Net&) {},
       {},
       [&](const zel23::Case&, const zel23::Solution& s) {
         EXPECT_NEAR(vm(s, 0), 1.02, 1e-12);
         EXPECT_NEAR(vm(s, 1), 1.01, 1e-12);
         EXPECT_EQ(s.buses[0].va, 0.0);
         EXPECT_EQ(s.buses[1].type, 2);
       }},
      {"transformer with ratio and angle",
       [](Net& n) { n.s[2][3] = "3,4,'1 ',0.01,0.05,0.0,1,1,1,1.05,5,0,0,0,0,1"; },
       {},
       [](const zel23::Case&, const zel23::Solution& s) {
         // J lags I by the shift, 5 degrees, and by what the flow takes.
         EXPECT_LT(s.buses[3].va - s.buses[2].va, -6.0);
         EXPECT_GT(s.buses[3].va - s.buses[2].va, -7.0);
       }},
      {"end shunts",
       [](Net& n) {
         n.s[2][1] = "1,3,'1 ',0.02,0.10,0.03,1,1,1,0,0,0.01,0.05,0.02,-0.03,1";
       },
       {},
       [](const zel23::Case&, const zel23::Solution& s) {
         EXPECT_GT(s.branches[1].lossMW, 2.9); // GI, GJ take about 3 MW
       }},
      {"switched shunt at BINIT",
       [](Net& n) { n.s[6] = {"4,1,1.05,0.95,0,30,1,30"}; },
       {},
       [](const zel23::Case&, const zel23::Solution& s) {
         EXPECT_EQ(s.neglected.switchedShunts, 1u);
       }},
      {"DC lines in power and current mode",
       [](Net& n) {
         n.s[5] = {"1,1,5,20,500,0,0,0.1,'R'",
                   "1,2,20,5,0,12,230,0.4,1,1.1,0.9,0.00625",
                   "4,2,20,5,0,12,230,0.4,1,1.1,0.9,0.00625",
                   "2,2,5,40,500,0,0,0.1,'R'",
                   "4,2,20,5,0,12,230,0.4,1,1.1,0.9,0.00625",
                   "3,2,20,5,0,12,230,0.4,1,1.1,0.9,0.00625",
                   "3,0,5,999,500,0,0,0.1,'R'",
                   "1,2,20,5,0,12,230,0.4,1,1.1,0.9,0.00625",
                   "3,2,20,5,0,12,230,0.4,1,1.1,0.9,0.00625"};
       },
       {},
       [](const zel23::Case&, const zel23::Solution& s) {
         EXPECT_EQ(s.neglected.dcLines, 2u); // the blocked one carries nothing
       }},
      {"two islands, one without a swing bus",
       [](Net& n) {
         n.s[0].push_back("5,1,10,5,0,0,1,0.97,-3,'E',230,1");
         n.s[0].push_back("6,2,0,0,0,0,1,0.99,-1,'F',230,1");
         n.s[2].push_back("5,6,'1 ',0.01,0.05,0,1,1,1,0,0,0,0,0,0,1");
       },
       {},
       [](const zel23::Case&, const zel23::Solution& s) {
         ASSERT_EQ(s.islands.size(), 2u);
         EXPECT_FALSE(s.islands[1].solved);
         EXPECT_EQ(s.islands[1].firstBus, 5);
         EXPECT_EQ(s.buses[4].vm, 0.97);
         EXPECT_EQ(s.buses[4].va, -3.0);
         EXPECT_EQ(s.neglected.unsolvedIslands, 1u);
       }},
      {"reactive limits make a PV bus a load bus",
       [](Net& n) {
         n.s[1][1] = "2,'1 ',60,10,5,-40,1.01,0,100,0,0.2,0,0,1,1,100,100,0";
       },
       {false, true, 1e-8, 10},
       [&](const zel23::Case&, const zel23::Solution& s) {
         EXPECT_TRUE(s.generators[1].atLimit);
         EXPECT_EQ(s.generators[1].qg, 5.0);
         EXPECT_EQ(s.buses[1].type, 1);
         EXPECT_LT(vm(s, 1), 1.01);
         EXPECT_EQ(s.islands[0].qLimitRounds, 1);
         EXPECT_EQ(s.neglected.qLimitedBuses, 1u);
       }},
      {"reactive limits not asked for",
       [](Net& n) {
         n.s[1][1] = "2,'1 ',60,10,5,-40,1.01,0,100,0,0.2,0,0,1,1,100,100,0";
       },
       {},
       [](const zel23::Case&, const zel23::Solution& s) {
         EXPECT_GT(s.generators[1].qg, 5.0);
         EXPECT_FALSE(s.generators[1].atLimit);
       }},
      {"remote regulation shared by RMPCT",
       [](Net& n) {
         n.s[0][1] = "2,2,0,0,0,0,1,1.0,0,'B',230,1";
         n.s[0].push_back("5,2,0,0,0,0,1,1.0,0,'E',230,1");
         n.s[1][1] = "2,'1 ',60,10,80,-40,0.99,4,100,0,0.2,0,0,1,1,30,100,0";
         n.s[1].push_back("5,'1 ',20,0,80,-40,1.05,4,100,0,0.2,0,0,1,1,70,100,0");
         n.s[2].push_back("5,4,'1 ',0.01,0.06,0,1,1,1,0,0,0,0,0,0,1");
       },
       {},
       [&](const zel23::Case&, const zel23::Solution& s) {
         EXPECT_NEAR(vm(s, 3), 0.99, 1e-12); // the first controller's VS
         EXPECT_NEAR(s.generators[1].qg * 70, s.generators[2].qg * 30, 1e-6);
         EXPECT_NE(vm(s, 1), 0.99);
       }},
      {"reactive power split by ranges at one bus",
       [](Net& n) {
         n.s[1].push_back("2,'2 ',10,0,20,-20,1.01,0,100,0,0.2,0,0,1,1,100,100,0");
       },
       {},
       [](const zel23::Case&, const zel23::Solution& s) {
         EXPECT_NEAR(s.generators[1].qg, 3 * s.generators[2].qg, 1e-9); // 120 : 40
         EXPECT_EQ(s.generators[2].pg, 10.0);
       }},
      {"a PV bus without a generator is a load bus",
       [](Net& n) {
         n.s[1][1] = "2,'1 ',60,10,80,-40,1.01,0,100,0,0.2,0,0,1,0,100,100,0";
       },
       {},
       [](const zel23::Case&, const zel23::Solution& s) {
         EXPECT_EQ(s.buses[1].type, 1);
         EXPECT_EQ(s.neglected.pvWithoutGenerator, 1u);
         EXPECT_FALSE(s.generators[1].inService);
       }},
      {"flat start",
       [](Net&) {},
       {true, false, 1e-8, 10},
       [](const zel23::Case& c, const zel23::Solution& s) {
         const zel23::Solution warm = zel23::solve(c);
         for (std::size_t k = 0; k < s.buses.size(); ++k)
           EXPECT_NEAR(s.buses[k].vm, warm.buses[k].vm, 1e-8);
       }},
  };
  for (const FeatureCase& row : cases) {
    SCOPED_TRACE(row.name);
    Net n = base();
    row.edit(n);
    const zel23::Case c = parse(n.text());
    const zel23::Solution s = solved(c, row.options);
    ASSERT_TRUE(s.converged()) << s.islands[0].failure;
    expectBalance(c, s);
    row.expect(c, s);
  }
}

TEST(Flow, ApplyWritesTheSolvedValues) {
  zel23::Case c = parse(base().text());
  const zel23::Solution s = solved(c);
  zel23::apply(s, c);
  EXPECT_EQ(c.buses[2].VM(), s.buses[2].vm);
  EXPECT_EQ(c.buses[2].VA(), s.buses[2].va);
  EXPECT_EQ(c.generators[0].PG(), s.generators[0].pg);
  EXPECT_EQ(c.generators[1].QG(), s.generators[1].qg);
  EXPECT_EQ(c.generators[1].PG(), 60.0);
  // Solved again from its own solution, the case is converged at once.
  EXPECT_EQ(solved(c).iterations, 0);
  c.buses.pop_back();
  EXPECT_THROW(zel23::apply(s, c), std::invalid_argument);
}

// A load ten times what the line can carry: no solution, and the report
// says so with every iteration's mismatch.
TEST(Flow, DivergingCase) {
  Net n = base();
  n.s[0][3] = "4,1,2000,500,0,0,1,1.0,0,'D',230,1";
  const zel23::Solution s = zel23::solve(parse(n.text()));
  EXPECT_EQ(s.status, zel23::SolveStatus::notConverged);
  EXPECT_FALSE(s.islands[0].converged);
  EXPECT_EQ(s.islands[0].failure, "not converged in 10 iterations");
  EXPECT_EQ(s.islands[0].mismatchNorms.size(), 11u);
  EXPECT_FALSE(s.buses[3].solved);
  for (const zel23::BusResult& b : s.buses)
    EXPECT_TRUE(std::isfinite(b.vm) && std::isfinite(b.mismatchP));
}

TEST(Flow, BadInput) {
  const struct {
    std::function<void(Net&)> edit;
    int section;
    std::size_t record;
    const char* message;
  } cases[] = {
      {[](Net& n) { n.s[0][0] = "1,1,0,0,0,0,1,1.02,0,'A',230,1"; }, -1, 0,
       "no island has a swing bus (type 3): there is nothing to solve"},
      {[](Net& n) { n.s[2][0] = "1,2,'1 ',0,0,0.02,1,1,1,0,0,0,0,0,0,1"; }, 2, 0,
       "branch 1-2 circuit '1 ' has zero impedance (R = X = 0)"},
      {[](Net& n) { n.s[2][0] = "1,2,'1 ',0.01,inf,0.02,1,1,1,0,0,0,0,0,0,1"; }, 2, 0,
       "branch 1-2 circuit '1 ' has X inf: not a finite number"},
      {[](Net& n) { n.s[0][2] = "3,1,nan,30,0,0,1,1.0,0,'C',230,1"; }, 0, 2,
       "bus 3 has PL nan: not a finite number"},
      {[](Net& n) { n.s[2][0] = "1,9,'1 ',0.01,0.1,0.02,1,1,1,0,0,0,0,0,0,1"; }, 2, 0,
       "branch 1-9 circuit '1 ' names bus 9, which is not in the bus section"},
      {[](Net& n) { n.s[2][0] = "1,1,'1 ',0.01,0.1,0.02,1,1,1,0,0,0,0,0,0,1"; }, 2, 0,
       "branch 1-1 circuit '1 ' joins bus 1 to itself"},
      {[](Net& n) { n.s[0].push_back("3,1,0,0,0,0,1,1.0,0,'D',230,1"); }, 0, 4,
       "bus 3 comes twice in the bus section"},
      {[](Net& n) { n.s[0][3] = "4,7,0,0,0,0,1,1.0,0,'D',230,1"; }, 0, 3,
       "bus 4 has type 7: a bus is of type 1, 2, 3 or 4"},
      {[](Net& n) { n.s[1][1] = "2,'1 ',60,10,80,-40,0,0,100,0,0.2,0,0,1,1,100,100,0"; },
       1, 1,
       "generator '1 ' at bus 2 holds VS 0: a voltage set point must be above 0 and "
       "below 1000 p.u."},
      {[](Net& n) { n.s[0][3] = "4,1,50,20,0,0,1,0,0,'D',230,1"; }, 0, 3,
       "bus 4 starts at VM 0: a start needs a magnitude above 0 and below 1000 p.u. "
       "(--flat starts at 1)"},
      {[](Net& n) {
         n.s[5] = {"1,4,5,20,500,0,0,0.1,'R'", "1,2,20,5,0,12,230,0.4,1,1.1,0.9,0.00625",
                   "4,2,20,5,0,12,230,0.4,1,1.1,0.9,0.00625"};
       },
       5, 0, "DC line 1 has control mode MDC 4: 0 blocked, 1 power or 2 current"},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.message);
    Net n = base();
    row.edit(n);
    const zel23::Solution s = zel23::solve(parse(n.text()));
    EXPECT_EQ(s.status, zel23::SolveStatus::badInput);
    ASSERT_EQ(s.problems.size(), 1u);
    EXPECT_EQ(s.problems[0].section, row.section);
    EXPECT_EQ(s.problems[0].record, row.record);
    EXPECT_EQ(s.problems[0].message, row.message);
  }
  EXPECT_THROW(zel23::solve(parse(base().text()), {false, false, 0.0, 10}),
               std::invalid_argument);
}

// An island of one bus: a swing bus alone is solved without an iteration,
// a load bus alone is an island without a swing bus.
TEST(Flow, IslandsOfOneBus) {
  Net n = base();
  n.s[0].push_back("7,3,5,1,0,0,1,1.01,4,'S7',230,1");
  n.s[0].push_back("8,1,5,1,0,0,1,0.98,0,'L8',230,1");
  n.s[1].push_back("7,'1 ',0,0,10,-10,1.01,0,100,0,0.2,0,0,1,1,100,100,0");
  const zel23::Case c = parse(n.text());
  const zel23::Solution s = solved(c);
  ASSERT_TRUE(s.converged());
  ASSERT_EQ(s.islands.size(), 3u);
  EXPECT_EQ(s.islands[1].iterations, 0);
  EXPECT_TRUE(s.buses[4].solved);
  EXPECT_EQ(s.buses[4].va, 4.0);
  EXPECT_EQ(s.generators[2].pg, 5.0);
  EXPECT_EQ(s.generators[2].qg, 1.0);
  EXPECT_FALSE(s.islands[2].solved);
  expectBalance(c, s);
}

TEST(Flow, SampleCaseBalances) {
  const zel23::Case c = parse([] {
    std::ifstream in(ZEL23_SAMPLE_CASE);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }());
  for (bool limits : {false, true}) {
    const zel23::Solution s = solved(c, {false, limits, 1e-8, 10});
    ASSERT_TRUE(s.converged());
    expectBalance(c, s);
    if (!limits) { // held by bus 207's generator, which reaches its limit
      EXPECT_NEAR(s.buses[index(c, 204)].vm, 1.015, 1e-12);
    }
  }
}

} // namespace
