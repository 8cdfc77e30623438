// zel23._zel23's MATPOWER half: a case read from MATPOWER text, and a case
// written as MATPOWER text, with the notes on what either could not carry.

#include "binding.h"

#include "zel23_matpower.h"

#include <sstream>

namespace zel23::python {

namespace {

/// The MATPOWER text as bytes and the notes of what it does not carry; a
/// name that is not an identifier raises ValueError.
py::tuple toMatpower(const CaseData& d, py::handle name) {
  MatpowerWriteOptions options;
  options.functionName = toBytes(name, "name");
  std::ostringstream out;
  const std::vector<std::string> notes = writeMatpower(out, d.c, options);
  return py::make_tuple(py::bytes(out.str()), toStrList(notes).value);
}

} // namespace

void bindMatpower(py::class_<CaseData, CasePtr>& cases) {
  cases.def("_to_matpower", &toMatpower, py::arg("name"));
  cases.def_property_readonly(
      "notes", [](const CaseData& d) { return toStrList(d.notes); },
      "What read_matpower could not carry into the case, one line per kind of data.");
}

} // namespace zel23::python
