#ifndef ZEL23_FLOW_NEWTON_H
#define ZEL23_FLOW_NEWTON_H

// Newton-Raphson in polar form for one island: unknowns are the angle of
// every bus but the swing buses, the magnitude of every bus whose voltage is
// not held, and the reactive power of each group of remote controllers (in
// the place of its target's magnitude); equations are the real power of
// every bus but the swing buses and the reactive power of every bus whose
// reactive power is not free. Each bus brings as many of one as of the
// other, so the Jacobian is built bus by bus in 1x1 or 2x2 blocks.

#include "controls.h"
#include "network.h"

#include <chrono>
#include <string>
#include <vector>

namespace zel23::detail::flow {

/// Adds the time from its construction to its end to a counter (seconds).
class Stopwatch {
public:
  explicit Stopwatch(double& into)
      : into_(into), start_(std::chrono::steady_clock::now()) {}
  ~Stopwatch() {
    into_ +=
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  }
  Stopwatch(const Stopwatch&) = delete;
  Stopwatch& operator=(const Stopwatch&) = delete;

private:
  double& into_;
  std::chrono::steady_clock::time_point start_;
};

/// The solution being refined, for the whole case.
struct State {
  std::vector<double> vm, va; ///< per bus, p.u. and radians
  std::vector<double> groupQ; ///< per group of Controls, p.u.
  /// Per bus: the fixed part of the injection (p.u.); a controller adds its
  /// share of its group's reactive power.
  std::vector<double> pSpec, qSpec;
  /// Per bus: the mismatch at the last state the island reached (p.u.).
  std::vector<double> mismatchP, mismatchQ;
  SolveTiming timing;
};

struct NewtonOutcome {
  bool converged = false;
  int iterations = 0;
  std::vector<double> norms; ///< largest mismatch before each iteration and at the end
  std::string failure;
};

/// Solves one island from the state it holds and leaves the result there;
/// `scratch` is a per-bus array of -1, returned so.
NewtonOutcome solveIsland(const Network& n, const Island& island, const Controls& k,
                          const SolveOptions& options, State& s,
                          std::vector<int>& scratch);

} // namespace zel23::detail::flow

#endif
