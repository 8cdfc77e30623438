// Hostile input for the reader, the record parsers and the writer: lines at
// and far beyond the 1023-character limit in every position, NUL and high
// bytes, unclosed apostrophes in every field, odd line ends, degenerate
// files, and streams that fail while being read or written. Beyond the
// results checked here, the point is that nothing crashes, loops or touches
// memory it should not: the suite runs under the sanitizers and valgrind.

#include "record_support.h"
#include "support_hostile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <ios>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using namespace zel23_test;
using zel23_test::shown;

constexpr std::size_t kMaxLine = 1023;

template <class Rec>
bool sameLists(const std::vector<Rec>& a, const std::vector<Rec>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (!zel23::sameFields(a[i], b[i])) return false;
  return true;
}

::testing::AssertionResult sameCase(const zel23::Case& a, const zel23::Case& b) {
  if (a.comments != b.comments) return ::testing::AssertionFailure() << "comments differ";
  if (a.systemBase != b.systemBase)
    return ::testing::AssertionFailure() << "system base differs";
  if (!sameLists(a.buses, b.buses) || !sameLists(a.generators, b.generators) ||
      !sameLists(a.branches, b.branches) || !sameLists(a.adjustments, b.adjustments) ||
      !sameLists(a.areas, b.areas) || !sameLists(a.dcLines, b.dcLines) ||
      !sameLists(a.shunts, b.shunts))
    return ::testing::AssertionFailure() << "records differ";
  return ::testing::AssertionSuccess();
}

std::vector<std::string> messages(const zel23::ReadReport& report) {
  std::vector<std::string> out;
  for (const zel23::Problem& p : report.problems)
    out.push_back(p.message);
  return out;
}

// Where the recoverable read found nothing wrong, ZELParse must return true
// with the very same lists.
void expectZELParseAgrees(const std::string& text, const Read& read) {
  ASSERT_TRUE(read.report.ok()) << ::testing::PrintToString(messages(read.report));
  zel23::Case c;
  std::istringstream in(text);
  EXPECT_TRUE(zelParse(in, c));
  EXPECT_TRUE(sameCase(c, read.data));
}

