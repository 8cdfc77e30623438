#ifndef ZEL23_PROBLEM_H
#define ZEL23_PROBLEM_H

// The kinds of problem a reader reports, apart from the readers themselves,
// so that the record parsers can name them without the case interface.

#include "zel23_export.h"

namespace zel23 {

/// What kind of problem a Problem is: stable where the message may be
/// reworded. `zel23 check` names each by its code.
enum class ProblemCode : int {
  MalformedRecord,        ///< a record whose fields cannot be read
  InvalidBusNumber,       ///< a bus field below its minimum, or an unknown bus name
  RecordAfterLastSection, ///< a record line past the seventh terminator
  DcLineIncomplete,       ///< a DC record without its second or third line
  NoSystemBase,           ///< header line 1 with fewer than two tokens
  StreamError,            ///< the input stream, or the one tied to it, failed
  FileError,              ///< the file could not be opened or read, or shrank
  Matpower,               ///< a problem of the MATPOWER reader
};

/// The code's stable name: "malformed-record", "invalid-bus-number",
/// "record-after-last-section", "dc-line-incomplete" and "no-system-base"
/// (as `zel23 check` names them), "stream-error", "file-error", "matpower".
ZEL23_API const char* problemCodeName(ProblemCode code);

} // namespace zel23

#endif
