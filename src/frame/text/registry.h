#ifndef ZEL23_FRAME_REGISTRY_H
#define ZEL23_FRAME_REGISTRY_H

#include <map>
#include <string>
#include <string_view>

namespace zel23::detail {

// The bus names a parse resolves against: BName2BNum for the line
// constructors and zel23::parse, noBusNames() where a whole case is read
// (ZELParse clears the maps first; the recoverable readers leave them alone).
using BusNames = std::map<std::string, int>;
const BusNames& noBusNames();

// Resolves a bus field: a token without an apostrophe is its atoi value; one
// with an apostrophe is looked up, from its first through its last
// apostrophe, in `names`, giving -1 when the name is not there.
int lookupBus(const BusNames& names, std::string_view token);

} // namespace zel23::detail

#endif
