// zel23 graph: the network as a Graphviz graph. Buses are nodes outlined in
// their area's colour, branches edges; transformers, open branches, DC lines
// and buses with switched shunts each have their own look, which a legend
// beside the network explains. Areas are colours rather than clusters
// because neato and sfdp, the layouts that draw a meshed network well, do
// not keep a cluster's buses together and draw its box across the others.

#include "common.h"

#include <algorithm>
#include <map>
#include <set>

namespace zel23tool {
namespace {

struct GraphOptions {
  std::string file;
  std::string output;
  std::vector<int> areas;
  int around = 0;
  bool hasAround = false;
  int depth = 2;
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

// Outline colours of the areas in turn (ColorBrewer's Dark2).
const char* const kAreaColours[] = {"#1b9e77", "#d95f02", "#7570b3", "#e7298a",
                                    "#66a61e", "#e6ab02", "#a6761d", "#666666"};

void writeBus(std::ostream& out, const ZELBus& bus, const std::set<int>& shuntBuses,
              const char* colour) {
  std::string label = std::to_string(bus.I()) + "\n" + bareName(bus.NAME());
  bool shunt = shuntBuses.count(bus.I()) != 0;
  if (shunt) label += "\n[switched shunt]";
  out << "  " << node(bus.I()) << " [label=" << dotString(label)
      << ", shape=" << busShape(bus.IDE()) << ", color=\"" << colour << "\", penwidth=2";
  if (shunt) out << ", style=filled, fillcolor=\"#fff2b3\"";
  out << "];\n";
}

// Circuit ids are shown only where they tell branches apart: between two
// buses that several branches join.
void writeBranch(std::ostream& out, const ZELBranch& branch, bool several) {
  std::string circuit = several ? bareName(branch.CKT()) : "";
  std::string attributes;
  if (branch.RATIO() != 0.0)
    attributes = "color=\"#1f5fa8\", penwidth=2.5, dir=both, arrowhead=odot, "
                 "arrowtail=odot, label=" +
                 dotString("T " + fieldText(branch.RATIO()) +
                           (circuit.empty() ? "" : " (" + circuit + ")"));
  else if (!circuit.empty())
    attributes = "label=" + dotString(circuit);
  if (branch.ST() == 0)
    attributes += attributes.empty() ? "style=dotted" : ", style=dotted";
  out << "  " << node(branch.I()) << " -- " << node(branch.J());
  if (!attributes.empty()) out << " [" << attributes << "]";
  out << ";\n";
}

// Whether text is well-formed UTF-8 (overlong forms and surrogates aside).
bool isUtf8(const std::string& text) {
  for (std::size_t k = 0; k < text.size();) {
    const unsigned char lead = static_cast<unsigned char>(text[k]);
    std::size_t length = 0; // of the sequence this byte starts; 0: none
    if (lead < 0x80)
      length = 1;
    else if (lead >> 5 == 6)
      length = 2;
    else if (lead >> 4 == 14)
      length = 3;
    else if (lead >> 3 == 30)
      length = 4;
    if (length == 0 || k + length > text.size()) return false;
    for (std::size_t c = 1; c < length; ++c)
      if (static_cast<unsigned char>(text[k + c]) >> 6 != 2) return false;
    k += length;
  }
  return true;
}

// Input text inside an HTML-like label, which Graphviz parses as XML: markup
// escaped, control bytes shown as \xHH, and bytes of text that is not UTF-8
// as '?', since any of them makes the whole label unreadable.
std::string htmlText(const std::string& input) {
  const bool utf8 = isUtf8(input);
  std::string out;
  for (char ch : printable(input)) {
    switch (ch) {
    case '&':
      out += "&amp;";
      break;
    case '<':
      out += "&lt;";
      break;
    case '>':
      out += "&gt;";
      break;
    case '"':
      out += "&quot;";
      break;
    default:
      out += utf8 || static_cast<unsigned char>(ch) < 0x80 ? ch : '?';
    }
  }
  return out;
}

// What the shapes, line styles and colours mean: one node whose label is a
// table, which every layout places beside the network as it is.
void writeLegend(std::ostream& out,
                 const std::vector<std::pair<std::string, const char*>>& areas) {
  constexpr std::size_t kListed = 16;
  const auto row = [&](const std::string& sample, const std::string& meaning) {
    out << "    <tr><td>" << sample << "</td><td align=\"left\">" << meaning
        << "</td></tr>\n";
  };
  out << "  \"legend\" [shape=plaintext, fontsize=9, label=<\n"
      << "    <table border=\"1\" cellborder=\"0\" cellspacing=\"2\" color=\"gray60\">\n"
      << "    <tr><td colspan=\"2\"><b>legend</b></td></tr>\n";
  row("double octagon", "swing bus (type 3)");
  row("box", "generator bus (type 2)");
  row("ellipse", "load bus (type 1)");
  row("no outline", "isolated bus (type 4)");
  row("yellow", "bus with a switched shunt");
  row("<font color=\"black\">&mdash;&mdash;&mdash;</font>",
      "line (circuit ids where several)");
  row("<font color=\"#1f5fa8\"><b>o&mdash;&mdash;o</b></font>", "transformer, T ratio");
  row(". . . . .", "out of service");
  row("<font color=\"#c0392b\"><b>&ndash; &ndash; &ndash;</b></font>", "DC line");
  for (std::size_t k = 0; k < areas.size() && k < kListed; ++k)
    row("<font color=\"" + std::string(areas[k].second) + "\"><b>outline</b></font>",
        htmlText(areas[k].first));
  if (areas.size() > kListed)
    row("", std::to_string(areas.size() - kListed) + " more areas");
  out << "    </table>>];\n";
}

// The buses to draw: those of the areas asked for (all without --area),
// and of those, with --around, the ones at most --depth branches or DC
// lines from the bus asked for.
std::set<int> chosenBuses(const zel23::Case& c, const GraphOptions& o) {
  const std::set<int> areas(o.areas.begin(), o.areas.end());
  std::set<int> chosen;
  for (const ZELBus& bus : c.buses)
    if (areas.empty() || areas.count(bus.AREA())) chosen.insert(bus.I());
  if (!o.hasAround) return chosen;
  if (!chosen.count(o.around))
    throw ToolError("--around: bus " + std::to_string(o.around) + " is not in the case" +
                    (areas.empty() ? "" : " or not in the areas of --area"));
  std::map<int, std::vector<int>> next;
  const auto link = [&](int i, int j) {
    if (!chosen.count(i) || !chosen.count(j)) return;
    next[i].push_back(j);
    next[j].push_back(i);
  };
  for (const ZELBranch& branch : c.branches)
    link(branch.I(), branch.J());
  for (const ZELTwoTerminalDC& dc : c.dcLines)
    link(dc.IPR(), dc.IPI());
  std::set<int> reached = {o.around};
  std::vector<int> ring = {o.around};
  for (int step = 0; step < o.depth && !ring.empty(); ++step) {
    std::vector<int> outer;
    for (int bus : ring)
      for (int n : next[bus])
        if (reached.insert(n).second) outer.push_back(n);
    ring.swap(outer);
  }
  return reached;
}

void writeGraph(std::ostream& out, const zel23::Case& c, const std::set<int>& chosen) {
  std::string title = c.comments.size() > 1 ? bareName(c.comments[1]) : "";
  out << "graph case {\n"
      << "  graph [label=" << dotString(title)
      << ", labelloc=t, fontname=Helvetica, "
      // Curved edges keep parallel branches apart, but routing them takes
      // sfdp minutes on a few thousand buses.
      << "overlap=false, splines=" << (chosen.size() <= 500 ? "true" : "false")
      << ", pack=true];\n"
      << "  node [fontname=Helvetica, fontsize=10];\n"
      << "  edge [fontname=Helvetica, fontsize=9];\n";

  std::set<int> shuntBuses;
  for (const ZELSwitchedShunt& shunt : c.shunts)
    shuntBuses.insert(shunt.I());
  std::map<int, std::string> areaNames;
  for (const ZELAreaInterchange& area : c.areas)
    areaNames[area.I()] = bareName(area.ARNAME());
  std::map<int, std::vector<const ZELBus*>> byArea;
  for (const ZELBus& bus : c.buses) {
    auto& buses = byArea[bus.AREA()]; // every area, so a part keeps its colours
    if (chosen.count(bus.I())) buses.push_back(&bus);
  }

  std::vector<std::pair<std::string, const char*>> drawnAreas;
  std::size_t k = 0;
  for (const auto& [area, buses] : byArea) {
    const char* colour = kAreaColours[k++ % 8];
    if (buses.empty()) continue;
    std::string label = "area " + std::to_string(area);
    auto name = areaNames.find(area);
    if (name != areaNames.end() && !name->second.empty()) label += ": " + name->second;
    drawnAreas.emplace_back(label, colour);
    for (const ZELBus* bus : buses)
      writeBus(out, *bus, shuntBuses, colour);
  }
  const auto drawn = [&](int i, int j) { return chosen.count(i) && chosen.count(j); };
  std::map<std::pair<int, int>, int> perPair;
  for (const ZELBranch& branch : c.branches)
    ++perPair[std::minmax(branch.I(), branch.J())];
  for (const ZELBranch& branch : c.branches)
    if (drawn(branch.I(), branch.J()))
      writeBranch(out, branch, perPair[std::minmax(branch.I(), branch.J())] > 1);
  for (const ZELTwoTerminalDC& dc : c.dcLines)
    if (drawn(dc.IPR(), dc.IPI()))
      out << "  " << node(dc.IPR()) << " -- " << node(dc.IPI())
          << " [style=dashed, color=\"#c0392b\", penwidth=2, label="
          << dotString("DC " + std::to_string(dc.I())) << "];\n";
  writeLegend(out, drawnAreas);
  out << "}\n";
}

int runGraph(const GraphOptions& o) {
  refuseToOverwriteInput(o.file, o.output);
  if (o.depth < 0) throw ToolError("--depth takes a number of 0 or more");
  LoadedCase loaded = loadCase(o.file);
  const std::set<int> chosen = chosenBuses(loaded.data, o);
  writeOutput(o.output, [&](std::ostream& out) { writeGraph(out, loaded.data, chosen); });
  return 0;
}

} // namespace

Subcommand addGraph(CLI::App& app) {
  auto o = std::make_shared<GraphOptions>();
  CLI::App* sub = app.add_subcommand(
      "graph", "Write the network as a Graphviz graph (DOT), with a legend; draw it "
               "with neato (sfdp for thousands of buses): dot draws a meshed "
               "network as a long strip");
  sub->add_option("FILE", o->file, kFileHelp);
  sub->add_option("-o,--output", o->output,
                  "the .dot file to write (standard output "
                  "without -o)");
  addListOption(sub, "--area", o->areas,
                "draw only the buses of these areas (comma-separated)");
  sub->add_option("--around", o->around,
                  "draw only the buses near this bus (see --depth)")
      ->each([o](const std::string&) { o->hasAround = true; });
  sub->add_option("--depth", o->depth,
                  "with --around: how many branches away a drawn bus may be "
                  "(default 2)");
  return {sub, [o] { return runGraph(*o); }};
}

} // namespace zel23tool
