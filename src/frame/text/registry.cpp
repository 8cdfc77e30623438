#include "frame/text/registry.h"

#include "frame/text/convert.h"

namespace zel23::detail {

const BusNames& noBusNames() {
  static const BusNames none;
  return none;
}

int lookupBus(const BusNames& names, std::string_view token) {
  const std::size_t first = token.find('\'');
  if (first == std::string_view::npos) return toInt(token);
  if (names.empty()) return -1;
  const std::size_t last = token.rfind('\'');
  const auto found = names.find(std::string(token.substr(first, last + 1 - first)));
  return found == names.end() ? -1 : found->second;
}

} // namespace zel23::detail
