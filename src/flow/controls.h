#ifndef ZEL23_FLOW_CONTROLS_H
#define ZEL23_FLOW_CONTROLS_H

// Which bus holds which voltage, and whose reactive power is free: the bus
// types of the case, what the in-service generators allow of them, remote
// regulation (IREG) and the buses the reactive limits made load buses.

#include "network.h"

#include <vector>

namespace zel23::detail::flow {

enum class Kind : unsigned char {
  load,      ///< P and Q fixed, voltage free
  held,      ///< P fixed, holds its own voltage, Q free
  swing,     ///< holds voltage and angle, P and Q free
  controller ///< P fixed, voltage free, Q a share of its group's
};

/// Buses whose generators together hold the voltage of another bus: the
/// group's reactive power is one unknown, shared in fixed proportions.
struct Group {
  int target = -1;
  double vset = 0.0;
  std::vector<int> controllers; ///< bus record indexes, in file order
  std::vector<double> shares;   ///< summing to 1
};

struct Controls {
  std::vector<Kind> kind;    ///< per bus (load for buses not solved)
  std::vector<double> vset;  ///< per bus: magnitude held (held, swing, target)
  std::vector<int> targetOf; ///< per bus: the group holding it, or -1
  std::vector<int> groupOf;  ///< per bus: the group it controls, or -1
  std::vector<double> share; ///< per bus: its share of the group's power
  std::vector<Group> groups;
};

/// Weights as shares of one; equal shares unless every weight is a number
/// of 0 or more and some is above 0.
std::vector<double> proportional(std::vector<double> weights);

/// The controls of every bus in an island with a swing bus. `forcedLoad`
/// marks buses made load buses by reactive limits. With `count`, the buses
/// whose type the generators cannot support are counted there.
Controls assignControls(const Network& n, const std::vector<bool>& forcedLoad,
                        Neglected* count);

} // namespace zel23::detail::flow

#endif
