#ifndef ZEL23_BENCH_GEN_H
#define ZEL23_BENCH_GEN_H

// Synthetic raw case files for the benchmarks and for zel23_gen_case.
//
// The text depends only on the bus count and the seed: the random numbers
// come from a splitmix64 of our own and every number is formatted by hand,
// so the same arguments give the same bytes with any standard library.

#include <cstdint>
#include <string>

/// Record counts of a generated case; they follow from the bus count alone.
struct CaseShape {
  long long buses = 0;
  long long generators = 0;
  long long branches = 0;
  long long adjustments = 0;
  long long areas = 0;
  long long dcLines = 0;
  long long shunts = 0;

  long long records() const {
    return buses + generators + branches + adjustments + areas + dcLines + shunts;
  }
};

/// The counts generateCase(buses, seed) produces, for any seed.
CaseShape caseShape(int buses);

/// A complete raw case file: three header lines, seven sections each closed
/// by its terminator line, every line ended by a line feed.
std::string generateCase(int buses, std::uint64_t seed);

#endif
