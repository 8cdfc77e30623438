#ifndef ZEL23_INTEROP_MATPOWER_COLUMNS_H
#define ZEL23_INTEROP_MATPOWER_COLUMNS_H

// The MATPOWER columns zel23 maps, under MATPOWER's own names, and the
// values the writer puts where a raw case has nothing to say.

#include <cstddef>
#include <string>

namespace zel23::interop {

struct Column {
  std::size_t index; ///< 0-based
  const char* name;
};

namespace bus {
inline constexpr Column kBusI{0, "BUS_I"}, kType{1, "BUS_TYPE"}, kPd{2, "PD"},
    kQd{3, "QD"}, kGs{4, "GS"}, kBs{5, "BS"}, kArea{6, "BUS_AREA"}, kVm{7, "VM"},
    kVa{8, "VA"}, kBaseKv{9, "BASE_KV"}, kZone{10, "ZONE"}, kVmax{11, "VMAX"},
    kVmin{12, "VMIN"};
inline constexpr std::size_t kColumns = 13;
/// The raw bus has no voltage limits: MATPOWER's usual ones are written.
inline constexpr double kVmaxWritten = 1.1, kVminWritten = 0.9;
} // namespace bus

namespace gen {
inline constexpr Column kBus{0, "GEN_BUS"}, kPg{1, "PG"}, kQg{2, "QG"}, kQmax{3, "QMAX"},
    kQmin{4, "QMIN"}, kVg{5, "VG"}, kMbase{6, "MBASE"}, kStatus{7, "GEN_STATUS"},
    kPmax{8, "PMAX"}, kPmin{9, "PMIN"};
inline constexpr std::size_t kColumns = 10;
/// Columns written: the 21 of a MATPOWER generator, 11 to 21 as zeros.
inline constexpr std::size_t kColumnsWritten = 21;
} // namespace gen

namespace branch {
inline constexpr Column kFrom{0, "F_BUS"}, kTo{1, "T_BUS"}, kR{2, "BR_R"}, kX{3, "BR_X"},
    kB{4, "BR_B"}, kRateA{5, "RATE_A"}, kRateB{6, "RATE_B"}, kRateC{7, "RATE_C"},
    kTap{8, "TAP"}, kShift{9, "SHIFT"}, kStatus{10, "BR_STATUS"}, kAngmin{11, "ANGMIN"},
    kAngmax{12, "ANGMAX"};
inline constexpr std::size_t kColumns = 13;
/// MATPOWER's "no angle limit".
inline constexpr double kAngminWritten = -360.0, kAngmaxWritten = 360.0;
} // namespace branch

namespace areas {
inline constexpr Column kArea{0, "AREA_I"}, kPriceRefBus{1, "PRICE_REF_BUS"};
inline constexpr std::size_t kColumns = 2;
} // namespace areas

/// Generator IDs and circuit identifiers numbered as the raw reader quotes a
/// bare token: 1 is '1 ', 12 is '12'.
inline std::string numberedId(int n) {
  std::string digits = std::to_string(n);
  return "'" + digits + (digits.size() == 1 ? " '" : "'");
}

} // namespace zel23::interop

#endif
