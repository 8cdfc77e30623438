// One record target, compiled once per record type: ZEL23_FUZZ_RECORD names
// the type (fuzz_bus is ZELBus, fuzz_dc is ZELTwoTerminalDC, ...). The input
// is one record line, or for the DC record three lines cut at the input's
// first two line feeds. It is parsed through the recoverable interface: a
// failure must leave a message and the record untouched; a success must
// print, and the printed line must parse back into the record rounded as
// printing rounds it.

#include "fuzz_support.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

#ifndef ZEL23_FUZZ_RECORD
#error "ZEL23_FUZZ_RECORD must name the record type this target parses"
#endif

namespace {

using Rec = ZEL23_FUZZ_RECORD;

// A template, so that only the branch of the record's kind is compiled.
template <class R>
bool parseText(std::string_view text, R& record, std::string& message) {
  if constexpr (std::is_same_v<R, ZELTwoTerminalDC>) {
    std::string_view lines[3];
    zel23_fuzz::splitThree(text, lines);
    return zel23::parse(lines[0], lines[1], lines[2], record, message);
  } else {
    return zel23::parse(text, record, message);
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zel23_fuzz;
  Rec record;
  std::string message;
  if (!parseText(asText(data, size), record, message)) {
    FUZZ_CHECK(!message.empty());
    FUZZ_CHECK(zel23::sameFields(record, Rec()));
    return 0;
  }
  FUZZ_CHECK(message.empty());
  const std::string line = printed(record);
  if (!readsBack(record)) return 0;
  Rec reread;
  FUZZ_CHECK(parseText(line, reread, message));
  FUZZ_CHECK(sameAfterPrinting(record, reread));
  return 0;
}
