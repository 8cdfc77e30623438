#ifndef ZEL23_INTEROP_MATLAB_H
#define ZEL23_INTEROP_MATLAB_H

// The part of MATLAB that case files use: a function line, comments (`%`,
// `%{ ... %}` blocks), `...` continuations, assignments of numbers, strings,
// numeric matrices and cell arrays to the fields of one struct, and the few
// statements MATPOWER's own case files add after their matrices:
//
// - constant expressions wherever a number may stand (`+ - * / ^`, unary
//   signs, parentheses, `sqrt`, `pi`, `Inf`, `NaN`, comparisons, `~ && ||`);
// - scalar variables set from such expressions and from elements of the case
//   (`Vbase = mpc.bus(1, BASE_KV) * 1e3;`);
// - `[NAME, ...] = idx_bus;` (and idx_gen, idx_brch, idx_cost);
// - element-wise updates of blocks of a field, `mpc.F(:, C) = EXPR` and
//   `mpc.F(i, c) = EXPR`;
// - `if ... elseif ... else ... end` on a scalar condition, the branches not
//   taken skipped unread.
//
// Everything is evaluated in IEEE double arithmetic, operator by operator, as
// MATLAB does. Anything beyond (another function, a loop, a range, a logical
// index) is not evaluated and is reported with the construct it met.

#include <cstddef>
#include <functional>
#include <map>
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

/// The value of a field.
struct Value {
  enum Kind { kNone, kNumber, kText, kMatrix, kCell };
  Kind kind = kNone;
  std::size_t line = 0;
  double number = 0.0;
  std::string text;
  std::vector<double> numbers;    ///< matrix elements, row after row
  std::vector<std::string> texts; ///< cell elements, row after row
  std::vector<Row> rows;          ///< rows of a matrix or cell array
  /// Rows of a matrix handed to ScanSink::row as they were read: neither
  /// they nor their elements are kept (`rows` and `numbers` stay empty).
  std::size_t rowsHandedOver = 0;
};

/// Converts one MATLAB real number literal (`-1.5e3`, `.5`, `1d-3`, `Inf`,
/// `NaN`, with an optional sign); false when the whole token is not one.
bool parseNumber(std::string_view token, double& value);

/// What the scanner hands back, statement by statement.
struct ScanSink {
  /// Whether faults in the value of mpc.FIELD are reported; asked before
  /// the value is read.
  std::function<bool(const std::string& field)> wantsProblems;
  /// `mpc.FIELD = value`; the value is in FunctionFile::fields.
  std::function<void(const std::string& field, const Value& value)> assigned;
  /// A statement that was not evaluated. `field` is the mpc field it would
  /// change ("mpc" for the whole struct, empty when none); `why` names what
  /// stopped it.
  std::function<void(std::size_t line, const std::string& field, const std::string& why)>
      skipped;
  std::function<void(std::size_t line, std::string message)> problem;

  // Optional: matrices handed over row by row, for a reader that builds its
  // records while the text is read instead of after.

  /// Whether the rows of the matrix being assigned to mpc.FIELD go to `row`
  /// instead of into the value. `lines` counts the line ends up to the next
  /// closing bracket, about one more than the rows: a hint for reserving.
  std::function<bool(const std::string& field, std::size_t lines)> handsOver;
  /// One row of that matrix, its `width` elements at `numbers`; a bad row
  /// comes too, so that positions count.
  std::function<void(const Row& row, const double* numbers)> row;
  /// A statement needed the elements of a matrix that were handed over.
  std::function<void()> rowsNeeded;
};

/// What a walk over a whole function file gives.
struct FunctionFile {
  std::string name;                    ///< of `function mpc = NAME`, "" when none
  std::size_t functionLine = 0;        ///< 0 when there is no function line
  std::vector<std::size_t> lineStarts; ///< offset of every line
  std::map<std::string, Value> fields; ///< mpc's fields as the file leaves them

  /// Line `n` (1-based) of `text` without its line end.
  std::string_view line(std::string_view text, std::size_t n) const;
};

/// Walks a whole function file. Lines end at LF, CR LF or a lone CR.
void scanFunctionFile(std::string_view text, const ScanSink& sink, FunctionFile& into);

} // namespace zel23::interop

#endif
