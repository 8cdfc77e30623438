#ifndef ZEL23_FRAME_CONVERT_H
#define ZEL23_FRAME_CONVERT_H

#include <string_view>

namespace zel23::detail {

// What atoi and atof give for the text in the "C" locale, whatever the
// process locale: leading white space skipped, optional sign, the longest
// numeric prefix taken (atof: decimal with exponent, hexadecimal, inf, nan),
// 0 when there is none. The text ends at the view's end or at a NUL byte.
int toInt(std::string_view text);
double toDouble(std::string_view text);

} // namespace zel23::detail

#endif
