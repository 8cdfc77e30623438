// zel23::solve: the network and its controls, each island with a swing bus
// through Newton's method, the reactive limits if asked, and the results.

#include "controls.h"
#include "names.h"
#include "network.h"
#include "newton.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <stdexcept>

namespace zel23 {

namespace detail::flow {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kDegree = 3.14159265358979323846 / 180.0;

/// One solve: the network, what the limits changed, the state.
struct Run {
  Run(const Network& network, const SolveOptions& o) : n(network), options(o) {}

  const Network& n;
  const SolveOptions& options;
  std::vector<bool> forced;   ///< per bus: made a load bus by reactive limits
  std::vector<double> fixedQ; ///< per generator: MVAr held by the limits, NaN if free
  std::vector<bool> atLimit;  ///< per generator
  Controls k;
  State s;
  std::vector<NewtonOutcome> outcome; ///< per island
  std::vector<int> rounds;            ///< per island
  std::vector<int> scratch;
  std::vector<Complex> v; ///< per bus, after the solve
};

bool solvable(const Network& n, int island) {
  return island >= 0 && !n.islands[island].swings.empty();
}

void startState(Run& r) {
  const auto& buses = r.n.c->buses;
  const std::size_t size = buses.size();
  r.s.vm.resize(size);
  r.s.va.resize(size);
  r.s.mismatchP.assign(size, 0.0);
  r.s.mismatchQ.assign(size, 0.0);
  const bool flat = r.options.flatStart;
  for (std::size_t b = 0; b < size; ++b) {
    r.s.vm[b] = flat ? 1.0 : buses[b].VM();
    r.s.va[b] = flat && r.k.kind[b] != Kind::swing ? 0.0 : buses[b].VA() * kDegree;
    if (!std::isnan(r.k.vset[b])) r.s.vm[b] = r.k.vset[b];
  }
  r.s.groupQ.clear();
  for (const Group& g : r.k.groups) {
    double q = 0.0;
    for (int b : g.controllers)
      for (int i = r.n.genStart[b]; i < r.n.genStart[b + 1]; ++i)
        q += r.n.c->generators[r.n.genList[i]].QG();
    r.s.groupQ.push_back(q / r.n.base);
  }
}

/// A start the voltages cannot take: a magnitude of 0 or less, or so large
/// that the powers would leave the doubles.
void checkStart(const Run& r, std::vector<SolveProblem>& problems) {
  const auto& buses = r.n.c->buses;
  for (std::size_t b = 0; b < buses.size(); ++b)
    if (solvable(r.n, r.n.island[b]) && !(r.s.vm[b] > 0 && r.s.vm[b] < 1000))
      problems.push_back({0, b,
                          busName(buses[b].I()) + " starts at VM " +
                              numberText(buses[b].VM()) +
                              ": a start needs a magnitude above 0 and below 1000 p.u. "
                              "(--flat starts at 1)"});
}

/// The fixed part of each bus's injection, from the loads, DC lines and the
/// generators whose output is not free.
void specify(Run& r) {
  const Network& n = r.n;
  const std::size_t size = n.c->buses.size();
  r.s.pSpec.assign(size, 0.0);
  r.s.qSpec.assign(size, 0.0);
  for (std::size_t b = 0; b < size; ++b) {
    const ZELBus& bus = n.c->buses[b];
    double p = n.dcMW[b] - bus.PL(), q = -bus.QL();
    for (int i = n.genStart[b]; i < n.genStart[b + 1]; ++i) {
      const int g = n.genList[i];
      p += n.c->generators[g].PG();
      if (r.k.kind[b] == Kind::load)
        q += std::isnan(r.fixedQ[g]) ? n.c->generators[g].QG() : r.fixedQ[g];
    }
    r.s.pSpec[b] = p / n.base;
    r.s.qSpec[b] = q / n.base;
  }
}

void solveIsland(Run& r, int island) {
  NewtonOutcome o =
      flow::solveIsland(r.n, r.n.islands[island], r.k, r.options, r.s, r.scratch);
  NewtonOutcome& total = r.outcome[island];
  total.converged = o.converged;
  total.failure = std::move(o.failure);
  total.iterations += o.iterations;
  total.norms.insert(total.norms.end(), o.norms.begin(), o.norms.end());
}

void computeVoltages(Run& r) {
  r.v.resize(r.s.vm.size());
  for (std::size_t b = 0; b < r.v.size(); ++b)
    r.v[b] = std::polar(r.s.vm[b], r.s.va[b]);
}

/// Net power into the network at bus b, MW and MVAr.
Complex busPower(const Run& r, int b) {
  Complex current;
  for (int p = r.n.y.start[b]; p < r.n.y.start[b + 1]; ++p)
    current += r.n.y.value[p] * r.v[r.n.y.column[p]];
  return r.v[b] * std::conj(current) * r.n.base;
}

/// Shares of a bus's reactive power among its generators: in proportion to
/// their ranges QT - QB, equal where a range is not a number of 0 or more
/// or all are 0.
std::vector<double> rangeShares(const Network& n, int b) {
  std::vector<double> range;
  for (int i = n.genStart[b]; i < n.genStart[b + 1]; ++i) {
    const ZELGenerator& g = n.c->generators[n.genList[i]];
    range.push_back(g.QT() - g.QB());
  }
  return proportional(std::move(range));
}

/// Each in-service generator's output at bus b (MW, MVAr), by generator index.
void generatorOutput(const Run& r, int b, std::vector<GeneratorResult>& out) {
  const Network& n = r.n;
  const ZELBus& bus = n.c->buses[b];
  const Kind kind = r.k.kind[b];
  const Complex s = busPower(r, b);
  const double qFree = s.imag() + bus.QL();
  const std::vector<double> share = rangeShares(n, b);
  double pOthers = 0.0;
  for (int i = n.genStart[b]; i < n.genStart[b + 1]; ++i) {
    const int g = n.genList[i];
    const ZELGenerator& gen = n.c->generators[g];
    GeneratorResult& res = out[g];
    res.pg = gen.PG();
    if (i > n.genStart[b]) pOthers += gen.PG();
    if (kind == Kind::load)
      res.qg = std::isnan(r.fixedQ[g]) ? gen.QG() : r.fixedQ[g];
    else
      res.qg = qFree * share[i - n.genStart[b]];
  }
  if (kind == Kind::swing && n.genStart[b] < n.genStart[b + 1])
    out[n.genList[n.genStart[b]]].pg = s.real() + bus.PL() - n.dcMW[b] - pOthers;
}

/// One round of the reactive limits over the islands that converged: every
/// generator beyond a limit is held there and its bus becomes a load bus
/// (its other generators keep their output). Returns the islands changed.
std::vector<bool> holdLimits(Run& r, Neglected& neglected) {
  const Network& n = r.n;
  const double slack = r.options.tolerance * n.base;
  computeVoltages(r);
  std::vector<GeneratorResult> out(n.c->generators.size());
  std::vector<bool> changed(n.islands.size(), false);
  for (std::size_t b = 0; b < n.c->buses.size(); ++b) {
    const int island = n.island[b];
    const Kind kind = r.k.kind[b];
    if ((kind != Kind::held && kind != Kind::controller) || !r.outcome[island].converged)
      continue;
    generatorOutput(r, static_cast<int>(b), out);
    bool beyond = false;
    for (int i = n.genStart[b]; i < n.genStart[b + 1]; ++i) {
      const int g = n.genList[i];
      const ZELGenerator& gen = n.c->generators[g];
      const double q = out[g].qg;
      // A limit that is not a finite number is no limit.
      const bool above = std::isfinite(gen.QT()) && q > gen.QT() + slack;
      const bool below = std::isfinite(gen.QB()) && q < gen.QB() - slack;
      r.fixedQ[g] = above ? gen.QT() : below ? gen.QB() : q;
      r.atLimit[g] = r.fixedQ[g] != q;
      beyond = beyond || r.atLimit[g];
    }
    if (!beyond) {
      for (int i = n.genStart[b]; i < n.genStart[b + 1]; ++i)
        r.fixedQ[n.genList[i]] = kNaN;
      continue;
    }
    r.forced[b] = true;
    changed[island] = true;
    ++neglected.qLimitedBuses;
  }
  return changed;
}

/// The controls after the limits moved some buses, each group's reactive
/// power starting from what its remaining controllers gave.
void reassign(Run& r) {
  Controls next = assignControls(r.n, r.forced, nullptr);
  std::vector<double> q(next.groups.size(), 0.0);
  for (std::size_t g = 0; g < next.groups.size(); ++g)
    for (int b : next.groups[g].controllers)
      if (r.k.groupOf[b] >= 0) q[g] += r.k.share[b] * r.s.groupQ[r.k.groupOf[b]];
  r.k = std::move(next);
  r.s.groupQ = std::move(q);
  specify(r);
}

void enforceLimits(Run& r, Neglected& neglected) {
  for (;;) {
    const std::vector<bool> changed = holdLimits(r, neglected);
    if (std::find(changed.begin(), changed.end(), true) == changed.end()) return;
    reassign(r);
    for (std::size_t i = 0; i < changed.size(); ++i)
      if (changed[i]) {
        ++r.rounds[i];
        solveIsland(r, static_cast<int>(i));
      }
  }
}

int solvedType(Kind kind) {
  switch (kind) {
  case Kind::swing:
    return 3;
  case Kind::held:
  case Kind::controller:
    return 2;
  default:
    return 1;
  }
}

void busResults(const Run& r, Solution& out) {
  const Network& n = r.n;
  const auto& buses = n.c->buses;
  out.buses.resize(buses.size());
  for (std::size_t b = 0; b < buses.size(); ++b) {
    BusResult& res = out.buses[b];
    const int island = n.island[b];
    res.bus = buses[b].I();
    res.island = island;
    res.vm = buses[b].VM();
    res.va = buses[b].VA();
    if (!solvable(n, island)) continue;
    res.type = solvedType(r.k.kind[b]);
    res.solved = r.outcome[island].converged;
    res.vm = r.s.vm[b];
    res.va = r.s.va[b] / kDegree;
    const Complex s = busPower(r, static_cast<int>(b));
    res.p = s.real();
    res.q = s.imag();
    res.mismatchP = r.s.mismatchP[b];
    res.mismatchQ = r.s.mismatchQ[b];
  }
}

void generatorResults(const Run& r, Solution& out) {
  const Network& n = r.n;
  const auto& gens = n.c->generators;
  out.generators.resize(gens.size());
  for (std::size_t g = 0; g < gens.size(); ++g) {
    out.generators[g].bus = gens[g].I();
    out.generators[g].pg = gens[g].PG();
    out.generators[g].qg = gens[g].QG();
  }
  for (std::size_t b = 0; b < n.c->buses.size(); ++b) {
    if (!solvable(n, n.island[b])) continue;
    generatorOutput(r, static_cast<int>(b), out.generators);
    for (int i = n.genStart[b]; i < n.genStart[b + 1]; ++i) {
      GeneratorResult& res = out.generators[n.genList[i]];
      res.inService = true;
      res.solved = r.outcome[n.island[b]].converged;
      res.atLimit = r.atLimit[n.genList[i]];
    }
  }
}

void branchResults(const Run& r, Solution& out) {
  const Network& n = r.n;
  out.branches.resize(n.branches.size());
  for (std::size_t k = 0; k < n.branches.size(); ++k) {
    BranchResult& res = out.branches[k];
    const BranchAdmittance& a = n.branches[k];
    res.from = n.c->branches[k].I();
    res.to = n.c->branches[k].J();
    if (a.from < 0 || !solvable(n, n.island[a.from])) continue;
    res.inService = true;
    res.solved = r.outcome[n.island[a.from]].converged;
    const Complex vi = r.v[a.from], vj = r.v[a.to];
    const Complex from = vi * std::conj(a.ii * vi + a.ij * vj) * n.base;
    const Complex to = vj * std::conj(a.ji * vi + a.jj * vj) * n.base;
    res.pFrom = from.real();
    res.qFrom = from.imag();
    res.pTo = to.real();
    res.qTo = to.imag();
    res.lossMW = res.pFrom + res.pTo;
    res.lossMVAr = res.qFrom + res.qTo;
  }
}

void islandResults(const Run& r, Solution& out) {
  const Network& n = r.n;
  for (std::size_t i = 0; i < n.islands.size(); ++i) {
    const Island& island = n.islands[i];
    IslandResult res;
    res.buses = island.buses.size();
    res.firstBus = n.c->buses[island.buses.front()].I();
    for (int b : island.swings)
      res.swingBuses.push_back(n.c->buses[b].I());
    res.solved = !island.swings.empty();
    if (res.solved) {
      const NewtonOutcome& o = r.outcome[i];
      res.converged = o.converged;
      res.iterations = o.iterations;
      res.qLimitRounds = r.rounds[i];
      res.mismatchNorms = o.norms;
      res.failure = o.failure;
      res.largestMismatchBus = static_cast<std::size_t>(island.buses.front());
      for (int b : island.buses) {
        const double m =
            std::max(std::fabs(r.s.mismatchP[b]), std::fabs(r.s.mismatchQ[b]));
        if (m > res.largestMismatch) {
          res.largestMismatch = m;
          res.largestMismatchBus = static_cast<std::size_t>(b);
        }
      }
    }
    out.islands.push_back(std::move(res));
  }
}

void totals(Solution& out, const Case& c) {
  bool all = true;
  for (const IslandResult& i : out.islands) {
    if (!i.solved) continue;
    all = all && i.converged;
    out.iterations = std::max(out.iterations, i.iterations);
    if (i.largestMismatch >= out.largestMismatch) {
      out.largestMismatch = i.largestMismatch;
      out.largestMismatchBus = i.largestMismatchBus;
    }
  }
  out.status = all ? SolveStatus::converged : SolveStatus::notConverged;
  for (const GeneratorResult& g : out.generators)
    if (g.solved) out.generationMW += g.pg, out.generationMVAr += g.qg;
  for (std::size_t b = 0; b < out.buses.size(); ++b)
    if (out.buses[b].solved)
      out.loadMW += c.buses[b].PL(), out.loadMVAr += c.buses[b].QL();
  for (const BranchResult& b : out.branches)
    if (b.solved) out.lossesMW += b.lossMW, out.lossesMVAr += b.lossMVAr;
}

} // namespace
} // namespace detail::flow

