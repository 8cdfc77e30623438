#ifndef ZEL23_FLOW_H
#define ZEL23_FLOW_H

// The AC power flow of a case, in a library of its own (libzel23-flow) so
// that the reading library keeps depending on the standard library alone.
//
// solve() takes a case as read and solves the bus voltages by Newton-Raphson
// in polar form, island by island, with a sparse LU made for circuit
// matrices. The model (the README's "zel23 solve" section says it all):
// per unit on the system base; loads of constant power; bus shunts, branch
// end shunts and switched shunts (at BINIT) as fixed admittances; branches
// as pi models with the transformer's complex ratio at the I end; DC lines as
// fixed real power; PV and swing buses at the VS of their first in-service
// generator, or of the generators that regulate them from another bus (IREG),
// which share the reactive power in proportion to RMPCT. Transformer
// adjustment and area interchange records are not applied, only counted.
//
// Nothing here ends the process or throws for bad data: a case that cannot
// be solved comes back with its problems, each at the record it is about.

#include "zel23_case.h"

#include <cstddef>
#include <string>
#include <vector>

#if defined(_WIN32)
#if defined(ZEL23_FLOW_BUILDING)
#define ZEL23_FLOW_API __declspec(dllexport)
#else
#define ZEL23_FLOW_API __declspec(dllimport)
#endif
#else
#define ZEL23_FLOW_API __attribute__((visibility("default")))
#endif

