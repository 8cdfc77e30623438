// zel23._zel23: the library as Python sees it. Records, the case and its
// sections, the recoverable reader, the writer and the bus name registry.
// Everything reachable here reports bad input as a Python exception; only the
// recoverable interface is called, never one that can end the process.

#include "binding.h"

#include "zel23_fields.h"
#include "zel23_file.h"
#include "zel23_matpower.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <deque>
#include <fstream>
#include <limits>
#include <sstream>
#include <stdexcept>
#include <string_view>
#include <system_error>
#include <type_traits>
#include <utility>

namespace zel23::python {

void raise(PyObject* type, const std::string& message) {
  PyErr_SetString(type, message.c_str());
  throw py::error_already_set();
}

std::string toBytes(py::handle value, const char* what) {
  if (PyUnicode_Check(value.ptr())) {
    auto b = py::reinterpret_steal<py::bytes>(
        PyUnicode_AsEncodedString(value.ptr(), "utf-8", "surrogateescape"));
    if (!b) throw py::error_already_set();
    return std::string(b);
  }
  if (PyBytes_Check(value.ptr()))
    return std::string(py::reinterpret_borrow<py::bytes>(value));
  raise(PyExc_TypeError, std::string(what) + " must be str, not " +
                             std::string(py::str(value.get_type().attr("__name__"))));
}

BufferBytes::BufferBytes(py::handle source) {
  if (PyObject_GetBuffer(source.ptr(), &view_, PyBUF_FULL_RO) != 0)
    throw py::error_already_set();
  const std::size_t size = static_cast<std::size_t>(view_.len);
  if (view_.itemsize != 1) {
    const std::string format = view_.format ? view_.format : "B";
    PyBuffer_Release(&view_);
    raise(PyExc_TypeError,
          "case text must be a buffer of bytes, not of items of format '" + format + "'");
  }
  if (PyBuffer_IsContiguous(&view_, 'C')) {
    text_ = {static_cast<const char*>(view_.buf), size};
    return;
  }
  copy_.resize(size);
  if (PyBuffer_ToContiguous(copy_.data(), &view_, view_.len, 'C') != 0) {
    PyBuffer_Release(&view_);
    throw py::error_already_set();
  }
  text_ = copy_;
}

std::string storedText(std::string_view field, const std::string& value) {
  constexpr std::size_t kMaxBytes = 255, kNameWidth = 8;
  for (const unsigned char c : value)
    if (c < 0x20 || c == 0x7f)
      throw std::invalid_argument(
          "holds the control character " +
          std::string(py::repr(py::str(std::string(1, char(c))))));
  const bool quoted = value.size() >= 2 && value.front() == '\'' && value.back() == '\'';
  if (value.find('\'', quoted ? 1 : 0) < (quoted ? value.size() - 1 : value.size()))
    throw std::invalid_argument("holds an apostrophe, which ends a quoted field");
  std::string stored = value;
  if (!quoted && isName(field))
    stored = "'" + value +
             std::string(kNameWidth - std::min(kNameWidth, value.size()), ' ') + "'";
  else if (!quoted && (value.empty() || value.find_first_of(" \t,") != std::string::npos))
    throw std::invalid_argument("needs apostrophes ('...') to hold blanks, commas or "
                                "nothing");
  if (stored.size() > kMaxBytes)
    throw std::invalid_argument("is " + std::to_string(stored.size()) +
                                " bytes long as written; a text field holds at most " +
                                std::to_string(kMaxBytes));
  return stored;
}

namespace {

// ---- fields -------------------------------------------------------------

py::object toPy(int v) { return py::int_(v); }
py::object toPy(double v) { return py::float_(v); }
py::object toPy(const std::string& v) { return toStr(v); }
/// A field's value as Python shows it: names plain.
template <class T> py::object shown(const char* name, const T& v) {
  if constexpr (std::is_same_v<T, std::string>)
    if (isName(name)) return toStr(plainName(v));
  return toPy(v);
}

std::string typeName(py::handle v) { return py::str(v.get_type().attr("__name__")); }

void assign(int& field, py::handle v, const char* name) {
  if (PyFloat_Check(v.ptr()) || !PyIndex_Check(v.ptr()))
    raise(PyExc_TypeError, std::string(name) + " takes an int, not " + typeName(v));
  auto index = py::reinterpret_steal<py::object>(PyNumber_Index(v.ptr()));
  if (!index) throw py::error_already_set();
  int overflow = 0;
  const long long x = PyLong_AsLongLongAndOverflow(index.ptr(), &overflow);
  if (overflow != 0 || x < std::numeric_limits<int>::min() ||
      x > std::numeric_limits<int>::max())
    raise(PyExc_OverflowError, std::string(name) + " does not fit a 32-bit int");
  field = static_cast<int>(x);
}

void assign(double& field, py::handle v, const char* name) {
  if (PyUnicode_Check(v.ptr()) || PyBytes_Check(v.ptr()) ||
      !(PyFloat_Check(v.ptr()) || PyIndex_Check(v.ptr()) || py::hasattr(v, "__float__")))
    raise(PyExc_TypeError, std::string(name) + " takes a number, not " + typeName(v));
  const double x = PyFloat_AsDouble(v.ptr());
  if (x == -1.0 && PyErr_Occurred()) throw py::error_already_set();
  field = x;
}

void assign(std::string& field, py::handle v, const char* name) {
  if (!PyUnicode_Check(v.ptr()))
    raise(PyExc_TypeError, std::string(name) + " takes a str, not " + typeName(v));
  try {
    field = storedText(name, toBytes(v, name));
  } catch (const std::invalid_argument& e) {
    // A long value is shown by its start, cut between characters.
    const bool longer = PyUnicode_GetLength(v.ptr()) > 36;
    const py::object start =
        longer ? v[py::slice(0, 36, 1)] : py::reinterpret_borrow<py::object>(v);
    raise(PyExc_ValueError, std::string(name) + " " + std::string(py::repr(start)) +
                                (longer ? "..." : "") + " " + e.what());
  }
}

template <class Rec> const std::vector<const char*>& fieldNames() {
  static const std::vector<const char*> names = [] {
    std::vector<const char*> out;
    Rec r;
    forEachField(r, [&](const char* name, const auto&) { out.push_back(name); });
    return out;
  }();
  return names;
}

/// Calls f(name, field) for field number i of the record.
template <class Rec, class F> void withField(Rec& r, std::size_t i, F&& f) {
  std::size_t k = 0;
  forEachField(r, [&](const char* name, auto& v) {
    if (k++ == i) f(name, v);
  });
}

template <class Rec> py::object getField(const Rec& r, std::size_t i) {
  py::object out;
  withField(r, i, [&](const char* name, const auto& v) { out = shown(name, v); });
  return out;
}

template <class Rec> void setField(Rec& r, std::size_t i, py::handle v) {
  withField(r, i, [&](const char* name, auto& field) { assign(field, v, name); });
}

template <class Rec> std::size_t fieldIndex(const std::string& name) {
  const auto& names = fieldNames<Rec>();
  for (std::size_t i = 0; i < names.size(); ++i)
    if (name == names[i]) return i;
  return names.size();
}

// ---- records ------------------------------------------------------------

/// A Python record: either a record of its own or the record at one position
/// of a case's section. The position is checked at every use, so a record
/// taken from a section that has since shrunk raises IndexError instead of
/// touching freed memory.
template <class Rec> class Handle {
public:
  Handle() : own_(std::make_shared<Rec>()) {}
  explicit Handle(const Rec& r) : own_(std::make_shared<Rec>(r)) {}
  Handle(CasePtr owner, std::size_t index) : owner_(std::move(owner)), index_(index) {}

  Rec& get() const {
    if (!owner_) return *own_;
    if constexpr (kInSection<Rec>) {
      auto& list = *sectionList<Rec>(owner_->c).list;
      if (index_ < list.size()) return list[index_];
    }
    raise(PyExc_IndexError, "record " + std::to_string(index_) +
                                " is no longer in its case: the section is shorter now");
  }

private:
  std::shared_ptr<Rec> own_;
  CasePtr owner_;
  std::size_t index_ = 0;
};

template <class Rec> std::string printed(const Rec& r) {
  std::ostringstream out;
  out << r;
  return out.str();
}

template <class Rec> const Rec& recordOf(py::handle value, const char* what) {
  if (!py::isinstance<Handle<Rec>>(value))
    raise(PyExc_TypeError,
          std::string(what) + " takes a " +
              std::string(py::str(py::type::of<Handle<Rec>>().attr("__name__"))) +
              ", not " + typeName(value));
  return value.cast<const Handle<Rec>&>().get();
}

std::deque<std::string>& docs() {
  static std::deque<std::string> kept; // docstrings must outlive the module
  return kept;
}

template <class Rec>
py::class_<Handle<Rec>> bindRecord(py::module_& m, const char* name, const char* doc,
                                   std::vector<const char*> keys) {
  using H = Handle<Rec>;
  std::string classDoc = std::string(doc) + "\n\nFields, in line order:";
  for (const char* field : fieldNames<Rec>())
    classDoc += std::string(" ") + field;
  docs().push_back(classDoc + ".");
  py::class_<H> cls(m, name, docs().back().c_str());
  // One property per field, typed in its signature; the constructor takes
  // the fields by keyword, and its signature, written out here, names each
  // with its type and default.
  const auto& names = fieldNames<Rec>();
  std::string init = "__init__(self, *";
  Rec proto;
  std::size_t next = 0;
  forEachField(proto, [&](const char* field, const auto& v) {
    using T = std::decay_t<decltype(v)>;
    const std::string type = Shown<T>::name.text, preset = py::repr(shown(field, v));
    init += std::string(", ") + field + ": " + type + " = " + preset;
    docs().push_back(
        type + " field " + field + " (default " + preset + ")" +
        (isName(field) ? "; a plain name, quoted and padded when written" : ""));
    const std::size_t i = next++;
    cls.def_property(
        field, [i](const H& h) { return Typed<T>{getField(h.get(), i)}; },
        [i](H& h, const Typed<T>& v) { setField(h.get(), i, v.value); },
        docs().back().c_str());
  });
  docs().push_back(init +
                   ") -> None\n\nA record with every field at its default, or as given "
                   "by keyword.");
  py::options signatures;
  signatures.disable_function_signatures();
  cls.def(py::init([](const py::kwargs& fields) {
            H h;
            for (const auto& item : fields) {
              const std::string key = py::str(item.first);
              const std::size_t i = fieldIndex<Rec>(key);
              if (i == fieldNames<Rec>().size())
                raise(PyExc_TypeError, "no field named '" + key + "'");
              setField(h.get(), i, item.second);
            }
            return h;
          }),
          docs().back().c_str());
  signatures.enable_function_signatures();
  py::tuple fieldTuple(names.size());
  for (std::size_t i = 0; i < names.size(); ++i)
    fieldTuple[i] = py::str(names[i]);
  cls.attr("fields") = fieldTuple;
  cls.def(
      "__str__", [](const H& h) { return toStr(printed(h.get())); },
      "The record's printed line, as the writer writes it.");
  cls.def(
      "stored",
      [](const H& h, const std::string& field) {
        const std::size_t i = fieldIndex<Rec>(field);
        if (i == fieldNames<Rec>().size())
          raise(PyExc_AttributeError, "no field named '" + field + "'");
        Typed<OneOf<int, double, std::string>> out;
        withField(h.get(), i, [&](const char*, const auto& v) { out.value = toPy(v); });
        return out;
      },
      py::arg("field"),
      "The field as the record stores and writes it: a name with its apostrophes "
      "and padding (\"'BUS 1   '\").");
  cls.def("__repr__", [keys, name](const H& h) {
    std::string out = std::string(name) + "(";
    for (std::size_t k = 0; k < keys.size(); ++k) {
      if (k > 0) out += ", ";
      out += std::string(keys[k]) + "=" +
             std::string(py::repr(getField(h.get(), fieldIndex<Rec>(keys[k]))));
    }
    return out + ")";
  });
  cls.def(
      "__eq__",
      [](const H& a, py::handle b) -> Typed<bool> {
        if (!py::isinstance<H>(b))
          return {py::reinterpret_borrow<py::object>(Py_NotImplemented)};
        return {py::bool_(sameFields(a.get(), b.cast<const H&>().get()))};
      },
      py::arg("other"));
  cls.attr("__hash__") = py::none();
  cls.def(
      "copy", [](const H& h) { return H(h.get()); },
      "A record of its own with the same fields.");
  cls.def("__copy__", [](const H& h) { return H(h.get()); });
  cls.def(
      "__deepcopy__", [](const H& h, py::handle) { return H(h.get()); }, py::arg("memo"));
  return cls;
}

template <class Rec> void bindParse(py::class_<Handle<Rec>> cls) {
  cls.def_static(
      "parse",
      [](const Typed<Text>& line) {
        Rec r;
        std::string message;
        if (!zel23::parse(toBytes(line.value, "line"), r, message))
          raise(PyExc_ValueError, message);
        return Handle<Rec>(r);
      },
      py::arg("line"),
      "Parses one record line as the library does; raises ValueError with the "
      "library's message when the line is malformed. Bus names resolve through "
      "zel23.bus_names.");
}

void bindDcParse(py::class_<Handle<ZELTwoTerminalDC>> cls) {
  cls.def_static(
      "parse",
      [](const Typed<Text>& line1, const Typed<Text>& line2, const Typed<Text>& line3) {
        ZELTwoTerminalDC r;
        std::string message;
        if (!zel23::parse(toBytes(line1.value, "line1"), toBytes(line2.value, "line2"),
                          toBytes(line3.value, "line3"), r, message))
          raise(PyExc_ValueError, message);
        return Handle<ZELTwoTerminalDC>(r);
      },
      py::arg("line1"), py::arg("line2"), py::arg("line3"),
      "Parses a DC line from its three lines (DC line, rectifier, inverter); "
      "raises ValueError with the library's message when one is malformed.");
}

// ---- sections -----------------------------------------------------------

/// A case's section as a mutable sequence of records. Records are copied in;
/// reading an item gives a record that stays tied to its position.
template <class Rec> struct SectionView {
  CasePtr owner;
  std::vector<Rec>& list() const { return *sectionList<Rec>(owner->c).list; }
  std::vector<std::size_t>& lines() const {
    return owner->report.recordLines[int(sectionList<Rec>(owner->c).section)];
  }
};

std::size_t position(Py_ssize_t i, std::size_t size, bool insert) {
  const auto n = static_cast<Py_ssize_t>(size);
  if (i < 0) i += n;
  if (insert) return static_cast<std::size_t>(std::clamp<Py_ssize_t>(i, 0, n));
  if (i < 0 || i >= n) raise(PyExc_IndexError, "section index out of range");
  return static_cast<std::size_t>(i);
}

template <class Rec> std::vector<Rec> recordsOf(py::handle items, const char* what) {
  std::vector<Rec> out;
  for (py::handle item : py::iter(items))
    out.push_back(recordOf<Rec>(item, what));
  return out;
}

template <class Rec> void assignSection(CaseData& d, py::handle items) {
  std::vector<Rec> records = recordsOf<Rec>(items, "a section");
  const SectionList<Rec> section = sectionList<Rec>(d.c);
  d.report.recordLines[int(section.section)].assign(records.size(), 0);
  *section.list = std::move(records);
}

/// The section's Python class (`name`) and the Case property, named by the
/// section's list name, that hands it out.
template <class Rec>
void bindSection(py::module_& m, py::class_<CaseData, CasePtr>& cases,
                 const std::string& name) {
  using S = SectionView<Rec>;
  using H = Handle<Rec>;
  using Record = Typed<H>;
  py::class_<S>(m, name.c_str(), "The records of one section of a case, in file order.")
      .def("__len__", [](const S& s) { return s.list().size(); })
      .def(
          "__getitem__",
          [](const S& s, Py_ssize_t i) {
            return H(s.owner, position(i, s.list().size(), false));
          },
          py::arg("i"))
      .def(
          "__getitem__",
          [](const S& s, const py::slice& sl) {
            std::size_t start = 0, stop = 0, step = 0, count = 0;
            if (!sl.compute(s.list().size(), &start, &stop, &step, &count))
              throw py::error_already_set();
            Typed<ListOf<H>> out{py::list()};
            for (std::size_t k = 0; k < count; ++k, start += step)
              py::reinterpret_borrow<py::list>(out.value).append(H(s.owner, start));
            return out;
          },
          py::arg("i"))
      .def(
          "__setitem__",
          [](const S& s, Py_ssize_t i, const Record& r) {
            const std::size_t at = position(i, s.list().size(), false);
            s.list()[at] = recordOf<Rec>(r.value, "a section");
            s.lines()[at] = 0;
          },
          py::arg("i"), py::arg("record"))
      .def(
          "__delitem__",
          [](const S& s, Py_ssize_t i) {
            const std::size_t at = position(i, s.list().size(), false);
            s.list().erase(s.list().begin() + static_cast<std::ptrdiff_t>(at));
            s.lines().erase(s.lines().begin() + static_cast<std::ptrdiff_t>(at));
          },
          py::arg("i"))
      .def(
          "append",
          [](const S& s, const Record& r) {
            s.list().push_back(recordOf<Rec>(r.value, "a section"));
            s.lines().push_back(0);
          },
          py::arg("record"), "Appends a copy of the record.")
      .def(
          "insert",
          [](const S& s, Py_ssize_t i, const Record& r) {
            const Rec rec = recordOf<Rec>(r.value, "a section");
            const auto at =
                static_cast<std::ptrdiff_t>(position(i, s.list().size(), true));
            s.list().insert(s.list().begin() + at, rec);
            s.lines().insert(s.lines().begin() + at, 0);
          },
          py::arg("i"), py::arg("record"),
          "Inserts a copy of the record before position i.")
      .def(
          "extend",
          [](const S& s, const Typed<IterableOf<H>>& items) {
            const std::vector<Rec> add = recordsOf<Rec>(items.value, "a section");
            s.list().insert(s.list().end(), add.begin(), add.end());
            s.lines().resize(s.list().size(), 0);
          },
          py::arg("records"), "Appends copies of the records.")
      .def("clear",
           [](const S& s) {
             s.list().clear();
             s.lines().clear();
           })
      .def("__repr__", [name](const S& s) {
        return "<zel23." + name + " of " + std::to_string(s.list().size()) + " records>";
      });
  Case empty;
  cases.def_property(
      sectionNames(sectionList<Rec>(empty).section).list,
      [](const CasePtr& d) { return S{d}; },
      [](CaseData& d, const Typed<IterableOf<H>>& items) {
        assignSection<Rec>(d, items.value);
      },
      "The section's records, in file order; assigning any iterable of records "
      "replaces them with copies.");
}

// ---- reading and writing ------------------------------------------------

/// An OSError of the errno's own subclass naming the path.
[[noreturn]] void raiseOSError(int error, const std::string& path) {
  errno = error;
  PyErr_SetFromErrnoWithFilenameObject(PyExc_OSError, toStr(path).ptr());
  throw py::error_already_set();
}

ReadOptions readOptions(std::size_t maxProblems) {
  ReadOptions options;
  options.maxProblems = maxProblems;
  return options;
}

/// The first bytes of a regular file, enough to tell a MATPOWER case from a
/// raw one.
std::string fileStart(const std::string& path) {
  std::string start(std::size_t(1) << 16, '\0');
  std::ifstream in(path, std::ios::binary);
  in.read(start.data(), static_cast<std::streamsize>(start.size()));
  start.resize(static_cast<std::size_t>(in.gcount()));
  return start;
}

/// Reads a whole file through one open (a FIFO's writer may open it only
/// once); returns 0 or the errno.
int readWhole(const std::string& path, std::string& into) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                       &std::fclose);
  if (!file) return errno;
  char block[1 << 16];
  while (const std::size_t got = std::fread(block, 1, sizeof block, file.get()))
    into.append(block, got);
  return std::ferror(file.get()) ? errno : 0;
}

