#ifndef ZEL23_FRAME_REGISTRY_H
#define ZEL23_FRAME_REGISTRY_H

#include <string_view>

namespace zel23::detail {

// Resolves a bus field: a token without an apostrophe is its atoi value; one
// with an apostrophe is looked up, from its first through its last
// apostrophe, in BName2BNum, giving -1 when the name is not there.
int lookupBus(std::string_view token);

// While alive on the calling thread, lookupBus answers as if BName2BNum were
// empty. The recoverable case reader uses it to resolve names exactly as
// ZELParse does (ZELParse clears the maps) without touching the caller's maps.
class EmptyRegistryScope {
public:
  EmptyRegistryScope();
  ~EmptyRegistryScope();
  EmptyRegistryScope(const EmptyRegistryScope&) = delete;
  EmptyRegistryScope& operator=(const EmptyRegistryScope&) = delete;

private:
  bool previous_;
};

} // namespace zel23::detail

#endif
