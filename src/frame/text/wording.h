#ifndef ZEL23_FRAME_WORDING_H
#define ZEL23_FRAME_WORDING_H

// Small pieces of the text that messages, notes and reports are made of.
// Header-only, so that the command can take them without the library
// exporting them.

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

namespace zel23::detail {

/// The text without its leading and trailing blanks and tabs.
inline std::string_view trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return std::string_view();
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

/// A name or identifier as people read it: without its outer blanks and
/// tabs, and without the apostrophes around it and the blanks inside them
/// ("' 1'" and "1 " are both "1").
inline std::string_view bareName(std::string_view stored) {
  std::string_view name = trimmed(stored);
  if (name.size() >= 2 && name.front() == '\'' && name.back() == '\'')
    name = trimmed(name.substr(1, name.size() - 2));
  return name;
}

/// "1 bus", "3 buses": a count and the word that goes with it.
inline std::string plural(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + ' ' + (n == 1 ? one : many);
}

/// Megawatts and megavars as reports show them: one decimal.
inline std::string mw(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

} // namespace zel23::detail

#endif
