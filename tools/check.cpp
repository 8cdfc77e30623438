// zel23 check: every problem of a case file at once, in the form compilers
// use (FILE:LINE: error: MESSAGE, then the line), so editors can jump to it.
// Errors are lines the library cannot read; warnings are inconsistencies
// between lines that each read fine.

#include "common.h"
#include "matpower.h"
#include "zel23_matpower.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <iostream>
#include <map>
#include <set>
#include <tuple>

namespace zel23tool {
namespace {

struct CheckOptions {
  std::string file;
  bool json = false;
  bool strict = false;
  std::size_t maxErrors = 1000;
};

struct Finding {
  std::size_t line = 0;
  bool error = false;
  std::string code; // stable, for programs reading --json
  std::string message;
};

// The stable code of a parse problem, from the library's message.
std::string errorCode(const zel23::Problem& p) {
  const std::string& m = p.message;
  if (p.section == zel23::kHeader) return "no-system-base";
  if (m.rfind("Invalid bus number", 0) == 0) return "invalid-bus-number";
  if (m == "Unknown record type") return "record-after-last-section";
  if (m == "Two terminal DC data format error.") return "dc-line-incomplete";
  return "malformed-record";
}

std::string busText(int number) { return "bus " + std::to_string(number); }

// The consistency checks over a case read without errors in these records.
class Consistency {
public:
  Consistency(const zel23::Case& c, const zel23::ReadReport& report)
      : c_(c), report_(report) {}

  std::vector<Finding> run() {
    buses();
    generators();
    branches();
    adjustments();
    dcLines();
    shunts();
    terminators();
    return std::move(findings_);
  }

private:
  std::size_t lineOf(int section, std::size_t index) const {
    const auto& lines = report_.recordLines[section];
    return index < lines.size() ? lines[index] : 0;
  }

  void warn(std::size_t line, const char* code, std::string message) {
    findings_.push_back({line, false, code, std::move(message)});
  }

  // A bus field that names no bus of the bus section; 0 in an optional
  // field (regulated, controlled or remote bus) means none.
  void needBus(std::size_t line, const std::string& what, int bus,
               bool optional = false) {
    if (optional && bus == 0) return;
    if (!busLines_.count(bus))
      warn(line, "unknown-bus",
           what + " names " + busText(bus) + ", which is not in the bus section");
  }

  void buses() {
    bool swing = false;
    for (std::size_t i = 0; i < c_.buses.size(); ++i) {
      const ZELBus& b = c_.buses[i];
      const auto [first, added] = busLines_.emplace(b.I(), lineOf(0, i));
      if (!added)
        warn(lineOf(0, i), "duplicate-bus",
             busText(b.I()) + " is already defined on line " +
                 std::to_string(first->second));
      swing = swing || b.IDE() == 3;
    }
    if (!swing)
      warn(c_.buses.empty() ? 1 : lineOf(0, 0), "no-swing-bus",
           "no bus of type 3 (swing)");
  }

  void generators() {
    std::map<std::pair<int, std::string>, std::size_t> seen;
    for (std::size_t i = 0; i < c_.generators.size(); ++i) {
      const ZELGenerator& g = c_.generators[i];
      const std::size_t line = lineOf(1, i);
      needBus(line, "generator", g.I());
      needBus(line, "generator's regulated bus", g.IREG(), true);
      const auto [first, added] =
          seen.emplace(std::make_pair(g.I(), bareName(g.ID())), line);
      if (!added)
        warn(line, "duplicate-generator",
             "generator " + g.ID() + " at " + busText(g.I()) +
                 " is already defined on line " + std::to_string(first->second));
    }
  }

  void branches() {
    for (std::size_t i = 0; i < c_.branches.size(); ++i) {
      const ZELBranch& b = c_.branches[i];
      const std::size_t line = lineOf(2, i);
      needBus(line, "branch", b.I());
      needBus(line, "branch", b.J());
      if (b.I() == b.J())
        warn(line, "branch-to-itself", "branch from " + busText(b.I()) + " to itself");
      const auto [first, added] =
          branchLines_.emplace(std::make_tuple(b.I(), b.J(), bareName(b.CKT())), line);
      if (!added)
        warn(line, "duplicate-branch",
             "branch " + std::to_string(b.I()) + "-" + std::to_string(b.J()) +
                 " circuit " + b.CKT() + " is already defined on line " +
                 std::to_string(first->second));
    }
  }

  void adjustments() {
    for (std::size_t i = 0; i < c_.adjustments.size(); ++i) {
      const ZELTransformerAdjustment& t = c_.adjustments[i];
      const std::size_t line = lineOf(3, i);
      needBus(line, "transformer adjustment", t.I());
      needBus(line, "transformer adjustment", t.J());
      needBus(line, "transformer adjustment's controlled bus", t.ICONT(), true);
      const std::string circuit = bareName(t.CKT());
      if (!branchLines_.count({t.I(), t.J(), circuit}) &&
          !branchLines_.count({t.J(), t.I(), circuit}))
        warn(line, "adjustment-without-branch",
             "transformer adjustment for " + std::to_string(t.I()) + "-" +
                 std::to_string(t.J()) + " circuit " + t.CKT() +
                 ", which is not in the branch section");
    }
  }

