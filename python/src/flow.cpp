// zel23._zel23's power flow (libzel23-flow): Case._solve gives a _Solution,
// whose results come out as numpy columns, one array per field, and whose
// _apply writes it into the case it was made from.

#include "binding.h"

#include "zel23_flow.h"

#include <pybind11/numpy.h>

#include <stdexcept>

namespace zel23::python {

namespace {

struct SolveResult {
  CasePtr data;
  Solution s;
};

std::size_t lineOf(const CaseData& d, int section, std::size_t record) {
  if (section < 0 || section >= kSectionCount) return 0;
  const auto& lines = d.report.recordLines[section];
  return record < lines.size() ? lines[record] : 0;
}
std::size_t lineOf(const CaseData& d, Section section, std::size_t record) {
  return lineOf(d, int(section), record);
}

/// One numpy array per field of `rows`, named by `fields` and filled by `get`.
template <class Row, class T, class F>
void put(py::dict& out, const char* name, const std::vector<Row>& rows, F get) {
  py::array_t<T> a(static_cast<py::ssize_t>(rows.size()));
  T* p = a.mutable_data();
  for (std::size_t k = 0; k < rows.size(); ++k)
    p[k] = static_cast<T>(get(k, rows[k]));
  out[name] = a;
}

py::dict busColumns(const SolveResult& r) {
  py::dict c;
  const auto& rows = r.s.buses;
  using B = BusResult;
  put<B, int>(c, "bus", rows, [](std::size_t, const B& b) { return b.bus; });
  put<B, long long>(c, "line", rows, [&](std::size_t k, const B&) {
    return lineOf(*r.data, Section::Bus, k);
  });
  put<B, int>(c, "island", rows, [](std::size_t, const B& b) { return b.island; });
  put<B, int>(c, "type", rows, [](std::size_t, const B& b) { return b.type; });
  put<B, bool>(c, "solved", rows, [](std::size_t, const B& b) { return b.solved; });
  put<B, double>(c, "vm", rows, [](std::size_t, const B& b) { return b.vm; });
  put<B, double>(c, "va", rows, [](std::size_t, const B& b) { return b.va; });
  put<B, double>(c, "p_mw", rows, [](std::size_t, const B& b) { return b.p; });
  put<B, double>(c, "q_mvar", rows, [](std::size_t, const B& b) { return b.q; });
  put<B, double>(c, "mismatch_p", rows,
                 [](std::size_t, const B& b) { return b.mismatchP; });
  put<B, double>(c, "mismatch_q", rows,
                 [](std::size_t, const B& b) { return b.mismatchQ; });
  return c;
}

py::dict generatorColumns(const SolveResult& r) {
  py::dict c;
  const auto& rows = r.s.generators;
  using G = GeneratorResult;
  put<G, int>(c, "bus", rows, [](std::size_t, const G& g) { return g.bus; });
  py::list ids;
  for (const ZELGenerator& g : r.data->c.generators)
    ids.append(toStr(g.ID()));
  c["id"] = ids;
  put<G, long long>(c, "line", rows, [&](std::size_t k, const G&) {
    return lineOf(*r.data, Section::Generator, k);
  });
  put<G, bool>(c, "in_service", rows,
               [](std::size_t, const G& g) { return g.inService; });
  put<G, bool>(c, "solved", rows, [](std::size_t, const G& g) { return g.solved; });
  put<G, bool>(c, "at_limit", rows, [](std::size_t, const G& g) { return g.atLimit; });
  put<G, double>(c, "pg", rows, [](std::size_t, const G& g) { return g.pg; });
  put<G, double>(c, "qg", rows, [](std::size_t, const G& g) { return g.qg; });
  return c;
}

py::dict branchColumns(const SolveResult& r) {
  py::dict c;
  const auto& rows = r.s.branches;
  using R = BranchResult;
  put<R, int>(c, "from", rows, [](std::size_t, const R& b) { return b.from; });
  put<R, int>(c, "to", rows, [](std::size_t, const R& b) { return b.to; });
  py::list circuits;
  for (const ZELBranch& b : r.data->c.branches)
    circuits.append(toStr(b.CKT()));
  c["ckt"] = circuits;
  put<R, long long>(c, "line", rows, [&](std::size_t k, const R&) {
    return lineOf(*r.data, Section::Branch, k);
  });
  put<R, bool>(c, "in_service", rows,
               [](std::size_t, const R& b) { return b.inService; });
  put<R, bool>(c, "solved", rows, [](std::size_t, const R& b) { return b.solved; });
  put<R, double>(c, "p_from", rows, [](std::size_t, const R& b) { return b.pFrom; });
  put<R, double>(c, "q_from", rows, [](std::size_t, const R& b) { return b.qFrom; });
  put<R, double>(c, "p_to", rows, [](std::size_t, const R& b) { return b.pTo; });
  put<R, double>(c, "q_to", rows, [](std::size_t, const R& b) { return b.qTo; });
  put<R, double>(c, "loss_mw", rows, [](std::size_t, const R& b) { return b.lossMW; });
  put<R, double>(c, "loss_mvar", rows,
                 [](std::size_t, const R& b) { return b.lossMVAr; });
  return c;
}

template <class T> py::list list(const std::vector<T>& values) {
  py::list out;
  for (const T& v : values)
    out.append(v);
  return out;
}

py::dict summary(const SolveResult& r) {
  const Solution& s = r.s;
  py::dict out;
  out["status"] = s.converged() ? "converged" : "not converged";
  out["iterations"] = s.iterations;
  out["largest_mismatch"] = s.largestMismatch;
  out["largest_mismatch_bus"] = s.buses[s.largestMismatchBus].bus;
  out["generation_mw"] = s.generationMW;
  out["generation_mvar"] = s.generationMVAr;
  out["load_mw"] = s.loadMW;
  out["load_mvar"] = s.loadMVAr;
  out["losses_mw"] = s.lossesMW;
  out["losses_mvar"] = s.lossesMVAr;
  out["seconds"] = s.timing.total;
  py::list islands;
  for (const IslandResult& i : s.islands) {
    py::dict d;
    d["buses"] = i.buses;
    d["first_bus"] = i.firstBus;
    d["swing_buses"] = list(i.swingBuses);
    d["solved"] = i.solved;
    d["converged"] = i.converged;
    d["iterations"] = i.iterations;
    d["mismatch_norms"] = list(i.mismatchNorms);
    d["failure"] = i.failure;
    islands.append(d);
  }
  out["islands"] = islands;
  const Neglected& n = s.neglected;
  py::dict left;
  left["transformer_adjustments"] = n.transformerAdjustments;
  left["area_interchanges"] = n.areaInterchanges;
  left["dc_lines"] = n.dcLines;
  left["switched_shunts"] = n.switchedShunts;
  left["pv_without_generator"] = n.pvWithoutGenerator;
  left["swing_without_generator"] = n.swingWithoutGenerator;
  left["remote_made_local"] = n.remoteMadeLocal;
  left["isolated_buses"] = n.isolatedBuses;
  left["left_out_records"] = n.leftOutRecords;
  left["unsolved_islands"] = n.unsolvedIslands;
  left["q_limited_buses"] = n.qLimitedBuses;
  out["not_modelled"] = left;
  return out;
}

std::shared_ptr<SolveResult> solveCase(const CasePtr& d, bool flat, bool limits,
                                       double tolerance, int iterations) {
  SolveOptions o;
  o.flatStart = flat;
  o.enforceQLimits = limits;
  o.tolerance = tolerance;
  o.maxIterations = iterations;
  auto r = std::make_shared<SolveResult>();
  r->data = d;
  try {
    py::gil_scoped_release unlocked;
    r->s = solve(d->c, o);
  } catch (const std::invalid_argument& e) {
    raise(PyExc_ValueError, e.what());
  }
  if (r->s.status == SolveStatus::badInput) {
    std::string text = "cannot solve the case:";
    for (const SolveProblem& p : r->s.problems) {
      const std::size_t line = lineOf(*d, p.section, p.record);
      text += (line ? "\nline " + std::to_string(line) + ": " : std::string("\n")) +
              p.message;
    }
    raise(PyExc_ValueError, text);
  }
  return r;
}

} // namespace

void bindFlow(py::module_& m, py::class_<CaseData, CasePtr>& cases) {
  py::class_<SolveResult, std::shared_ptr<SolveResult>>(m, "_Solution")
      .def_property_readonly("converged",
                             [](const SolveResult& r) { return r.s.converged(); })
      .def("_summary", &summary)
      .def("_buses", &busColumns)
      .def("_generators", &generatorColumns)
      .def("_branches", &branchColumns)
      .def("_apply", [](SolveResult& r) {
        try {
          apply(r.s, r.data->c);
        } catch (const std::invalid_argument& e) {
          raise(PyExc_ValueError,
                std::string(e.what()) + " (it changed since the solve)");
        }
      });
  cases.def("_solve", &solveCase, py::arg("flat"), py::arg("enforce_q_limits"),
            py::arg("tolerance"), py::arg("max_iterations"));
}

} // namespace zel23::python
