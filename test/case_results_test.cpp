// Parsers give their outcome back: the source module and line the fatal
// reporter prints, the message and the problem code. The recoverable
// interface works on any thread, and every problem a read makes carries its
// code.

#include "frame/case/reader.h"
#include "records/ZELAreaInterchange.h"
#include "records/ZELBranch.h"
#include "records/ZELBus.h"
#include "records/ZELGenerator.h"
#include "records/ZELLoad.h"
#include "records/ZELSwitchedShunt.h"
#include "records/ZELTransformerAdjustment.h"
#include "records/ZELTwoTerminalDC.h"
#include "support.h"
#include "zel23_matpower.h"

#include <thread>

namespace {

using namespace zel23_test;
using zel23::ProblemCode;
using zel23::detail::ParseResult;

template <class Rec> ParseResult parseResult(const std::string& text) {
  const std::vector<std::string> l = linesOf<Rec>(text);
  Rec r;
  if constexpr (std::is_same_v<Rec, ZELTwoTerminalDC>)
    return zel23::detail::parseRecord(r, l[0], l[1], l[2], zel23::detail::noBusNames());
  else
    return zel23::detail::parseRecord(r, l[0], zel23::detail::noBusNames());
}

struct Outcome {
  const char* kind;
  const char* text;
  const char* source; // empty: the parse succeeds
  int line;
  const char* message;
  ProblemCode code;
};

// The line numbers are the ones the fatal lines have always carried.
const Outcome kOutcomes[] = {
    {"bus", "101,1,10,5,0,0,1,1,0,'A',138,1", "", 0, "", ProblemCode::MalformedRecord},
    {"bus", "101,1,10", "..\\ZELBus", 31, "Error parsing bus data",
     ProblemCode::MalformedRecord},
    {"branch", "1,2", "..\\ZELBranch", 35, "Error parsing branch data",
     ProblemCode::MalformedRecord},
    {"area", "1,2,3", "..\\ZELAreaInterchange", 27,
     "Error parsing Area Interchange Data.", ProblemCode::MalformedRecord},
    {"generator", "101,'1',50", "..\\ZELGenerator", 44,
     "Error parsing generator data: QG", ProblemCode::MalformedRecord},
    {"generator", "'X','1',50", "..\\ZELGenerator", 41, "Invalid bus number: -1",
     ProblemCode::InvalidBusNumber},
    {"generator", "101,'1',50,10,30,-20,1.02,'X'", "..\\ZELGenerator", 49,
     "Invalid bus number: -1", ProblemCode::InvalidBusNumber},
    {"load", "0,'1'", "..\\ZELLoad", 33, "Invalid bus number 0",
     ProblemCode::InvalidBusNumber},
    {"load", "101,'1',1,1,1,10,5,0,0,0", "..\\ZELLoad", 43, "Error parsing load data: YQ",
     ProblemCode::MalformedRecord},
    {"adjustment", "", "..\\ZELTransformerAdjustment", 32,
     "Error parsing transformer adjustment data data: I", ProblemCode::MalformedRecord},
    {"adjustment", "1,-2,'1'", "..\\ZELTransformerAdjustment", 35,
     "Invalid bus number: -2", ProblemCode::InvalidBusNumber},
    {"shunt", "101,1,1.05,0.95,0,10,2", "..\\ZELSwitchedShunt", 60,
     "Error parsing switched shunt data: Ni or Bi", ProblemCode::MalformedRecord},
    // Nine blocks: more than the record holds.
    {"shunt", "101,1,1.05,0.95,0,10,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1",
     "..\\ZELSwitchedShunt", 60, "Error parsing switched shunt data: Ni or Bi",
     ProblemCode::MalformedRecord},
    {"shunt", "101,1,1.05", "..\\ZELSwitchedShunt", 48,
     "Error parsing switched shunt data: VSWLO", ProblemCode::MalformedRecord},
    {"dc", "\n\n", "..\\ZELTwoTerminalDC", 61, "Error parsing two terminal DC  data: I",
     ProblemCode::MalformedRecord},
    // The first failure counts, whatever follows on the later lines.
    {"dc", "1,1\n'X'\n", "..\\ZELTwoTerminalDC", 63,
     "Error parsing two terminal DC data: RDC", ProblemCode::MalformedRecord},
    {"dc", "1,1,8.2,200,500,400,0,0,'R'\n'X'\n", "..\\ZELTwoTerminalDC", 72,
     "Invalid bus number: -1", ProblemCode::InvalidBusNumber},
    {"dc", "1,1,8.2,200,500,400,0,0,'R'\n1,2,25,5,0,12.5,138,0.44,1,1.15,0.85,0.1\n1,2",
     "..\\ZELTwoTerminalDC", 88, "Error parsing two terminal DC data: GAMMX",
     ProblemCode::MalformedRecord},
};

TEST(ParseResultTest, SourceLineMessageAndCodePerRecordKind) {
  for (const Outcome& o : kOutcomes) {
    SCOPED_TRACE(std::string(o.kind) + " " + shown(o.text));
    forKind(o.kind, [&](auto tag) {
      const ParseResult result = parseResult<decltype(tag)>(o.text);
      EXPECT_EQ(result.ok, *o.source == '\0');
      EXPECT_EQ(result.source, o.source);
      EXPECT_EQ(result.line, o.line);
      EXPECT_EQ(result.message, o.message);
      if (!result.ok) {
        EXPECT_EQ(result.code, o.code);
      }
    });
  }
  const ParseResult unknown = zel23::detail::unknownRecordType();
  const ParseResult shortDc = zel23::detail::shortDcRecord();
  EXPECT_EQ(std::make_tuple(unknown.source, unknown.line, unknown.code),
            std::make_tuple(std::string_view("..\\ZELParse"), 428,
                            ProblemCode::RecordAfterLastSection));
  EXPECT_EQ(std::make_tuple(shortDc.source, shortDc.line, shortDc.code),
            std::make_tuple(std::string_view("..\\ZELParse"), 431,
                            ProblemCode::DcLineIncomplete));
}

// A name resolves through the names the parse is given, and no others.
TEST(ParseResultTest, NamesComeFromTheArgument) {
  const zel23::detail::BusNames names{{"'NORTH'", 5}};
  ZELGenerator g;
  const std::string line =
      "'NORTH','1',50,10,30,-20,1.02,'NORTH',100,0,0.25,0,0,1,1,100,80,0";
  EXPECT_TRUE(zel23::detail::parseRecord(g, line, names).ok);
  EXPECT_EQ(std::make_pair(g.I(), g.IREG()), std::make_pair(5, 5));
  EXPECT_FALSE(zel23::detail::parseRecord(g, line, zel23::detail::noBusNames()).ok);
}

// Nothing about the thread decides whether a parse ends the process.
TEST(ParseResultTest, RecoverableCallsOnAnotherThread) {
  bool parsed = true;
  std::string message;
  zel23::Case c;
  zel23::ReadReport report;
  std::thread worker([&] {
    ZELBus bus;
    parsed = zel23::parse("101,1", bus, message);
    std::istringstream in("0 100\nh2\nh3\n101,1\n'X',1\n");
    report = zel23::read(in, c);
  });
  worker.join();
  EXPECT_FALSE(parsed);
  EXPECT_EQ(message, "Error parsing bus data");
  ASSERT_EQ(report.problems.size(), 2u);
  EXPECT_EQ(report.problems[1].line, 5u);
}

struct CodeRow {
  const char* text;
  std::size_t line;
  ProblemCode code;
};

const std::string kHead = "0 100\nh2\nh3\n";

// Each kind of problem a read makes, with the same code sequentially and in
// parallel.
TEST(ProblemCodeTest, EachProblemKind) {
  // Blank lines after the header, so that the parallel reader cuts chunks.
  const std::string filler(64, '\n');
  const CodeRow rows[] = {
      {"0\n", 1, ProblemCode::NoSystemBase},
      {"101,1,10\n", 4, ProblemCode::MalformedRecord},
      {"0\n'X','1',50,10,30,-20,1.02,0,100,0,0.25,0,0,1,1,100,80,0\n", 5,
       ProblemCode::InvalidBusNumber},
      {"0\n0\n0\n0\n0\n0\n0\n101,1\n", 11, ProblemCode::RecordAfterLastSection},
      {"0\n0\n0\n0\n0\n1,1,8.2,200,500,400,0,0,'R'\n", 9, ProblemCode::DcLineIncomplete},
  };
  for (const CodeRow& row : rows) {
    const bool header = row.code == ProblemCode::NoSystemBase;
    const std::string text =
        header ? row.text + kHead.substr(6) + filler : kHead + filler + row.text;
    SCOPED_TRACE(shown(text));
    zel23::ReadOptions parallel;
    parallel.threads = 2;
    parallel.chunkBytes = 8;
    for (const zel23::ReadOptions& options : {zel23::ReadOptions(), parallel}) {
      zel23::Case c;
      const zel23::ReadReport report = zel23::readBuffer(text, c, options);
      ASSERT_EQ(report.problems.size(), 1u);
      EXPECT_EQ(report.problems[0].line, row.line + (header ? 0 : filler.size()));
      EXPECT_EQ(report.problems[0].code, row.code);
    }
  }
  zel23::Case c;
  EXPECT_EQ(zel23::readFile("/nonexistent/case.raw", c).problems.at(0).code,
            ProblemCode::FileError);
  std::istringstream failed("0 100\n");
  failed.setstate(std::ios::failbit);
  EXPECT_EQ(zel23::read(failed, c).problems.at(0).code, ProblemCode::StreamError);
  EXPECT_EQ(zel23::readMatpower(std::string_view(), c).problems.at(0).code,
            ProblemCode::Matpower);
}

} // namespace
