// The checks of single records and of records against each other: unknown
// and duplicate buses, generators and branches, bus types against their
// generators, values out of any sensible range, terminator lines.

#include "check/checker.h"
#include "check/message.h"

#include <functional>

namespace zel23::detail::check {
namespace {

using Bus = Message::Bus;

bool sensibleVoltage(double v) { return v >= 0.5 && v <= 1.5; }

std::uint64_t nameHash(std::string_view name) {
  return std::hash<std::string_view>{}(bareName(name));
}

std::uint64_t pairHash(int a, int b) {
  return mix(std::uint64_t(std::uint32_t(a)) << 32 | std::uint32_t(b));
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
    const std::size_t line = lineOf(Section::Bus, i);
    const std::uint32_t first = busAt(b.I());
    if (first != i)
      warn(line, "duplicate-bus",
           Message() << Bus{b.I()} << " is already defined on line "
                     << lineOf(Section::Bus, first));
    swing = swing || b.IDE() == 3;
    if (b.IDE() != 4 && !sensibleVoltage(b.VM()))
      warn(line, "voltage-out-of-range",
           Message() << Bus{b.I()} << " has voltage magnitude VM " << b.VM()
                     << " p.u., outside 0.5 to 1.5");
  }
  // After the findings of the first bus's line, as the merge's stable sort
  // keeps them.
  if (!swing)
    warn(c_.buses.empty() ? 1 : lineOf(Section::Bus, 0), "no-swing-bus",
         Message() << "no bus of type 3 (swing)");
}

void Checker::generators() {
  const auto& gens = c_.generators;
  IndexTable seen(gens.size());
  // The first in-service generator at each bus and regulating each bus.
  std::vector<std::uint32_t> firstAt(c_.buses.size(), kNone);
  std::vector<std::uint32_t> firstRegulating(c_.buses.size(), kNone);
  for (std::size_t i = 0; i < gens.size(); ++i) {
    const ZELGenerator& g = gens[i];
    const std::size_t line = lineOf(Section::Generator, i);
    const std::uint32_t at = needBus(line, "generator", g.I());
    const std::uint32_t remote =
        needBus(line, "generator's regulated bus", g.IREG(), true);
    const std::uint32_t first = seen.add(
        mix(std::uint32_t(g.I())) ^ nameHash(g.ID()), std::uint32_t(i),
        [&](std::uint32_t k) {
          return gens[k].I() == g.I() && bareName(gens[k].ID()) == bareName(g.ID());
        });
    if (first != kNone)
      warn(line, "duplicate-generator",
           Message() << g << " is already defined on line "
                     << lineOf(Section::Generator, first));
    if (g.PT() < g.PB())
      warn(line, "generator-limits-reversed",
           Message() << g << " has PT " << g.PT() << " below PB " << g.PB());
    if (g.QT() < g.QB())
      warn(line, "generator-limits-reversed",
           Message() << g << " has QT " << g.QT() << " below QB " << g.QB());
    if (g.STAT() == 0) {
      if (at != kNone) ++offlineAt_[at];
      continue;
    }
    if (!sensibleVoltage(g.VS()))
      warn(line, "voltage-out-of-range",
           Message() << g << " has voltage set point VS " << g.VS()
                     << " p.u., outside 0.5 to 1.5");
    if (at == kNone) continue;
    ++generatorsAt_[at];
    const int type = nodes_[at].type;
    if (type == 1 || type == 4)
      warn(line, type == 1 ? "generator-at-load-bus" : "generator-at-isolated-bus",
           Message() << "in-service " << g << ", which is " << typeText(type));
    const std::uint32_t regulated = g.IREG() == 0 ? at : remote;
    const std::uint32_t other = firstAt[at];
    const std::uint32_t holder = regulated == kNone ? kNone : firstRegulating[regulated];
    if (other != kNone && gens[other].VS() != g.VS())
      warn(line, "voltage-setpoint-conflict",
           Message() << g << " has VS " << g.VS() << ", but generator "
                     << gens[other].ID() << " at the same bus on line "
                     << lineOf(Section::Generator, other) << " has VS "
                     << gens[other].VS());
    else if (holder != kNone && gens[holder].VS() != g.VS())
      warn(line, "voltage-setpoint-conflict",
           Message() << g << " holds " << Bus{bus(regulated).I()} << " at VS " << g.VS()
                     << ", but " << gens[holder] << " on line "
                     << lineOf(Section::Generator, holder) << " holds it at VS "
                     << gens[holder].VS());
    if (other == kNone) firstAt[at] = std::uint32_t(i);
    if (regulated != kNone && holder == kNone)
      firstRegulating[regulated] = std::uint32_t(i);
  }
  // Buses whose type says a generator holds their voltage. A PV bus whose
  // units are all offline is solved as a load bus: a unit taken out, not a
  // mistake. A swing bus has no such way out.
  newRun();
  for (std::size_t i = 0; i < c_.buses.size(); ++i) {
    const ZELBus& b = c_.buses[i];
    if ((b.IDE() != 2 && b.IDE() != 3) || generatorsAt_[i] != 0 || busAt(b.I()) != i)
      continue;
    const std::uint32_t offline = offlineAt_[i];
    if (b.IDE() == 2 && offline > 0) {
      Message m;
      m << Bus{b.I()} << " is a PV bus but its ";
      if (offline == 1)
        m << "generator is";
      else
        m << std::size_t(offline) << " generators are";
      note(lineOf(Section::Bus, i), "pv-bus-generators-offline",
           m << " out of service: solved as a load bus");
    } else {
      warn(lineOf(Section::Bus, i), "pv-bus-without-generator",
           Message() << Bus{b.I()} << " is " << typeText(b.IDE())
                     << " but has no in-service generator");
    }
  }
}

void Checker::branches() {
  const auto& list = c_.branches;
  const auto key = [&](const ZELBranch& b) {
    return pairHash(b.I(), b.J()) ^ nameHash(b.CKT());
  };
  // Each branch reads the table and both its buses at random: ask for them a
  // few branches ahead, the buses' indices first, then their nodes.
  constexpr std::size_t kAhead = 16;
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (i + 2 * kAhead < list.size()) {
      busIndex_.prefetch(list[i + 2 * kAhead].I());
      busIndex_.prefetch(list[i + 2 * kAhead].J());
    }
    if (i + kAhead < list.size()) {
      const ZELBranch& ahead = list[i + kAhead];
      branchTable_.prefetch(key(ahead));
      for (int end : {ahead.I(), ahead.J()}) {
        const std::uint32_t k = busAt(end);
        if (k != kNone) __builtin_prefetch(&nodes_[k]);
      }
    }
    const ZELBranch& b = list[i];
    const std::size_t line = lineOf(Section::Branch, i);
    const std::uint32_t from = needBus(line, "branch", b.I());
    const std::uint32_t to = needBus(line, "branch", b.J());
    if (b.I() == b.J())
      warn(line, "branch-to-itself",
           Message() << "branch from " << Bus{b.I()} << " to itself");
    const std::uint32_t first =
        branchTable_.add(key(b), std::uint32_t(i), [&](std::uint32_t k) {
          return list[k].I() == b.I() && list[k].J() == b.J() &&
                 bareName(list[k].CKT()) == bareName(b.CKT());
        });
    if (first != kNone)
      warn(line, "duplicate-branch",
           Message() << b << " is already defined on line "
                     << lineOf(Section::Branch, first));
    const double ratings[] = {b.RATEA(), b.RATEB(), b.RATEC()};
    for (int k = 0; k < 3; ++k)
      if (ratings[k] < 0)
        warn(line, "negative-rating",
             Message() << b << " has a negative rating RATE" << char('A' + k) << ' '
                       << ratings[k]);
    if (b.R() == 0 && b.X() == 0)
      warn(line, "zero-impedance",
           Message() << b << " has zero impedance (R and X both 0)");
    // RATIO 0 marks a line. Any other RATIO is a transformer, 1 its nominal
    // ratio in per unit, and joining two voltage levels is its job.
    if (b.RATIO() == 0 && b.ANGLE() == 0 && from != kNone && to != kNone) {
      const double kvFrom = nodes_[from].kv, kvTo = nodes_[to].kv;
      if (kvFrom > 0 && kvTo > 0 && kvFrom != kvTo)
        warn(line, "line-between-voltage-levels",
             Message() << b << " is a line (RATIO 0, no ANGLE) but joins " << Bus{b.I()}
                       << " at " << kvFrom << " kV and " << Bus{b.J()} << " at " << kvTo
                       << " kV");
    }
    if (b.ST() != 0) connect(line, b, from, to);
  }
}

