// zel23_gen_case: writes a synthetic raw case file of any size.

#include "gen.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>

namespace {

int usage(const char* argv0) {
  std::cerr << "usage: " << argv0 << " --buses N [--seed S] [--solvable] [-o FILE]\n"
            << "  Writes a synthetic raw case of N buses (about 0.3 N generators,\n"
            << "  1.4 N branches, 0.1 N transformer adjustments, N/1000+1 areas,\n"
            << "  N/5000+1 DC lines, N/20+1 switched shunts) to FILE or standard\n"
            << "  output. The same N and S always give the same bytes.\n"
            << "  --solvable: a case whose power flow solves instead (gen.h).\n";
  return 2;
}

bool parseNumber(const char* text, unsigned long long max, unsigned long long& out) {
  if (text == nullptr || *text == '\0' || *text == '-') return false;
  errno = 0;
  char* end = nullptr;
  const unsigned long long v = std::strtoull(text, &end, 10);
  if (errno != 0 || *end != '\0' || v > max) return false;
  out = v;
  return true;
}

} // namespace

int main(int argc, char** argv) {
  unsigned long long buses = 0;
  unsigned long long seed = 1;
  const char* outPath = nullptr;
  bool solvable = false;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    if (std::strcmp(arg, "--buses") == 0) {
      if (!parseNumber(value, 100000000ULL, buses) || buses == 0) return usage(argv[0]);
      ++i;
    } else if (std::strcmp(arg, "--seed") == 0) {
      if (!parseNumber(value, ~0ULL, seed)) return usage(argv[0]);
      ++i;
    } else if (std::strcmp(arg, "--solvable") == 0) {
      solvable = true;
    } else if (std::strcmp(arg, "-o") == 0) {
      if (value == nullptr) return usage(argv[0]);
      outPath = value;
      ++i;
    } else {
      return usage(argv[0]);
    }
  }
  if (buses == 0) return usage(argv[0]);

  const std::string text = solvable ? generateSolvableCase(static_cast<int>(buses), seed)
                                    : generateCase(static_cast<int>(buses), seed);
  if (outPath == nullptr) {
    std::cout.write(text.data(), static_cast<std::streamsize>(text.size()));
    std::cout.flush();
    return std::cout ? 0 : 1;
  }
  std::ofstream out(outPath, std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.close();
  if (!out) {
    std::cerr << argv[0] << ": cannot write " << outPath << '\n';
    return 1;
  }
  return 0;
}
