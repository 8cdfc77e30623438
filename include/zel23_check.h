#ifndef ZEL23_CHECK_H
#define ZEL23_CHECK_H

// Power-flow readiness of a case: will it solve, and if not, which line is to
// blame. check() looks over a case read with zel23::read and reports every
// finding at the line of the record it is about, with a stable code, plus a
// summary of the network's islands so a user sees whether the case can
// balance. Nothing here changes the case or ends the process.
//
// Severities are those of compilers: an error is a line that could not be
// read, a warning what keeps the case from solving as written, a note what
// a solver handles by itself but a user may want to know (a PV bus whose
// units are all offline is solved as a load bus).

#include "zel23_case.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zel23 {

enum class Severity { warning, error, note };

/// One finding. Plain data, so a list of them turns into columns directly.
struct Finding {
  std::size_t line = 0; ///< line of the record it is about; 0 when unknown
  Severity severity = Severity::warning;
  const char* code = ""; ///< stable, one per kind (see checkCodes); static text
  std::string message;   ///< for people; may quote names taken from the input
};

/// A kind of finding: its code, its severity and what it means, one line.
struct CheckCode {
  const char* code;
  Severity severity;
  const char* description;
};

/// Every code check() can give, errors first, then warnings, then notes.
ZEL23_API const std::vector<CheckCode>& checkCodes();

/// A set of buses joined by in-service branches (ST not 0, transformers
/// included) and in-service DC lines (MDC not 0). Buses of type 4 (isolated)
/// belong to no island and join nothing. A generator is in service when its
/// STAT is not 0.
struct Island {
  std::size_t buses = 0;
  int firstBus = 0;            ///< its bus that comes first in the bus section
  std::vector<int> swingBuses; ///< its buses of type 3, in file order
  double loadMW = 0.0;         ///< sum of PL of its buses
  double loadMVAr = 0.0;       ///< sum of QL of its buses
  double generationMW = 0.0;   ///< sum of PG of its in-service generators
  double generationMVAr = 0.0; ///< sum of QG of its in-service generators
};

struct CheckSummary {
  std::size_t buses = 0;         ///< distinct bus numbers in the bus section
  std::size_t isolatedBuses = 0; ///< of them, buses of type 4
  std::size_t swingBuses = 0;    ///< of them, buses of type 3
  std::vector<Island> islands;   ///< largest first; equal sizes in file order
};

struct CheckResult {
  /// The read's problems as errors and every check's findings, in line
  /// order (at one line: errors first, then the rest in the order checked).
  std::vector<Finding> findings;
  CheckSummary summary;
};

/// Checks a case against its read report: the report's problems become
/// errors, and the records that were read are checked for consistency
/// (unknown buses, duplicates, terminators), topology (islands, swing buses,
/// isolated buses), bus types against generators and values out of any
/// sensible range. Line numbers come from report.recordLines; a record
/// without one (a case built in code) gets line 0. Runs in time linear in the
/// number of records.
ZEL23_API CheckResult check(const Case& c, const ReadReport& report);

/// check(c, report), and the text of every record besides: `text` is the
/// raw case text `c` was read from (as readBuffer was given it, or the
/// file's bytes), unchanged since. Each record's line is found in it by
/// report.recordLines and cut into fields as the record's parser cuts it;
/// a numeric field whose text is not wholly a number (the reader takes its
/// leading number, or 0, and drops the rest without a word) is a
/// `malformed-number` warning at that line. An empty field is not: the
/// format reads it as 0 on purpose, and the printed form leaves RATEC
/// empty. Not for a case read from MATPOWER text, whose lines are others.
ZEL23_API CheckResult check(const Case& c, const ReadReport& report,
                            std::string_view text);

} // namespace zel23

#endif