  void dcLines() {
    for (std::size_t i = 0; i < c_.dcLines.size(); ++i) {
      const ZELTwoTerminalDC& d = c_.dcLines[i];
      const std::string name = "DC line " + std::to_string(d.I());
      needBus(lineOf(5, i) + 1, name + " rectifier", d.IPR());
      needBus(lineOf(5, i) + 2, name + " inverter", d.IPI());
    }
  }

  void shunts() {
    for (std::size_t i = 0; i < c_.shunts.size(); ++i) {
      const ZELSwitchedShunt& s = c_.shunts[i];
      needBus(lineOf(6, i), "switched shunt", s.I());
      needBus(lineOf(6, i), "switched shunt's remote bus", s.SWREM(), true);
    }
  }

  void terminators() {
    constexpr std::size_t kComplete = 3 + zel23::kSectionCount;
    const auto& lines = report_.commentLines;
    if (c_.comments.size() < kComplete)
      warn(report_.lines, "missing-terminator",
           "the file ends after " +
               std::to_string(c_.comments.size() > 3 ? c_.comments.size() - 3 : 0) +
               " of its 7 terminator lines");
    for (std::size_t k = kComplete; k < lines.size(); ++k)
      warn(lines[k], "extra-terminator", "terminator line after the seventh section");
  }

  const zel23::Case& c_;
  const zel23::ReadReport& report_;
  std::vector<Finding> findings_;
  std::map<int, std::size_t> busLines_;
  std::map<std::tuple<int, int, std::string>, std::size_t> branchLines_;
};

// The text of each line, by number, for showing it under its finding.
std::vector<std::string_view> splitLines(const std::string& bytes) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    lines.emplace_back(bytes.data() + start, end - start);
    start = end + 1;
  }
  return lines;
}

std::string displayName(const std::string& file) {
  if (file.empty()) return "sample.raw";
  return file == "-" ? "<stdin>" : file;
}

int runCheck(const CheckOptions& o) {
  std::string bytes = readInput(o.file);
  MemoryBuf buffer(bytes);
  std::istream in(&buffer);
  zel23::Case c;
  zel23::ReadOptions options;
  options.maxProblems = o.maxErrors;
  const zel23::ReadReport report = isMatpowerInput(o.file, bytes)
                                       ? zel23::readMatpower(bytes, c, options)
                                       : zel23::read(in, c, options);

  std::vector<Finding> findings;
  for (const zel23::Problem& p : report.problems)
    findings.push_back({p.line, true, errorCode(p), p.message});
  for (Finding& f : Consistency(c, report).run())
    findings.push_back(std::move(f));
  std::stable_sort(findings.begin(), findings.end(),
                   [](const Finding& a, const Finding& b) { return a.line < b.line; });

  const auto lines = splitLines(bytes);
  const auto lineText = [&](std::size_t n) {
    return n >= 1 && n <= lines.size() ? std::string(lines[n - 1]) : std::string();
  };
  const std::size_t errors = report.problems.size() + report.problemsDropped;
  const std::size_t warnings = findings.size() - report.problems.size();
  const std::string name = displayName(o.file);

  if (o.json) {
    nlohmann::json problems = nlohmann::json::array();
    for (const Finding& f : findings)
      problems.push_back({{"line", f.line},
                          {"severity", f.error ? "error" : "warning"},
                          {"code", f.code},
                          {"message", f.message},
                          {"text", lineText(f.line)}});
    const nlohmann::json doc = {{"file", name},
                                {"errors", errors},
                                {"warnings", warnings},
                                {"errors_not_listed", report.problemsDropped},
                                {"problems", problems}};
    std::cout << doc.dump(2, ' ', false, nlohmann::json::error_handler_t::replace)
              << '\n';
  } else {
    for (const Finding& f : findings)
      std::cout << printable(name) << ':' << f.line << ": "
                << (f.error ? "error" : "warning") << ": " << printable(f.message) << '\n'
                << "  " << printable(lineText(f.line)) << '\n';
    if (report.problemsDropped)
      std::cout << printable(name) << ": " << report.problemsDropped
                << " more errors not listed (see --max-errors)\n";
    std::cout << errors << " errors, " << warnings << " warnings\n";
  }
  std::cout.flush();
  if (!std::cout) throw ToolError("cannot write to standard output");
  return errors > 0 || (o.strict && warnings > 0) ? 1 : 0;
}

} // namespace

Subcommand addCheck(CLI::App& app) {
  auto o = std::make_shared<CheckOptions>();
  CLI::App* sub = app.add_subcommand(
      "check", "List every problem of a case: lines that cannot be read (errors) and "
               "inconsistencies between records (warnings)");
  sub->add_option("FILE", o->file, kFileHelp);
  sub->add_flag("--json", o->json, "one JSON document with a stable code per problem");
  sub->add_option("--max-errors", o->maxErrors, "list at most N errors (default 1000)")
      ->check(CLI::PositiveNumber);
  sub->add_flag("--strict", o->strict, "exit with status 1 on warnings too");
  return {sub, [o] { return runCheck(*o); }};
}

} // namespace zel23tool
