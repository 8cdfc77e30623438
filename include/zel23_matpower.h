#ifndef ZEL23_MATPOWER_H
#define ZEL23_MATPOWER_H

// MATPOWER case files (format version 2) in and out of a zel23::Case.
//
// A MATPOWER case is a MATLAB function file: `function mpc = NAME`, then
// `mpc.baseMVA`, the matrices `mpc.bus`, `mpc.gen` and `mpc.branch`, and
// optionally `mpc.areas` and the cell array `mpc.bus_name`. Buses,
// generators, branches and area interchanges map to their raw records; what
// has no counterpart on the other side is not invented and not dropped
// silently: both directions return one note per kind of data they could not
// carry. README.md holds the whole mapping table.

#include "zel23_case.h"

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace zel23 {

/// What reading a MATPOWER case met besides the records. Problems carry the
/// 1-based line of the case file; `section` is the raw section the row would
/// have filled (0 bus, 1 generator, 2 branch, 4 area interchange), kHeader
/// for `mpc.baseMVA` and kNoSection for everything else. `recordLines`
/// holds the line of every record appended, per raw section.
struct MatpowerReport : ReadReport {
  /// The NAME of `function mpc = NAME`, empty without a function line.
  std::string functionName;
  /// One line per kind of data that was skipped, in the order met, e.g.
  /// "mpc.gencost (line 40): 3 rows of generator cost data not carried".
  std::vector<std::string> notCarried;
};

/// Reads a MATPOWER case, appending its buses, generators, branches and
/// areas to `into`, and to `into.comments` three header lines (line 1 holds
/// the base, lines 2 and 3 are the first two comment lines after the
/// function line) and seven terminator lines "0"; sets `into.systemBase` to
/// `mpc.baseMVA`. Generator IDs and branch circuits are numbered per bus
/// and per pair of buses, names padded to eight characters and quoted. Rows that cannot
/// be read (wrong number of columns, an element that is not a number, a bus number no bus
/// row has, ...) are reported and skipped, as zel23::read skips records; a
/// file without `mpc.bus`, `mpc.gen`, `mpc.branch` or `mpc.baseMVA` is a
/// problem too. Numbers take every MATLAB real form: `1`, `-.5`, `1e-3`,
/// `1d3`, `Inf`, `-Inf`, `NaN`.
ZEL23_API MatpowerReport readMatpower(std::string_view text, Case& into,
                                      const ReadOptions& options = ReadOptions());
/// The same, reading the whole stream first.
ZEL23_API MatpowerReport readMatpower(std::istream& in, Case& into,
                                      const ReadOptions& options = ReadOptions());
/// readMatpower of text in memory under the name the raw reader's is known
/// by (zel23::readBuffer).
inline MatpowerReport readMatpowerBuffer(std::string_view text, Case& into,
                                         const ReadOptions& options = ReadOptions()) {
  return readMatpower(text, into, options);
}

struct MatpowerWriteOptions {
  /// The function name written on the first line; MATLAB and Octave expect
  /// it to match the file name. Must pass isMatlabFunctionName.
  std::string functionName = "zel23case";
};

/// True when `name` can follow `function mpc =`: a letter, then letters,
/// digits and '_', at most 63 characters, and not a MATLAB or Octave keyword.
ZEL23_API bool isMatlabFunctionName(std::string_view name);

/// Writes the case as a MATPOWER version 2 case file that MATPOWER, MATLAB
/// and Octave load as it is. Every number is written in the shortest form
/// that reads back to the same double. Nothing taken from the case can make
/// the file do more than assign `mpc`: header lines (in `%` comments) and bus
/// names (in strings) keep UTF-8 text and the tab, and lose control
/// characters (below U+0020, DEL, U+0080 to U+009F, U+2028, U+2029) and bytes
/// that are not UTF-8; a header line starting with `{` or `}` is written after
/// a blank. Returns one note per kind of data that was not written or was
/// changed on the way (for example a switched shunt's initial susceptance
/// added to its bus's BS, or bytes dropped from a name). Throws
/// std::invalid_argument when the function name fails isMatlabFunctionName.
ZEL23_API std::vector<std::string>
writeMatpower(std::ostream& out, const Case& c,
              const MatpowerWriteOptions& options = MatpowerWriteOptions());

/// True when the text is a MATPOWER case rather than a raw case: its first
/// line that is neither blank nor a `%` comment starts with `function`.
ZEL23_API bool looksLikeMatpower(std::string_view text);

} // namespace zel23

#endif
