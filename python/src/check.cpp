// zel23._zel23's readiness check: the findings as rows of plain Python
// objects and the island summary as a dict.

#include "binding.h"

#include "zel23_check.h"

namespace zel23::python {

namespace {

py::dict islandDict(const Island& island) {
  py::dict out;
  out["buses"] = island.buses;
  out["first_bus"] = island.firstBus;
  py::list swing;
  for (int bus : island.swingBuses)
    swing.append(bus);
  out["swing_buses"] = swing;
  out["load_mw"] = island.loadMW;
  out["load_mvar"] = island.loadMVAr;
  out["generation_mw"] = island.generationMW;
  out["generation_mvar"] = island.generationMVAr;
  return out;
}

/// (findings, summary): one (line, severity, code, message) tuple per
/// finding, and the summary with one dict per island.
py::tuple checkCase(const CaseData& d) {
  const CheckResult result = check(d.c, d.report);
  py::list findings;
  for (const Finding& f : result.findings)
    findings.append(py::make_tuple(f.line,
                                   f.severity == Severity::error     ? "error"
                                   : f.severity == Severity::warning ? "warning"
                                                                     : "note",
                                   f.code, toStr(f.message)));
  py::list islands;
  for (const Island& island : result.summary.islands)
    islands.append(islandDict(island));
  py::dict summary;
  summary["buses"] = result.summary.buses;
  summary["isolated_buses"] = result.summary.isolatedBuses;
  summary["swing_buses"] = result.summary.swingBuses;
  summary["islands"] = islands;
  return py::make_tuple(findings, summary);
}

} // namespace

void bindCheck(py::class_<CaseData, CasePtr>& cases) { cases.def("_check", &checkCase); }

} // namespace zel23::python
