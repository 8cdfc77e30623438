// Parses the input as one line as a ZELBus record through the recoverable interface, then
// parses its printed form back.

#include "record_target.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zel23_fuzz::checkRecord<ZELBus>(zel23_fuzz::asText(data, size));
  return 0;
}
