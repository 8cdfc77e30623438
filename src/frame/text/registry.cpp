#include "frame/text/registry.h"

#include "frame/text/convert.h"
#include "zel23.h"

#include <string>

std::map<std::string, int> BName2BNum;
std::map<int, std::string> BNum2BName;

namespace zel23::detail {
namespace {
thread_local bool t_emptyRegistry = false;
} // namespace

int lookupBus(std::string_view token) {
  const std::size_t first = token.find('\'');
  if (first == std::string_view::npos) return toInt(token);
  if (t_emptyRegistry || BName2BNum.empty()) return -1;
  const std::size_t last = token.rfind('\'');
  const auto found = BName2BNum.find(std::string(token.substr(first, last + 1 - first)));
  return found == BName2BNum.end() ? -1 : found->second;
}

EmptyRegistryScope::EmptyRegistryScope() : previous_(t_emptyRegistry) {
  t_emptyRegistry = true;
}
EmptyRegistryScope::~EmptyRegistryScope() { t_emptyRegistry = previous_; }

} // namespace zel23::detail