void Checker::adjustments() {
  for (std::size_t i = 0; i < c_.adjustments.size(); ++i) {
    const ZELTransformerAdjustment& t = c_.adjustments[i];
    const std::size_t line = lineOf(Section::TransformerAdjustment, i);
    needBus(line, "transformer adjustment", t.I());
    needBus(line, "transformer adjustment", t.J());
    needBus(line, "transformer adjustment's controlled bus", t.ICONT(), true);
    const auto hasBranch = [&](int from, int to) {
      return branchTable_.find(pairHash(from, to) ^ nameHash(t.CKT()),
                               [&](std::uint32_t k) {
                                 const ZELBranch& b = c_.branches[k];
                                 return b.I() == from && b.J() == to &&
                                        bareName(b.CKT()) == bareName(t.CKT());
                               }) != kNone;
    };
    if (!hasBranch(t.I(), t.J()) && !hasBranch(t.J(), t.I()))
      warn(line, "adjustment-without-branch",
           Message() << t << ", which is not in the branch section");
    if (t.RMA() < t.RMI())
      warn(line, "adjustment-limits-reversed",
           Message() << t << " has RMA " << t.RMA() << " below RMI " << t.RMI());
    if (t.VMA() < t.VMI())
      warn(line, "adjustment-limits-reversed",
           Message() << t << " has VMA " << t.VMA() << " below VMI " << t.VMI());
  }
}