std::string replaceOnce(std::string text, const std::string& from,
                        const std::string& to) {
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

// A line of `length` characters: `start`, blanks up to the 1023rd character,
// then 'X' to the end. Whatever follows the first 1023 characters is thus
// an extra field or token, so a line that was not cut reads differently.
std::string longLine(const std::string& start, std::size_t length) {
  std::string line = start;
  line.resize(std::min(length, kMaxLine), ' ');
  line.resize(length, 'X');
  return line;
}

std::size_t countLines(const std::string& text) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

// ------------------------------------------------------------------ long lines

TEST(HostileLongLines, EveryPositionIsCutAt1023AndTheNextLineSurvives) {
  enum class Position {
    Header1,
    Header2,
    Header3,
    Terminator,
    Record,
    DcSecond,
    DcThird
  };
  const struct {
    Position position;
    const char* name;
  } positions[] = {
      {Position::Header1, "header line 1"},  {Position::Header2, "header line 2"},
      {Position::Header3, "header line 3"},  {Position::Terminator, "terminator line"},
      {Position::Record, "bus record line"}, {Position::DcSecond, "DC second line"},
      {Position::DcThird, "DC third line"},
  };
  const std::string whole = oneOfEach();
  for (const auto& p : positions) {
    for (const std::size_t length :
         {std::size_t(1023), std::size_t(1024), std::size_t(100000)}) {
      SCOPED_TRACE(std::string(p.name) + ", " + std::to_string(length) + " characters");
      std::string text = whole;
      std::string line;
      std::size_t comment = 0; // the comment line that holds it, if any
      switch (p.position) {
      case Position::Header1:
        line = longLine("0 100.0 / title", length);
        text = replaceOnce(text, "0 100.0 / hostile", line);
        break;
      case Position::Header2:
        line = longLine("second", length);
        text = replaceOnce(text, "second", line);
        comment = 1;
        break;
      case Position::Header3:
        line = longLine("third", length);
        text = replaceOnce(text, "third", line);
        comment = 2;
        break;
      case Position::Terminator:
        line = longLine("0 / end of buses", length);
        text = replaceOnce(text, "0 / end of section 0", line);
        comment = 3;
        break;
      case Position::Record:
        line = longLine(kBus, length);
        text = replaceOnce(text, kBus, line);
        break;
      case Position::DcSecond:
        line = longLine(kDc2, length);
        text = replaceOnce(text, kDc2, line);
        break;
      case Position::DcThird:
        line = longLine(kDc3, length);
        text = replaceOnce(text, kDc3, line);
        break;
      }
      const Read r = readText(text);
      EXPECT_TRUE(r.report.ok()) << ::testing::PrintToString(messages(r.report));
      EXPECT_EQ(r.report.lines, countLines(text));
      ASSERT_EQ(r.data.comments.size(), 10u);
      const bool isComment =
          p.position == Position::Header1 || p.position == Position::Header2 ||
          p.position == Position::Header3 || p.position == Position::Terminator;
      if (isComment) {
        EXPECT_EQ(r.data.comments[comment], line.substr(0, kMaxLine));
      }
      EXPECT_EQ(r.data.systemBase, 100.0);
      // Every record still there, the ones after the long line included.
      EXPECT_EQ(r.data.buses.size(), 1u);
      EXPECT_EQ(r.data.generators.size(), 1u);
      EXPECT_EQ(r.data.areas.size(), 1u);
      ASSERT_EQ(r.data.dcLines.size(), 1u);
      EXPECT_EQ(r.data.dcLines[0].TSTPR(), 0.00625);
      EXPECT_EQ(r.data.dcLines[0].IPI(), 102);
      EXPECT_EQ(r.data.shunts.size(), 1u);
      EXPECT_EQ(r.data.comments[9], "0 / end of section 6");
      expectZELParseAgrees(text, r);
    }
  }
}

TEST(HostileLongLines, LastLineWithoutLineFeedIsNotProcessed) {
  const std::string body = oneOfEach();
  const std::string withoutLast = body.substr(0, body.rfind("0 / end of section 6"));
  const struct {
    const char* name;
    std::string last;
  } lasts[] = {
      {"terminator", "0 / last"},
      {"shunt record", kShunt},
      {"ignorable", " \t#"},
  };
  for (const auto& t : lasts) {
    for (const std::size_t length :
         {std::size_t(1023), std::size_t(1024), std::size_t(100000)}) {
      SCOPED_TRACE(std::string(t.name) + ", " + std::to_string(length) + " characters");
      const std::string text = withoutLast + longLine(t.last, length);
      const Read r = readText(text);
      EXPECT_TRUE(r.report.ok());
      EXPECT_EQ(r.data.comments.size(), 9u);
      EXPECT_EQ(r.data.shunts.size(), 1u);
      expectZELParseAgrees(text, r);
    }
  }
}

// Lines cut or not across the reader's internal blocks: far more text than
// one block, with long lines at varying offsets.
TEST(HostileLongLines, ManyRecordsAndLongLinesAcrossLargeInput) {
  std::string text = kHeader;
  std::size_t buses = 0;
  for (int i = 0; i < 4000; ++i) {
    text += kBus + "\n";
    ++buses;
    if (i % 97 == 0)
      text += longLine(kBus, 1023 + static_cast<std::size_t>(i) * 31) + "\n";
    if (i % 97 == 0) ++buses;
  }
  text += "0\n0\n0\n0\n0\n0\n0\n";
  const Read r = readText(text);
  EXPECT_TRUE(r.report.ok());
  EXPECT_EQ(r.data.buses.size(), buses);
  EXPECT_EQ(r.data.comments.size(), 10u);
  EXPECT_EQ(r.report.lines, countLines(text));
}

// ----------------------------------------------------------- NUL and high bytes

TEST(HostileBytes, NulAndHighBytesInLines) {
  using namespace std::string_literals;
  const std::string nameBytes = "'N\0\xff\x80'"s;
  const struct {
    const char* name;
    std::string from, to;
    std::function<void(const Read&)> check;
  } cases[] = {
      {"NUL ends the system base token's number", "0 100.0 / hostile",
       "0 100\0"
       "99 / t\xff"s,
       [](const Read& r) {
         EXPECT_EQ(r.data.systemBase, 100.0);
         EXPECT_EQ(r.data.comments[0], "0 100\0"
                                       "99 / t\xff"s);
       }},
      {"header lines keep every byte", "second\nthird", "\0\0\0\n\xff\xfe\x80"s,
       [](const Read& r) {
         EXPECT_EQ(r.data.comments[1], "\0\0\0"s);
         EXPECT_EQ(r.data.comments[2], "\xff\xfe\x80");
       }},
      {"bus name with NUL and high bytes", "'ONE'", nameBytes,
       [&](const Read& r) {
         ASSERT_EQ(r.data.buses.size(), 1u);
         EXPECT_EQ(r.data.buses[0].NAME(), nameBytes);
       }},
      {"NUL inside a number ends it", "101,1,10.0",
       "12\0"
       "34,1,10\0"
       "9"s,
       [](const Read& r) {
         ASSERT_EQ(r.data.buses.size(), 1u);
         EXPECT_EQ(r.data.buses[0].I(), 12);
         EXPECT_EQ(r.data.buses[0].PL(), 10.0);
       }},
      {"high bytes in numbers read as 0", "101,1,10.0",
       "101,\xe9,\xff"
       "5"s,
       [](const Read& r) {
         ASSERT_EQ(r.data.buses.size(), 1u);
         EXPECT_EQ(r.data.buses[0].IDE(), 0);
         EXPECT_EQ(r.data.buses[0].PL(), 0.0);
       }},
      {"generator identifier of one high byte", "101,1,50.0", "101,\xff,50.0"s,
       [](const Read& r) {
         ASSERT_EQ(r.data.generators.size(), 1u);
         EXPECT_EQ(r.data.generators[0].ID(), "'\xff '");
       }},
      {"a NUL-only line is a record line", kBus, "\0"s,
       [](const Read& r) {
         EXPECT_TRUE(r.data.buses.empty());
         EXPECT_EQ(messages(r.report),
                   std::vector<std::string>{"Error parsing bus data"});
       }},
      {"a high-byte line is a record line", kArea, "\x80\xff"s,
       [](const Read& r) {
         EXPECT_TRUE(r.data.areas.empty());
         EXPECT_EQ(messages(r.report),
                   std::vector<std::string>{"Error parsing Area Interchange Data."});
       }},
      {"terminator with NUL and high bytes", "0 / end of section 0", "0\0\xff"s,
       [](const Read& r) {
         EXPECT_EQ(r.data.comments[3], "0\0\xff"s);
         EXPECT_EQ(r.data.generators.size(), 1u);
       }},
  };
  for (const auto& t : cases) {
    SCOPED_TRACE(t.name);
    const std::string text = replaceOnce(oneOfEach(), t.from, t.to);
    const Read r = readText(text);
    ASSERT_GE(r.data.comments.size(), 10u);
    t.check(r);
    // What was read is written and read again unchanged.
    const std::string written = writeText(r.data);
    EXPECT_EQ(writeText(readText(written).data), written);
  }
}

// Every field of every record type replaced by NUL and high bytes: parsed
// or refused with a message, never anything else.
template <class Rec>
void sweepBytes(const std::string& line, const std::string& replacement) {
  std::vector<std::string> pieces;
  std::stringstream in(line);
  for (std::string piece; std::getline(in, piece, ',');)
    pieces.push_back(piece);
  for (std::size_t k = 0; k < pieces.size(); ++k) {
    std::string changed;
    for (std::size_t i = 0; i < pieces.size(); ++i)
      changed += (i ? "," : "") + (i == k ? replacement : pieces[i]);
    SCOPED_TRACE(shown(changed));
    Rec record;
    std::string message;
    if (zel23::parse(changed, record, message)) {
      EXPECT_TRUE(message.empty());
    } else {
      EXPECT_FALSE(message.empty());
    }
  }
}

TEST(HostileBytes, EveryFieldOfEveryRecordType) {
  using namespace std::string_literals;
  for (const std::string& bytes : {"\0"s, "\xff\xfe"s, "\x80\0\x7f"s, "'\xff\0'"s}) {
    SCOPED_TRACE(shown(bytes));
    sweepBytes<ZELBus>(kBus, bytes);
    sweepBytes<ZELGenerator>(kGenerator, bytes);
    sweepBytes<ZELLoad>(kLoad, bytes);
    sweepBytes<ZELBranch>(kBranch, bytes);
    sweepBytes<ZELTransformerAdjustment>(kAdjustment, bytes);
    sweepBytes<ZELAreaInterchange>(kArea, bytes);
    sweepBytes<ZELSwitchedShunt>(kShunt, bytes);
  }
}

// ------------------------------------------------------------ unclosed quotes

// Replaces each comma-separated piece of a record's lines in turn with an
// unclosed apostrophe. The lines hold no other apostrophe, so the quoted
// token runs to the end of its line, taking every later field with it: the
// parse must fail with a message, unless the piece was the last one of its
// line, where the record is read with the rest of the line in that field.
template <class Rec> struct Unclosed {
  std::vector<std::string> lines;
  // The last field of each line, given the unclosed text it was replaced by.
  std::function<void(const Rec&, std::size_t lineIndex, const std::string&)> checkLast;
};

std::vector<std::string> pieces(const std::string& line) {
  std::vector<std::string> out;
  std::stringstream in(line);
  for (std::string piece; std::getline(in, piece, ',');)
    out.push_back(piece);
  return out;
}

template <class Rec>
bool parseLines(const std::vector<std::string>& lines, Rec& record,
                std::string& message) {
  if constexpr (std::is_same_v<Rec, ZELTwoTerminalDC>)
    return zel23::parse(lines[0], lines[1], lines[2], record, message);
  else
    return zel23::parse(lines[0], record, message);
}

template <class Rec> void expectUnclosed(const Unclosed<Rec>& t) {
  for (const std::string& unclosed :
       {std::string("'"), std::string("'A B, C"), std::string("'12,13,14")}) {
    for (std::size_t l = 0; l < t.lines.size(); ++l) {
      const std::vector<std::string> p = pieces(t.lines[l]);
      for (std::size_t k = 0; k < p.size(); ++k) {
        std::vector<std::string> lines = t.lines;
        lines[l].clear();
        for (std::size_t i = 0; i < p.size(); ++i)
          lines[l] += (i ? "," : "") + (i == k ? unclosed : p[i]);
        SCOPED_TRACE("line " + std::to_string(l + 1) + ": " + shown(lines[l]));
        Rec record;
        std::string message;
        const bool ok = parseLines(lines, record, message);
        if (k + 1 == p.size()) {
          EXPECT_TRUE(ok) << message;
          if (ok) t.checkLast(record, l, unclosed);
        } else {
          EXPECT_FALSE(ok);
          EXPECT_FALSE(message.empty());
          EXPECT_TRUE(zel23::sameFields(record, Rec())) << "record changed on failure";
        }
      }
    }
  }
}

TEST(HostileQuotes, UnclosedApostropheInEveryFieldOfEveryRecordType) {
  // The test lines without their apostrophes.
  const std::string bus = "101,1,10.0,5.0,0,0,1,1.0,0.0,ONE,138.0,1";
  const std::string load = "101,L1,1,1,1,10.0,5.0,1.0,2.0,3.0,4.0";
  const std::string branch = "101,102,1,0.01,0.1,0.02,100,110,120,0,0,0,0,0,0,1";
  const std::string area = "1,101,0.0,10.0,NORTH";
  const std::string dc1 = "1,1,8.2,200,500,400,0,0,R";
  expectUnclosed<ZELBus>({{bus}, [](const ZELBus& r, std::size_t, const std::string&) {
                            EXPECT_EQ(r.ZONE(), 0);
                          }});
  expectUnclosed<ZELGenerator>(
      {{kGenerator}, [](const ZELGenerator& r, std::size_t, const std::string&) {
         EXPECT_EQ(r.PB(), 0.0);
       }});
  expectUnclosed<ZELLoad>({{load}, [](const ZELLoad& r, std::size_t, const std::string&) {
                             EXPECT_EQ(r.YQ(), 0.0);
                           }});
  expectUnclosed<ZELBranch>(
      {{branch}, [](const ZELBranch& r, std::size_t, const std::string&) {
         EXPECT_EQ(r.ST(), 0);
       }});
  expectUnclosed<ZELTransformerAdjustment>(
      {{kAdjustment},
       [](const ZELTransformerAdjustment& r, std::size_t, const std::string&) {
         EXPECT_EQ(r.TABLE(), 0);
       }});
  expectUnclosed<ZELAreaInterchange>(
      {{area}, [](const ZELAreaInterchange& r, std::size_t, const std::string& s) {
         EXPECT_EQ(r.ARNAME(), s);
       }});
  expectUnclosed<ZELSwitchedShunt>(
      {{kShunt}, [](const ZELSwitchedShunt& r, std::size_t, const std::string&) {
         EXPECT_EQ(r.noBlocks(), 1);
         EXPECT_EQ(r.B(0), 0.0);
       }});
  expectUnclosed<ZELTwoTerminalDC>(
      {{dc1, kDc2, kDc3},
       [](const ZELTwoTerminalDC& r, std::size_t line, const std::string& s) {
         const std::vector<zel23::FieldValue> last = {s, 0.0, 0.0};
         const zel23::FieldValue actual[] = {r.METER(), r.TSTPR(), r.TSTPI()};
         EXPECT_EQ(actual[line], last[line]);
       }});
}

TEST(HostileQuotes, UnclosedApostropheInAFileSpoilsOnlyItsRecord) {
  const std::string text = replaceOnce(
      oneOfEach(), kBus, "101,1,'open name,0,0,0,1,1.0,0.0,X,138.0,1\n" + kBus);
  const Read r = readText(text);
  EXPECT_EQ(messages(r.report), std::vector<std::string>{"Error parsing bus data"});
  EXPECT_EQ(r.data.buses.size(), 1u);
  EXPECT_EQ(r.data.generators.size(), 1u);
  EXPECT_EQ(r.data.comments.size(), 10u);
}

// What the fuzz targets found: records a line reads into whose printed form
// reads differently, by the rules of the format (a bare identifier is put
// between apostrophes whatever it holds; an empty last field prints as
// blanks). Kept here so that a change of those rules shows.
template <class Rec> std::string printedReadsBack(const std::string& line) {
  Rec record;
  std::string message;
  if (!zel23::parse(line, record, message)) return "unreadable: " + message;
  Rec reread;
  if (!zel23::parse(zel23_test::printed(record), reread, message))
    return "printed form fails: " + message;
  return zel23::sameFields(zel23_test::rounded(record), reread) ? "same"
                                                                : "printed form differs";
}

TEST(HostileQuotes, PrintedFormsThatDoNotReadBack) {
  const struct {
    const char* line;
    std::string outcome;
    std::string expected;
  } cases[] = {
      {"generator ID 1'",
       printedReadsBack<ZELGenerator>("1,1',0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0"),
       "printed form fails: Error parsing generator data: QG"},
      {"load ID L'1", printedReadsBack<ZELLoad>("1,L'1,1,1,1,0,0,0,0,0,0"),
       "printed form differs"},
      {"adjustment CKT C'K",
       printedReadsBack<ZELTransformerAdjustment>("1,2,C'K,3,0,0,0,0,0,0"),
       "printed form fails: Invalid bus number: -1"},
      {"empty area name", printedReadsBack<ZELAreaInterchange>("1,0,0,10,,"),
       "printed form fails: Error parsing Area Interchange Data."},
      // The same identifiers quoted, and a name of blanks, do read back.
      {"generator ID '1'",
       printedReadsBack<ZELGenerator>("1,'1',0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0"), "same"},
      {"area name ' '", printedReadsBack<ZELAreaInterchange>("1,0,0,10,' '"), "same"},
  };
  for (const auto& t : cases) {
    SCOPED_TRACE(t.line);
    EXPECT_EQ(t.outcome, t.expected);
  }
}

// ------------------------------------------------------------------ line ends

TEST(HostileLineEnds, CrLfLfCrAndCrOnly) {
  const std::string lf = oneOfEach();
  auto withEnds = [&](const std::string& end) {
    std::string out;
    for (char c : lf)
      out += c == '\n' ? end : std::string(1, c);
    return out;
  };
  {
    SCOPED_TRACE("CR LF: every line keeps its CR");
    const Read r = readText(withEnds("\r\n"));
    ASSERT_EQ(r.data.comments.size(), 10u);
    for (const std::string& comment : r.data.comments)
      EXPECT_EQ(comment.back(), '\r') << shown(comment);
    EXPECT_EQ(r.data.systemBase, 100.0);
    EXPECT_EQ(r.data.buses.size(), 1u);
    EXPECT_EQ(r.data.generators.size(), 1u);
    EXPECT_EQ(r.data.branches.size(), 1u);
    EXPECT_EQ(r.data.adjustments.size(), 1u);
    EXPECT_EQ(r.data.dcLines.size(), 1u);
    EXPECT_EQ(r.data.shunts.size(), 1u);
    // The CR after the area name's closing apostrophe is a sixth field.
    EXPECT_TRUE(r.data.areas.empty());
    EXPECT_EQ(messages(r.report),
              std::vector<std::string>{"Error parsing Area Interchange Data."});
    // Written back, header and terminator lines keep their CR.
    const std::string written = writeText(r.data);
    EXPECT_EQ(written.substr(0, 20), "0 100.0 / hostile\r\ns");
  }
  {
    SCOPED_TRACE("LF CR: the CR starts the next line and is skipped as a blank");
    const std::string text = withEnds("\n\r");
    const Read r = readText(text);
    EXPECT_EQ(r.data.comments[1], "\rsecond");
    EXPECT_EQ(r.data.buses.size(), 1u);
    EXPECT_EQ(r.data.areas.size(), 1u);
    EXPECT_EQ(r.data.dcLines.size(), 1u);
    EXPECT_EQ(r.data.shunts.size(), 1u);
    expectZELParseAgrees(text, r);
  }
  {
    SCOPED_TRACE("CR only: one line, cut at 1023, no records");
    std::string text;
    while (text.size() < 3000)
      text += withEnds("\r");
    const Read r = readText(text);
    EXPECT_TRUE(r.report.ok());
    ASSERT_EQ(r.data.comments.size(), 3u);
    EXPECT_EQ(r.data.comments[0], text.substr(0, kMaxLine));
    EXPECT_EQ(r.data.systemBase, 100.0);
    EXPECT_TRUE(r.data.buses.empty());
    expectZELParseAgrees(text, r);
  }
}

// ----------------------------------------------------------- degenerate files

TEST(HostileFiles, OnlyTerminators) {
  std::string terminators;
  for (const char* t : {"0", "#0", " \t#0", "\r0", "00000", "0abc", "# # 0 x"})
    terminators += std::string(t) + "\n";
  std::string many;
  for (int i = 0; i < 1000; ++i)
    many += "0\n";
  const struct {
    const char* name;
    std::string text;
    std::size_t comments;
  } cases[] = {
      {"every spelling of a terminator", kHeader + terminators, 10},
      {"a thousand terminators", kHeader + many, 1003},
  };
  for (const auto& t : cases) {
    SCOPED_TRACE(t.name);
    const Read r = readText(t.text);
    EXPECT_TRUE(r.report.ok());
    EXPECT_EQ(r.data.comments.size(), t.comments);
    EXPECT_TRUE(r.data.buses.empty() && r.data.shunts.empty());
    expectZELParseAgrees(t.text, r);
    // Only the first ten comment lines are written.
    EXPECT_EQ(countLines(writeText(r.data)), 10u);
  }
  // From the first line on: header line 1 "0" has no system base.
  const Read r = readText(many);
  EXPECT_EQ(r.report.problems.size(), 1u);
  EXPECT_EQ(r.data.comments.size(), 1000u);
  EXPECT_THROW(zelParseText(many), std::out_of_range);
}

TEST(HostileFiles, AMillionBlankLines) {
  const struct {
    const char* name;
    std::string blank;
    std::size_t count;
  } cases[] = {
      {"line feeds", "\n", 1000000},
      {"blanks, tabs, CRs and hashes", " \t#\r#\n", 250000},
  };
  for (const auto& t : cases) {
    SCOPED_TRACE(t.name);
    std::string text = kHeader;
    text.reserve(text.size() + t.blank.size() * t.count + 64);
    for (std::size_t i = 0; i < t.count; ++i)
      text += t.blank;
    text += kBus + "\n0\n0\n0\n0\n0\n0\n0\n";
    const Read r = readText(text);
    EXPECT_TRUE(r.report.ok());
    EXPECT_EQ(r.report.lines, countLines(text));
    EXPECT_EQ(r.data.comments.size(), 10u);
    ASSERT_EQ(r.data.buses.size(), 1u);
    EXPECT_EQ(r.report.recordLines[0], std::vector<std::size_t>{t.count + 4});
  }
}

TEST(HostileFiles, EmptyAndAlreadyFailedStreams) {
  {
    SCOPED_TRACE("empty stream");
    const Read r = readText("");
    EXPECT_EQ(r.report.problems.size(), 1u);
    EXPECT_EQ(r.data.comments, (std::vector<std::string>{"", "", ""}));
    EXPECT_THROW(zelParseText(""), std::out_of_range);
    EXPECT_EQ(writeText(r.data), "\n\n\n0\n0\n0\n0\n0\n0\n0\n");
  }
  for (const auto state : {std::ios::badbit, std::ios::failbit, std::ios::eofbit}) {
    SCOPED_TRACE("stream state " + std::to_string(state));
    std::istringstream in(oneOfEach());
    in.setstate(state);
    zel23::Case c;
    const zel23::ReadReport report = zel23::read(in, c);
    EXPECT_EQ(report.problems.size(), 1u);
    EXPECT_TRUE(c.buses.empty());
    EXPECT_LE(c.comments.size(), 3u);
  }
}

// ------------------------------------------------------------ failing input

TEST(HostileStreams, InputThatFailsInTheMiddle) {
  const std::string text = oneOfEach();
  const auto after = [&](const std::string& piece, std::size_t extra) {
    return text.find(piece) + extra;
  };
  const struct {
    const char* name;
    std::size_t cut;
  } cuts[] = {
      {"after header line 3", after("third", 6)},
      {"inside a bus line", after(kBus, 10)},
      {"right after a bus line", after(kBus, kBus.size() + 1)},
      {"inside DC line 1", after(kDc1, 5)},
      {"right after DC line 1", after(kDc1, kDc1.size() + 1)},
      {"inside DC line 2", after(kDc2, 5)},
      {"inside DC line 3", after(kDc3, 5)},
      {"inside a shunt line", after(kShunt, 5)},
      {"before the last line feed", text.size() - 1},
      {"at the end", text.size()},
  };
  for (const auto& t : cuts) {
    SCOPED_TRACE(t.name);
    {
      SCOPED_TRACE("end of input: as if the text stopped there");
      FailingInput buffer(text, t.cut, FailingInput::Failure::Eof);
      std::istream in(&buffer);
      zel23::Case c;
      const zel23::ReadReport report = zel23::read(in, c);
      const Read expected = readText(text.substr(0, t.cut));
      EXPECT_TRUE(sameCase(c, expected.data));
      EXPECT_EQ(messages(report), messages(expected.report));
      EXPECT_TRUE(in.eof());
      EXPECT_FALSE(in.bad());
    }
    {
      SCOPED_TRACE("throwing buffer: the read stops after the last whole line");
      FailingInput buffer(text, t.cut, FailingInput::Failure::Throw);
      std::istream in(&buffer);
      zel23::Case c;
      const zel23::ReadReport report = zel23::read(in, c);
      const std::size_t whole = text.rfind('\n', t.cut - 1) + 1;
      const Read expected = readText(text.substr(0, whole));
      EXPECT_TRUE(sameCase(c, expected.data));
      EXPECT_EQ(messages(report), messages(expected.report));
      EXPECT_TRUE(in.bad());
      // ZELParse returns true where the recoverable read had nothing to say.
      if (report.ok()) {
        FailingInput again(text, t.cut, FailingInput::Failure::Throw);
        std::istream in2(&again);
        zel23::Case p;
        EXPECT_TRUE(zelParse(in2, p));
        EXPECT_TRUE(sameCase(p, c));
      }
    }
  }
}

TEST(HostileStreams, InputThatFailsInHeaderLineOne) {
  const std::string text = oneOfEach();
  for (const std::size_t cut : {std::size_t(0), std::size_t(1), std::size_t(5)}) {
    for (const auto failure :
         {FailingInput::Failure::Eof, FailingInput::Failure::Throw}) {
      SCOPED_TRACE(std::to_string(cut) + " characters, " +
                   (failure == FailingInput::Failure::Eof ? "eof" : "throw"));
      FailingInput buffer(text, cut, failure);
      std::istream in(&buffer);
      zel23::Case c;
      const zel23::ReadReport report = zel23::read(in, c);
      ASSERT_FALSE(c.comments.empty());
      EXPECT_EQ(c.comments[0], text.substr(0, cut));
      // "0 100" has its system base; "" and "0" do not.
      EXPECT_EQ(report.problems.size(), cut < 5 ? 1u : 0u);
      EXPECT_TRUE(c.buses.empty());
      FailingInput again(text, cut, failure);
      std::istream in2(&again);
      zel23::Case p;
      if (cut < 5) {
        EXPECT_THROW(zelParse(in2, p), std::out_of_range);
      } else {
        EXPECT_TRUE(zelParse(in2, p));
      }
    }
  }
}

// A stream that reports errors by exception: whatever leaves the reader is
// the stream's std::ios_base::failure or its buffer's own exception.
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
      // With badbit in the mask the stream rethrows its buffer's exception.
      EXPECT_STREQ(e.what(), "device error");
    }
    EXPECT_LE(c.buses.size(), 1u);
  }
}