bool endsInDotM(const std::string& path) {
  return path.size() > 2 && path.compare(path.size() - 2, 2, ".m") == 0;
}

/// Reads case text, a MATPOWER case when `matpower`.
void readText(CaseData& d, std::string_view text, std::size_t maxProblems,
              bool matpower) {
  if (!matpower) {
    d.report = readBuffer(text, d.c, readOptions(maxProblems));
    return;
  }
  MatpowerReport report = readMatpower(text, d.c, readOptions(maxProblems));
  d.notes = std::move(report.notCarried);
  d.report = std::move(report);
}

/// Reads the case at `path`, a MATPOWER case where the command reads one
/// (a name ending in ".m", or a first statement `function`), without the GIL:
/// nothing Python is touched until the case is whole. A regular raw case
/// goes to readFile; anything else (a FIFO, a device) is read once, whole.
/// `into` takes the case only when it is whole.
void readFromPath(CaseData& into, py::handle path, std::size_t maxProblems,
                  bool matpower) {
  const std::string p = toBytes(path, "path");
  if (p.find('\0') != std::string::npos)
    raise(PyExc_ValueError, "embedded null byte in path");
  auto d = std::make_unique<CaseData>();
  int error = 0;
  {
    py::gil_scoped_release unlocked;
    struct stat st;
    const bool found = ::stat(p.c_str(), &st) == 0;
    matpower = matpower || endsInDotM(p);
    if (found && S_ISDIR(st.st_mode)) {
      error = EISDIR;
    } else if (found && S_ISREG(st.st_mode) && !matpower &&
               !looksLikeMatpower(fileStart(p))) {
      d->report = readFile(p, d->c, readOptions(maxProblems));
      error = d->report.systemError;
    } else {
      std::string text;
      error = readWhole(p, text);
      if (error == 0)
        readText(*d, text, maxProblems, matpower || looksLikeMatpower(text));
    }
  }
  if (error != 0) raiseOSError(error, p);
  into = std::move(*d);
}

