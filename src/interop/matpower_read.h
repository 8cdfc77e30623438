#ifndef ZEL23_INTEROP_MATPOWER_READ_H
#define ZEL23_INTEROP_MATPOWER_READ_H

// The two ways zel23::readMatpower builds records, for holding them side by
// side.

#include "zel23_matpower.h"

#include <string_view>

namespace zel23::interop {

/// kAsRead: from each row of a mapped matrix as it is read, no matrix held
/// whole; where the scan finds that rows cannot stand for their matrix (one
/// assigned twice, buses after the generators naming them, a matrix indexed
/// by a later statement, one never closed), the text is read again kWhole.
/// kWhole: each matrix held whole first. readMatpower takes kAsRead where
/// the text names each mapped matrix once and indexes none.
enum class Rows { kAsRead, kWhole };

/// readMatpower of a text without its byte order mark, built `rows`' way:
/// either way gives the same case and report.
MatpowerReport readMatpower(std::string_view text, Case& into, const ReadOptions& options,
                            Rows rows);

} // namespace zel23::interop

#endif