Solution solve(const Case& c, const SolveOptions& options) {
  if (!(options.tolerance > 0) || !std::isfinite(options.tolerance))
    throw std::invalid_argument("the tolerance must be a finite number above 0");
  if (options.maxIterations < 1)
    throw std::invalid_argument("the iterations must be at least 1");
  using namespace detail::flow;
  Solution out;
  Stopwatch total(out.timing.total);
  out.systemBase = c.systemBase;
  std::optional<Stopwatch> phase(std::in_place, out.timing.network);
  const Network n = buildNetwork(c, out.problems);
  out.neglected = n.neglected;
  if (!out.problems.empty()) return out;

  Run r(n, options);
  r.forced.assign(c.buses.size(), false);
  r.fixedQ.assign(c.generators.size(), kNaN);
  r.atLimit.assign(c.generators.size(), false);
  r.k = assignControls(n, r.forced, &out.neglected);
  startState(r);
  checkStart(r, out.problems);
  if (!out.problems.empty()) return out;
  specify(r);
  phase.reset();
  r.outcome.resize(n.islands.size());
  r.rounds.assign(n.islands.size(), 0);
  r.scratch.assign(c.buses.size(), -1);
  for (std::size_t i = 0; i < n.islands.size(); ++i)
    if (solvable(n, static_cast<int>(i))) solveIsland(r, static_cast<int>(i));
  for (std::size_t i = 0; i < n.islands.size(); ++i)
    if (solvable(n, static_cast<int>(i)) && r.outcome[i].norms.size() == 1 &&
        !std::isfinite(r.outcome[i].norms[0]))
      out.problems.push_back(
          {kHeader, 0,
           "the island of bus " + std::to_string(c.buses[n.islands[i].buses[0]].I()) +
               " cannot start: its mismatch at the starting voltages "
               "is beyond the range of a double (a VM or VS too large)"});
  if (!out.problems.empty()) return out;
  if (options.enforceQLimits) enforceLimits(r, out.neglected);

  phase.emplace(out.timing.results);
  computeVoltages(r);
  busResults(r, out);
  generatorResults(r, out);
  branchResults(r, out);
  islandResults(r, out);
  totals(out, c);
  phase.reset();
  const SolveTiming& t = r.s.timing;
  out.timing.mismatch = t.mismatch;
  out.timing.jacobian = t.jacobian;
  out.timing.factor = t.factor;
  out.timing.luSolve = t.luSolve;
  return out;
}

void apply(const Solution& solution, Case& c) {
  bool same = solution.buses.size() == c.buses.size() &&
              solution.generators.size() == c.generators.size() &&
              solution.branches.size() == c.branches.size();
  for (std::size_t b = 0; same && b < c.buses.size(); ++b)
    same = solution.buses[b].bus == c.buses[b].I();
  for (std::size_t g = 0; same && g < c.generators.size(); ++g)
    same = solution.generators[g].bus == c.generators[g].I();
  if (!same)
    throw std::invalid_argument("the solution was not made from this case: its buses and "
                                "generators differ");
  for (std::size_t b = 0; b < c.buses.size(); ++b)
    if (solution.buses[b].solved) {
      c.buses[b].VM() = solution.buses[b].vm;
      c.buses[b].VA() = solution.buses[b].va;
    }
  for (std::size_t g = 0; g < c.generators.size(); ++g)
    if (solution.generators[g].solved) {
      c.generators[g].PG() = solution.generators[g].pg;
      c.generators[g].QG() = solution.generators[g].qg;
    }
}

} // namespace zel23
