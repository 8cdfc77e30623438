#ifndef ZEL23_WEB_BEST_READ_H
#define ZEL23_WEB_BEST_READ_H

// The benchmark's figure, the same in WebAssembly and natively: the best of
// `rounds` reads of the bytes by zel23::read, in milliseconds.

#include "zel23.h"

#include <algorithm>
#include <chrono>
#include <sstream>
#include <string>

inline double bestRead(const std::string& bytes, int rounds) {
  double best = 1e300;
  for (int k = 0; k < rounds; ++k) {
    zel23::Case c;
    std::istringstream in(bytes);
    const auto start = std::chrono::steady_clock::now();
    zel23::read(in, c);
    best = std::min(best, std::chrono::duration<double, std::milli>(
                              std::chrono::steady_clock::now() - start)
                              .count());
  }
  return best;
}

#endif
