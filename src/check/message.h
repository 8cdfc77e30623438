#ifndef ZEL23_CHECK_MESSAGE_H
#define ZEL23_CHECK_MESSAGE_H

// A finding's message, built in one string: a generated case can hold a
// finding per record, so messages are appended in place, numbers converted
// without temporaries, and the records named the same way everywhere.

#include "zel23.h"

#include "frame/text/charconv.h"

#include <charconv>
#include <cstddef>
#include <string>
#include <string_view>

namespace zel23::detail::check {

class Message {
public:
  Message() { text_.reserve(128); }

  Message& operator<<(std::string_view s) {
    text_.append(s);
    return *this;
  }
  Message& operator<<(char c) {
    text_.push_back(c);
    return *this;
  }
  Message& operator<<(int v) { return number(v); }
  Message& operator<<(std::size_t v) { return number(v); }
  /// The shortest text that reads back to the same double.
  Message& operator<<(double v) {
    char text[32];
    text_.append(text, formatShortest(text, text + sizeof text, v).ptr);
    return *this;
  }

  /// "bus N"
  struct Bus {
    int number;
  };
  Message& operator<<(Bus b) { return *this << "bus " << b.number; }
  /// "branch I-J circuit CKT"
  Message& operator<<(const ZELBranch& b) {
    return *this << "branch " << b.I() << '-' << b.J() << " circuit " << b.CKT();
  }
  /// "generator ID at bus I"
  Message& operator<<(const ZELGenerator& g) {
    return *this << "generator " << g.ID() << " at " << Bus{g.I()};
  }
  /// "transformer adjustment for I-J circuit CKT"
  Message& operator<<(const ZELTransformerAdjustment& t) {
    return *this << "transformer adjustment for " << t.I() << '-' << t.J() << " circuit "
                 << t.CKT();
  }

  std::string take() { return std::move(text_); }

private:
  template <class T> Message& number(T v) {
    char text[32];
    text_.append(text, std::to_chars(text, text + sizeof text, v).ptr);
    return *this;
  }

  std::string text_;
};

} // namespace zel23::detail::check

#endif
