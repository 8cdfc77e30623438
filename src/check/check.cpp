// check(): the read's problems as errors, then every check over the records,
// all in line order. The list of codes is the table below; a new kind of
// finding gets a new row and keeps every existing code as it is.

#include "check/checker.h"

#include <algorithm>

namespace zel23 {

const std::vector<CheckCode>& checkCodes() {
  static const std::vector<CheckCode> codes = {
      {"no-system-base", Severity::error,
       "header line 1 holds no second token, the system base"},
      {"invalid-bus-number", Severity::error,
       "a bus field holds a negative number or an unknown bus name"},
      {"record-after-last-section", Severity::error,
       "a record line after the seventh terminator line"},
      {"dc-line-incomplete", Severity::error,
       "the file ends inside a DC line's three lines"},
      {"malformed-record", Severity::error, "a record line that cannot be read"},
      {"no-swing-bus", Severity::warning, "no bus of type 3 (swing) in the whole case"},
      {"duplicate-bus", Severity::warning, "a bus number defined twice"},
      {"unknown-bus", Severity::warning, "a record names a bus not in the bus section"},
      {"duplicate-generator", Severity::warning, "two generators with one ID at one bus"},
      {"branch-to-itself", Severity::warning, "a branch from a bus to the same bus"},
      {"duplicate-branch", Severity::warning,
       "two branches with one circuit between the same buses"},
      {"adjustment-without-branch", Severity::warning,
       "a transformer adjustment whose branch is not in the branch section"},
      {"missing-terminator", Severity::warning,
       "the file ends before its seventh terminator line"},
      {"extra-terminator", Severity::warning,
       "a terminator line after the seventh section"},
      {"island-without-swing", Severity::warning,
       "an island with load or generation but no swing bus"},
      {"several-swing-buses", Severity::warning, "a second swing bus in one island"},
      {"branch-to-isolated-bus", Severity::warning,
       "an in-service branch or DC line ends at a bus of type 4 (isolated)"},
      {"unconnected-bus", Severity::warning,
       "a bus of type 1 to 3 that no in-service branch or DC line reaches"},
      {"pv-bus-without-generator", Severity::warning,
       "a bus of type 2 or 3 without an in-service generator"},
      {"generator-at-load-bus", Severity::warning,
       "an in-service generator at a bus of type 1"},
      {"generator-at-isolated-bus", Severity::warning,
       "an in-service generator at a bus of type 4"},
      {"voltage-setpoint-conflict", Severity::warning,
       "generators at one bus, or holding one bus, with different VS"},
      {"voltage-out-of-range", Severity::warning,
       "a bus VM or an in-service generator's VS outside 0.5 to 1.5 p.u."},
      {"generator-limits-reversed", Severity::warning,
       "a generator with PT below PB or QT below QB"},
      {"adjustment-limits-reversed", Severity::warning,
       "a transformer adjustment with RMA below RMI or VMA below VMI"},
      {"negative-rating", Severity::warning,
       "a branch with RATEA, RATEB or RATEC below 0"},
      {"zero-impedance", Severity::warning, "a branch with R and X both 0"},
      {"line-between-voltage-levels", Severity::warning,
       "a line (RATIO 0, no ANGLE) between buses of different BASKV"},
      {"area-swing-bus-outside-area", Severity::warning,
       "an area whose swing bus ISW is not a bus of that area"},
      {"empty-switched-shunt", Severity::warning,
       "a switched shunt whose blocks are all empty (N or B 0)"},
      {"malformed-number", Severity::warning,
       "a numeric field whose text is not wholly a number: read as its leading "
       "number, or 0"},
      {"pv-bus-generators-offline", Severity::note,
       "a PV bus whose generators are all out of service: solved as a load bus"},
  };
  return codes;
}

namespace detail::check {
namespace {

// The check's code of a read problem: its own for a record's problem; a
// problem with the input rather than a record is named by where it was met,
// as the header's error there.
const char* errorCode(const Problem& p) {
  switch (p.code) {
  case ProblemCode::NoSystemBase:
  case ProblemCode::InvalidBusNumber:
  case ProblemCode::RecordAfterLastSection:
  case ProblemCode::DcLineIncomplete:
  case ProblemCode::MalformedRecord:
    return problemCodeName(p.code);
  case ProblemCode::StreamError:
  case ProblemCode::FileError:
  case ProblemCode::Matpower:
    break;
  }
  return p.section == kHeader ? "no-system-base" : "malformed-record";
}

} // namespace

Checker::Checker(const Case& c, const ReadReport& report, std::string_view text)
    : c_(c), report_(report), text_(text), busIndex_(c.buses), nodes_(c.buses.size()),
      generatorsAt_(c.buses.size(), 0), offlineAt_(c.buses.size(), 0),
      branchTable_(c.branches.size()) {
  for (std::size_t i = 0; i < nodes_.size(); ++i) {
    nodes_[i].kv = c.buses[i].BASKV();
    nodes_[i].parent = std::uint32_t(i);
    nodes_[i].type = c.buses[i].IDE();
  }
}

void Checker::warn(std::size_t line, const char* code, Message& message) {
  runs_.back().push_back({line, Severity::warning, code, message.take()});
}

void Checker::note(std::size_t line, const char* code, Message& message) {
  runs_.back().push_back({line, Severity::note, code, message.take()});
}

std::uint32_t Checker::needBus(std::size_t line, std::string_view what, int number,
                               bool optional) {
  if (optional && number == 0) return kNone;
  const std::uint32_t index = busAt(number);
  if (index == kNone)
    warn(line, "unknown-bus",
         Message() << what << " names " << Message::Bus{number}
                   << ", which is not in the bus section");
  return index;
}

CheckResult Checker::run() {
  newRun();
  for (const Problem& p : report_.problems)
    runs_.back().push_back({p.line, Severity::error, errorCode(p), p.message});
  for (void (Checker::*pass)() :
       {&Checker::buses, &Checker::generators, &Checker::branches, &Checker::adjustments,
        &Checker::areas, &Checker::dcLines, &Checker::shunts, &Checker::terminators,
        &Checker::islands, &Checker::numbers}) {
    newRun();
    (this->*pass)();
  }
  merge();
  return std::move(result_);
}

void Checker::merge() {
  const auto byLine = [](const Finding& a, const Finding& b) { return a.line < b.line; };
  std::size_t total = 0;
  for (auto& run : runs_) {
    total += run.size();
    if (!std::is_sorted(run.begin(), run.end(), byLine))
      std::stable_sort(run.begin(), run.end(), byLine);
  }
  std::vector<Finding>& findings = result_.findings;
  findings.reserve(total);
  std::vector<std::size_t> next(runs_.size(), 0);
  while (findings.size() < total) {
    std::size_t best = runs_.size();
    for (std::size_t r = 0; r < runs_.size(); ++r)
      if (next[r] < runs_[r].size() &&
          (best == runs_.size() || runs_[r][next[r]].line < runs_[best][next[best]].line))
        best = r;
    findings.push_back(std::move(runs_[best][next[best]++]));
  }
}

} // namespace detail::check

CheckResult check(const Case& c, const ReadReport& report) {
  return detail::check::Checker(c, report, {}).run();
}

CheckResult check(const Case& c, const ReadReport& report, std::string_view text) {
  return detail::check::Checker(c, report, text).run();
}

} // namespace zel23
