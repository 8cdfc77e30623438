#ifndef ZEL23_TEST_SUPPORT_HOSTILE_H
#define ZEL23_TEST_SUPPORT_HOSTILE_H

// Stream buffers that fail on purpose: input that ends or throws after N
// characters, output that refuses after N characters.

#include "case_support.h"

#include <cstddef>
#include <stdexcept>
#include <streambuf>
#include <string>

namespace zel23_test {

// Hands out the first `limit` characters of its text, then ends the input
// the chosen way. Its get area is one character at a time, so that the
// reader meets the failure exactly after `limit` characters.
class FailingInput : public std::streambuf {
public:
  enum class Failure { Throw, Eof };
  FailingInput(std::string text, std::size_t limit, Failure failure)
      : text_(std::move(text)), limit_(limit < text_.size() ? limit : text_.size()),
        failure_(failure) {}

protected:
  int_type underflow() override {
    if (next_ == limit_) {
      if (failure_ == Failure::Throw) throw std::runtime_error("device error");
      return traits_type::eof();
    }
    char* c = &text_[next_++];
    setg(c, c, c + 1);
    return traits_type::to_int_type(*c);
  }

private:
  std::string text_;
  std::size_t limit_;
  Failure failure_;
  std::size_t next_ = 0;
};

// Accepts `limit` characters, keeps them, and refuses every further one.
class RefusingOutput : public std::streambuf {
public:
  explicit RefusingOutput(std::size_t limit) : limit_(limit) {}
  const std::string& accepted() const { return accepted_; }
  std::size_t refusals() const { return refusals_; }

protected:
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    if (accepted_.size() >= limit_) {
      ++refusals_;
      return traits_type::eof();
    }
    accepted_ += traits_type::to_char_type(c);
    return c;
  }

private:
  std::size_t limit_;
  std::string accepted_;
  std::size_t refusals_ = 0;
};

} // namespace zel23_test

#endif
