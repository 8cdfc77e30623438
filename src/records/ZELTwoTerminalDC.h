#ifndef ZEL23_RECORDS_TWO_TERMINAL_DC_H
#define ZEL23_RECORDS_TWO_TERMINAL_DC_H

#include "zel23.h"

#include <string_view>

namespace zel23::detail {

// Fills every field of `record` from its lines; a malformed input goes to
// the fatal reporter. Shared by the line constructor, the case reader and
// the recoverable interface.
void parseRecord(ZELTwoTerminalDC& record, std::string_view line1, std::string_view line2,
                 std::string_view line3);

} // namespace zel23::detail

#endif
