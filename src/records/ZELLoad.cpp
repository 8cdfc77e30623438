#include "records/ZELLoad.h"

#include "frame/text/convert.h"
#include "frame/text/print.h"
#include "frame/text/registry.h"
#include "frame/text/tokens.h"
#include "records/accessors.h"

namespace {
constexpr std::string_view kSource = "..\\ZELLoad";
}

ZEL23_VALUE_MEMBERS(ZELLoad)
ZEL23_LINE_CONSTRUCTOR(ZELLoad)

ZEL23_ACCESSOR(ZELLoad, int, I)
ZEL23_ACCESSOR(ZELLoad, std::string, ID)
ZEL23_ACCESSOR(ZELLoad, int, STATUS)
ZEL23_ACCESSOR(ZELLoad, int, AREA)
ZEL23_ACCESSOR(ZELLoad, int, ZONE)
ZEL23_ACCESSOR(ZELLoad, double, PL)
ZEL23_ACCESSOR(ZELLoad, double, QL)
ZEL23_ACCESSOR(ZELLoad, double, IP)
ZEL23_ACCESSOR(ZELLoad, double, IQ)
ZEL23_ACCESSOR(ZELLoad, double, YP)
ZEL23_ACCESSOR(ZELLoad, double, YQ)

auto zel23::detail::parseRecord(ZELLoad& r, std::string_view line, const BusNames& names)
    -> ParseResult {
  TokenReader in(line, kSource, "Error parsing load data: ");
  r.I() = lookupBus(names, in.next("I"));
  // Loads accept buses from 1 on, and their message has no colon.
  if (r.I() <= 0) in.failBus("Invalid bus number " + std::to_string(r.I()));
  r.ID() = quotedIdentifier(in.next("ID"));
  r.STATUS() = toInt(in.next("STATUS"));
  r.AREA() = toInt(in.next("AREA"));
  r.ZONE() = toInt(in.next("ZONE"));
  r.PL() = toDouble(in.next("PL"));
  r.QL() = toDouble(in.next("QL"));
  r.IP() = toDouble(in.next("IP"));
  r.IQ() = toDouble(in.next("IQ"));
  r.YP() = toDouble(in.next("YP"));
  r.YQ() = toDouble(in.next("YQ"));
  return in.take();
}

std::ostream& operator<<(std::ostream& os, const ZELLoad& r) {
  zel23::detail::LinePrinter p(os);
  p.field(r.I(), 10).field(r.ID(), 2).field(r.STATUS(), 1).field(r.AREA(), 4);
  p.field(r.ZONE(), 4).field(r.PL(), 10).field(r.QL(), 10).field(r.IP(), 10);
  p.field(r.IQ(), 10).field(r.YP(), 10).field(r.YQ(), 10);
  p.finish();
  return os;
}