void Checker::areas() {
  for (std::size_t i = 0; i < c_.areas.size(); ++i) {
    const ZELAreaInterchange& a = c_.areas[i];
    if (a.ISW() == 0) continue;
    const std::uint32_t swing = busAt(a.ISW());
    Message m;
    m << "area " << a.I() << "'s swing " << Bus{a.ISW()};
    if (swing == kNone)
      warn(lineOf(Section::AreaInterchange, i), "area-swing-bus-outside-area",
           m << " is not in the bus section");
    else if (bus(swing).AREA() != a.I())
      warn(lineOf(Section::AreaInterchange, i), "area-swing-bus-outside-area",
           m << " is in area " << bus(swing).AREA());
  }
}

void Checker::dcLines() {
  for (std::size_t i = 0; i < c_.dcLines.size(); ++i) {
    const ZELTwoTerminalDC& d = c_.dcLines[i];
    const std::size_t line = lineOf(Section::TwoTerminalDC, i);
    const std::string name = "DC line " + std::to_string(d.I());
    // The rectifier and the inverter stand on the record's second and third line.
    const std::uint32_t rectifier =
        needBus(line ? line + 1 : 0, name + " rectifier", d.IPR());
    const std::uint32_t inverter =
        needBus(line ? line + 2 : 0, name + " inverter", d.IPI());
    if (d.MDC() != 0) connect(line, std::string_view(name), rectifier, inverter);
  }
}

void Checker::shunts() {
  for (std::size_t i = 0; i < c_.shunts.size(); ++i) {
    const ZELSwitchedShunt& s = c_.shunts[i];
    const std::size_t line = lineOf(Section::SwitchedShunt, i);
    needBus(line, "switched shunt", s.I());
    needBus(line, "switched shunt's remote bus", s.SWREM(), true);
    bool empty = true;
    for (int k = 0; k < s.noBlocks() && k < 8; ++k)
      empty = empty && (s.N(k) == 0 || s.B(k) == 0);
    if (empty)
      warn(line, "empty-switched-shunt",
           Message() << "switched shunt at " << Bus{s.I()}
                     << " has no block that switches anything (every N or B is 0)");
  }
}

void Checker::terminators() {
  constexpr std::size_t kComplete = 3 + kSectionCount;
  const auto& lines = report_.commentLines;
  const std::size_t read = c_.comments.size();
  if (read < kComplete)
    warn(report_.lines, "missing-terminator",
         Message() << "the file ends after " << (read > 3 ? read - 3 : 0)
                   << " of its 7 terminator lines");
  for (std::size_t k = kComplete; k < lines.size(); ++k)
    warn(lines[k], "extra-terminator",
         Message() << "terminator line after the seventh section");
}

} // namespace zel23::detail::check
