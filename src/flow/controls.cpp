#include "controls.h"

#include <cmath>
#include <limits>
#include <utility>

namespace zel23::detail::flow {

namespace {

const ZELGenerator& firstGenerator(const Network& n, int b) {
  return n.c->generators[n.genList[n.genStart[b]]];
}

bool hasGenerator(const Network& n, int b) { return n.genStart[b] < n.genStart[b + 1]; }

/// The bus whose voltage the generators of PV bus `b` hold: `b` itself, or
/// the bus their first generator's IREG names when that bus can be held
/// from here (known, in service, in the same island).
int regulated(const Network& n, int b, Neglected* count) {
  const int number = firstGenerator(n, b).IREG();
  if (number == 0 || number == n.c->buses[b].I()) return b;
  const int r = n.busOf(number);
  if (r >= 0 && !n.leftOut[r] && n.island[r] == n.island[b]) return r;
  if (count) ++count->remoteMadeLocal;
  return b;
}

/// RMPCT of the generators at each controlling bus, as shares of one.
std::vector<double> shares(const Network& n, const std::vector<int>& controllers) {
  std::vector<double> weight;
  for (int b : controllers) {
    double w = 0.0;
    for (int k = n.genStart[b]; k < n.genStart[b + 1]; ++k)
      w += n.c->generators[n.genList[k]].RMPCT();
    weight.push_back(w);
  }
  return proportional(std::move(weight));
}

} // namespace

std::vector<double> proportional(std::vector<double> weights) {
  double total = 0.0;
  bool usable = true;
  for (double w : weights) {
    usable = usable && std::isfinite(w) && w >= 0;
    total += w;
  }
  usable = usable && std::isfinite(total) && total > 0;
  for (double& w : weights)
    w = usable ? w / total : 1.0 / static_cast<double>(weights.size());
  return weights;
}

Controls assignControls(const Network& n, const std::vector<bool>& forcedLoad,
                        Neglected* count) {
  const auto& buses = n.c->buses;
  const std::size_t size = buses.size();
  Controls k;
  k.kind.assign(size, Kind::load);
  k.vset.assign(size, std::numeric_limits<double>::quiet_NaN());
  k.targetOf.assign(size, -1);
  k.groupOf.assign(size, -1);
  k.share.assign(size, 0.0);
  std::vector<int> target(size, -1);
  for (std::size_t i = 0; i < size; ++i) {
    const int b = static_cast<int>(i);
    if (n.island[b] < 0 || n.islands[n.island[b]].swings.empty()) continue;
    const int type = buses[b].IDE();
    if (type == 3) {
      k.kind[b] = Kind::swing;
      k.vset[b] = hasGenerator(n, b) ? firstGenerator(n, b).VS() : buses[b].VM();
      if (count && !hasGenerator(n, b)) ++count->swingWithoutGenerator;
    } else if (type == 2 && !hasGenerator(n, b)) {
      if (count) ++count->pvWithoutGenerator;
    } else if (type == 2 && !forcedLoad[b]) {
      target[b] = regulated(n, b, count);
      k.kind[b] = target[b] == b ? Kind::held : Kind::controller;
      k.vset[b] = firstGenerator(n, b).VS();
    }
  }
  // A bus that holds its own voltage cannot be held from elsewhere too: its
  // would-be controllers hold their own instead, which may free others.
  for (bool changed = true; changed;) {
    changed = false;
    for (std::size_t b = 0; b < size; ++b) {
      if (k.kind[b] != Kind::controller) continue;
      const Kind t = k.kind[target[b]];
      if (t == Kind::held || t == Kind::swing) {
        k.kind[b] = Kind::held;
        if (count) ++count->remoteMadeLocal;
        changed = true;
      }
    }
  }
  for (std::size_t b = 0; b < size; ++b) {
    if (k.kind[b] != Kind::controller) continue;
    const int r = target[b];
    if (k.targetOf[r] < 0) {
      k.targetOf[r] = static_cast<int>(k.groups.size());
      k.groups.push_back({r, k.vset[b], {}, {}});
    }
    k.groupOf[b] = k.targetOf[r];
    k.groups[k.targetOf[r]].controllers.push_back(static_cast<int>(b));
  }
  // A controller's voltage is free, though it may be another group's target.
  for (std::size_t b = 0; b < size; ++b)
    if (k.kind[b] == Kind::controller)
      k.vset[b] = std::numeric_limits<double>::quiet_NaN();
  for (Group& g : k.groups) {
    g.shares = shares(n, g.controllers);
    for (std::size_t j = 0; j < g.controllers.size(); ++j)
      k.share[g.controllers[j]] = g.shares[j];
    k.vset[g.target] = g.vset;
  }
  return k;
}

} // namespace zel23::detail::flow
