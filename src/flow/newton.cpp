#include "newton.h"

#include "lu.h"
#include "names.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace zel23::detail::flow {

namespace {

// What a Jacobian entry is the derivative of, and by what.
enum Code : std::uint8_t {
  kQRow = 1,     // reactive power (else real power)
  kByV = 2,      // by a voltage magnitude (else by an angle)
  kDiagonal = 4, // of a bus by its own voltage
  kShare = 8     // by the reactive power of the group the bus belongs to
};

class IslandSystem {
public:
  IslandSystem(const Network& n, const Island& island, const Controls& k, State& s,
               std::vector<int>& local)
      : n_(n), k_(k), s_(s), bus_(island.buses) {
    Stopwatch time(s.timing.jacobian);
    number(local);
    localAdmittance(local);
    for (int b : bus_)
      local[b] = -1;
    pattern();
  }

  std::size_t equations() const { return eqBus_.size(); }

  /// The mismatch of the current state into f_ and the bus records'
  /// mismatch arrays; returns the largest magnitude.
  double mismatch();
  bool factor() {
    Stopwatch time(s_.timing.factor);
    return lu_.factor(jStart_, jCol_, jVal_);
  }
  /// Takes one Newton step; false when it would leave the finite numbers, in
  /// which case the state is left as it was.
  bool step();
  int singularBus() const {
    const int row = lu_.singularRow();
    return row >= 0 && row < static_cast<int>(eqBus_.size()) ? bus_[eqBus_[row]] : -1;
  }
  void fillJacobian();
  /// Keeps the island's state, or goes back to the state kept.
  void save();
  void restore();

private:
  void number(std::vector<int>& local);
  void localAdmittance(const std::vector<int>& local);
  void pattern();
  void emitRow(int l, bool q);

