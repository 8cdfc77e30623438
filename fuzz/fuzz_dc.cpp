// Cuts the input at its first two line feeds into the DC line, the rectifier
// line and the inverter line (the rest), parses them as a ZELTwoTerminalDC
// record through the recoverable interface, then parses its printed form back.

#include "record_target.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zel23_fuzz::checkRecord<ZELTwoTerminalDC>(zel23_fuzz::asText(data, size));
  return 0;
}
