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

/// A raw case that solves: clusters of five to twelve buses, each a tree fed
/// by one PV generator that covers its load and an estimate of its losses,
/// joined root to root into a meshed grid by tie lines, with transformers,
/// switched shunts, DC lines between distant clusters and a few generators
/// regulating a nearby bus. Impedances of transmission lines on 100 MVA;
/// the swing bus sits in the middle of the grid. Flat start values (VM 1,
/// VA 0). Its counts differ from caseShape's.
std::string generateSolvableCase(int buses, std::uint64_t seed);

#endif