// ------------------------------------------------------------ failing output

TEST(HostileStreams, OutputThatRefusesAfterNCharacters) {
  zel23::Case c = readText(oneOfEach()).data;
  const std::string full = writeText(c);
  const struct {
    const char* name;
    std::function<void(std::ostream&)> prepare;
  } states[] = {
      {"default stream", [](std::ostream&) {}},
      // uppercase changes nothing in fixed notation but takes the printer's
      // path through the stream's own insertions.
      {"stream insertions", [](std::ostream& os) { os << std::uppercase; }},
  };
  for (const auto& s : states) {
    for (const std::size_t limit :
         {std::size_t(0), std::size_t(1), std::size_t(50), full.size() / 2,
          full.size() - 1, full.size(), full.size() + 10}) {
      SCOPED_TRACE(std::string(s.name) + ", " + std::to_string(limit) + " accepted");
      for (const bool throughZELPrint : {false, true}) {
        RefusingOutput buffer(limit);
        std::ostream out(&buffer);
        s.prepare(out);
        const std::ios_base::fmtflags before = out.flags();
        if (throughZELPrint) {
          EXPECT_TRUE(zelPrint(out, c));
        } else {
          zel23::write(out, c);
        }
        EXPECT_EQ(buffer.accepted(), full.substr(0, limit));
        EXPECT_EQ(out.bad(), limit < full.size());
        EXPECT_EQ(out.flags(), before);
      }
    }
  }
}

