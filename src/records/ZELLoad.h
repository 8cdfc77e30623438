#ifndef ZEL23_RECORDS_LOAD_H
#define ZEL23_RECORDS_LOAD_H

#include "frame/text/fatal.h"
#include "frame/text/registry.h"
#include "zel23_records.h"

#include <string_view>

namespace zel23::detail {

// Fills every field of `record` from its line, or gives the failure of a
// malformed input; bus names resolve through `names`. Shared by the line constructor, the
// case reader and the recoverable interface.
ParseResult parseRecord(ZELLoad& record, std::string_view line, const BusNames& names);

} // namespace zel23::detail

#endif
