// Reads one raw case file and prints how many buses it holds.

#include <zel23.h>

#include <exception>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: consumer <raw case file>\n";
    return 2;
  }
  std::ifstream in(argv[1]);
  if (!in) {
    std::cerr << "consumer: cannot open " << argv[1] << "\n";
    return 1;
  }

  std::vector<ZELBus> buses;
  std::vector<ZELGenerator> generators;
  std::vector<ZELBranch> branches;
  std::vector<ZELTransformerAdjustment> adjustments;
  std::vector<ZELAreaInterchange> areas;
  std::vector<ZELTwoTerminalDC> dcLines;
  std::vector<ZELSwitchedShunt> shunts;
  std::vector<std::string> comments;
  double systemBase = 0.0;
  try {
    ZELParse(in, buses, generators, branches, adjustments, areas, dcLines, shunts,
             comments, systemBase);
  } catch (const std::exception& e) {
    // A header line 1 with fewer than two tokens throws.
    std::cerr << "consumer: " << argv[1] << ": " << e.what() << "\n";
    return 1;
  }
  std::cout << "buses: " << buses.size() << "\n";
  return 0;
}
