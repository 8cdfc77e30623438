// The best of N reads of a file's bytes, held in memory, by zel23::read:
// the native figure the page's benchmark sets the WebAssembly read beside.
//   native_read FILE N
#include "zel23.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  std::ifstream file(argv[1], std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  const std::string bytes = text.str();
  double best = 1e300;
  for (int k = 0; k < std::atoi(argv[2]); ++k) {
    zel23::Case c;
    std::istringstream in(bytes);
    const auto start = std::chrono::steady_clock::now();
    zel23::read(in, c);
    best = std::min(best, std::chrono::duration<double, std::milli>(
                              std::chrono::steady_clock::now() - start)
                              .count());
  }
  std::cout << best << '\n';
}
