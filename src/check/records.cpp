// The checks of single records and of records against each other: unknown
// and duplicate buses, generators and branches, bus types against their
// generators, values out of any sensible range, terminator lines.

#include "check/checker.h"

#include <cstdio>
#include <functional>

namespace zel23::detail::check {
namespace {

std::string busText(int number) { return "bus " + std::to_string(number); }

/// A field value in a message: the shortest of %g's forms.
std::string num(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

bool sensibleVoltage(double v) { return v >= 0.5 && v <= 1.5; }

std::uint64_t nameHash(std::string_view name) {
  return std::hash<std::string_view>{}(bare(name));
}

std::uint64_t pairHash(int a, int b) {
  return mix(std::uint64_t(std::uint32_t(a)) << 32 | std::uint32_t(b));
}

std::string branchText(int i, int j, const std::string& circuit) {
  return "branch " + std::to_string(i) + "-" + std::to_string(j) + " circuit " + circuit;
}

std::string generatorText(const ZELGenerator& g) {
  return "generator " + g.ID() + " at " + busText(g.I());
}

const char* typeText(int type) {
  switch (type) {
  case 1:
    return "a load bus (type 1)";
  case 2:
    return "a PV bus (type 2)";
  case 3:
    return "a swing bus (type 3)";
  case 4:
    return "isolated (type 4)";
  default:
    return "of an unknown type";
  }
}

} // namespace

void Checker::buses() {
  bool swing = false;
  for (std::size_t i = 0; i < c_.buses.size(); ++i) {
    const ZELBus& b = c_.buses[i];
    const std::size_t line = lineOf(0, i);
    const std::uint32_t first =
        busTable_.add(mix(std::uint32_t(b.I())), std::uint32_t(i),
                      [&](std::uint32_t k) { return bus(k).I() == b.I(); });
    if (first != kNone)
      warn(line, "duplicate-bus",
           busText(b.I()) + " is already defined on line " +
               std::to_string(lineOf(0, first)));
    swing = swing || b.IDE() == 3;
    if (b.IDE() != 4 && !sensibleVoltage(b.VM()))
      warn(line, "voltage-out-of-range",
           busText(b.I()) + " has voltage magnitude VM " + num(b.VM()) +
               " p.u., outside 0.5 to 1.5");
  }
  if (!swing)
    warn(c_.buses.empty() ? 1 : lineOf(0, 0), "no-swing-bus", "no bus of type 3 (swing)");
}

void Checker::generators() {
  const auto& gens = c_.generators;
  IndexTable seen(gens.size());
  // The first in-service generator at each bus and regulating each bus.
  std::vector<std::uint32_t> firstAt(c_.buses.size(), kNone);
  std::vector<std::uint32_t> firstRegulating(c_.buses.size(), kNone);
  for (std::size_t i = 0; i < gens.size(); ++i) {
    const ZELGenerator& g = gens[i];
    const std::size_t line = lineOf(1, i);
    const std::uint32_t at = needBus(line, "generator", g.I());
    const std::uint32_t remote =
        needBus(line, "generator's regulated bus", g.IREG(), true);
    const std::uint32_t first =
        seen.add(mix(std::uint32_t(g.I())) ^ nameHash(g.ID()), std::uint32_t(i),
                 [&](std::uint32_t k) {
                   return gens[k].I() == g.I() && bare(gens[k].ID()) == bare(g.ID());
                 });
    if (first != kNone)
      warn(line, "duplicate-generator",
           generatorText(g) + " is already defined on line " +
               std::to_string(lineOf(1, first)));
    if (g.PT() < g.PB())
      warn(line, "generator-limits-reversed",
           generatorText(g) + " has PT " + num(g.PT()) + " below PB " + num(g.PB()));
    if (g.QT() < g.QB())
      warn(line, "generator-limits-reversed",
           generatorText(g) + " has QT " + num(g.QT()) + " below QB " + num(g.QB()));
    if (g.STAT() == 0) continue;
    if (!sensibleVoltage(g.VS()))
      warn(line, "voltage-out-of-range",
           generatorText(g) + " has voltage set point VS " + num(g.VS()) +
               " p.u., outside 0.5 to 1.5");
    if (at == kNone) continue;
    ++generatorsAt_[at];
    const int type = bus(at).IDE();
    if (type == 1 || type == 4)
      warn(line, type == 1 ? "generator-at-load-bus" : "generator-at-isolated-bus",
           "in-service " + generatorText(g) + ", which is " + typeText(type));
    const std::uint32_t regulated = g.IREG() == 0 ? at : remote;
    const std::uint32_t other = firstAt[at];
    if (other != kNone && gens[other].VS() != g.VS()) {
      warn(line, "voltage-setpoint-conflict",
           generatorText(g) + " has VS " + num(g.VS()) + ", but generator " +
               gens[other].ID() + " at the same bus on line " +
               std::to_string(lineOf(1, other)) + " has VS " + num(gens[other].VS()));
    } else if (regulated != kNone && firstRegulating[regulated] != kNone &&
               gens[firstRegulating[regulated]].VS() != g.VS()) {
      const ZELGenerator& o = gens[firstRegulating[regulated]];
      warn(line, "voltage-setpoint-conflict",
           generatorText(g) + " holds " + busText(bus(regulated).I()) + " at VS " +
               num(g.VS()) + ", but " + generatorText(o) + " on line " +
               std::to_string(lineOf(1, firstRegulating[regulated])) +
               " holds it at VS " + num(o.VS()));
    }
    if (firstAt[at] == kNone) firstAt[at] = std::uint32_t(i);
    if (regulated != kNone && firstRegulating[regulated] == kNone)
      firstRegulating[regulated] = std::uint32_t(i);
  }
  // Buses whose type says a generator holds their voltage.
  for (std::size_t i = 0; i < c_.buses.size(); ++i) {
    const ZELBus& b = c_.buses[i];
    if ((b.IDE() == 2 || b.IDE() == 3) && generatorsAt_[i] == 0 && busAt(b.I()) == i)
      warn(lineOf(0, i), "pv-bus-without-generator",
           busText(b.I()) + " is " + typeText(b.IDE()) +
               " but has no in-service generator");
  }
}

void Checker::branches() {
  const auto& list = c_.branches;
  for (std::size_t i = 0; i < list.size(); ++i) {
    const ZELBranch& b = list[i];
    const std::size_t line = lineOf(2, i);
    const std::uint32_t from = needBus(line, "branch", b.I());
    const std::uint32_t to = needBus(line, "branch", b.J());
    if (b.I() == b.J())
      warn(line, "branch-to-itself", "branch from " + busText(b.I()) + " to itself");
    const std::uint32_t first =
        branchTable_.add(pairHash(b.I(), b.J()) ^ nameHash(b.CKT()), std::uint32_t(i),
                         [&](std::uint32_t k) {
                           return list[k].I() == b.I() && list[k].J() == b.J() &&
                                  bare(list[k].CKT()) == bare(b.CKT());
                         });
    const std::string name = branchText(b.I(), b.J(), b.CKT());
    if (first != kNone)
      warn(line, "duplicate-branch",
           name + " is already defined on line " + std::to_string(lineOf(2, first)));
    const double ratings[] = {b.RATEA(), b.RATEB(), b.RATEC()};
    for (int k = 0; k < 3; ++k)
      if (ratings[k] < 0)
        warn(line, "negative-rating",
             name + " has a negative rating RATE" + char('A' + k) + " " +
                 num(ratings[k]));
    if (b.R() == 0 && b.X() == 0)
      warn(line, "zero-impedance", name + " has zero impedance (R and X both 0)");
    if (b.RATIO() == 0 && b.ANGLE() == 0 && from != kNone && to != kNone) {
      const double kvFrom = bus(from).BASKV(), kvTo = bus(to).BASKV();
      if (kvFrom > 0 && kvTo > 0 && kvFrom != kvTo)
        warn(line, "line-between-voltage-levels",
             name + " is a line (RATIO 0, no ANGLE) but joins " + busText(b.I()) +
                 " at " + num(kvFrom) + " kV and " + busText(b.J()) + " at " + num(kvTo) +
                 " kV");
    }
    if (b.ST() != 0) connect(line, name, from, to);
  }
}

void Checker::adjustments() {
  for (std::size_t i = 0; i < c_.adjustments.size(); ++i) {
    const ZELTransformerAdjustment& t = c_.adjustments[i];
    const std::size_t line = lineOf(3, i);
    needBus(line, "transformer adjustment", t.I());
    needBus(line, "transformer adjustment", t.J());
    needBus(line, "transformer adjustment's controlled bus", t.ICONT(), true);
    const auto hasBranch = [&](int from, int to) {
      return branchTable_.find(
                 pairHash(from, to) ^ nameHash(t.CKT()), [&](std::uint32_t k) {
                   const ZELBranch& b = c_.branches[k];
                   return b.I() == from && b.J() == to && bare(b.CKT()) == bare(t.CKT());
                 }) != kNone;
    };
    if (!hasBranch(t.I(), t.J()) && !hasBranch(t.J(), t.I()))
      warn(line, "adjustment-without-branch",
           "transformer adjustment for " + std::to_string(t.I()) + "-" +
               std::to_string(t.J()) + " circuit " + t.CKT() +
               ", which is not in the branch section");
    const std::string name = "transformer adjustment for " + std::to_string(t.I()) + "-" +
                             std::to_string(t.J()) + " circuit " + t.CKT();
    if (t.RMA() < t.RMI())
      warn(line, "adjustment-limits-reversed",
           name + " has RMA " + num(t.RMA()) + " below RMI " + num(t.RMI()));
    if (t.VMA() < t.VMI())
      warn(line, "adjustment-limits-reversed",
           name + " has VMA " + num(t.VMA()) + " below VMI " + num(t.VMI()));
  }
}

void Checker::areas() {
  for (std::size_t i = 0; i < c_.areas.size(); ++i) {
    const ZELAreaInterchange& a = c_.areas[i];
    if (a.ISW() == 0) continue;
    const std::uint32_t swing = busAt(a.ISW());
    const std::string name =
        "area " + std::to_string(a.I()) + "'s swing " + busText(a.ISW());
    if (swing == kNone)
      warn(lineOf(4, i), "area-swing-bus-outside-area",
           name + " is not in the bus section");
    else if (bus(swing).AREA() != a.I())
      warn(lineOf(4, i), "area-swing-bus-outside-area",
           name + " is in area " + std::to_string(bus(swing).AREA()));
  }
}

void Checker::dcLines() {
  for (std::size_t i = 0; i < c_.dcLines.size(); ++i) {
    const ZELTwoTerminalDC& d = c_.dcLines[i];
    const std::size_t line = lineOf(5, i);
    const std::string name = "DC line " + std::to_string(d.I());
    const std::uint32_t rectifier = needBus(line + 1, name + " rectifier", d.IPR());
    const std::uint32_t inverter = needBus(line + 2, name + " inverter", d.IPI());
    if (d.MDC() != 0) connect(line, name, rectifier, inverter);
  }
}

void Checker::shunts() {
  for (std::size_t i = 0; i < c_.shunts.size(); ++i) {
    const ZELSwitchedShunt& s = c_.shunts[i];
    const std::size_t line = lineOf(6, i);
    needBus(line, "switched shunt", s.I());
    needBus(line, "switched shunt's remote bus", s.SWREM(), true);
    bool empty = true;
    for (int k = 0; k < s.noBlocks() && k < 8; ++k)
      empty = empty && (s.N(k) == 0 || s.B(k) == 0);
    if (empty)
      warn(line, "empty-switched-shunt",
           "switched shunt at " + busText(s.I()) +
               " has no block that switches anything (every N or B is 0)");
  }
}

void Checker::terminators() {
  constexpr std::size_t kComplete = 3 + kSectionCount;
  const auto& lines = report_.commentLines;
  if (c_.comments.size() < kComplete)
    warn(report_.lines, "missing-terminator",
         "the file ends after " +
             std::to_string(c_.comments.size() > 3 ? c_.comments.size() - 3 : 0) +
             " of its 7 terminator lines");
  for (std::size_t k = kComplete; k < lines.size(); ++k)
    warn(lines[k], "extra-terminator", "terminator line after the seventh section");
}

} // namespace zel23::detail::check