TEST(HostileStreams, OutputWithExceptionsEnabled) {
  zel23::Case c = readText(oneOfEach()).data;
  const std::string full = writeText(c);
  for (const std::size_t limit : {std::size_t(0), std::size_t(70), full.size() - 1}) {
    SCOPED_TRACE(limit);
    RefusingOutput buffer(limit);
    std::ostream out(&buffer);
    out.exceptions(std::ios::badbit);
    const std::ios_base::fmtflags before = out.flags();
    EXPECT_THROW(zel23::write(out, c), std::ios_base::failure);
    EXPECT_EQ(buffer.accepted(), full.substr(0, limit));
    EXPECT_EQ(out.flags(), before);
  }
}

TEST(HostileStreams, OutputToAFullDeviceAndToAFailedStream) {
  zel23::Case c = readText(oneOfEach()).data;
  {
    std::ofstream out("/dev/full");
    if (!out.is_open()) GTEST_SKIP() << "no /dev/full";
    EXPECT_TRUE(zelPrint(out, c));
    EXPECT_TRUE(out.bad());
    zel23::write(out, c);
  }
  RefusingOutput buffer(1000000);
  std::ostream out(&buffer);
  out.setstate(std::ios::failbit);
  zel23::write(out, c);
  EXPECT_EQ(buffer.accepted(), "");
}

