// The recoverable reader under every exception mask a caller may set on the
// input stream: nothing is thrown, the case is the one read without a mask,
// and with badbit in the mask a failing buffer becomes a problem.

#include "support_hostile.h"
#include "zel23_case.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

namespace {

using namespace zel23_test;

constexpr const char* kStreamError =
    "Input stream error: the stream failed while reading this line";

struct Outcome {
  zel23::Case data;
  zel23::ReadReport report;
  std::ios_base::iostate state;
  std::ios_base::iostate mask;
};

Outcome readWithMask(const std::string& text, std::size_t cut, bool throws,
                     std::ios_base::iostate mask) {
  FailingInput buffer(text, cut,
                      throws ? FailingInput::Failure::Throw : FailingInput::Failure::Eof);
  std::istream in(&buffer);
  in.exceptions(mask);
  Outcome o;
  o.report = zel23::read(in, o.data);
  o.state = in.rdstate();
  o.mask = in.exceptions();
  return o;
}

std::string problem(std::size_t line, int section, const std::string& message) {
  return std::to_string(line) + " " + std::to_string(section) + " " + message;
}

std::vector<std::string> problems(const zel23::ReadReport& report) {
  std::vector<std::string> shown;
  for (const zel23::Problem& p : report.problems)
    shown.push_back(problem(p.line, p.section, p.message));
  return shown;
}

TEST(StreamMask, NothingLeavesReadAndBadbitIsReported) {
  const std::string text = oneOfEach();
  const std::string longFirst = "0 100 " + std::string(3000, 'x') + "\nA\nB\n0\n";
  const auto at = [&](const std::string& piece, std::size_t extra) {
    return text.find(piece) + extra;
  };
  const std::size_t all = std::string::npos;
  const struct {
    const char* name;
    std::string text;
    std::size_t cut;
    bool throws;
    std::size_t line; // the stream problem's line, 0 for none
    int section;
  } rows[] = {
      {"empty input", "", all, false, 0, 0},
      {"header line 1 without line feed", "0 100", all, false, 0, 0},
      {"header line 1 cut at 1023 characters", longFirst, all, false, 0, 0},
      {"whole case", text, all, false, 0, 0},
      {"case without its last line feed", text.substr(0, text.size() - 1), all, false, 0,
       0},
      {"buffer throws at once", text, 0, true, 1, zel23::kHeader},
      {"buffer throws in header line 1", text, 3, true, 1, zel23::kHeader},
      {"buffer throws in header line 3", text, at("third", 2), true, 3, zel23::kHeader},
      {"buffer throws in a bus line", text, at(kBus, 4), true, 4, 0},
      {"buffer throws in DC line 2", text, at(kDc2, 4), true, 15, 5},
      {"buffer throws after the last line", text, text.size(), true, 20, 7},
  };
  const std::ios_base::iostate masks[] = {
      std::ios::eofbit, std::ios::failbit, std::ios::badbit,
      std::ios::failbit | std::ios::badbit,
      std::ios::eofbit | std::ios::failbit | std::ios::badbit};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const Outcome plain = readWithMask(row.text, row.cut, row.throws, std::ios::goodbit);
    for (const auto mask : masks) {
      SCOPED_TRACE("mask " + std::to_string(mask));
      Outcome masked;
      ASSERT_NO_THROW(masked = readWithMask(row.text, row.cut, row.throws, mask));
      EXPECT_EQ(writeText(masked.data), writeText(plain.data));
      EXPECT_EQ(masked.state, plain.state);
      EXPECT_EQ(masked.mask, mask);
      // The stream problem comes first among the problems of its line.
      std::vector<std::string> expected = problems(plain.report);
      const auto& found = plain.report.problems;
      const auto before = std::find_if(found.begin(), found.end(),
                                       [&](const auto& p) { return p.line >= row.line; });
      if (row.line && (mask & std::ios::badbit))
        expected.insert(expected.begin() + (before - found.begin()),
                        problem(row.line, row.section, kStreamError));
      EXPECT_EQ(problems(masked.report), expected);
    }
  }
}

// An output buffer whose flush always fails.
class UnflushableOutput : public std::stringbuf {
protected:
  int sync() override { return -1; }
};

TEST(StreamMask, ATiedOutputThatThrowsOnFlushIsAProblem) {
  for (const bool throws : {false, true}) {
    SCOPED_TRACE(throws ? "tied stream throws" : "tied stream only fails");
    UnflushableOutput sink;
    std::ostream tied(&sink);
    if (throws) tied.exceptions(std::ios::badbit);
    std::istringstream in(oneOfEach());
    in.tie(&tied);
    zel23::Case c;
    const zel23::ReadReport report = zel23::read(in, c);
    EXPECT_EQ(in.tie(), &tied);
    EXPECT_TRUE(tied.bad());
    EXPECT_EQ(c.buses.size(), 1u);
    std::vector<std::string> expected;
    if (throws)
      expected.push_back(
          "1 -1 Output stream error: flushing the stream tied to the input failed");
    EXPECT_EQ(problems(report), expected);
  }
}

} // namespace
