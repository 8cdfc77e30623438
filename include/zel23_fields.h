#ifndef ZEL23_FIELDS_H
#define ZEL23_FIELDS_H

// Field-by-field access to every record class, for code that treats records
// generically: comparing, exporting, listing differences.

#include "zel23_records.h"

#include <string>
#include <type_traits>
#include <variant>
#include <vector>

namespace zel23 {

namespace detail {
/// void when Rec is Want or const Want: picks forEachField's overload.
template <class Rec, class Want>
using EnableFor = std::enable_if_t<std::is_same_v<std::remove_const_t<Rec>, Want>>;
} // namespace detail

/// Calls visit(name, field) for every field of the record in field order,
/// with a reference to the field (const when the record is). The switched
/// shunt's blocks follow its scalar fields as N1, B1, ... N8, B8, all eight
/// slots whatever noBlocks says.

template <class Rec, class Visit>
detail::EnableFor<Rec, ZELBus> forEachField(Rec& r, Visit&& visit) {
  visit("I", r.I());
  visit("IDE", r.IDE());
  visit("PL", r.PL());
  visit("QL", r.QL());
  visit("GL", r.GL());
  visit("BL", r.BL());
  visit("AREA", r.AREA());
  visit("VM", r.VM());
  visit("VA", r.VA());
  visit("NAME", r.NAME());
  visit("BASKV", r.BASKV());
  visit("ZONE", r.ZONE());
}

template <class Rec, class Visit>
detail::EnableFor<Rec, ZELGenerator> forEachField(Rec& r, Visit&& visit) {
  visit("I", r.I());
  visit("ID", r.ID());
  visit("PG", r.PG());
  visit("QG", r.QG());
  visit("QT", r.QT());
  visit("QB", r.QB());
  visit("VS", r.VS());
  visit("IREG", r.IREG());
  visit("MBASE", r.MBASE());
  visit("ZR", r.ZR());
  visit("ZX", r.ZX());
  visit("RT", r.RT());
  visit("XT", r.XT());
  visit("GTAP", r.GTAP());
  visit("STAT", r.STAT());
  visit("RMPCT", r.RMPCT());
  visit("PT", r.PT());
  visit("PB", r.PB());
}

template <class Rec, class Visit>
detail::EnableFor<Rec, ZELLoad> forEachField(Rec& r, Visit&& visit) {
  visit("I", r.I());
  visit("ID", r.ID());
  visit("STATUS", r.STATUS());
  visit("AREA", r.AREA());
  visit("ZONE", r.ZONE());
  visit("PL", r.PL());
  visit("QL", r.QL());
  visit("IP", r.IP());
  visit("IQ", r.IQ());
  visit("YP", r.YP());
  visit("YQ", r.YQ());
}

template <class Rec, class Visit>
detail::EnableFor<Rec, ZELBranch> forEachField(Rec& r, Visit&& visit) {
  visit("I", r.I());
  visit("J", r.J());
  visit("CKT", r.CKT());
  visit("R", r.R());
  visit("X", r.X());
  visit("B", r.B());
  visit("RATEA", r.RATEA());
  visit("RATEB", r.RATEB());
  visit("RATEC", r.RATEC());
  visit("RATIO", r.RATIO());
  visit("ANGLE", r.ANGLE());
  visit("GI", r.GI());
  visit("BI", r.BI());
  visit("GJ", r.GJ());
  visit("BJ", r.BJ());
  visit("ST", r.ST());
}

template <class Rec, class Visit>
detail::EnableFor<Rec, ZELTransformerAdjustment> forEachField(Rec& r, Visit&& visit) {
  visit("I", r.I());
  visit("J", r.J());
  visit("CKT", r.CKT());
  visit("ICONT", r.ICONT());
  visit("RMA", r.RMA());
  visit("RMI", r.RMI());
  visit("VMA", r.VMA());
  visit("VMI", r.VMI());
  visit("STEP", r.STEP());
  visit("TABLE", r.TABLE());
}

template <class Rec, class Visit>
detail::EnableFor<Rec, ZELAreaInterchange> forEachField(Rec& r, Visit&& visit) {
  visit("I", r.I());
  visit("ISW", r.ISW());
  visit("PDES", r.PDES());
  visit("PTOL", r.PTOL());
  visit("ARNAME", r.ARNAME());
}

template <class Rec, class Visit>
detail::EnableFor<Rec, ZELSwitchedShunt> forEachField(Rec& r, Visit&& visit) {
  visit("I", r.I());
  visit("MODSW", r.MODSW());
  visit("VSWHI", r.VSWHI());
  visit("VSWLO", r.VSWLO());
  visit("SWREM", r.SWREM());
  visit("VDES", r.VDES());
  visit("BINIT", r.BINIT());
  visit("noBlocks", r.noBlocks());
  static const char* const kNames[8][2] = {{"N1", "B1"}, {"N2", "B2"}, {"N3", "B3"},
                                           {"N4", "B4"}, {"N5", "B5"}, {"N6", "B6"},
                                           {"N7", "B7"}, {"N8", "B8"}};
  for (int k = 0; k < 8; ++k) {
    visit(kNames[k][0], r.N(k));
    visit(kNames[k][1], r.B(k));
  }
}

template <class Rec, class Visit>
detail::EnableFor<Rec, ZELTwoTerminalDC> forEachField(Rec& r, Visit&& visit) {
  visit("I", r.I());
  visit("MDC", r.MDC());
  visit("RDC", r.RDC());
  visit("SETVL", r.SETVL());
  visit("VSCHD", r.VSCHD());
  visit("VCMOD", r.VCMOD());
  visit("RCOMP", r.RCOMP());
  visit("DELTI", r.DELTI());
  visit("METER", r.METER());
  visit("IPR", r.IPR());
  visit("NBR", r.NBR());
  visit("ALFMX", r.ALFMX());
  visit("ALFMN", r.ALFMN());
  visit("RCR", r.RCR());
  visit("XCR", r.XCR());
  visit("EBASR", r.EBASR());
  visit("TRR", r.TRR());
  visit("TAPR", r.TAPR());
  visit("TPMXR", r.TPMXR());
  visit("TPMNR", r.TPMNR());
  visit("TSTPR", r.TSTPR());
  visit("IPI", r.IPI());
  visit("NBI", r.NBI());
  visit("GAMMX", r.GAMMX());
  visit("GAMMN", r.GAMMN());
  visit("RCI", r.RCI());
  visit("XCI", r.XCI());
  visit("EBASI", r.EBASI());
  visit("TRI", r.TRI());
  visit("TAPI", r.TAPI());
  visit("TPMXI", r.TPMXI());
  visit("TPMNI", r.TPMNI());
  visit("TSTPI", r.TSTPI());
}

/// A record's field values in field order, for generic comparison.
using FieldValue = std::variant<int, double, std::string>;
template <class Rec> std::vector<FieldValue> fieldValues(const Rec& r) {
  std::vector<FieldValue> values;
  forEachField(r, [&](const char*, const auto& value) { values.emplace_back(value); });
  return values;
}

/// True when every field of both records holds the same value (doubles
/// compared with ==, so a NaN never equals itself).
template <class Rec> bool sameFields(const Rec& a, const Rec& b) {
  return fieldValues(a) == fieldValues(b);
}

} // namespace zel23

#endif