// ------------------------------------------------------ where the process ends

TEST(HostileDeathTest, ZELParseEndsTheProcessOnHostileFiles) {
  const std::string junk = longLine("junk", 100000);
  const struct {
    const char* name;
    std::string text;
    const char* message;
  } files[] = {
      {"a bus line of 100,000 characters", replaceOnce(oneOfEach(), kBus, junk),
       "Error parsing bus data"},
      {"a NUL-only bus line", replaceOnce(oneOfEach(), kBus, std::string(1, '\0')),
       "Error parsing bus data"},
      {"an unclosed apostrophe in a bus line", replaceOnce(oneOfEach(), "'ONE'", "'ONE"),
       "Error parsing bus data"},
      {"a long record line after the last section", oneOfEach() + junk + "\n",
       "Unknown record type"},
      {"a DC record cut after its first line",
       oneOfEach().substr(0, oneOfEach().find(kDc2)),
       "Two terminal DC data format error."},
  };
  for (const auto& t : files) {
    SCOPED_TRACE(t.name);
    EXPECT_EXIT(zelParseText(t.text), ::testing::ExitedWithCode(255), t.message);
  }
  // A stream that throws within the second line of a DC record.
  const std::string text = oneOfEach();
  EXPECT_EXIT(
      {
        FailingInput buffer(text, text.find(kDc2) + 3, FailingInput::Failure::Throw);
        std::istream in(&buffer);
        zel23::Case c;
        zelParse(in, c);
      },
      ::testing::ExitedWithCode(255), "Two terminal DC data format error.");
}

