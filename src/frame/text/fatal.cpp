#include "frame/text/fatal.h"

#include <cstdlib>
#include <iostream>

namespace zel23::detail {

void fatalParseError(std::string_view source, int line, std::string_view message) {
  std::cerr << "File: " << source << " line: " << line << " " << message << std::endl;
  std::exit(-1);
}

} // namespace zel23::detail
