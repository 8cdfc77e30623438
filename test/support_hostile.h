#ifndef ZEL23_TEST_SUPPORT_HOSTILE_H
#define ZEL23_TEST_SUPPORT_HOSTILE_H

// Stream buffers that fail on purpose, and short ways to read and write
// whole cases through both interfaces, for the hostile-input tests.

#include "zel23.h"

#include <cstddef>
#include <sstream>
#include <stdexcept>
#include <streambuf>
#include <string>
#include <vector>

namespace zel23_hostile {

// Valid record lines, one per section, written with plain commas so that a
// test can replace the k-th comma-separated piece.
inline const std::string kBus = "101,1,10.0,5.0,0,0,1,1.0,0.0,'ONE',138.0,1";
inline const std::string kGenerator =
    "101,1,50.0,10.0,30.0,-20.0,1.02,0,100.0,0.0,0.25,0.0,0.0,1.0,1,100.0,80.0,0.0";
inline const std::string kLoad = "101,'L1',1,1,1,10.0,5.0,1.0,2.0,3.0,4.0";
inline const std::string kBranch = "101,102,'1 ',0.01,0.1,0.02,100,110,120,0,0,0,0,0,0,1";
inline const std::string kAdjustment = "101,102,1,101,1.1,0.9,1.05,0.95,0.0125,0";
inline const std::string kArea = "1,101,0.0,10.0,'NORTH'";
inline const std::string kDc1 = "1,1,8.2,200,500,400,0,0,'R'";
inline const std::string kDc2 = "101,2,25,5,0,12.5,138,0.44,1,1.15,0.85,0.00625";
inline const std::string kDc3 = "102,2,20,17,0,12.5,138,0.44,1,1.15,0.85,0.00625";
inline const std::string kShunt = "101,1,1.05,0.98,0,30.0,2,15.0";

inline const std::string kHeader = "0 100.0 / hostile\nsecond\nthird\n";

// A whole case around the given section bodies (each without its final line
// feed; an empty body leaves the section empty), seven terminator lines.
inline std::string caseText(const std::vector<std::string>& bodies) {
  std::string text = kHeader;
  for (std::size_t s = 0; s < 7; ++s) {
    if (s < bodies.size() && !bodies[s].empty()) text += bodies[s] + "\n";
    text += "0 / end of section " + std::to_string(s) + "\n";
  }
  return text;
}

inline std::string oneOfEach() {
  return caseText({kBus, kGenerator, kBranch, kAdjustment, kArea,
                   kDc1 + "\n" + kDc2 + "\n" + kDc3, kShunt});
}

struct Read {
  zel23::Case data;
  zel23::ReadReport report;
};

inline Read readText(const std::string& text) {
  Read r;
  std::istringstream in(text);
  r.report = zel23::read(in, r.data);
  return r;
}

inline bool zelParse(std::istream& in, zel23::Case& c) {
  return ZELParse(in, c.buses, c.generators, c.branches, c.adjustments, c.areas,
                  c.dcLines, c.shunts, c.comments, c.systemBase);
}

inline zel23::Case zelParseText(const std::string& text) {
  zel23::Case c;
  std::istringstream in(text);
  zelParse(in, c);
  return c;
}

inline bool zelPrint(std::ostream& out, zel23::Case& c) {
  return ZELPrint(out, c.buses, c.generators, c.branches, c.adjustments, c.areas,
                  c.dcLines, c.shunts, c.comments, c.systemBase);
}

inline std::string writeText(const zel23::Case& c) {
  std::ostringstream out;
  zel23::write(out, c);
  return out.str();
}

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

} // namespace zel23_hostile

#endif
