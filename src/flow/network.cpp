#include "network.h"

#include "names.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <utility>

namespace zel23::detail::flow {

int Network::busOf(int number) const {
  if (!byNumber.empty()) {
    const long long k = static_cast<long long>(number) - firstNumber;
    return k >= 0 && k < static_cast<long long>(byNumber.size()) ? byNumber[k] : -1;
  }
  auto it =
      std::lower_bound(numberIndex.begin(), numberIndex.end(), std::pair(number, -1));
  return it != numberIndex.end() && it->first == number ? it->second : -1;
}

namespace {

constexpr double kDegree = 3.14159265358979323846 / 180.0;

bool allFinite(const Complex& z) {
  return std::isfinite(z.real()) && std::isfinite(z.imag());
}

/// Collects problems and tells whether values are fit to solve with.
class Checker {
public:
  explicit Checker(std::vector<SolveProblem>& out) : out_(out) {}

  void add(int section, std::size_t record, std::string message) {
    out_.push_back({section, record, std::move(message)});
  }
  /// A value that must be a finite number; reports it otherwise. `who()`
  /// names the record, called only when there is something to report.
  template <class Name>
  bool finite(int section, std::size_t record, const Name& who, const char* field,
              double value) {
    if (std::isfinite(value)) return true;
    add(section, record,
        who() + " has " + field + ' ' + numberText(value) + ": not a finite number");
    return false;
  }
  /// The bus a record names, or -1 after reporting it.
  template <class Name>
  int known(const Network& n, int section, std::size_t record, const Name& who,
            int number) {
    const int b = n.busOf(number);
    if (b < 0)
      add(section, record,
          who() + " names bus " + std::to_string(number) +
              ", which is not in the bus section");
    return b;
  }

private:
  std::vector<SolveProblem>& out_;
};

constexpr int kBus = 0, kGenerator = 1, kBranch = 2, kDc = 5, kShunt = 6;

void checkBuses(Network& n, Checker& check) {
  const auto& buses = n.c->buses;
  for (std::size_t k = 0; k < buses.size(); ++k)
    n.numberIndex.emplace_back(buses[k].I(), static_cast<int>(k));
  std::sort(n.numberIndex.begin(), n.numberIndex.end());
  for (std::size_t k = 1; k < n.numberIndex.size(); ++k) {
    const int later = n.numberIndex[k].second;
    if (n.numberIndex[k].first == n.numberIndex[k - 1].first)
      check.add(kBus, later,
                busName(buses[later].I()) + " comes twice in the bus section");
  }
  if (!buses.empty()) {
    const long long span = static_cast<long long>(n.numberIndex.back().first) -
                           n.numberIndex.front().first + 1;
    if (span <= 4 * static_cast<long long>(buses.size()) + 1024) {
      n.firstNumber = n.numberIndex.front().first;
      n.byNumber.assign(static_cast<std::size_t>(span), -1);
      for (auto it = n.numberIndex.rbegin(); it != n.numberIndex.rend(); ++it)
        n.byNumber[it->first - n.firstNumber] = it->second;
    }
  }
  n.leftOut.assign(buses.size(), false);
  for (std::size_t k = 0; k < buses.size(); ++k) {
    const ZELBus& b = buses[k];
    const auto who = [&] { return busName(b.I()); };
    if (b.IDE() < 1 || b.IDE() > 4) {
      check.add(kBus, k,
                who() + " has type " + std::to_string(b.IDE()) +
                    ": a bus is of type 1, 2, 3 or 4");
      continue;
    }
    if (b.IDE() == 4) {
      n.leftOut[k] = true;
      ++n.neglected.isolatedBuses;
      continue;
    }
    const std::pair<const char*, double> values[] = {{"PL", b.PL()}, {"QL", b.QL()},
                                                     {"GL", b.GL()}, {"BL", b.BL()},
                                                     {"VM", b.VM()}, {"VA", b.VA()}};
    for (const auto& [field, value] : values)
      check.finite(kBus, k, who, field, value);
  }
}

/// The bus of an in-service record, or -1: unknown (reported) or isolated
/// (counted as left out).
template <class Name>
int modelBus(Network& n, Checker& check, int section, std::size_t record, const Name& who,
             int number) {
  const int b = check.known(n, section, record, who, number);
  if (b >= 0 && n.leftOut[b]) {
    ++n.neglected.leftOutRecords;
    return -1;
  }
  return b;
}

void checkGenerators(Network& n, Checker& check) {
  const auto& gens = n.c->generators;
  std::vector<int> busOfGen(gens.size(), -1);
  for (std::size_t k = 0; k < gens.size(); ++k) {
    const ZELGenerator& g = gens[k];
    if (g.STAT() == 0) continue;
    const auto who = [&] { return generatorName(g); };
    const int b = modelBus(n, check, kGenerator, k, who, g.I());
    if (b < 0) continue;
    bool ok = check.finite(kGenerator, k, who, "PG", g.PG());
    ok = check.finite(kGenerator, k, who, "QG", g.QG()) && ok;
    const int type = n.c->buses[b].IDE();
    if ((type == 2 || type == 3) && check.finite(kGenerator, k, who, "VS", g.VS()) &&
        !(g.VS() > 0 && g.VS() < 1000))
      check.add(kGenerator, k,
                who() + " holds VS " + numberText(g.VS()) +
                    ": a voltage set point must be above 0 and below 1000 p.u.");
    if (ok) busOfGen[k] = b;
  }
  n.genStart.assign(n.c->buses.size() + 1, 0);
  for (int b : busOfGen)
    if (b >= 0) ++n.genStart[b + 1];
  std::partial_sum(n.genStart.begin(), n.genStart.end(), n.genStart.begin());
  n.genList.resize(n.genStart.back());
  std::vector<int> fill(n.genStart.begin(), n.genStart.end() - 1);
  for (std::size_t k = 0; k < gens.size(); ++k)
    if (busOfGen[k] >= 0) n.genList[fill[busOfGen[k]]++] = static_cast<int>(k);
}

void checkBranches(Network& n, Checker& check) {
  const auto& branches = n.c->branches;
  n.branches.assign(branches.size(), BranchAdmittance());
  for (std::size_t k = 0; k < branches.size(); ++k) {
    const ZELBranch& r = branches[k];
    if (r.ST() == 0) continue;
    const auto who = [&] { return branchName(r); };
    const int from = modelBus(n, check, kBranch, k, who, r.I());
    const int to = modelBus(n, check, kBranch, k, who, r.J());
    if (from < 0 || to < 0) continue;
    if (from == to) {
      check.add(kBranch, k, who() + " joins " + busName(r.I()) + " to itself");
      continue;
    }
    bool ok = true;
    const std::pair<const char*, double> values[] = {
        {"R", r.R()},         {"X", r.X()},         {"B", r.B()},
        {"RATIO", r.RATIO()}, {"ANGLE", r.ANGLE()}, {"GI", r.GI()},
        {"BI", r.BI()},       {"GJ", r.GJ()},       {"BJ", r.BJ()}};
    for (const auto& [field, value] : values)
      ok = check.finite(kBranch, k, who, field, value) && ok;
    if (!ok) continue;
    if (r.R() == 0 && r.X() == 0) {
      check.add(kBranch, k, who() + " has zero impedance (R = X = 0)");
      continue;
    }
    const Complex ys = 1.0 / Complex(r.R(), r.X());
    const Complex t = std::polar(r.RATIO() == 0 ? 1.0 : r.RATIO(), r.ANGLE() * kDegree);
    const Complex charging(0.0, r.B() / 2);
    BranchAdmittance a;
    a.from = from;
    a.to = to;
    a.ii = (ys + charging) / std::norm(t) + Complex(r.GI(), r.BI());
    a.ij = -ys / std::conj(t);
    a.ji = -ys / t;
    a.jj = ys + charging + Complex(r.GJ(), r.BJ());
    if (!allFinite(a.ii) || !allFinite(a.ij) || !allFinite(a.ji) || !allFinite(a.jj)) {
      check.add(kBranch, k,
                who() + " has an admittance beyond the range of a double "
                        "(R and X, or RATIO, too close to 0)");
      continue;
    }
    n.branches[k] = a;
  }
}

/// DC lines as fixed real power, and switched shunts at BINIT into `shuntB`.
void checkInjections(Network& n, Checker& check, std::vector<double>& shuntB) {
  n.dcMW.assign(n.c->buses.size(), 0.0);
  const auto& lines = n.c->dcLines;
  for (std::size_t k = 0; k < lines.size(); ++k) {
    const ZELTwoTerminalDC& d = lines[k];
    if (d.MDC() == 0) continue;
    const auto who = [&] { return "DC line " + std::to_string(d.I()); };
    if (d.MDC() != 1 && d.MDC() != 2) {
      check.add(kDc, k,
                who() + " has control mode MDC " + std::to_string(d.MDC()) +
                    ": 0 blocked, 1 power or 2 current");
      continue;
    }
    const int rect = modelBus(n, check, kDc, k, who, d.IPR());
    const int inv = modelBus(n, check, kDc, k, who, d.IPI());
    const bool ok = check.finite(kDc, k, who, "SETVL", d.SETVL()) &&
                    (d.MDC() == 1 || check.finite(kDc, k, who, "VSCHD", d.VSCHD()));
    if (rect < 0 || inv < 0 || !ok) continue;
    const double mw = d.MDC() == 1 ? d.SETVL() : d.SETVL() * d.VSCHD() / 1000.0;
    n.dcMW[rect] -= mw;
    n.dcMW[inv] += mw;
    ++n.neglected.dcLines;
  }
  shuntB.assign(n.c->buses.size(), 0.0);
  const auto& shunts = n.c->shunts;
  for (std::size_t k = 0; k < shunts.size(); ++k) {
    const auto who = [&] { return "switched shunt at " + busName(shunts[k].I()); };
    const int b = modelBus(n, check, kShunt, k, who, shunts[k].I());
    if (b >= 0 && check.finite(kShunt, k, who, "BINIT", shunts[k].BINIT())) {
      shuntB[b] += shunts[k].BINIT();
      ++n.neglected.switchedShunts;
    }
  }
}

void assemble(Network& n, const std::vector<double>& shuntB) {
  const auto& buses = n.c->buses;
  const std::size_t count = buses.size();
  std::vector<int>& start = n.y.start;
  start.assign(count + 1, 0);
  for (std::size_t b = 0; b < count; ++b)
    start[b + 1] = 1;
  for (const BranchAdmittance& a : n.branches)
    if (a.from >= 0) ++start[a.from + 1], ++start[a.to + 1];
  std::partial_sum(start.begin(), start.end(), start.begin());
  n.y.column.resize(start.back());
  n.y.value.resize(start.back());
  std::vector<int> fill(start.begin(), start.end() - 1);
  const auto put = [&](int row, int col, Complex v) {
    n.y.column[fill[row]] = col;
    n.y.value[fill[row]++] = v;
  };
  for (std::size_t b = 0; b < count; ++b) {
    const Complex shunt =
        n.leftOut[b] ? Complex() : Complex(buses[b].GL(), buses[b].BL() + shuntB[b]);
    put(static_cast<int>(b), static_cast<int>(b), shunt / n.base);
  }
  for (const BranchAdmittance& a : n.branches) {
    if (a.from < 0) continue;
    n.y.value[start[a.from]] += a.ii;
    n.y.value[start[a.to]] += a.jj;
    put(a.from, a.to, a.ij);
    put(a.to, a.from, a.ji);
  }
  // Sort each row by column and merge parallel branches, in place.
  std::vector<std::pair<int, Complex>> row;
  int out = 0;
  for (std::size_t b = 0; b < count; ++b) {
    row.clear();
    for (int p = start[b]; p < start[b + 1]; ++p)
      row.emplace_back(n.y.column[p], n.y.value[p]);
    std::sort(row.begin(), row.end(),
              [](const auto& x, const auto& y) { return x.first < y.first; });
    start[b] = out;
    for (std::size_t k = 0; k < row.size(); ++k) {
      if (k > 0 && row[k].first == row[k - 1].first) {
        n.y.value[out - 1] += row[k].second;
        continue;
      }
      n.y.column[out] = row[k].first;
      n.y.value[out++] = row[k].second;
    }
  }
  start[count] = out;
  n.y.column.resize(out);
  n.y.value.resize(out);
}

int root(std::vector<int>& parent, int b) {
  while (parent[b] != b)
    b = parent[b] = parent[parent[b]];
  return b;
}

void findIslands(Network& n) {
  const auto& buses = n.c->buses;
  std::vector<int> parent(buses.size());
  std::iota(parent.begin(), parent.end(), 0);
  for (const BranchAdmittance& a : n.branches)
    if (a.from >= 0) {
      const int x = root(parent, a.from), y = root(parent, a.to);
      parent[std::max(x, y)] = std::min(x, y); // the root is the island's first bus
    }
  std::vector<int> byRoot(buses.size(), -1);
  std::vector<Island> found;
  n.island.assign(buses.size(), -1);
  for (std::size_t b = 0; b < buses.size(); ++b) {
    if (n.leftOut[b]) continue;
    int& id = byRoot[root(parent, static_cast<int>(b))];
    if (id < 0) {
      id = static_cast<int>(found.size());
      found.emplace_back();
    }
    found[id].buses.push_back(static_cast<int>(b));
    if (buses[b].IDE() == 3) found[id].swings.push_back(static_cast<int>(b));
  }
  std::stable_sort(found.begin(), found.end(), [](const Island& x, const Island& y) {
    return x.buses.size() > y.buses.size();
  });
  for (std::size_t k = 0; k < found.size(); ++k) {
    for (int b : found[k].buses)
      n.island[b] = static_cast<int>(k);
    if (found[k].swings.empty()) ++n.neglected.unsolvedIslands;
  }
  n.islands = std::move(found);
}

} // namespace

Network buildNetwork(const Case& c, std::vector<SolveProblem>& problems) {
  Network n;
  n.c = &c;
  n.base = c.systemBase;
  Checker check(problems);
  if (!(std::isfinite(c.systemBase) && c.systemBase > 0))
    check.add(kHeader, 0,
              "the system base is " + numberText(c.systemBase) +
                  ": it must be a number above 0");
  checkBuses(n, check);
  checkGenerators(n, check);
  checkBranches(n, check);
  std::vector<double> shuntB;
  checkInjections(n, check, shuntB);
  n.neglected.transformerAdjustments = c.adjustments.size();
  n.neglected.areaInterchanges = c.areas.size();
  if (!problems.empty()) return n;
  assemble(n, shuntB);
  findIslands(n);
  if (n.neglected.unsolvedIslands == n.islands.size())
    check.add(kHeader, 0,
              "no island has a swing bus (type 3): there is nothing to solve");
  return n;
}

} // namespace zel23::detail::flow
