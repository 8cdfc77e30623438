// zel23 graph: the network as a Graphviz graph. Buses are nodes grouped by
// area, branches edges; transformers, open branches, DC lines and buses with
// switched shunts each have their own look.

#include "common.h"

#include <map>
#include <set>

namespace zel23tool {
namespace {

struct GraphOptions {
  std::string file;
  std::string output;
};

// A DOT string literal, quotes included; a line feed becomes DOT's \n.
std::string dotString(const std::string& text) {
  std::string out = "\"";
  for (char ch : text) {
    if (ch == '\n') {
      out += "\\n";
      continue;
    }
    if (ch == '"' || ch == '\\') out += '\\';
    out += ch;
  }
  return out + '"';
}

std::string node(int bus) { return dotString(std::to_string(bus)); }

std::string busShape(int type) {
  switch (type) {
  case 3:
    return "doubleoctagon"; // swing bus
  case 2:
    return "box"; // generator bus
  case 4:
    return "plaintext"; // isolated bus
  default:
    return "ellipse";
  }
}

void writeBus(std::ostream& out, const ZELBus& bus, const std::set<int>& shuntBuses) {
  std::string label = std::to_string(bus.I()) + "\n" + bareName(bus.NAME());
  bool shunt = shuntBuses.count(bus.I()) != 0;
  if (shunt) label += "\n[switched shunt]";
  out << "    " << node(bus.I()) << " [label=" << dotString(label)
      << ", shape=" << busShape(bus.IDE());
  if (shunt) out << ", style=filled, fillcolor=\"#fff2b3\"";
  out << "];\n";
}

void writeBranch(std::ostream& out, const ZELBranch& branch) {
  out << "  " << node(branch.I()) << " -- " << node(branch.J()) << " [";
  if (branch.RATIO() != 0.0)
    out << "color=\"#1f5fa8\", penwidth=2.5, dir=both, arrowhead=odot, arrowtail=odot, "
        << "label=" << dotString("T " + fieldText(branch.RATIO()));
  else
    out << "label=" << dotString(bareName(branch.CKT()));
  if (branch.ST() == 0) out << ", style=dotted";
  out << "];\n";
}

void writeGraph(std::ostream& out, const zel23::Case& c) {
  std::string title = c.comments.size() > 1 ? bareName(c.comments[1]) : "";
  out << "graph case {\n"
      << "  graph [label=" << dotString(title) << ", labelloc=t, fontname=Helvetica, "
      << "overlap=false, splines=true];\n"
      << "  node [fontname=Helvetica, fontsize=10];\n"
      << "  edge [fontname=Helvetica, fontsize=9];\n";

  std::set<int> shuntBuses;
  for (const ZELSwitchedShunt& shunt : c.shunts)
    shuntBuses.insert(shunt.I());
  std::map<int, std::string> areaNames;
  for (const ZELAreaInterchange& area : c.areas)
    areaNames[area.I()] = bareName(area.ARNAME());
  std::map<int, std::vector<const ZELBus*>> byArea;
  for (const ZELBus& bus : c.buses)
    byArea[bus.AREA()].push_back(&bus);

  for (const auto& [area, buses] : byArea) {
    std::string label = "area " + std::to_string(area);
    auto name = areaNames.find(area);
    if (name != areaNames.end() && !name->second.empty()) label += ": " + name->second;
    out << "  subgraph " << dotString("cluster_area_" + std::to_string(area)) << " {\n"
        << "    label=" << dotString(label) << "; style=rounded; color=gray60;\n";
    for (const ZELBus* bus : buses)
      writeBus(out, *bus, shuntBuses);
    out << "  }\n";
  }
  for (const ZELBranch& branch : c.branches)
    writeBranch(out, branch);
  for (const ZELTwoTerminalDC& dc : c.dcLines)
    out << "  " << node(dc.IPR()) << " -- " << node(dc.IPI())
        << " [style=dashed, color=\"#c0392b\", penwidth=2, label="
        << dotString("DC " + std::to_string(dc.I())) << "];\n";
  out << "}\n";
}

int runGraph(const GraphOptions& o) {
  refuseToOverwriteInput(o.file, o.output);
  LoadedCase loaded = loadCase(o.file);
  writeOutput(o.output, [&](std::ostream& out) { writeGraph(out, loaded.data); });
  return 0;
}

} // namespace

Subcommand addGraph(CLI::App& app) {
  auto o = std::make_shared<GraphOptions>();
  CLI::App* sub =
      app.add_subcommand("graph", "Write the network as a Graphviz graph (DOT)");
  sub->add_option("FILE", o->file, kFileHelp);
  sub->add_option("-o,--output", o->output,
                  "the .dot file to write (standard output "
                  "without -o)");
  return {sub, [o] { return runGraph(*o); }};
}

} // namespace zel23tool