  const Network& n_;
  const Controls& k_;
  State& s_;
  const std::vector<int>& bus_; // local -> bus record
  std::vector<int> ia_,
      ib_; // per local bus: its P row and angle column; Q row and V column
  std::vector<int> targetLocal_; // per local controller: its group's target, local
  std::vector<int> eqBus_;       // per equation: its local bus
  std::vector<int> yStart_, yCol_;
  std::vector<Complex> yVal_, a_, v_, sBus_;
  std::vector<int> jStart_, jCol_, jY_;
  std::vector<std::uint8_t> jCode_;
  std::vector<double> jVal_, f_;
  std::vector<double> saved_;
  SparseLu lu_;
};

void IslandSystem::number(std::vector<int>& local) {
  const std::size_t size = bus_.size();
  ia_.assign(size, -1);
  ib_.assign(size, -1);
  for (std::size_t l = 0; l < size; ++l) {
    const int b = bus_[l];
    local[b] = static_cast<int>(l);
    const Kind kind = k_.kind[b];
    if (kind == Kind::swing) continue;
    ia_[l] = static_cast<int>(eqBus_.size());
    eqBus_.push_back(static_cast<int>(l));
    if (kind == Kind::held) continue;
    ib_[l] = static_cast<int>(eqBus_.size());
    eqBus_.push_back(static_cast<int>(l));
  }
  targetLocal_.assign(size, -1);
  for (std::size_t l = 0; l < size; ++l)
    if (k_.groupOf[bus_[l]] >= 0)
      targetLocal_[l] = local[k_.groups[k_.groupOf[bus_[l]]].target];
}

void IslandSystem::localAdmittance(const std::vector<int>& local) {
  yStart_.assign(1, 0);
  for (int b : bus_) {
    for (int p = n_.y.start[b]; p < n_.y.start[b + 1]; ++p) {
      yCol_.push_back(local[n_.y.column[p]]);
      yVal_.push_back(n_.y.value[p]);
    }
    yStart_.push_back(static_cast<int>(yCol_.size()));
  }
  a_.resize(yCol_.size());
  v_.resize(bus_.size());
  sBus_.resize(bus_.size());
}

void IslandSystem::emitRow(int l, bool q) {
  const auto emit = [&](int col, int y, unsigned code) {
    jCol_.push_back(col);
    jY_.push_back(y);
    jCode_.push_back(static_cast<std::uint8_t>(code | (q ? kQRow : 0)));
  };
  for (int p = yStart_[l]; p < yStart_[l + 1]; ++p) {
    const int m = yCol_[p];
    const unsigned diagonal = m == l ? kDiagonal : 0;
    if (ia_[m] >= 0) emit(ia_[m], p, diagonal);
    if (ib_[m] >= 0 && k_.targetOf[bus_[m]] < 0) emit(ib_[m], p, kByV | diagonal);
  }
  if (q && targetLocal_[l] >= 0) emit(ib_[targetLocal_[l]], -1, kShare);
  jStart_.push_back(static_cast<int>(jCol_.size()));
}

void IslandSystem::pattern() {
  jStart_.assign(1, 0);
  for (std::size_t l = 0; l < bus_.size(); ++l) {
    if (ia_[l] >= 0) emitRow(static_cast<int>(l), false);
    if (ib_[l] >= 0) emitRow(static_cast<int>(l), true);
  }
  jVal_.resize(jCol_.size());
  f_.resize(eqBus_.size());
}

double IslandSystem::mismatch() {
  Stopwatch time(s_.timing.mismatch);
  for (std::size_t l = 0; l < bus_.size(); ++l)
    v_[l] = std::polar(s_.vm[bus_[l]], s_.va[bus_[l]]);
  double largest = 0.0;
  bool overflow = false;
  for (std::size_t l = 0; l < bus_.size(); ++l) {
    const int b = bus_[l];
    Complex sum;
    for (int p = yStart_[l]; p < yStart_[l + 1]; ++p) {
      a_[p] = v_[l] * std::conj(yVal_[p] * v_[yCol_[p]]);
      sum += a_[p];
    }
    sBus_[l] = sum;
    double qSpec = s_.qSpec[b];
    if (k_.groupOf[b] >= 0) qSpec += k_.share[b] * s_.groupQ[k_.groupOf[b]];
    s_.mismatchP[b] = ia_[l] >= 0 ? sum.real() - s_.pSpec[b] : 0.0;
    s_.mismatchQ[b] = ib_[l] >= 0 ? sum.imag() - qSpec : 0.0;
    if (ia_[l] >= 0) f_[ia_[l]] = s_.mismatchP[b];
    if (ib_[l] >= 0) f_[ib_[l]] = s_.mismatchQ[b];
    for (double x : {s_.mismatchP[b], s_.mismatchQ[b]}) {
      if (!std::isfinite(x)) overflow = true;
      largest = std::max(largest, std::fabs(x));
    }
  }
  if (overflow) return std::numeric_limits<double>::infinity();
  return largest;
}

void IslandSystem::fillJacobian() {
  Stopwatch time(s_.timing.jacobian);
  for (std::size_t r = 0; r + 1 < jStart_.size(); ++r) {
    const int l = eqBus_[r];
    for (int e = jStart_[r]; e < jStart_[r + 1]; ++e) {
      const unsigned code = jCode_[e];
      if (code & kShare) {
        jVal_[e] = -k_.share[bus_[l]];
        continue;
      }
      const Complex a = a_[jY_[e]];
      Complex d;
      if (code & kByV) {
        const int m = (code & kDiagonal) ? l : yCol_[jY_[e]];
        d = ((code & kDiagonal) ? a + sBus_[l] : a) / s_.vm[bus_[m]];
      } else {
        // dS/dangle: j(S - a) on the diagonal, -j a off it.
        const Complex w = (code & kDiagonal) ? sBus_[l] - a : -a;
        d = Complex(-w.imag(), w.real());
      }
      jVal_[e] = (code & kQRow) ? d.imag() : d.real();
    }
  }
}

void IslandSystem::save() {
  saved_.clear();
  for (int b : bus_)
    saved_.insert(saved_.end(), {s_.vm[b], s_.va[b]});
  saved_.insert(saved_.end(), s_.groupQ.begin(), s_.groupQ.end());
}

void IslandSystem::restore() {
  std::size_t i = 0;
  for (int b : bus_) {
    s_.vm[b] = saved_[i++];
    s_.va[b] = saved_[i++];
  }
  for (double& q : s_.groupQ)
    q = saved_[i++];
}

bool IslandSystem::step() {
  std::vector<double> dx(f_.size());
  for (std::size_t i = 0; i < f_.size(); ++i)
    dx[i] = -f_[i];
  {
    Stopwatch time(s_.timing.luSolve);
    if (!lu_.solve(dx)) return false;
  }
  // Angles stay far enough inside the doubles that they are finite in degrees.
  constexpr double kLargest = 1e300;
  for (double x : dx)
    if (!(std::fabs(x) < kLargest)) return false;
  for (std::size_t l = 0; l < bus_.size(); ++l)
    if (ia_[l] >= 0 && !(std::fabs(s_.va[bus_[l]] + dx[ia_[l]]) < kLargest)) return false;
  for (std::size_t l = 0; l < bus_.size(); ++l) {
    const int b = bus_[l];
    if (ia_[l] >= 0) s_.va[b] += dx[ia_[l]];
    if (ib_[l] < 0) continue;
    if (k_.targetOf[b] >= 0)
      s_.groupQ[k_.targetOf[b]] += dx[ib_[l]];
    else
      s_.vm[b] += dx[ib_[l]];
  }
  return true;
}

} // namespace

NewtonOutcome solveIsland(const Network& n, const Island& island, const Controls& k,
                          const SolveOptions& options, State& s,
                          std::vector<int>& scratch) {
  IslandSystem system(n, island, k, s, scratch);
  NewtonOutcome out;
  for (;;) {
    const double norm = system.mismatch();
    if (!std::isfinite(norm) && out.iterations > 0) {
      // The state stays the last one whose mismatch could be computed.
      system.restore();
      system.mismatch();
      out.failure = "diverged at iteration " + std::to_string(out.iterations) +
                    ": the mismatch leaves the range of a double";
      return out;
    }
    out.norms.push_back(norm);
    if (!std::isfinite(norm)) {
      out.failure = "the mismatch of the starting state is not a finite number";
      return out;
    }
    if (norm < options.tolerance) {
      out.converged = true;
      return out;
    }
    if (out.iterations >= options.maxIterations) {
      out.failure = "not converged in " + std::to_string(out.iterations) + " iterations";
      return out;
    }
    system.fillJacobian();
    if (!system.factor()) {
      const int b = system.singularBus();
      out.failure = "the Jacobian is singular at iteration " +
                    std::to_string(out.iterations + 1) +
                    (b >= 0 ? " (at " + busName(n.c->buses[b].I()) + ")" : std::string());
      return out;
    }
    system.save();
    if (!system.step()) {
      out.failure = "diverged at iteration " + std::to_string(out.iterations + 1) +
                    ": the step leaves the range of a double";
      return out;
    }
    ++out.iterations;
  }
}

} // namespace zel23::detail::flow
