#ifndef ZEL23_RECORDS_LOAD_H
#define ZEL23_RECORDS_LOAD_H

#include "zel23.h"

#include <string_view>

namespace zel23::detail {

// Fills every field of `record` from its line; a malformed input goes to
// the fatal reporter. Shared by the line constructor, the case reader and
// the recoverable interface.
void parseRecord(ZELLoad& record, std::string_view line);

} // namespace zel23::detail

#endif
