#ifndef ZEL23_FLOW_NAMES_H
#define ZEL23_FLOW_NAMES_H

// Records named in messages the way zel23 check names them.

#include "zel23.h"

#include <charconv>
#include <string>

namespace zel23::detail::flow {

/// The shortest text that reads back to the same double ("nan", "inf").
inline std::string numberText(double v) {
  char text[32];
  return std::string(text, std::to_chars(text, text + sizeof text, v).ptr);
}

inline std::string busName(int number) { return "bus " + std::to_string(number); }

inline std::string generatorName(const ZELGenerator& g) {
  return "generator " + g.ID() + " at " + busName(g.I());
}

inline std::string branchName(const ZELBranch& b) {
  return "branch " + std::to_string(b.I()) + '-' + std::to_string(b.J()) + " circuit " +
         b.CKT();
}

} // namespace zel23::detail::flow

#endif
