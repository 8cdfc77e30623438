// Hostile input and output for the reader and the writer: lines far beyond
// the 1023-character limit in every position, a million blank lines, and
// streams that fail while being read or written. Beyond the results checked
// here, nothing may crash, loop or touch memory it should not: the suite
// runs under the sanitizers and valgrind. Hostile bytes, odd line ends and
// degenerate files are whole-case fixtures in data/cases.

#include "support.h"

#include <algorithm>
#include <functional>

namespace {

using namespace zel23_test;

// Two reads: the same lists, comments, system base and problem messages.
::testing::AssertionResult sameRead(const Read& a, const Read& b) {
  std::vector<std::string> ma, mb;
  for (const zel23::Problem& p : a.report.problems)
    ma.push_back(p.message);
  for (const zel23::Problem& p : b.report.problems)
    mb.push_back(p.message);
  if (ma == mb && sameCase(a.data, b.data)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "the reads differ";
}

// `start`, blanks up to the 1023rd character, then 'X' up to `length`: all
// after the first 1023 characters would be one more field or token.
std::string longLine(const std::string& start, std::size_t length) {
  std::string line = start;
  line.resize(std::min<std::size_t>(length, 1023), ' ');
  line.resize(length, 'X');
  return line;
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  return text.replace(text.find(from), from.size(), to);
}

// A line longer than 1023 characters reads as its first 1023, in every
// position, the last line without a line feed too (which is not processed),
// and across the reader's blocks in a large input.
TEST(HostileLongLines, ReadAsTheirFirst1023Characters) {
  std::string big = "0 100\nh2\nh3\n", bigCut = big;
  for (int i = 0; i < 4000; ++i) {
    const std::string bus = "101,1,10.0,5.0,0,0,1,1.0,0.0,'ONE',138.0,1";
    big += bus + "\n" + (i % 97 ? "" : longLine(bus, 1023 + i * 31) + "\n");
    bigCut += bus + "\n" + (i % 97 ? "" : longLine(bus, 1023) + "\n");
  }
  const std::string last =
      oneOfEach().substr(0, oneOfEach().rfind("0 / end of section 6"));
  const std::string pieces[] = {"0 100.0 / hostile",
                                "second",
                                "third",
                                "0 / end of section 0",
                                "101,1,10.0,5.0,0,0,1,1.0,0.0,'ONE',138.0,1",
                                "101,2,25,5,0,12.5,138,0.44,1,1.15,0.85,0.00625",
                                "102,2,20,17,0,12.5,138,0.44,1,1.15,0.85,0.00625"};
  for (const std::size_t length : {std::size_t(1024), std::size_t(100000)}) {
    std::vector<std::pair<std::string, std::string>> texts = {{big, bigCut}};
    for (const std::string& piece : pieces)
      texts.emplace_back(replaced(oneOfEach(), piece, longLine(piece, length)),
                         replaced(oneOfEach(), piece, longLine(piece, 1023)));
    for (const std::string end : {"0 / last", "101,1,1.05,0.98,0,30.0,2,15.0", " \t#"})
      texts.emplace_back(last + longLine(end, length), last);
    for (const auto& [text, cut] : texts) {
      SCOPED_TRACE(shown(cut.substr(0, 60)) + " " + std::to_string(length));
      const Read r = readText(text);
      EXPECT_TRUE(r.report.ok());
      EXPECT_TRUE(sameRead(readText(cut), r));
      if (text.back() == '\n') {
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), r.report.lines);
      }
      EXPECT_TRUE(sameRead(Read{zelParseText(text), r.report}, r));
    }
  }
}

TEST(HostileFiles, AMillionBlankLines) {
  for (const auto& [blank, count] :
       {std::pair<std::string, std::size_t>{"\n", 1000000}, {" \t#\r#\n", 250000}}) {
    SCOPED_TRACE(count);
    std::string text = "0 100\nh2\nh3\n";
    for (std::size_t i = 0; i < count; ++i)
      text += blank;
    text += "101,1,10.0,5.0,0,0,1,1.0,0.0,'ONE',138.0,1\n0\n0\n0\n0\n0\n0\n0\n";
    const Read r = readText(text);
    EXPECT_TRUE(r.report.ok());
    EXPECT_EQ(count + 11, r.report.lines);
    EXPECT_EQ(10u, r.data.comments.size());
    EXPECT_EQ(std::vector<std::size_t>{count + 4}, r.report.recordLines[0]);
  }
}

TEST(HostileStreams, AlreadyFailedInput) {
  for (const auto state : {std::ios::badbit, std::ios::failbit, std::ios::eofbit}) {
    SCOPED_TRACE(state);
    std::istringstream in(oneOfEach());
    in.setstate(state);
    zel23::Case c;
    EXPECT_EQ(1u, zel23::read(in, c).problems.size());
    EXPECT_TRUE(c.buses.empty());
    EXPECT_LE(c.comments.size(), 3u);
  }
}

