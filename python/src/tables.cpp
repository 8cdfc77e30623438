// Sections as columns: one numpy array per field, filled in one pass over
// the records, and records built back from such arrays. No Python object is
// made per record; only text fields need one per value.

#include "binding.h"

#include "zel23_fields.h"

#include <pybind11/numpy.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <type_traits>

namespace zel23::python {
namespace {

/// One output column, written value by value.
struct OutColumn {
  py::array array;
  std::int32_t* ints = nullptr;
  double* doubles = nullptr;
  PyObject** objects = nullptr;
  const std::string* last = nullptr; // repeated text shares one str
  bool plain = false;                // names without apostrophes and padding
};

OutColumn makeColumn(int, std::size_t n) {
  OutColumn c{py::array_t<std::int32_t>(n)};
  c.ints = static_cast<std::int32_t*>(c.array.mutable_data());
  return c;
}
OutColumn makeColumn(double, std::size_t n) {
  OutColumn c{py::array_t<double>(n)};
  c.doubles = static_cast<double*>(c.array.mutable_data());
  return c;
}
OutColumn makeColumn(const std::string&, std::size_t n) {
  OutColumn c{py::array(py::dtype("O"),
                        std::vector<py::ssize_t>{static_cast<py::ssize_t>(n)},
                        std::vector<py::ssize_t>{})};
  c.objects = static_cast<PyObject**>(c.array.mutable_data());
  return c;
}

void put(OutColumn& c, std::size_t row, int v) { c.ints[row] = v; }
void put(OutColumn& c, std::size_t row, double v) { c.doubles[row] = v; }
void put(OutColumn& c, std::size_t row, const std::string& v) {
  PyObject* value = nullptr;
  if (c.last != nullptr && *c.last == v) {
    value = c.objects[row - 1];
    Py_INCREF(value);
  } else {
    value = (c.plain ? toStr(plainName(v)) : toStr(v)).release().ptr();
  }
  PyObject* old = c.objects[row]; // numpy starts object arrays at NULL or None
  c.objects[row] = value;
  Py_XDECREF(old);
  c.last = &v;
}

template <class Rec>
py::dict columnsOf(const std::vector<Rec>& list, const std::vector<std::size_t>& lines,
                   bool quoted) {
  const std::size_t n = list.size();
  std::vector<OutColumn> columns;
  std::vector<const char*> names;
  const Rec proto;
  forEachField(proto, [&](const char* name, const auto& v) {
    names.push_back(name);
    columns.push_back(makeColumn(v, n));
    columns.back().plain = !quoted && isName(name);
  });
  for (std::size_t row = 0; row < n; ++row) {
    std::size_t k = 0;
    forEachField(list[row],
                 [&](const char*, const auto& v) { put(columns[k++], row, v); });
  }
  py::dict out;
  for (std::size_t k = 0; k < names.size(); ++k)
    out[names[k]] = columns[k].array;
  py::array_t<std::int64_t> lineColumn(n);
  auto* l = lineColumn.mutable_data();
  for (std::size_t row = 0; row < n; ++row)
    l[row] = row < lines.size() ? static_cast<std::int64_t>(lines[row]) : 0;
  out["line"] = lineColumn;
  return out;
}

// ---- back from columns ----------------------------------------------------

[[noreturn]] void badValue(PyObject* type, const char* column, std::size_t row,
                           const std::string& what) {
  raise(type,
        "column " + std::string(column) + ", row " + std::to_string(row) + ": " + what);
}

char kindOf(const py::array& a) { return a.dtype().kind(); }

bool numeric(char kind) {
  return kind == 'i' || kind == 'u' || kind == 'b' || kind == 'f';
}

/// One input column, read value by value.
struct InColumn {
  const char* name;
  py::array array; // C-contiguous, of the field's type: double or object
};

/// The column as a C-contiguous array of doubles: whatever its strides (a
/// slice, a reversed frame, a column of a 2-D block), values are read in
/// row order.
InColumn numbers(const char* name, const py::array& a, const char* what) {
  if (!numeric(kindOf(a)))
    raise(PyExc_TypeError, "column " + std::string(name) + " must hold " + what);
  return {name,
          py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(a)};
}

InColumn takeColumn(const char* name, const py::array& a, int) {
  return numbers(name, a, "integers");
}
InColumn takeColumn(const char* name, const py::array& a, double) {
  return numbers(name, a, "numbers");
}
InColumn takeColumn(const char* name, const py::array& a, const std::string&) {
  if (kindOf(a) != 'O') // pandas keeps text in object columns
    raise(PyExc_TypeError, "column " + std::string(name) + " must hold str");
  return {name, py::array::ensure(a, py::array::c_style)};
}

void get(const InColumn& c, std::size_t row, int& field) {
  const double v = static_cast<const double*>(c.array.data())[row];
  if (!(v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max()) ||
      std::trunc(v) != v)
    badValue(PyExc_ValueError, c.name, row,
             "not a 32-bit integer: " + std::string(py::repr(py::float_(v))));
  field = static_cast<int>(v);
}
void get(const InColumn& c, std::size_t row, double& field) {
  field = static_cast<const double*>(c.array.data())[row];
}
void get(const InColumn& c, std::size_t row, std::string& field) {
  PyObject* v = static_cast<PyObject* const*>(c.array.data())[row];
  if (v == nullptr || !PyUnicode_Check(v))
    badValue(PyExc_TypeError, c.name, row,
             "must be str, not " +
                 std::string(v == nullptr ? "None" : Py_TYPE(v)->tp_name));
  try {
    field = storedText(c.name, toBytes(v, c.name));
  } catch (const std::invalid_argument& e) {
    badValue(PyExc_ValueError, c.name, row,
             std::string(py::repr(py::handle(v))) + " " + e.what());
  }
}

template <class Rec>
void setColumns(std::vector<Rec>& list, std::vector<std::size_t>& lines,
                const py::dict& given, std::size_t rows) {
  // Missing fields keep the default; each column present fills its field.
  std::vector<Rec> records(rows);
  std::vector<InColumn> columns;
  std::vector<std::size_t> which;
  std::size_t k = 0;
  const Rec proto;
  forEachField(proto, [&](const char* name, const auto& v) {
    if (given.contains(name)) {
      const py::array a = py::array::ensure(given[name]);
      if (!a || a.ndim() != 1 || static_cast<std::size_t>(a.shape(0)) != rows)
        raise(PyExc_ValueError, "column " + std::string(name) +
                                    " must be one-dimensional, of length " +
                                    std::to_string(rows));
      columns.push_back(takeColumn(name, a, v));
      which.push_back(k);
    }
    ++k;
  });
  for (std::size_t row = 0; row < rows; ++row) {
    std::size_t field = 0, next = 0;
    forEachField(records[row], [&](const char*, auto& v) {
      if (next < which.size() && which[next] == field) get(columns[next++], row, v);
      ++field;
    });
  }
  std::vector<std::size_t> newLines(rows, 0);
  if (given.contains("line")) {
    InColumn c = takeColumn("line", py::array::ensure(given["line"]), 0);
    if (c.array.ndim() != 1 || static_cast<std::size_t>(c.array.shape(0)) != rows)
      raise(PyExc_ValueError, "column line must be of length " + std::to_string(rows));
    for (std::size_t row = 0; row < rows; ++row) {
      int v = 0;
      get(c, row, v);
      newLines[row] = v > 0 ? static_cast<std::size_t>(v) : 0;
    }
  }
  list = std::move(records);
  lines = std::move(newLines);
}

/// The section of that number; another number is a ValueError.
Section sectionNumbered(int number) {
  if (number < 0 || number >= kSectionCount)
    raise(PyExc_ValueError, "no section " + std::to_string(number));
  return kSections[number];
}

} // namespace

py::dict sectionColumns(const CaseData& data, int number, bool quoted) {
  const auto& lines = data.report.recordLines[int(sectionNumbered(number))];
  return visitSection(data.c, kSections[number],
                      [&](const auto& list) { return columnsOf(list, lines, quoted); });
}

void setSectionColumns(CaseData& data, int number, const py::dict& columns,
                       std::size_t rows) {
  auto& lines = data.report.recordLines[int(sectionNumbered(number))];
  visitSection(data.c, kSections[number],
               [&](auto& list) { setColumns(list, lines, columns, rows); });
}

} // namespace zel23::python
