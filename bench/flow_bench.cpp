// zel23_flow_bench: the power flow of the generated cases that solve
// (generateSolvableCase), beside the sequential read of the same file, so
// that the ratio of the two says what a solve costs next to reading.
//
// Counters of Solve/N: Newton iterations, and the shares of the solve's
// time taken by the sparse LU (KLU: analysis, factorisations, triangular
// solves), the Jacobian, the mismatches and the network's construction.

#include "gen.h"

#include <zel23_case.h>
#include <zel23_flow.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <unistd.h>

namespace {

constexpr std::uint64_t kSeed = 2023;

// The case of each size, written once to a scratch file for the read.
struct Fixture {
  explicit Fixture(int buses)
      : path("/tmp/zel23_flow_bench_" + std::to_string(::getpid()) + "_" +
             std::to_string(buses) + ".raw") {
    const std::string text = generateSolvableCase(buses, kSeed);
    std::ofstream(path, std::ios::binary) << text;
    std::ifstream in(path, std::ios::binary);
    report = zel23::read(in, c);
  }
  ~Fixture() { std::remove(path.c_str()); }

  std::string path;
  zel23::Case c;
  zel23::ReadReport report;
};

Fixture& fixture(int buses) {
  static std::map<int, Fixture> fixtures;
  auto it = fixtures.find(buses);
  if (it == fixtures.end()) it = fixtures.try_emplace(buses, buses).first;
  return it->second;
}

void Read(benchmark::State& state) {
  const Fixture& f = fixture(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    zel23::Case c;
    std::ifstream in(f.path, std::ios::binary);
    benchmark::DoNotOptimize(zel23::read(in, c));
  }
}

void Solve(benchmark::State& state) {
  const Fixture& f = fixture(static_cast<int>(state.range(0)));
  if (!f.report.ok()) return state.SkipWithError("the generated case does not read");
  zel23::SolveTiming sum;
  int iterations = 0;
  for (auto _ : state) {
    const zel23::Solution s = zel23::solve(f.c);
    if (!s.converged()) return state.SkipWithError("the generated case does not solve");
    iterations = s.iterations;
    sum.total += s.timing.total;
    sum.factor += s.timing.factor + s.timing.luSolve;
    sum.jacobian += s.timing.jacobian;
    sum.mismatch += s.timing.mismatch;
    sum.network += s.timing.network;
  }
  state.counters["iterations"] = iterations;
  state.counters["lu_share"] = sum.factor / sum.total;
  state.counters["jacobian_share"] = sum.jacobian / sum.total;
  state.counters["mismatch_share"] = sum.mismatch / sum.total;
  state.counters["network_share"] = sum.network / sum.total;
}

BENCHMARK(Read)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(Solve)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
