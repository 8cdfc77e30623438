// The recoverable reader under any exception mask on its input: it throws
// nothing, reads and leaves the stream as without a mask, and with badbit in
// the mask reports a throwing buffer as a problem.

#include "support.h"
#include "zel23_case.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using namespace zel23_test;

// "line section message" per problem, the stream's state, the case written.
std::vector<std::string> readWithMask(const std::string& text, std::size_t cut,
                                      bool throws, std::ios_base::iostate mask) {
  FailingInput buffer(text, cut,
                      throws ? FailingInput::Failure::Throw : FailingInput::Failure::Eof);
  std::istream in(&buffer);
  in.exceptions(mask);
  zel23::Case c;
  std::vector<std::string> seen;
  for (const zel23::Problem& p : zel23::read(in, c).problems)
    seen.push_back(std::to_string(p.line) + " " + std::to_string(p.section) + " " +
                   p.message);
  EXPECT_EQ(in.exceptions(), mask);
  seen.push_back("state " + std::to_string(in.rdstate()));
  seen.push_back(writeText(c));
  return seen;
}

TEST(StreamMask, NothingLeavesReadAndBadbitIsReported) {
  const std::string text = oneOfEach(), all = std::string(3000, 'x');
  const auto at = [&](const std::string& piece) { return text.find(piece) + 4; };
  const struct {
    const char* name;
    std::string text;
    std::size_t cut;
    bool throws;
    std::string problem; // the stream problem under badbit, "" for none
  } rows[] = {
      {"empty input", "", 0, false, ""},
      {"header line 1 without line feed", "0 100", 99, false, ""},
      {"header line 1 cut at 1023 characters", "0 100 " + all + "\nA\nB\n0\n", 9999,
       false, ""},
      {"case without its last line feed", text.substr(0, text.size() - 1), 9999, false,
       ""},
      {"buffer throws at once", text, 0, true, "1 -1"},
      {"buffer throws in header line 3", text, at("third"), true, "3 -1"},
      {"buffer throws in a bus line", text, at(oneOfEachLine(3)), true, "4 0"},
      {"buffer throws in DC line 2", text, at(oneOfEachLine(14)), true, "15 5"},
      {"buffer throws after the last line", text, text.size(), true, "20 7"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const auto plain = readWithMask(row.text, row.cut, row.throws, {});
    for (const auto mask : {std::ios::eofbit, std::ios::failbit, std::ios::badbit,
                            std::ios::eofbit | std::ios::failbit | std::ios::badbit}) {
      SCOPED_TRACE(mask);
      std::vector<std::string> masked, expected = plain;
      ASSERT_NO_THROW(masked = readWithMask(row.text, row.cut, row.throws, mask));
      // First among the problems of its line: on line 1, the missing system base.
      if (!row.problem.empty() && (mask & std::ios::badbit))
        expected.insert(expected.end() - 2 - (row.problem == "1 -1"),
                        row.problem + " Input stream error: the stream failed while "
                                      "reading this line");
      EXPECT_EQ(masked, expected);
    }
  }
}

struct UnflushableOutput : std::stringbuf {
  int sync() override { return -1; }
};

TEST(StreamMask, ATiedOutputThatThrowsOnFlushIsAProblem) {
  UnflushableOutput sink;
  std::ostream tied(&sink);
  tied.exceptions(std::ios::badbit);
  std::istringstream in(oneOfEach());
  in.tie(&tied);
  zel23::Case c;
  const zel23::ReadReport report = zel23::read(in, c);
  EXPECT_EQ(in.tie(), &tied);
  EXPECT_EQ(c.buses.size(), 1u);
  ASSERT_EQ(report.problems.size(), 1u);
  EXPECT_EQ(report.problems[0].message,
            "Output stream error: flushing the stream tied to the input failed");
}

} // namespace