void readFromBuffer(CaseData& into, py::handle text, std::size_t maxProblems,
                    bool matpower) {
  const BufferBytes bytes(text);
  auto d = std::make_unique<CaseData>();
  {
    py::gil_scoped_release unlocked;
    readText(*d, bytes.text(), maxProblems, matpower || looksLikeMatpower(bytes.text()));
  }
  into = std::move(*d);
}

/// Writes bytes to a path through the library's atomic writer, without the
/// GIL; its FileError becomes the OSError of its errno, naming the path.
void writeToPath(py::handle path, const py::bytes& data) {
  const std::string p = toBytes(path, "path");
  if (p.find('\0') != std::string::npos)
    raise(PyExc_ValueError, "embedded null byte in path");
  const std::string_view bytes = data;
  int error = 0;
  {
    py::gil_scoped_release unlocked;
    try {
      writeFileAtomically(p, bytes);
    } catch (const FileError& e) {
      error = e.error();
    }
  }
  if (error != 0) raiseOSError(error, p);
}

/// The case as text, exact unless `printed`; a case whose text would not
/// read back raises ValueError with the writer's reason.
std::string caseText(const CaseData& d, bool printed) {
  WriteOptions options;
  options.exact = !printed;
  std::ostringstream out;
  const WriteReport report = write(out, d.c, options);
  if (!report.ok()) raise(PyExc_ValueError, report.error);
  return out.str();
}

