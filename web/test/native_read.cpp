// The native figure the page's benchmark sets the WebAssembly read beside.
//   native_read FILE N
#include "best_read.h"

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  std::ifstream file(argv[1], std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  std::cout << bestRead(text.str(), std::atoi(argv[2])) << '\n';
}
