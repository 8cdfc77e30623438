#ifndef ZEL23_FLOW_LU_H
#define ZEL23_FLOW_LU_H

// The sparse LU of the Newton step: KLU, with its symbolic analysis made once
// for a pattern and a numeric refactorisation for each new set of values.

#include <vector>

namespace zel23::detail::flow {

class SparseLu {
public:
  SparseLu();
  ~SparseLu();
  SparseLu(const SparseLu&) = delete;
  SparseLu& operator=(const SparseLu&) = delete;

  /// Factors the matrix whose transpose is given in compressed columns (so
  /// the arrays are the matrix's compressed rows). The first call analyses
  /// the pattern, later ones refactor with the same pattern and pivots, and
  /// factor afresh when the pivots have grown too small. Returns false when
  /// the matrix is singular; singularRow() then names an offending row.
  bool factor(std::vector<int>& start, std::vector<int>& index,
              std::vector<double>& value);
  /// Overwrites `b` with x solving A x = b.
  bool solve(std::vector<double>& b);
  int singularRow() const;

private:
  void release();
  struct Impl;
  Impl* impl_;
};

} // namespace zel23::detail::flow

#endif