/// Problem.section: where the problem's line stands ("bus data", ...,
/// "header"). A MATPOWER read's problems that belong to no raw section are
/// shown as past the last one.
const char* problemPlace(const Problem& p) {
  return sectionName(p.section == kNoSection ? kSectionCount : p.section);
}

py::class_<CaseData, CasePtr> bindCase(py::module_& m) {
  py::class_<CaseData, CasePtr> cls(
      m, "Case",
      "A whole case: system base, comment lines (three header lines, then the "
      "terminator lines) and the seven sections.");
  cls.def(py::init([] { return std::make_shared<CaseData>(); }), "An empty case.")
      .def_property(
          "system_base", [](const CaseData& d) { return d.c.systemBase; },
          [](CaseData& d, const Typed<double>& v) {
            assign(d.c.systemBase, v.value, "system_base");
          })
      .def_property(
          "comments", [](const CaseData& d) { return toStrList(d.c.comments); },
          [](CaseData& d, const Typed<IterableOf<std::string>>& items) {
            std::vector<std::string> lines;
            for (py::handle item : py::iter(items.value)) {
              if (!PyUnicode_Check(item.ptr()))
                raise(PyExc_TypeError, "comments takes str lines, not " + typeName(item));
              std::string s = toBytes(item, "comments");
              // Each is one line of the file: a line end or NUL would cut it.
              if (s.find_first_of(std::string("\n\r\0", 3)) != std::string::npos)
                raise(PyExc_ValueError, "comment line " + std::string(py::repr(item)) +
                                            " holds a line end or NUL");
              lines.push_back(std::move(s));
            }
            d.c.comments = std::move(lines);
            d.report.commentLines.clear();
          },
          "Header lines 1 to 3, then one terminator line per section, verbatim.");
  // The sections by their list names, in file order.
  py::tuple sections(kSectionCount);
  for (const Section s : kSections)
    sections[int(s)] = sectionNames(s).list;
  m.attr("SECTIONS") = sections;
  bindSection<ZELBus>(m, cls, "BusSection");
  bindSection<ZELGenerator>(m, cls, "GeneratorSection");
  bindSection<ZELBranch>(m, cls, "BranchSection");
  bindSection<ZELTransformerAdjustment>(m, cls, "TransformerAdjustmentSection");
  bindSection<ZELAreaInterchange>(m, cls, "AreaInterchangeSection");
  bindSection<ZELTwoTerminalDC>(m, cls, "TwoTerminalDCSection");
  bindSection<ZELSwitchedShunt>(m, cls, "SwitchedShuntSection");
  // Lookups by key; IDs and circuits compare without apostrophes and blanks.
  cls.def(
         "bus",
         [](const CasePtr& d, int number) {
           const auto& list = d->c.buses;
           for (std::size_t k = 0; k < list.size(); ++k)
             if (list[k].I() == number) return Handle<ZELBus>(d, k);
           raise(PyExc_KeyError, "no bus " + std::to_string(number));
         },
         py::arg("number"), "The first bus of that number; KeyError if none.")
      .def(
          "generator",
          [](const CasePtr& d, int bus, const Typed<OneOf<std::string, int>>& id) {
            const std::string key = plainName(toBytes(py::str(id.value), "id"));
            const auto& list = d->c.generators;
            for (std::size_t k = 0; k < list.size(); ++k)
              if (list[k].I() == bus && plainName(list[k].ID()) == key)
                return Handle<ZELGenerator>(d, k);
            raise(PyExc_KeyError,
                  "no generator " + key + " at bus " + std::to_string(bus));
          },
          py::arg("bus"), py::arg("id") = "1",
          "The generator of that bus and ID (\"1\", 1 or \"'1 '\"); KeyError if none.")
      .def(
          "branch",
          [](const CasePtr& d, int i, int j, const Typed<OneOf<std::string, int>>& ckt) {
            const std::string key = plainName(toBytes(py::str(ckt.value), "ckt"));
            const auto& list = d->c.branches;
            for (std::size_t k = 0; k < list.size(); ++k)
              if (((list[k].I() == i && list[k].J() == j) ||
                   (list[k].I() == j && list[k].J() == i)) &&
                  plainName(list[k].CKT()) == key)
                return Handle<ZELBranch>(d, k);
            raise(PyExc_KeyError, "no branch " + std::to_string(i) + "-" +
                                      std::to_string(j) + " circuit " + key);
          },
          py::arg("i"), py::arg("j"), py::arg("ckt") = "1",
          "The branch between buses i and j (either way round) of that circuit; "
          "KeyError if none.");
  cls.def("_problems",
          [](const CaseData& d) {
            py::list out;
            for (const Problem& p : d.report.problems)
              out.append(py::make_tuple(p.line, problemPlace(p), toStr(p.message),
                                        toStr(p.text), problemCodeName(p.code)));
            return out;
          })
      .def_property_readonly(
          "problems_dropped", [](const CaseData& d) { return d.report.problemsDropped; },
          "Problems beyond max_problems, counted but not kept.")
      .def(
          "to_text",
          [](const CaseData& d, bool printed) { return toStr(caseText(d, printed)); },
          py::kw_only(), py::arg("printed") = false,
          "The case as a raw case file: every number in the shortest text that "
          "reads back to the same value, or with printed=True in the printed form "
          "(ZELPrint's, four decimals). Raises ValueError when the text would not "
          "read back (a line over 1,023 characters, a record numbered 0, ...).")
      .def(
          "to_bytes",
          [](const CaseData& d, bool printed) { return py::bytes(caseText(d, printed)); },
          py::kw_only(), py::arg("printed") = false,
          "to_text() as the bytes written to a file.")
      .def("_assign", [](CaseData& d, const CaseData& from) { d = from; })
      .def("_columns", &sectionColumns, py::arg("section"), py::arg("quoted"))
      .def("_set_columns", &setSectionColumns)
      .def("__repr__", [](const CaseData& d) {
        std::string out = "<zel23.Case";
        forEachSection(
            [&](Section s, const auto& list) {
              out += std::string(" ") + sectionNames(s).list + "=" +
                     std::to_string(list.size());
            },
            d.c);
        return out + " problems=" + std::to_string(d.report.problems.size()) + ">";
      });
  return cls;
}

