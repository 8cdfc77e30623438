// Islands: a union-find over bus indices, joined by every in-service branch
// and DC line as the record checks meet them, then one pass over the buses
// that sums each island's load and generation. Near-linear in the records.

#include "check/checker.h"

#include <algorithm>
#include <cstdio>

namespace zel23::detail::check {
namespace {

std::string busText(int number) { return "bus " + std::to_string(number); }

std::string mw(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

} // namespace

std::uint32_t Checker::root(std::uint32_t a) {
  while (parent_[a] != a) {
    parent_[a] = parent_[parent_[a]]; // path halving
    a = parent_[a];
  }
  return a;
}

void Checker::connect(std::size_t line, const std::string& what, std::uint32_t a,
                      std::uint32_t b) {
  if (a == kNone || b == kNone) return;
  for (std::uint32_t end : {a, b})
    if (bus(end).IDE() == 4) {
      warn(line, "branch-to-isolated-bus",
           "in-service " + what + " connects " + busText(bus(end).I()) +
               ", which is isolated (type 4)");
      return;
    }
  if (a == b) return;
  connected_[a] = connected_[b] = true;
  a = root(a);
  b = root(b);
  if (a == b) return;
  if (islandSize_[a] < islandSize_[b]) std::swap(a, b);
  parent_[b] = a;
  islandSize_[a] += islandSize_[b];
}

void Checker::islands() {
  const auto& buses = c_.buses;
  CheckSummary& summary = result_.summary;
  std::vector<std::uint32_t> islandOf(buses.size(), kNone); // at each root
  std::vector<Island>& islands = summary.islands;
  std::vector<std::size_t> firstSwingLine;
  for (std::size_t i = 0; i < buses.size(); ++i) {
    const ZELBus& b = buses[i];
    if (busAt(b.I()) != i) continue; // a duplicate number
    ++summary.buses;
    if (b.IDE() == 4) {
      ++summary.isolatedBuses;
      continue;
    }
    const std::size_t line = lineOf(0, i);
    if (!connected_[i])
      warn(line, "unconnected-bus",
           busText(b.I()) + " (type " + std::to_string(b.IDE()) +
               ") is connected to nothing: no in-service branch or DC line ends there");
    std::uint32_t& k = islandOf[root(std::uint32_t(i))];
    if (k == kNone) {
      k = std::uint32_t(islands.size());
      islands.emplace_back();
      islands.back().firstBus = b.I();
      firstSwingLine.push_back(0);
    }
    Island& island = islands[k];
    ++island.buses;
    island.loadMW += b.PL();
    island.loadMVAr += b.QL();
    if (b.IDE() != 3) continue;
    ++summary.swingBuses;
    island.swingBuses.push_back(b.I());
    if (island.swingBuses.size() == 1)
      firstSwingLine[k] = line;
    else
      warn(line, "several-swing-buses",
           busText(b.I()) + " is a second swing bus (type 3) in the island of swing " +
               busText(island.swingBuses[0]) + " on line " +
               std::to_string(firstSwingLine[k]));
  }

  std::vector<bool> generating(islands.size(), false);
  for (const ZELGenerator& g : c_.generators) {
    const std::uint32_t at = busAt(g.I());
    if (g.STAT() == 0 || at == kNone || bus(at).IDE() == 4) continue;
    const std::uint32_t k = islandOf[root(at)];
    islands[k].generationMW += g.PG();
    islands[k].generationMVAr += g.QG();
    generating[k] = true;
  }

  // Without any swing bus no-swing-bus has said it all, and a lone bus is
  // unconnected-bus's finding.
  for (std::size_t k = 0; summary.swingBuses > 0 && k < islands.size(); ++k) {
    const Island& island = islands[k];
    if (!island.swingBuses.empty() || island.buses < 2) continue;
    if (!generating[k] && island.loadMW == 0 && island.loadMVAr == 0) continue;
    warn(lineOf(0, busAt(island.firstBus)), "island-without-swing",
         busText(island.firstBus) + " is in an island of " +
             std::to_string(island.buses) + " buses with " + mw(island.loadMW) +
             " MW of load and " + mw(island.generationMW) +
             " MW of generation but no swing bus (type 3)");
  }
  std::stable_sort(islands.begin(), islands.end(),
                   [](const Island& a, const Island& b) { return a.buses > b.buses; });
}

} // namespace zel23::detail::check
