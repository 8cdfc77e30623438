#ifndef ZEL23_PYTHON_BINDING_H
#define ZEL23_PYTHON_BINDING_H

// What the two halves of the compiled module share: the case behind
// zel23.Case, the section that holds each record type, and the one way text crosses
// between the library's 8-bit strings and Python's str.

#include "zel23.h"

#include "frame/text/wording.h"

#include <pybind11/pybind11.h>

// Signatures, and the stubs generated from them, show an argument taken as a
// handle as what it is to Python: any object.
namespace pybind11::detail {
template <> struct handle_type_name<handle> {
  static constexpr auto name = const_name("object");
};
} // namespace pybind11::detail

namespace zel23::python {

/// How a value of type T is named in signatures (and so in the type stubs
/// generated from them): as pybind11 names T, or as the tags below say.
template <class T> struct Shown {
  static constexpr auto name = pybind11::detail::make_caster<T>::name;
};
/// str or bytes, the text the library takes.
struct Text {};
template <> struct Shown<Text> {
  static constexpr auto name = pybind11::detail::const_name("Union[str, bytes]");
};
template <class T> struct IterableOf {};
template <class T> struct Shown<IterableOf<T>> {
  static constexpr auto name = pybind11::detail::const_name("Iterable[") +
                               Shown<T>::name + pybind11::detail::const_name("]");
};
template <class T> struct ListOf {};
template <class T> struct Shown<ListOf<T>> {
  static constexpr auto name = pybind11::detail::const_name("List[") + Shown<T>::name +
                               pybind11::detail::const_name("]");
};
template <class T> struct OptionalOf {};
template <class T> struct Shown<OptionalOf<T>> {
  static constexpr auto name = pybind11::detail::const_name("Optional[") +
                               Shown<T>::name + pybind11::detail::const_name("]");
};
template <class... Ts> struct OneOf {};
template <class... Ts> struct Shown<OneOf<Ts...>> {
  static constexpr auto name = pybind11::detail::const_name("Union[") +
                               pybind11::detail::concat(Shown<Ts>::name...) +
                               pybind11::detail::const_name("]");
};

/// Any Python object, taken or given as it is, that signatures name as
/// Shown<T> names it: an argument the binding checks itself (with messages of
/// its own), or a result built by hand.
template <class T> struct Typed { pybind11::object value; };

} // namespace zel23::python

namespace pybind11::detail {
template <class T> struct type_caster<zel23::python::Typed<T>> {
  PYBIND11_TYPE_CASTER(zel23::python::Typed<T>, zel23::python::Shown<T>::name);
  bool load(handle source, bool) {
    value.value = reinterpret_borrow<object>(source);
    return true;
  }
  static handle cast(const zel23::python::Typed<T>& v, return_value_policy, handle) {
    return v.value.inc_ref();
  }
};
} // namespace pybind11::detail

#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace zel23::python {

namespace py = pybind11;

/// A case as Python sees it: the records, the line each was read from (0 for
/// a record made in Python) and what its read reported.
struct CaseData {
  Case c;
  /// Its recordLines follow the lists as Python edits them; its commentLines
  /// are emptied when the comments are set.
  ReadReport report;
  std::vector<std::string> notes; ///< what a MATPOWER read did not carry
};
using CasePtr = std::shared_ptr<CaseData>;

/// The bytes an object's buffer holds, in C order: a view of them while the
/// buffer is contiguous, else a copy. A buffer of items wider than a byte is
/// a TypeError. The exporter stays locked (a bytearray cannot be resized)
/// while this lives, so the bytes may be read without the GIL.
class BufferBytes {
public:
  explicit BufferBytes(py::handle source);
  ~BufferBytes() { PyBuffer_Release(&view_); }
  BufferBytes(const BufferBytes&) = delete;
  BufferBytes& operator=(const BufferBytes&) = delete;
  std::string_view text() const { return text_; }

private:
  Py_buffer view_{};
  std::string copy_;
  std::string_view text_;
};

/// False for the one record type no section of a case holds.
template <class Rec> constexpr bool kInSection = !std::is_same_v<Rec, ZELLoad>;

/// The section of a case that holds records of type Rec, and its list.
template <class Rec> struct SectionList {
  Section section = Section::Bus;
  std::vector<Rec>* list = nullptr;
};
template <class Rec> SectionList<Rec> sectionList(Case& c) {
  static_assert(kInSection<Rec>, "no section holds this record type");
  SectionList<Rec> out;
  forEachSection(
      [&](Section section, auto& list) {
        if constexpr (std::is_same_v<std::decay_t<decltype(list)>, std::vector<Rec>>)
          out = {section, &list};
      },
      c);
  return out;
}

/// Library text to str: bytes that are not UTF-8 become lone surrogates
/// ("surrogateescape"), so that toBytes gives back the very same bytes.
inline py::str toStr(const std::string& s) {
  PyObject* o = PyUnicode_DecodeUTF8(s.data(), static_cast<Py_ssize_t>(s.size()),
                                     "surrogateescape");
  if (o == nullptr) throw py::error_already_set();
  return py::reinterpret_steal<py::str>(o);
}

/// Library lines to a list of str.
inline Typed<ListOf<std::string>> toStrList(const std::vector<std::string>& items) {
  py::list out;
  for (const std::string& s : items)
    out.append(toStr(s));
  return {out};
}

/// str (encoded back as toStr decodes) or bytes to library text; anything
/// else is a TypeError naming `what`.
std::string toBytes(py::handle value, const char* what);

/// Bus and area names: Python shows them plain and quotes and pads what it
/// is given; the other text fields (IDs, circuits, the meter) as stored.
inline bool isName(std::string_view field) {
  return field == "NAME" || field == "ARNAME";
}
/// A stored name without its blanks and apostrophes: "'BUS 1   '" gives "BUS 1".
inline std::string plainName(std::string_view stored) {
  return std::string(detail::bareName(stored));
}
/// What a text field stores for a value given in Python, so that the written
/// line reads back to the same record: a quoted value ('...') as it is, a
/// plain name quoted and padded to eight characters, any other plain value
/// as it is. Throws std::invalid_argument, saying why, for a value the
/// format cannot hold (an apostrophe inside, a control byte, more than 255
/// bytes, or blanks or commas in an unquoted field).
std::string storedText(std::string_view field, const std::string& value);

/// Python's builtin exceptions with a message, thrown as C++ exceptions.
[[noreturn]] void raise(PyObject* type, const std::string& message);

/// The record columns of one section as numpy arrays (tables.cpp). The
/// section is its number, as Python's SECTIONS orders them; another number
/// is a ValueError.
py::dict sectionColumns(const CaseData& data, int section, bool quoted);
/// Replaces one section with records built from numpy columns (tables.cpp).
void setSectionColumns(CaseData& data, int section, const py::dict& columns,
                       std::size_t rows);

/// The Case's MATPOWER writer and notes (matpower.cpp).
void bindMatpower(py::class_<CaseData, CasePtr>& cases);

/// The Case's readiness check (check.cpp).
void bindCheck(py::class_<CaseData, CasePtr>& cases);

/// The Case's power flow and its solution (flow.cpp), with libzel23-flow.
void bindFlow(py::module_& m, py::class_<CaseData, CasePtr>& cases);

} // namespace zel23::python

#endif
