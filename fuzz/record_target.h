#ifndef ZEL23_FUZZ_RECORD_TARGET_H
#define ZEL23_FUZZ_RECORD_TARGET_H

// The body of every record target: parse the input through the recoverable
// interface; a failure must leave a message and the record untouched; a
// success must print, and the printed line must parse back into the record
// rounded as printing rounds it.

#include "fuzz_support.h"

namespace zel23_fuzz {

template <class Rec> bool parseText(std::string_view text, Rec& record, std::string& m) {
  if constexpr (std::is_same_v<Rec, ZELTwoTerminalDC>) {
    std::string_view lines[3];
    splitThree(text, lines);
    return zel23::parse(lines[0], lines[1], lines[2], record, m);
  } else {
    return zel23::parse(text, record, m);
  }
}

template <class Rec> void checkRecord(std::string_view text) {
  Rec record;
  std::string message;
  if (!parseText(text, record, message)) {
    FUZZ_CHECK(!message.empty());
    FUZZ_CHECK(zel23::sameFields(record, Rec()));
    return;
  }
  FUZZ_CHECK(message.empty());
  const std::string line = printed(record);
  if (!readsBack(record)) return;
  Rec reread;
  FUZZ_CHECK(parseText(line, reread, message));
  FUZZ_CHECK(sameAfterPrinting(record, reread));
}

} // namespace zel23_fuzz

#endif
