// zel23 check: every problem of a case file at once, in the form compilers
// use (FILE:LINE: error: MESSAGE, then the line), so editors can jump to it.
// Errors are lines the library cannot read; warnings are what zel23::check
// finds in the records that read fine: inconsistencies, and what keeps the
// case from solving; notes what a solver copes with. A large case can hold
// thousands of one finding, so the text lists ten of each code and counts the
// rest; the islands and the counts per code come before the totals.

#include "common.h"
#include "matpower.h"
#include "zel23_check.h"
#include "zel23_matpower.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <functional>
#include <iostream>
#include <map>
#include <set>

namespace zel23tool {
namespace {

struct CheckOptions {
  std::string file;
  bool json = false;
  bool strict = false;
  bool listCodes = false;
  bool all = false;
  std::size_t maxErrors = 1000;
  std::vector<std::string> only;
  std::vector<std::string> ignore;
};

constexpr std::size_t kListedPerCode = 10;

bool isFilterableCode(const std::string& code) {
  for (const zel23::CheckCode& c : zel23::checkCodes())
    if (code == c.code) return c.severity != zel23::Severity::error;
  return false;
}

const char* severityName(zel23::Severity s) {
  switch (s) {
  case zel23::Severity::error:
    return "error";
  case zel23::Severity::warning:
    return "warning";
  default:
    return "note";
  }
}

std::string countText(std::size_t n, zel23::Severity s) {
  switch (s) {
  case zel23::Severity::error:
    return plural(n, "error", "errors");
  case zel23::Severity::warning:
    return plural(n, "warning", "warnings");
  default:
    return plural(n, "note", "notes");
  }
}

// Whether --only and --ignore let a finding through; errors always pass.
class CodeFilter {
public:
  explicit CodeFilter(const CheckOptions& o)
      : only_(take(o.only, "--only")), ignore_(take(o.ignore, "--ignore")) {}

  bool shows(const zel23::Finding& f) const {
    if (f.severity == zel23::Severity::error) return true;
    return (only_.empty() || only_.count(f.code)) && !ignore_.count(f.code);
  }

private:
  static std::set<std::string, std::less<>> take(const std::vector<std::string>& codes,
                                                 const char* option) {
    for (const std::string& code : codes)
      if (!isFilterableCode(code))
        throw ToolError(std::string(option) + ": '" + printable(code) +
                        "' is not a warning or note code (zel23 check --list-codes)");
    return {codes.begin(), codes.end()};
  }

