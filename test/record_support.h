#ifndef ZEL23_TEST_RECORD_SUPPORT_H
#define ZEL23_TEST_RECORD_SUPPORT_H

// Helpers shared by the record tests: printing a record to a string, naming
// the fields that differ between two records, rounding a record the way its
// printed form rounds it, and showing control characters in traces.

#include "zel23.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

namespace zel23_test {

using Values = std::vector<zel23::FieldValue>;

inline std::string shown(std::string_view s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c >= 0x20 && c < 0x7f) {
      out += static_cast<char>(c);
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02x", c);
      out += buf;
    }
  }
  return out + "\"";
}

template <class Rec> std::string printed(const Rec& record) {
  std::ostringstream os;
  os << record;
  return os.str();
}

inline std::string valueText(const zel23::FieldValue& value) {
  if (const double* d = std::get_if<double>(&value)) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17g", *d);
    return buf;
  }
  if (const int* i = std::get_if<int>(&value)) return std::to_string(*i);
  return shown(std::get<std::string>(value));
}

template <class Rec>
std::vector<std::pair<std::string, zel23::FieldValue>> namedValues(const Rec& r) {
  std::vector<std::pair<std::string, zel23::FieldValue>> out;
  zel23::forEachField(
      r, [&](const char* name, const auto& value) { out.emplace_back(name, value); });
  return out;
}

// sameFields with a list of the differing fields on failure.
template <class Rec>
::testing::AssertionResult sameRecord(const Rec& expected, const Rec& actual) {
  if (zel23::sameFields(expected, actual)) return ::testing::AssertionSuccess();
  const auto e = namedValues(expected);
  const auto a = namedValues(actual);
  ::testing::AssertionResult failure = ::testing::AssertionFailure();
  for (std::size_t i = 0; i < e.size() && i < a.size(); ++i) {
    if (e[i].second != a[i].second) {
      failure << e[i].first << ": expected " << valueText(e[i].second) << ", got "
              << valueText(a[i].second) << "; ";
    }
  }
  return failure;
}

// A record whose first fields, in field order, take the given values; the
// rest keep their defaults. The value types must match the field types.
template <class Rec> Rec withValues(const Values& values) {
  Rec r;
  std::size_t i = 0;
  zel23::forEachField(r, [&](const char* name, auto& field) {
    using T = std::decay_t<decltype(field)>;
    if (i < values.size()) {
      if (const T* v = std::get_if<T>(&values[i])) {
        field = *v;
      } else {
        ADD_FAILURE() << "value " << i << " for " << name << " has the wrong type";
      }
    }
    ++i;
  });
  if (i < values.size()) ADD_FAILURE() << "more values than fields";
  return r;
}

inline double round4(double v) {
  char buf[512];
  std::snprintf(buf, sizeof buf, "%.4f", v);
  return std::strtod(buf, nullptr);
}

// The record as its printed form carries it: every double at four decimals.
template <class Rec> Rec rounded(Rec r) {
  zel23::forEachField(r, [](const char*, auto& field) {
    if constexpr (std::is_same_v<std::decay_t<decltype(field)>, double>)
      field = round4(field);
  });
  return r;
}

} // namespace zel23_test

#endif
