#ifndef ZEL23_RECORDS_TRANSFORMER_ADJUSTMENT_H
#define ZEL23_RECORDS_TRANSFORMER_ADJUSTMENT_H

#include "frame/text/fatal.h"
#include "frame/text/registry.h"
#include "zel23_records.h"

#include <string_view>

namespace zel23::detail {

// Fills every field of `record` from its line, or gives the failure of a
// malformed input; bus names resolve through `names`. Shared by the line constructor, the
// case reader and the recoverable interface.
ParseResult parseRecord(ZELTransformerAdjustment& record, std::string_view line,
                        const BusNames& names);

template <class Printer> void printFields(Printer& p, const ZELTransformerAdjustment& r) {
  p.field(r.I(), 6).field(r.J(), 6).field(r.CKT(), 4).field(r.ICONT(), 6);
  p.field(r.RMA(), 7).field(r.RMI(), 7).field(r.VMA(), 7).field(r.VMI(), 7);
  p.field(r.STEP(), 10).field(r.TABLE(), 4);
}

} // namespace zel23::detail

#endif