  std::set<std::string, std::less<>> only_;
  std::set<std::string, std::less<>> ignore_;
};

int listCodes() {
  for (const zel23::CheckCode& c : zel23::checkCodes()) {
    std::string code = c.code;
    code.resize(std::max<std::size_t>(code.size() + 1, 28), ' ');
    std::string severity = severityName(c.severity);
    severity.resize(9, ' ');
    std::cout << code << severity << c.description << '\n';
  }
  return 0;
}

std::string swingText(const std::vector<int>& swings) {
  if (swings.empty()) return "no swing bus";
  std::string text = swings.size() == 1 ? "swing bus " : "swing buses ";
  for (std::size_t k = 0; k < swings.size(); ++k)
    text += (k ? ", " : "") + std::to_string(swings[k]);
  return text;
}

// The islands at a glance: the ten largest one per line, the rest counted.
void printSummary(std::ostream& out, const zel23::CheckSummary& s) {
  constexpr std::size_t kListed = 10;
  out << plural(s.buses, "bus", "buses") << " (" << s.isolatedBuses << " isolated), "
      << plural(s.islands.size(), "island", "islands") << ", "
      << plural(s.swingBuses, "swing bus", "swing buses") << '\n';
  std::size_t restBuses = 0;
  for (std::size_t k = 0; k < s.islands.size(); ++k) {
    const zel23::Island& i = s.islands[k];
    if (k >= kListed) {
      restBuses += i.buses;
      continue;
    }
    out << "island " << k + 1 << ": " << plural(i.buses, "bus", "buses") << " from bus "
        << i.firstBus << ", " << swingText(i.swingBuses) << "; load " << mw(i.loadMW)
        << " MW, " << mw(i.loadMVAr) << " MVAr; generation " << mw(i.generationMW)
        << " MW, " << mw(i.generationMVAr) << " MVAr\n";
  }
  if (s.islands.size() > kListed)
    out << plural(s.islands.size() - kListed, "more island", "more islands") << " with "
        << plural(restBuses, "bus", "buses") << '\n';
}

nlohmann::json summaryJson(const zel23::CheckSummary& s) {
  nlohmann::json islands = nlohmann::json::array();
  for (const zel23::Island& i : s.islands)
    islands.push_back({{"buses", i.buses},
                       {"first_bus", i.firstBus},
                       {"swing_buses", i.swingBuses},
                       {"load_mw", i.loadMW},
                       {"load_mvar", i.loadMVAr},
                       {"generation_mw", i.generationMW},
                       {"generation_mvar", i.generationMVAr}});
  return {{"buses", s.buses},
          {"isolated_buses", s.isolatedBuses},
          {"swing_buses", s.swingBuses},
          {"islands", islands}};
}

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

// The findings for people: at most ten of one code unless --all, then a
// line per code with how many more there are, the islands, the count per
// code and the totals.
void printText(const CheckOptions& o, const std::string& name,
               const std::vector<zel23::Finding>& findings,
               const zel23::ReadReport& report, const zel23::CheckSummary& summary,
               const std::function<std::string(std::size_t)>& lineText) {
  std::map<std::string_view, std::size_t> listed;
  for (const zel23::Finding& f : findings) {
    if (++listed[f.code] > kListedPerCode && !o.all) continue;
    std::cout << printable(name) << ':' << f.line << ": " << severityName(f.severity)
              << ": " << printable(f.message) << '\n'
              << "  " << printable(lineText(f.line)) << '\n';
  }
  if (report.problemsDropped)
    std::cout << printable(name) << ": " << report.problemsDropped
              << " more errors not listed (see --max-errors)\n";
  // By now `listed` counts every finding of each code.
  const auto countOf = [&](const zel23::CheckCode& c) {
    const auto it = listed.find(c.code);
    return it == listed.end() ? 0 : it->second;
  };
  for (const zel23::CheckCode& c : zel23::checkCodes())
    if (countOf(c) > kListedPerCode && !o.all)
      std::cout << printable(name) << ": " << c.code << ": "
                << countOf(c) - kListedPerCode << " more not listed (--all lists them)\n";
  printSummary(std::cout, summary);
  for (const zel23::CheckCode& c : zel23::checkCodes()) {
    if (countOf(c) == 0) continue;
    std::string code = c.code;
    code.resize(std::max<std::size_t>(code.size() + 1, 28), ' ');
    std::cout << code << countText(countOf(c), c.severity) << '\n';
  }
}

int runCheck(const CheckOptions& o) {
  if (o.listCodes) return listCodes();
  const CodeFilter filter(o);
  const std::string bytes = readInput(o.file);
  zel23::Case c;
  zel23::ReadOptions options;
  options.maxProblems = o.maxErrors;
  const bool matpower = isMatpowerInput(o.file, bytes);
  const zel23::ReadReport report = matpower ? zel23::readMatpower(bytes, c, options)
                                            : zel23::readBuffer(bytes, c, options);

  // A MATPOWER file's lines are not records: only raw text is read field
  // by field for numbers written wrong.
  zel23::CheckResult result =
      matpower ? zel23::check(c, report) : zel23::check(c, report, bytes);
  std::vector<zel23::Finding> findings;
  std::size_t warnings = 0, notes = 0;
  for (zel23::Finding& f : result.findings) {
    if (!filter.shows(f)) continue;
    warnings += f.severity == zel23::Severity::warning;
    notes += f.severity == zel23::Severity::note;
    findings.push_back(std::move(f));
  }
  const std::size_t leftOut = result.findings.size() - findings.size();

  const auto lines = splitLines(bytes);
  const auto lineText = [&](std::size_t n) {
    return n >= 1 && n <= lines.size() ? std::string(lines[n - 1]) : std::string();
  };
  const std::size_t errors = report.problems.size() + report.problemsDropped;
  const std::string name = displayName(o.file);

  if (o.json) {
    nlohmann::json problems = nlohmann::json::array();
    for (const zel23::Finding& f : findings)
      problems.push_back({{"line", f.line},
                          {"severity", severityName(f.severity)},
                          {"code", f.code},
                          {"message", f.message},
                          {"text", lineText(f.line)}});
    const nlohmann::json doc = {{"file", name},
                                {"errors", errors},
                                {"warnings", warnings},
                                {"notes", notes},
                                {"errors_not_listed", report.problemsDropped},
                                {"left_out", leftOut},
                                {"problems", problems},
                                {"summary", summaryJson(result.summary)}};
    std::cout << jsonText(doc, 2) << '\n';
  } else {
    printText(o, name, findings, report, result.summary, lineText);
    std::cout << plural(errors, "error", "errors") << ", "
              << plural(warnings, "warning", "warnings") << ", "
              << plural(notes, "note", "notes");
    if (leftOut)
      std::cout << "; " << leftOut << " left out by " << (o.only.empty() ? "" : "--only")
                << (o.only.empty() || o.ignore.empty() ? "" : " and ")
                << (o.ignore.empty() ? "" : "--ignore");
    std::cout << '\n';
  }
  return errors > 0 || (o.strict && warnings > 0) ? 1 : 0;
}

} // namespace

Subcommand addCheck(CLI::App& app) {
  auto o = std::make_shared<CheckOptions>();
  CLI::App* sub = app.add_subcommand(
      "check", "List every problem of a case at its line: lines that cannot be read "
               "(errors), records that disagree or keep the case from solving "
               "(warnings), and what a solver copes with (notes); then its islands, "
               "swing buses, load and generation, and the count of each finding");
  sub->add_option("FILE", o->file, kFileHelp);
  sub->add_flag("--json", o->json,
                "one JSON document with a stable code per problem, every one listed");
  sub->add_flag("--all", o->all, "list every finding, not ten of each code");
  sub->add_option("--max-errors", o->maxErrors, "list at most N errors (default 1000)")
      ->check(CLI::PositiveNumber);
  sub->add_flag("--strict", o->strict, "exit with status 1 on warnings too (not notes)");
  sub->add_option("--only", o->only,
                  "list only these warnings and notes (codes, comma-separated)")
      ->delimiter(',')
      ->allow_extra_args(false)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  sub->add_option("--ignore", o->ignore,
                  "do not list these warnings and notes (codes, comma-separated)")
      ->delimiter(',')
      ->allow_extra_args(false)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  sub->add_flag("--list-codes", o->listCodes,
                "list every code with what it means, and stop");
  return {sub, [o] { return runCheck(*o); }};
}

} // namespace zel23tool
