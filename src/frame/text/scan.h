#ifndef ZEL23_FRAME_SCAN_H
#define ZEL23_FRAME_SCAN_H

#include <array>
#include <cstddef>
#include <string_view>

namespace zel23::detail {

// The fields of one line as the field splitter cuts them: blanks, tabs and
// commas separate fields; a comma after a comma (blanks and tabs between
// allowed) is one empty field; a field that opens with an apostrophe runs
// through the next apostrophe and keeps both (without one, it is the rest of
// the line). Views point into the line. Only the first kCapacity fields are
// kept, but count() counts them all.
class Fields {
public:
  static constexpr std::size_t kCapacity = 24;

  std::size_t count() const { return count_; }
  std::string_view operator[](std::size_t i) const { return {data_[i], size_[i]}; }

  void add(std::string_view field) {
    if (count_ < kCapacity) {
      data_[count_] = field.data();
      size_[count_] = field.size();
    }
    ++count_;
  }

private:
  // Left uninitialized: only the first count() entries are ever read, and
  // clearing them for every line costs more than splitting it.
  const char* data_[kCapacity];
  std::size_t size_[kCapacity];
  std::size_t count_ = 0;
};

Fields splitFields(std::string_view line);

// Walks a line token by token. Any run of blanks, tabs and commas is one
// separator, so there is no empty token; a token that opens with an
// apostrophe runs through the next apostrophe (without one, it is the rest of
// the line and the cursor is exhausted at the next advance). token() and
// advance() are only called while the cursor is not exhausted.
class FieldCursor {
public:
  explicit FieldCursor(std::string_view line);

  bool exhausted() const { return exhausted_; }
  std::string_view token() const { return line_.substr(start_, end_ - start_); }
  void advance();

private:
  std::string_view line_;
  std::size_t start_ = 0;
  std::size_t end_ = 0;
  bool exhausted_ = false;
};

} // namespace zel23::detail

#endif
