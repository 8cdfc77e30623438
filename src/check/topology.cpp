// Islands: a union-find over bus indices, joined by every in-service branch
// and DC line as the record checks meet them, then one pass over the buses
// that sums each island's load and generation. Near-linear in the records.

#include "check/checker.h"
#include "frame/text/wording.h"

#include <algorithm>

namespace zel23::detail::check {
namespace {

using Bus = Message::Bus;

} // namespace

std::uint32_t Checker::root(std::uint32_t a) {
  while (nodes_[a].parent != a) {
    nodes_[a].parent = nodes_[nodes_[a].parent].parent; // path halving
    a = nodes_[a].parent;
  }
  return a;
}

std::uint32_t Checker::connect(std::uint32_t a, std::uint32_t b) {
  if (a == kNone || b == kNone) return kNone;
  for (std::uint32_t end : {a, b})
    if (nodes_[end].type == 4) return end;
  if (a == b) return kNone;
  nodes_[a].connected = nodes_[b].connected = true;
  a = root(a);
  b = root(b);
  if (a == b) return kNone;
  if (nodes_[a].size < nodes_[b].size) std::swap(a, b);
  nodes_[b].parent = a;
  nodes_[a].size += nodes_[b].size;
  return kNone;
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
    const std::size_t line = lineOf(Section::Bus, i);
    if (!nodes_[i].connected)
      warn(
          line, "unconnected-bus",
          Message()
              << Bus{b.I()} << " (type " << b.IDE()
              << ") is connected to nothing: no in-service branch or DC line ends there");
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
           Message() << Bus{b.I()}
                     << " is a second swing bus (type 3) in the island of swing "
                     << Bus{island.swingBuses[0]} << " on line "
                     << std::to_string(firstSwingLine[k]));
  }

  std::vector<bool> generating(islands.size(), false);
  for (const ZELGenerator& g : c_.generators) {
    const std::uint32_t at = busAt(g.I());
    if (g.STAT() == 0 || at == kNone || nodes_[at].type == 4) continue;
    const std::uint32_t k = islandOf[root(at)];
    islands[k].generationMW += g.PG();
    islands[k].generationMVAr += g.QG();
    generating[k] = true;
  }

  // Without any swing bus no-swing-bus has said it all, and a lone bus is
  // unconnected-bus's finding.
  newRun();
  auto generates = generating.begin();
  for (const Island& island : islands) {
    const bool generated = *generates++;
    if (summary.swingBuses == 0 || !island.swingBuses.empty() || island.buses < 2)
      continue;
    if (!generated && island.loadMW == 0 && island.loadMVAr == 0) continue;
    warn(lineOf(Section::Bus, busAt(island.firstBus)), "island-without-swing",
         Message() << Bus{island.firstBus} << " is in an island of " << island.buses
                   << " buses with " << mw(island.loadMW) << " MW of load and "
                   << mw(island.generationMW)
                   << " MW of generation but no swing bus (type 3)");
  }
  std::stable_sort(islands.begin(), islands.end(),
                   [](const Island& a, const Island& b) { return a.buses > b.buses; });
}

} // namespace zel23::detail::check
