#ifndef ZEL23_INTEROP_MATLAB_H
#define ZEL23_INTEROP_MATLAB_H

// The part of MATLAB that case files use: a function line, comments (`%`,
// `%{ ... %}` blocks), `...` continuations, and assignments of numbers,
// strings, numeric matrices and cell arrays to the fields of one struct.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zel23::interop {

/// One row of a matrix or cell array: where its elements start in the
/// value's element list, how many there are, and its line. A row holding an
/// element that is not a number is kept (so positions stay) but marked bad.
struct Row {
  std::size_t line = 0;
  std::size_t start = 0;
  std::size_t width = 0;
  bool bad = false;
};

/// The right-hand side of an assignment.
struct Value {
  enum Kind { kNone, kNumber, kText, kMatrix, kCell };
  Kind kind = kNone;
  std::size_t line = 0;
  double number = 0.0;
  std::string text;
  std::vector<double> numbers;    ///< matrix elements, row after row
  std::vector<std::string> texts; ///< cell elements, row after row
  std::vector<Row> rows;          ///< rows of a matrix or cell array
};

/// Converts one MATLAB real number (`-1.5e3`, `.5`, `1d-3`, `Inf`, `NaN`);
/// false when the whole token is not one.
bool parseNumber(std::string_view token, double& value);

/// What the scanner hands back, statement by statement.
struct ScanSink {
  /// `mpc.FIELD = value`. `report` decides whether the value's faults are
  /// reported: the scanner asks before reading the value.
  std::function<bool(const std::string& field)> wantsProblems;
  std::function<void(const std::string& field, Value&& value)> assign;
  /// A statement that is neither an assignment of a whole field nor part of
  /// the function's frame (`mpc.bus(:, 2) = 1`, `define_constants`, ...).
  /// `field` is the field it touches, empty when none.
  std::function<void(std::size_t line, const std::string& field)> other;
  std::function<void(std::size_t line, std::string message)> problem;
};

/// Walks a whole function file. Returns the function's name ("" when there
/// is no function line) and its line in `functionLine` (0 when none).
/// `lineStarts` receives the offset of every line, for quoting lines.
std::string scanFunctionFile(std::string_view text, const ScanSink& sink,
                             std::size_t& functionLine,
                             std::vector<std::size_t>& lineStarts);

} // namespace zel23::interop

#endif