// Input that ends after `cut` characters reads as the text up to there; input
// that throws there reads as the text up to its last whole line (header line
// 1 is kept as far as it came), the stream is bad, and ZELParse agrees.
TEST(HostileStreams, InputThatFailsInTheMiddle) {
  const std::string& text = oneOfEach();
  std::vector<std::size_t> cuts = {0, 1, 5, text.size() - 1, text.size()};
  for (const char* piece : {"third", "101,1,10", "0 / end of section 0", "1,1,8.2",
                            "101,2,25", "102,2,20", "101,1,1.05"})
    for (const std::size_t extra : {std::size_t(0), std::size_t(5)})
      cuts.push_back(text.find(piece) + extra);
  for (const std::size_t cut : cuts) {
    for (const auto failure :
         {FailingInput::Failure::Eof, FailingInput::Failure::Throw}) {
      const bool eof = failure == FailingInput::Failure::Eof;
      SCOPED_TRACE(std::to_string(cut) + (eof ? " eof" : " throw"));
      FailingInput buffer(text, cut, failure);
      std::istream in(&buffer);
      Read r;
      r.report = zel23::read(in, r.data);
      const std::size_t whole = cut == 0 ? 0 : text.rfind('\n', cut - 1) + 1;
      const bool firstLine = whole == 0 || whole > cut;
      EXPECT_TRUE(sameRead(readText(text.substr(0, eof || firstLine ? cut : whole)), r));
      // As a getline loop leaves it: at the end of input, and failed where
      // the input ended with a line feed; failed and bad after a throw.
      if (eof) {
        EXPECT_TRUE(in.eof() && !in.bad());
        EXPECT_TRUE(in.fail() || (cut > 0 && text[cut - 1] != '\n'));
      } else {
        EXPECT_EQ(std::ios::badbit | std::ios::failbit, in.rdstate());
      }
      if (!r.report.ok()) continue;
      FailingInput again(text, cut, failure);
      std::istream in2(&again);
      zel23::Case p;
      EXPECT_TRUE(zelParse(in2, p));
      EXPECT_TRUE(sameRead(Read{p, r.report}, r));
    }
  }
}

// Whatever leaves the reader of a stream that reports errors by exception
// is the stream's std::ios_base::failure or its buffer's own exception.
TEST(HostileStreams, InputWithExceptionsEnabled) {
  for (const std::size_t cut : {std::size_t(0), std::size_t(40), std::size_t(100000)}) {
    SCOPED_TRACE(cut);
    FailingInput buffer(oneOfEach(), cut, FailingInput::Failure::Throw);
    std::istream in(&buffer);
    in.exceptions(std::ios::badbit | std::ios::failbit | std::ios::eofbit);
    zel23::Case c;
    try {
      zel23::read(in, c);
    } catch (const std::ios_base::failure&) {
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ("device error", e.what());
    }
    EXPECT_LE(c.buses.size(), 1u);
  }
}

// Output that refuses after `limit` characters holds the first `limit`
// characters of the text, the stream is bad, its flags unchanged; with
// exceptions enabled the write throws. Both printing paths, both writers.
TEST(HostileStreams, OutputThatRefuses) {
  zel23::Case c = readText(oneOfEach()).data;
  const std::string full = writeText(c);
  for (const bool uppercase : {false, true}) {
    for (const std::size_t limit : {std::size_t(0), std::size_t(1), std::size_t(70),
                                    full.size() - 1, full.size(), full.size() + 10}) {
      for (const int how : {0, 1, 2}) {
        SCOPED_TRACE(std::to_string(limit) + " accepted, way " + std::to_string(how));
        RefusingOutput buffer(limit);
        std::ostream out(&buffer);
        if (uppercase) out << std::uppercase; // the path through the stream's insertions
        const std::ios_base::fmtflags before = out.flags();
        double base = 0.0;
        if (how == 0) zel23::write(out, c);
        if (how == 1) {
          EXPECT_TRUE(ZELPrint(out, c.buses, c.generators, c.branches, c.adjustments,
                               c.areas, c.dcLines, c.shunts, c.comments, base));
        }
        if (how == 2) {
          out.exceptions(std::ios::badbit);
          if (limit < full.size()) {
            EXPECT_THROW(zel23::write(out, c), std::ios_base::failure);
          } else {
            zel23::write(out, c);
          }
        }
        EXPECT_EQ(full.substr(0, limit), buffer.accepted());
        EXPECT_EQ(limit < full.size(), out.bad());
        EXPECT_EQ(before, out.flags());
      }
    }
  }
  std::ofstream devFull("/dev/full");
  if (devFull.is_open()) {
    zel23::write(devFull, c);
    devFull.flush();
    EXPECT_TRUE(devFull.bad());
  }
  RefusingOutput buffer(1000000);
  std::ostream failed(&buffer);
  failed.setstate(std::ios::failbit);
  zel23::write(failed, c);
  EXPECT_EQ("", buffer.accepted());
}

} // namespace