namespace zel23 {

struct SolveOptions {
  /// Start every bus at 1 p.u. and angle 0 (voltage-holding buses at their
  /// set point, swing buses at their own angle) instead of the case's VM, VA.
  bool flatStart = false;
  /// After convergence, hold every generator beyond QT or QB at that limit,
  /// make its bus a load bus and solve again, until none is beyond.
  bool enforceQLimits = false;
  /// Converged when no bus's real or reactive mismatch exceeds this (p.u.).
  double tolerance = 1e-8;
  /// Newton iterations at most, per island and per solve of it.
  int maxIterations = 10;
};

enum class SolveStatus {
  converged,    ///< every island with a swing bus converged
  notConverged, ///< some island with a swing bus did not
  badInput      ///< nothing was solved: see Solution::problems
};

/// A record the solve cannot take.
struct SolveProblem {
  /// The record's section as zel23::sectionName numbers them, or kHeader for
  /// the case as a whole (the system base, no swing bus at all).
  int section = kHeader;
  std::size_t record = 0; ///< index in the section's list
  std::string message;
};

/// One per bus record, in case order.
struct BusResult {
  int bus = 0;     ///< I
  int island = -1; ///< index into Solution::islands; -1 for an isolated bus (type 4)
  /// As solved: 1 load bus, 2 its generators hold a voltage (here or at the
  /// bus they regulate), 3 swing, 4 not solved (isolated, or in an island
  /// without a swing bus).
  int type = 4;
  bool solved = false; ///< in an island that converged
  /// p.u. and degrees: the solution; the last iterate in an island that did
  /// not converge; the case's VM and VA at a bus of type 4.
  double vm = 0.0;
  double va = 0.0;
  double p = 0.0;         ///< net real power into the network, MW
  double q = 0.0;         ///< net reactive power into the network, MVAr
  double mismatchP = 0.0; ///< at the final state, p.u.
  double mismatchQ = 0.0; ///< at the final state, p.u.
};

/// One per generator record.
struct GeneratorResult {
  int bus = 0;
  bool inService = false; ///< STAT not 0, at a bus of an island with a swing bus
  bool solved = false;    ///< in service, in an island that converged
  bool atLimit = false;   ///< held at QT or QB by enforceQLimits
  double pg = 0.0;        ///< MW: PG, or the swing bus's remainder; PG if not in service
  double qg = 0.0;        ///< MVAr; QG if not in service
};

/// One per branch record. Flows are into the branch at each end, end shunts
/// included; losses are their sum.
struct BranchResult {
  int from = 0;                    ///< I
  int to = 0;                      ///< J
  bool inService = false;          ///< ST not 0, in an island with a swing bus
  bool solved = false;             ///< in service, in an island that converged
  double pFrom = 0.0, qFrom = 0.0; ///< MW, MVAr at I
  double pTo = 0.0, qTo = 0.0;     ///< MW, MVAr at J
  double lossMW = 0.0, lossMVAr = 0.0;
};

/// A set of buses joined by in-service AC branches.
struct IslandResult {
  std::size_t buses = 0;
  int firstBus = 0;            ///< its bus that comes first in the bus section
  std::vector<int> swingBuses; ///< in file order; none: not solved
  bool solved = false;         ///< it has a swing bus
  bool converged = false;
  int iterations = 0;   ///< Newton iterations, over every solve of it
  int qLimitRounds = 0; ///< solves repeated because generators reached limits
  /// The largest mismatch (p.u.) before each iteration and at the end.
  std::vector<double> mismatchNorms;
  double largestMismatch = 0.0;       ///< p.u., at the final state
  std::size_t largestMismatchBus = 0; ///< bus record index
  std::string failure;                ///< why it did not converge; empty when it did
};

/// What the model leaves out, counted.
struct Neglected {
  std::size_t transformerAdjustments = 0; ///< records; no automatic taps
  std::size_t areaInterchanges = 0;       ///< records; no interchange control
  std::size_t dcLines = 0;            ///< in service: losses, converter MVAr not modelled
  std::size_t switchedShunts = 0;     ///< held at BINIT, no switching
  std::size_t pvWithoutGenerator = 0; ///< PV buses solved as load buses
  std::size_t swingWithoutGenerator = 0; ///< swing buses holding their own VM
  std::size_t remoteMadeLocal = 0;       ///< buses whose IREG target cannot be held
  std::size_t isolatedBuses = 0;         ///< type 4, left out
  std::size_t leftOutRecords = 0;        ///< in-service records at isolated buses
  std::size_t unsolvedIslands = 0;       ///< islands without a swing bus
  std::size_t qLimitedBuses = 0;         ///< voltage-holding buses made load buses
};

/// Where a solve spent its time, in seconds (steady clock).
struct SolveTiming {
  double total = 0.0;
  double network = 0.0;  ///< checks, admittance matrix, islands, controls
  double mismatch = 0.0; ///< power injections and mismatches, every iteration
  double jacobian = 0.0; ///< Jacobian patterns and values
  double factor = 0.0;   ///< sparse LU: analysis, factorisation, refactorisation
  double luSolve = 0.0;  ///< sparse LU: the triangular solves
  double results = 0.0;  ///< flows, generator outputs, totals
};

struct Solution {
  SolveStatus status = SolveStatus::badInput;
  std::vector<SolveProblem> problems; ///< why nothing was solved (badInput)
  std::vector<BusResult> buses;
  std::vector<GeneratorResult> generators;
  std::vector<BranchResult> branches;
  std::vector<IslandResult> islands; ///< largest first; equal sizes in file order
  Neglected neglected;
  double systemBase = 0.0;
  int iterations = 0;                 ///< the most any island took
  double largestMismatch = 0.0;       ///< p.u., over the solved islands
  std::size_t largestMismatchBus = 0; ///< bus record index
  /// Over the solved islands: in-service generation, bus load, branch losses.
  double generationMW = 0.0, generationMVAr = 0.0;
  double loadMW = 0.0, loadMVAr = 0.0;
  double lossesMW = 0.0, lossesMVAr = 0.0;
  SolveTiming timing;

  bool converged() const { return status == SolveStatus::converged; }
};

/// Solves the case. Throws std::invalid_argument only for options out of
/// range (a tolerance that is not a positive number, fewer than one
/// iteration); bad data comes back as problems.
ZEL23_FLOW_API Solution solve(const Case& c,
                              const SolveOptions& options = SolveOptions());

/// Writes the islands that converged into the case: every bus's VM and VA,
/// the PG of each swing bus's first in-service generator, the QG of every
/// in-service generator. Throws std::invalid_argument when the solution was
/// not made from a case with the same records.
ZEL23_FLOW_API void apply(const Solution& solution, Case& c);

} // namespace zel23

#endif