TEST(HostileDeathTest, LineConstructorsEndTheProcessOnAnUnclosedApostrophe) {
  const struct {
    const char* name;
    std::function<void()> construct;
    const char* message;
  } cases[] = {
      {"bus", [] { ZELBus("101,1,'open,0,0,0,1,1,0,N,1,1"); }, "Error parsing bus data"},
      {"generator", [] { ZELGenerator("101,'open,1,2,3"); }, "generator data: PG"},
      {"load", [] { ZELLoad("'open,1,1,1"); }, "Invalid bus number -1"},
      {"branch", [] { ZELBranch("1,2,'open,0,0,0,0,0,0,0,0,0,0,0,0,1"); },
       "Error parsing branch data"},
      {"adjustment", [] { ZELTransformerAdjustment("1,2,'open,1,1,1,1,1,1,1"); },
       "adjustment data: ICONT"},
      {"area", [] { ZELAreaInterchange("1,'open,0,10,'A'"); },
       "Error parsing Area Interchange Data."},
      {"shunt", [] { ZELSwitchedShunt("1,1,1,1,0,0,'open,2,3"); }, "Ni or Bi"},
      {"DC", [] { ZELTwoTerminalDC(kDc1, "'open," + kDc2, kDc3); },
       "Invalid bus number: -1"},
  };
  for (const auto& t : cases) {
    SCOPED_TRACE(t.name);
    EXPECT_EXIT(t.construct(), ::testing::ExitedWithCode(255), t.message);
  }
}

} // namespace
