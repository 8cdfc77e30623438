// zel23 solve: the AC power flow of a case (libzel23-flow). A summary in
// text or every result in JSON on standard output, the solved case into
// OUT; when it does not converge, the mismatch of each iteration and the
// buses to look at, with their lines. Exit 0 converged, 1 not, 2 bad input.

#include "common.h"
#include "matpower.h"
#include "zel23_flow.h"
#include "zel23_matpower.h"

#include "frame/text/charconv.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iomanip>
#include <iostream>

namespace zel23tool {
namespace {

struct SolveCommand {
  std::string file;
  std::string output;
  bool json = false;
  zel23::SolveOptions options;
};

// What solve reports is located by line: the line of every record read.
struct Input {
  std::string name;
  zel23::Case c;
  zel23::ReadReport report;

  std::size_t line(int section, std::size_t record) const {
    if (section < 0 || section >= zel23::kSectionCount) return 0;
    const auto& lines = report.recordLines[section];
    return record < lines.size() ? lines[record] : 0;
  }
  std::size_t line(zel23::Section section, std::size_t record) const {
    return line(int(section), record);
  }
  std::string at(zel23::Section section, std::size_t record) const {
    const std::size_t n = line(section, record);
    return n ? " (line " + std::to_string(n) + ")" : std::string();
  }
};

Input readCase(const std::string& file) {
  Input in;
  in.name = inputName(file);
  const std::string bytes = readInput(file);
  in.report = isMatpowerInput(file, bytes) ? zel23::readMatpower(bytes, in.c)
                                           : zel23::readBuffer(bytes, in.c);
  if (!in.report.ok()) {
    const std::size_t total = in.report.problems.size() + in.report.problemsDropped;
    const zel23::Problem& first = in.report.problems.front();
    throw ToolError("cannot read " + in.name + ": line " + std::to_string(first.line) +
                    ": " + printable(first.message) +
                    (total > 1 ? " (and " + std::to_string(total - 1) +
                                     " more; zel23 check lists them all)"
                               : ""));
  }
  return in;
}

std::string fixed(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

std::string scientific(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.3g", value);
  return text;
}

std::string busText(const Input& in, std::size_t b) {
  const ZELBus& bus = in.c.buses[b];
  return "bus " + std::to_string(bus.I()) + " '" + printable(bareName(bus.NAME())) + "'" +
         in.at(zel23::Section::Bus, b);
}

// ---- text -------------------------------------------------------------------

void row(std::ostream& out, const std::string& label, const std::string& text) {
  out << std::left << std::setw(20) << label << text << '\n';
}

std::string islandsText(const zel23::Solution& s) {
  std::size_t solved = 0, converged = 0, buses = 0, listed = 0, more = 0;
  std::string unsolved;
  for (const zel23::IslandResult& i : s.islands) {
    if (i.solved) {
      ++solved;
      converged += i.converged;
      buses += i.buses;
    } else if (listed++ < 10) {
      unsolved += "; not solved, no swing bus: the island of bus " +
                  std::to_string(i.firstBus) + " (" + plural(i.buses, "bus", "buses") +
                  ")";
    } else {
      ++more;
    }
  }
  if (more)
    unsolved += "; " + plural(more, "more island", "more islands") + " not solved";
  return plural(solved, "island", "islands") + " with a swing bus (" +
         plural(buses, "bus", "buses") + "), " + std::to_string(converged) +
         " converged" + unsolved;
}

// What the model left out or held fixed, as rows of the summary; a row
// appears only when it has something to say.
void printNeglected(std::ostream& out, const zel23::Neglected& n) {
  const auto rowOf =
      [&](const char* label,
          std::initializer_list<std::pair<std::size_t, std::string>> parts) {
        std::string text;
        for (const auto& [k, what] : parts)
          if (k) text += (text.empty() ? "" : ", ") + std::to_string(k) + ' ' + what;
        if (!text.empty()) row(out, label, text);
      };
  const auto pick = [](std::size_t k, const char* one, const char* many) {
    return std::string(k == 1 ? one : many);
  };
  rowOf("not applied", {{n.transformerAdjustments,
                         pick(n.transformerAdjustments, "transformer adjustment",
                              "transformer adjustments")},
                        {n.areaInterchanges, pick(n.areaInterchanges, "area interchange",
                                                  "area interchanges")}});
  rowOf("held fixed",
        {{n.dcLines, pick(n.dcLines, "DC line", "DC lines") +
                         " as fixed MW (no losses or converter MVAr)"},
         {n.switchedShunts,
          pick(n.switchedShunts, "switched shunt", "switched shunts") + " at BINIT"}});
  rowOf("bus types",
        {{n.pvWithoutGenerator, pick(n.pvWithoutGenerator, "PV bus", "PV buses") +
                                    " without generator solved as load"},
         {n.swingWithoutGenerator,
          pick(n.swingWithoutGenerator, "swing bus", "swing buses") +
              " without generator at its VM"},
         {n.remoteMadeLocal, pick(n.remoteMadeLocal, "bus", "buses") +
                                 " holding its own voltage, not its IREG bus's"},
         {n.qLimitedBuses,
          pick(n.qLimitedBuses, "bus", "buses") + " made load by reactive limits"}});
  rowOf("left out",
        {{n.isolatedBuses, pick(n.isolatedBuses, "isolated bus", "isolated buses")},
         {n.leftOutRecords, pick(n.leftOutRecords, "record", "records") + " at them"}});
}

void printSummary(std::ostream& out, const Input& in, const zel23::Solution& s) {
  row(out, "input", printable(in.name));
  row(out, "islands", islandsText(s));
  row(out, "iterations", std::to_string(s.iterations));
  row(out, "largest mismatch",
      scientific(s.largestMismatch) + " p.u. at " + busText(in, s.largestMismatchBus));
  if (!s.converged()) return;
  row(out, "generation",
      fixed(s.generationMW, 1) + " MW, " + fixed(s.generationMVAr, 1) + " MVAr");
  row(out, "load", fixed(s.loadMW, 1) + " MW, " + fixed(s.loadMVAr, 1) + " MVAr");
  row(out, "losses", fixed(s.lossesMW, 1) + " MW, " + fixed(s.lossesMVAr, 1) + " MVAr");
  std::size_t low = s.buses.size(), high = s.buses.size();
  for (std::size_t b = 0; b < s.buses.size(); ++b) {
    if (!s.buses[b].solved) continue;
    if (low == s.buses.size() || s.buses[b].vm < s.buses[low].vm) low = b;
    if (high == s.buses.size() || s.buses[b].vm > s.buses[high].vm) high = b;
  }
  if (low < s.buses.size()) {
    row(out, "lowest voltage",
        fixed(s.buses[low].vm, 4) + " p.u. at " + busText(in, low));
    row(out, "highest voltage",
        fixed(s.buses[high].vm, 4) + " p.u. at " + busText(in, high));
  }
  printNeglected(out, s.neglected);
  const zel23::SolveTiming& t = s.timing;
  const auto share = [&](double part) {
    return fixed(t.total > 0 ? 100 * part / t.total : 0.0, 0) + "%";
  };
  row(out, "solve time",
      fixed(t.total * 1e3, 3) + " ms (sparse LU " + share(t.factor + t.luSolve) +
          ", Jacobian " + share(t.jacobian) + ", mismatch " + share(t.mismatch) +
          ", network " + share(t.network) + ")");
}

// The iterations of every island that did not converge, and the ten buses
// with the largest mismatch where they stopped.
void printFailure(std::ostream& out, const Input& in, const zel23::Solution& s) {
  for (const zel23::IslandResult& i : s.islands) {
    if (!i.solved || i.converged) continue;
    out << "\nisland of bus " << i.firstBus << " (" << plural(i.buses, "bus", "buses")
        << "): " << printable(i.failure) << "\niteration  largest mismatch (p.u.)\n";
    for (std::size_t k = 0; k < i.mismatchNorms.size(); ++k)
      out << std::right << std::setw(9) << k << "  " << scientific(i.mismatchNorms[k])
          << '\n';
  }
  std::vector<std::size_t> worst;
  const auto size = [&](std::size_t b) {
    return std::max(std::fabs(s.buses[b].mismatchP), std::fabs(s.buses[b].mismatchQ));
  };
  for (std::size_t b = 0; b < s.buses.size(); ++b) {
    const int island = s.buses[b].island;
    if (island >= 0 && s.islands[island].solved && !s.islands[island].converged &&
        size(b) > 0)
      worst.push_back(b);
  }
  const std::size_t shown = std::min<std::size_t>(10, worst.size());
  std::partial_sort(worst.begin(), worst.begin() + shown, worst.end(),
                    [&](std::size_t a, std::size_t b) { return size(a) > size(b); });
  out << "\nlargest mismatches where the iterations stopped (p.u.):\n";
  for (std::size_t k = 0; k < shown; ++k) {
    const zel23::BusResult& r = s.buses[worst[k]];
    out << "  P " << std::setw(10) << std::left << scientific(r.mismatchP) << " Q "
        << std::setw(10) << scientific(r.mismatchQ) << ' ' << busText(in, worst[k])
        << '\n';
  }
}

// ---- JSON -------------------------------------------------------------------

// One JSON object written field by field: doubles in the shortest form that
// reads back to the same value, text escaped as JSON wants it.
class JsonObject {
public:
  explicit JsonObject(std::ostream& out) : out_(out) { out_ << '{'; }
  ~JsonObject() { out_ << '}'; }
  JsonObject(const JsonObject&) = delete;
  JsonObject& operator=(const JsonObject&) = delete;

  JsonObject& field(const char* name, double v) {
    key(name);
    number(out_, v);
    return *this;
  }
  /// The shortest text that reads back to v; null for what JSON cannot hold.
  static void number(std::ostream& out, double v) {
    char text[32];
    const auto end = zel23::detail::formatShortest(text, text + sizeof text, v).ptr;
    if (std::isfinite(v))
      out.write(text, end - text);
    else
      out << "null";
  }
  JsonObject& field(const char* name, int v) { return whole(name, v); }
  JsonObject& field(const char* name, std::size_t v) { return whole(name, v); }
  JsonObject& field(const char* name, bool v) {
    key(name);
    out_ << (v ? "true" : "false");
    return *this;
  }
  JsonObject& field(const char* name, const std::string& v) {
    key(name);
    out_ << jsonText(nlohmann::json(v));
    return *this;
  }
  JsonObject& field(const char* name, const char* v) {
    return field(name, std::string(v));
  }
  /// A field whose value the caller writes into stream().
  std::ostream& open(const char* name) {
    key(name);
    return out_;
  }

private:
  template <class T> JsonObject& whole(const char* name, T v) {
    key(name);
    out_ << v;
    return *this;
  }
  void key(const char* name) {
    out_ << (first_ ? "\"" : ",\"") << name << "\":";
    first_ = false;
  }
  std::ostream& out_;
  bool first_ = true;
};

template <class T, class F>
void jsonArray(std::ostream& out, const std::vector<T>& items, F&& write, bool lines) {
  out << '[';
  for (std::size_t k = 0; k < items.size(); ++k) {
    out << (k ? "," : "") << (lines ? "\n  " : "");
    write(k, items[k]);
  }
  out << (lines && !items.empty() ? "\n" : "") << ']';
}

const char* statusText(zel23::SolveStatus status) {
  return status == zel23::SolveStatus::converged ? "converged" : "not converged";
}

void writeJson(std::ostream& out, const Input& in, const zel23::Solution& s) {
  const zel23::Neglected& n = s.neglected;
  {
    JsonObject doc(out);
    doc.field("input", in.name)
        .field("status", statusText(s.status))
        .field("iterations", s.iterations)
        .field("largest_mismatch", s.largestMismatch)
        .field("largest_mismatch_bus", s.buses[s.largestMismatchBus].bus)
        .field("system_base", s.systemBase)
        .field("generation_mw", s.generationMW)
        .field("generation_mvar", s.generationMVAr)
        .field("load_mw", s.loadMW)
        .field("load_mvar", s.loadMVAr)
        .field("losses_mw", s.lossesMW)
        .field("losses_mvar", s.lossesMVAr);
    {
      const zel23::SolveTiming& t = s.timing;
      JsonObject o(doc.open("seconds"));
      o.field("total", t.total)
          .field("network", t.network)
          .field("mismatch", t.mismatch)
          .field("jacobian", t.jacobian)
          .field("lu_factor", t.factor)
          .field("lu_solve", t.luSolve)
          .field("results", t.results);
    }
    {
      JsonObject o(doc.open("not_modelled"));
      o.field("transformer_adjustments", n.transformerAdjustments)
          .field("area_interchanges", n.areaInterchanges)
          .field("dc_lines", n.dcLines)
          .field("switched_shunts", n.switchedShunts)
          .field("pv_without_generator", n.pvWithoutGenerator)
          .field("swing_without_generator", n.swingWithoutGenerator)
          .field("remote_made_local", n.remoteMadeLocal)
          .field("isolated_buses", n.isolatedBuses)
          .field("left_out_records", n.leftOutRecords)
          .field("unsolved_islands", n.unsolvedIslands)
          .field("q_limited_buses", n.qLimitedBuses);
    }
    jsonArray(
        doc.open("islands"), s.islands,
        [&](std::size_t, const zel23::IslandResult& i) {
          JsonObject o(out);
          o.field("buses", i.buses).field("first_bus", i.firstBus);
          jsonArray(
              o.open("swing_buses"), i.swingBuses, [&](std::size_t, int b) { out << b; },
              false);
          o.field("solved", i.solved)
              .field("converged", i.converged)
              .field("iterations", i.iterations)
              .field("q_limit_rounds", i.qLimitRounds);
          jsonArray(
              o.open("mismatch_norms"), i.mismatchNorms,
              [&](std::size_t, double v) { JsonObject::number(out, v); }, false);
          o.field("largest_mismatch", i.largestMismatch)
              .field("largest_mismatch_bus", s.buses[i.largestMismatchBus].bus)
              .field("failure", i.failure);
        },
        true);
    jsonArray(
        doc.open("buses"), s.buses,
        [&](std::size_t k, const zel23::BusResult& b) {
          JsonObject o(out);
          o.field("bus", b.bus)
              .field("line", in.line(zel23::Section::Bus, k))
              .field("island", b.island)
              .field("type", b.type)
              .field("solved", b.solved)
              .field("vm", b.vm)
              .field("va", b.va)
              .field("p_mw", b.p)
              .field("q_mvar", b.q)
              .field("mismatch_p", b.mismatchP)
              .field("mismatch_q", b.mismatchQ);
        },
        true);
    jsonArray(
        doc.open("generators"), s.generators,
        [&](std::size_t k, const zel23::GeneratorResult& g) {
          JsonObject o(out);
          o.field("bus", g.bus)
              .field("id", in.c.generators[k].ID())
              .field("line", in.line(zel23::Section::Generator, k))
              .field("in_service", g.inService)
              .field("solved", g.solved)
              .field("at_limit", g.atLimit)
              .field("pg", g.pg)
              .field("qg", g.qg);
        },
        true);
    jsonArray(
        doc.open("branches"), s.branches,
        [&](std::size_t k, const zel23::BranchResult& b) {
          JsonObject o(out);
          o.field("from", b.from)
              .field("to", b.to)
              .field("ckt", in.c.branches[k].CKT())
              .field("line", in.line(zel23::Section::Branch, k))
              .field("in_service", b.inService)
              .field("solved", b.solved)
              .field("p_from", b.pFrom)
              .field("q_from", b.qFrom)
              .field("p_to", b.pTo)
              .field("q_to", b.qTo)
              .field("loss_mw", b.lossMW)
              .field("loss_mvar", b.lossMVAr);
        },
        true);
  }
  out << '\n';
}

// ---- the command ------------------------------------------------------------

[[noreturn]] void badInput(const Input& in, const zel23::Solution& s) {
  constexpr std::size_t kListed = 20;
  for (std::size_t k = 0; k < s.problems.size() && k < kListed; ++k) {
    const zel23::SolveProblem& p = s.problems[k];
    const std::size_t line = in.line(p.section, p.record);
    std::cerr << "zel23: " << printable(in.name)
              << (line ? " line " + std::to_string(line) : std::string()) << ": "
              << printable(p.message) << '\n';
  }
  if (s.problems.size() > kListed)
    std::cerr << "zel23: "
              << plural(s.problems.size() - kListed, "more problem", "more problems")
              << " not listed\n";
  throw ToolError("cannot solve " + in.name + ": " +
                  plural(s.problems.size(), "problem", "problems"));
}

int runSolve(const SolveCommand& o) {
  refuseToOverwriteInput(o.file, o.output);
  Input in = readCase(o.file);
  const zel23::Solution s = zel23::solve(in.c, o.options);
  if (s.status == zel23::SolveStatus::badInput) badInput(in, s);
  // With the solved case on standard output, the report goes to standard error.
  const bool caseToStdout = o.output == "-";
  std::ostream& report = caseToStdout ? std::cerr : std::cout;
  if (o.json)
    writeJson(report, in, s);
  else
    printSummary(report, in, s);
  if (!s.converged()) {
    if (!o.json) printFailure(report, in, s);
    if (!o.json) row(report, "status", statusText(s.status));
    report.flush();
    if (!o.output.empty())
      std::cerr << "zel23: not converged: nothing written to " << outputName(o.output)
                << std::endl;
    return 1;
  }
  if (!o.json) row(report, "status", statusText(s.status));
  report.flush();
  if (!o.output.empty()) {
    zel23::apply(s, in.c);
    // The exact form: the solved values read back as computed.
    writeOutput(o.output, [&](std::ostream& out) {
      const zel23::WriteReport written = zel23::write(out, in.c, zel23::WriteOptions());
      if (!written.ok())
        throw ToolError("cannot write " + outputName(o.output) + ": " + written.error);
    });
  }
  return 0;
}

} // namespace

Subcommand addSolve(CLI::App& app) {
  auto o = std::make_shared<SolveCommand>();
  CLI::App* sub = app.add_subcommand(
      "solve", "Solve the AC power flow of a case (Newton-Raphson): a summary, every "
               "result in JSON, or the solved case; where it does not converge, the "
               "buses to look at, with their lines");
  sub->add_option("FILE", o->file, kFileHelp);
  sub->add_option("-o,--output", o->output,
                  "write the solved case to OUT (VM, VA, swing PG, QG; replaced only "
                  "when complete, and only when converged); - for standard output");
  sub->add_flag("--json", o->json, "every bus, generator and branch result as JSON");
  sub->add_flag("--flat", o->options.flatStart,
                "start from 1 p.u. and angle 0 instead of the case's VM and VA");
  sub->add_flag("--enforce-q-limits", o->options.enforceQLimits,
                "hold generators beyond QT or QB at the limit and solve again");
  sub->add_option("--tolerance", o->options.tolerance,
                  "largest mismatch accepted, p.u. (default 1e-8)")
      ->check(CLI::PositiveNumber);
  sub->add_option("--max-iterations", o->options.maxIterations,
                  "Newton iterations at most (default 10)")
      ->check(CLI::Range(1, 1000));
  return {sub, [o] { return runSolve(*o); }};
}

} // namespace zel23tool
