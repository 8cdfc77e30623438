#ifndef ZEL23_FLOW_NETWORK_H
#define ZEL23_FLOW_NETWORK_H

// The case as the power flow sees it: buses by record index, the admittance
// matrix, fixed injections, in-service generators by bus and the islands.
// Built once per solve; every value a solve needs has been checked here.

#include "zel23_flow.h"

#include <complex>
#include <cstddef>
#include <utility>
#include <vector>

namespace zel23::detail::flow {

using Complex = std::complex<double>;

/// A sparse square matrix of complex values in compressed rows, columns
/// sorted within a row, the diagonal always present.
struct Admittance {
  std::vector<int> start; ///< row r holds entries start[r] .. start[r+1]-1
  std::vector<int> column;
  std::vector<Complex> value;
};

/// A branch's contribution, end shunts included: the current into the
/// branch at I is ii*Vi + ij*Vj, at J ji*Vi + jj*Vj (p.u.).
struct BranchAdmittance {
  int from = -1; ///< bus record index; -1 when the branch is out of the model
  int to = -1;
  Complex ii, ij, ji, jj;
};

struct Island {
  std::vector<int> buses; ///< bus record indexes, in file order
  std::vector<int> swings;
};

struct Network {
  const Case* c = nullptr;
  double base = 0.0;
  std::vector<bool> leftOut;   ///< per bus: type 4
  std::vector<int> island;     ///< per bus: index into islands, -1 when left out
  std::vector<Island> islands; ///< largest first, equal sizes in file order
  std::vector<BranchAdmittance> branches; ///< per branch record
  Admittance y;
  std::vector<double> dcMW; ///< per bus: DC line power delivered (taken < 0)
  /// In-service generators of each bus, in file order: genList[genStart[b]..].
  std::vector<int> genStart, genList;
  Neglected neglected;

  int busOf(int number) const; ///< record index, or -1
  /// Bus numbers to record indexes: a table by number where the numbers are
  /// dense enough, else (number, index) pairs sorted by number.
  std::vector<int> byNumber;
  int firstNumber = 0;
  std::vector<std::pair<int, int>> numberIndex;
};

/// Builds the network, or fills `problems` (and returns a network not to be
/// solved). Bus numbers, references, types and every value a solve reads are
/// checked; in-service records at isolated buses are left out and counted.
Network buildNetwork(const Case& c, std::vector<SolveProblem>& problems);

} // namespace zel23::detail::flow

#endif
