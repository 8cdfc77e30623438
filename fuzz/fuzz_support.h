#ifndef ZEL23_FUZZ_SUPPORT_H
#define ZEL23_FUZZ_SUPPORT_H

// Helpers shared by the fuzz targets: a check that crashes the run (so the
// fuzzer keeps the input), the record comparison that printing allows, and
// the written form of records and cases.

#include "zel23.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#define FUZZ_CHECK(condition)                                                            \
  do {                                                                                   \
    if (!(condition)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                      \
    }                                                                                    \
  } while (false)

namespace zel23_fuzz {

inline std::string_view asText(const unsigned char* data, std::size_t size) {
  return std::string_view(reinterpret_cast<const char*>(data), size);
}

// The double a printed field reads back as: printf's "%.4f", then strtod.
inline double printedValue(double value) {
  char text[400];
  std::snprintf(text, sizeof text, "%.4f", value);
  return std::strtod(text, nullptr);
}

inline bool sameDouble(double a, double b) {
  return (std::isnan(a) && std::isnan(b)) || a == b;
}

// Field values equal, a NaN matching a NaN.
inline bool sameValues(const std::vector<zel23::FieldValue>& a,
                       const std::vector<zel23::FieldValue>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const double* x = std::get_if<double>(&a[i]);
    const double* y = std::get_if<double>(&b[i]);
    if (x && y ? !sameDouble(*x, *y) : a[i] != b[i]) return false;
  }
  return true;
}

template <class Rec>
bool sameRecords(const std::vector<Rec>& a, const std::vector<Rec>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (!sameValues(zel23::fieldValues(a[i]), zel23::fieldValues(b[i]))) return false;
  return true;
}

// The fields that printing `record` and parsing the printed line must give:
// every double at four decimals, every other field as it was, and the
// branch's RATEC, which is never printed, as 0.0.
template <class Rec> std::vector<zel23::FieldValue> afterPrinting(const Rec& record) {
  std::vector<zel23::FieldValue> values;
  zel23::forEachField(record, [&](const char* name, const auto& field) {
    using T = std::decay_t<decltype(field)>;
    if constexpr (std::is_same_v<T, double>) {
      const bool unprinted =
          std::is_same_v<Rec, ZELBranch> && std::string_view(name) == "RATEC";
      values.emplace_back(unprinted ? 0.0 : printedValue(field));
    } else {
      values.emplace_back(field);
    }
  });
  return values;
}

template <class Rec> bool sameAfterPrinting(const Rec& original, const Rec& reread) {
  return sameValues(afterPrinting(original), zel23::fieldValues(reread));
}

// False for the records whose printed line cannot read back as the record,
// by the rules of the format rather than by a fault:
// - a cursor-read identifier (generator and load ID, adjustment CKT) that
//   held an apostrophe inside a bare token: the parser puts the token between
//   apostrophes, and the inner apostrophe then closes the quoted token early;
// - an area name read as an empty field (",,"): printed as blanks at the end
//   of the line, it is no field at all.
inline bool quotedOnlyAtEnds(const std::string& id) {
  return id.size() < 2 || id.find('\'', 1) >= id.size() - 1;
}
template <class Rec> bool readsBack(const Rec&) { return true; }
inline bool readsBack(const ZELGenerator& r) { return quotedOnlyAtEnds(r.ID()); }
inline bool readsBack(const ZELLoad& r) { return quotedOnlyAtEnds(r.ID()); }
inline bool readsBack(const ZELTransformerAdjustment& r) {
  return quotedOnlyAtEnds(r.CKT());
}
inline bool readsBack(const ZELAreaInterchange& r) { return !r.ARNAME().empty(); }

template <class Rec> std::string printed(const Rec& record) {
  std::ostringstream out;
  out << record;
  return out.str();
}

inline std::string written(const zel23::Case& c) {
  std::ostringstream out;
  zel23::write(out, c);
  return out.str();
}

// The first three lines of the text (missing ones empty), without line feeds.
inline void splitThree(std::string_view text, std::string_view lines[3]) {
  for (int k = 0; k < 3; ++k) {
    const std::size_t feed = k < 2 ? text.find('\n') : std::string_view::npos;
    lines[k] = text.substr(0, feed);
    text = feed == std::string_view::npos ? std::string_view() : text.substr(feed + 1);
  }
}

} // namespace zel23_fuzz

#endif