// ---- bus name registry --------------------------------------------------

void bindRegistry(py::module_& m) {
  m.def("_bus_names", [] {
    py::dict out;
    for (const auto& [name, number] : BName2BNum)
      out[toStr(name)] = number;
    return out;
  });
  m.def("_bus_number", [](py::handle name) -> Typed<OptionalOf<int>> {
    const auto it = BName2BNum.find(toBytes(name, "bus name"));
    if (it == BName2BNum.end()) return {py::none()};
    return {py::int_(it->second)};
  });
  m.def("_set_bus_name", [](py::handle name, py::handle number) {
    int n = 0;
    assign(n, number, "bus number");
    BName2BNum[toBytes(name, "bus name")] = n;
  });
  m.def("_del_bus_name",
        [](py::handle name) { return BName2BNum.erase(toBytes(name, "bus name")) > 0; });
  m.def("_clear_bus_names", [] { BName2BNum.clear(); });
}

} // namespace

} // namespace zel23::python

PYBIND11_MODULE(_zel23, m) {
  using namespace zel23::python;
  m.doc() = "The compiled part of zel23; use the zel23 package.";

  // repr() shows the fields a record is known by, then its main values.
  bindParse(bindRecord<ZELBus>(m, "Bus", "A bus data record.",
                               {"I", "NAME", "IDE", "VM", "VA", "AREA"}));
  bindParse(bindRecord<ZELGenerator>(m, "Generator", "A generator data record.",
                                     {"I", "ID", "PG", "QG", "VS", "STAT"}));
  bindParse(bindRecord<ZELLoad>(m, "Load", "A load record (no section in a case).",
                                {"I", "ID", "STATUS", "PL", "QL"}));
  bindParse(bindRecord<ZELBranch>(m, "Branch", "A branch data record.",
                                  {"I", "J", "CKT", "R", "X", "ST"}));
  bindParse(bindRecord<ZELTransformerAdjustment>(
      m, "TransformerAdjustment", "A transformer adjustment data record.",
      {"I", "J", "CKT", "ICONT", "RMA", "RMI"}));
  bindParse(bindRecord<ZELAreaInterchange>(m, "AreaInterchange",
                                           "An area interchange data record.",
                                           {"I", "ARNAME", "ISW", "PDES"}));
  bindParse(bindRecord<ZELSwitchedShunt>(
      m, "SwitchedShunt",
      "A switched shunt data record. Blocks: noBlocks, N1/B1 ... N8/B8, and the "
      "N and B sequences.",
      {"I", "MODSW", "BINIT", "noBlocks"}));
  bindDcParse(bindRecord<ZELTwoTerminalDC>(
      m, "TwoTerminalDC", "A two-terminal DC line record (three lines in a case).",
      {"I", "IPR", "IPI", "MDC", "SETVL"}));
  m.attr("__version__") = zel23::version();

  auto cases = bindCase(m);
  bindMatpower(cases);
  bindCheck(cases);
#ifdef ZEL23_PYTHON_FLOW
  bindFlow(m, cases);
#endif
  bindRegistry(m);

  m.def("_read_path", &readFromPath, py::arg("into"), py::arg("path"),
        py::arg("max_problems"), py::arg("matpower"));
  m.def("_read_bytes", &readFromBuffer, py::arg("into"), py::arg("text"),
        py::arg("max_problems"), py::arg("matpower"));
  m.def("_write_path", &writeToPath, py::arg("path"), py::arg("data"));
}
