#include "records/ZELTransformerAdjustment.h"

#include "frame/text/convert.h"
#include "frame/text/print.h"
#include "frame/text/registry.h"
#include "frame/text/tokens.h"
#include "records/accessors.h"

namespace {
constexpr std::string_view kSource = "..\\ZELTransformerAdjustment";
}

ZEL23_VALUE_MEMBERS(ZELTransformerAdjustment)
ZEL23_LINE_CONSTRUCTOR(ZELTransformerAdjustment)

ZEL23_ACCESSOR(ZELTransformerAdjustment, int, I)
ZEL23_ACCESSOR(ZELTransformerAdjustment, int, J)
ZEL23_ACCESSOR(ZELTransformerAdjustment, std::string, CKT)
ZEL23_ACCESSOR(ZELTransformerAdjustment, int, ICONT)
ZEL23_ACCESSOR(ZELTransformerAdjustment, double, RMA)
ZEL23_ACCESSOR(ZELTransformerAdjustment, double, RMI)
ZEL23_ACCESSOR(ZELTransformerAdjustment, double, VMA)
ZEL23_ACCESSOR(ZELTransformerAdjustment, double, VMI)
ZEL23_ACCESSOR(ZELTransformerAdjustment, double, STEP)
ZEL23_ACCESSOR(ZELTransformerAdjustment, int, TABLE)

// I, J and ICONT resolve through `names`; none of them may be negative.
auto zel23::detail::parseRecord(ZELTransformerAdjustment& r, std::string_view line,
                                const BusNames& names) -> ParseResult {
  TokenReader in(line, kSource, "Error parsing transformer adjustment data: ");
  r.I() = lookupBus(names,
                    in.nextOrFail("Error parsing transformer adjustment data data: I"));
  if (r.I() < 0) in.failBus(invalidBusNumber(r.I()));
  r.J() = lookupBus(names, in.next("J"));
  if (r.J() < 0) in.failBus(invalidBusNumber(r.J()));
  r.CKT() = quotedIdentifier(in.next("CKT"));
  r.ICONT() = lookupBus(names, in.next("ICONT"));
  if (r.ICONT() < 0) in.failBus(invalidBusNumber(r.ICONT()));
  r.RMA() = toDouble(in.next("RMA"));
  r.RMI() = toDouble(in.next("RMI"));
  r.VMA() = toDouble(in.next("VMA"));
  r.VMI() = toDouble(in.next("VMI"));
  r.STEP() = toDouble(in.next("STEP"));
  r.TABLE() = toInt(in.next("TABLE"));
  return in.take();
}

std::ostream& operator<<(std::ostream& os, const ZELTransformerAdjustment& r) {
  zel23::detail::LinePrinter p(os);
  zel23::detail::printFields(p, r);
  p.finish();
  return os;
}
