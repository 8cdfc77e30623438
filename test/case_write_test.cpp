// The checked writers: what they refuse, with the record and line they
// name, and every case file of the suite written exactly and read back bit
// for bit.

#include "support.h"
#include "zel23_case.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>

namespace {

using namespace zel23_test;

double nanWithPayload() {
  const std::uint64_t bits = 0x7ff8000000000123;
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// A change to the one-of-each case, and what each form then says: the
// error, or "" where it writes.
struct Refusal {
  std::function<void(zel23::Case&)> change;
  std::string exact;
  std::string printed;
};

TEST(Write, RefusesWhatWouldNotReadBackAndWritesNothing) {
  const std::string blank = "NAME holds a blank, tab or comma outside apostrophes";
  const std::string longName = "'" + std::string(1100, 'N') + "'";
  const Refusal rows[] = {
      {[](zel23::Case&) {}, "", ""},
      {[](zel23::Case& c) { c.buses[0].NAME() = "A B"; },
       "bus data record 1 (line 4): " + blank, "bus data record 1 (line 4): " + blank},
      {[](zel23::Case& c) { c.buses[0].NAME() = "A,B"; },
       "bus data record 1 (line 4): " + blank, "bus data record 1 (line 4): " + blank},
      {[](zel23::Case& c) { c.buses[0].NAME() = "'A'B'"; },
       "bus data record 1 (line 4): NAME has an apostrophe that is not its closing one",
       "bus data record 1 (line 4): NAME has an apostrophe that is not its closing one"},
      {[](zel23::Case& c) { c.buses[0].NAME() = "'A\nB'"; },
       "bus data record 1 (line 4): NAME holds a line feed",
       "bus data record 1 (line 4): NAME holds a line feed"},
      {[](zel23::Case& c) { c.buses[0].I() = 0; },
       "bus data record 1 (line 4): I is 0: the line would read as the end of its "
       "section",
       "bus data record 1 (line 4): I is 0: the line would read as the end of its "
       "section"},
      {[&](zel23::Case& c) { c.buses[0].NAME() = longName; },
       "bus data record 1 (line 4): the line would hold 1191 characters; the reader "
       "takes "
       "at most 1023",
       "bus data record 1 (line 4): the line would hold 1196 characters; the reader "
       "takes at most 1023"},
      // Three values of 309 digits still fit a printed line; four do not.
      {[](zel23::Case& c) {
         c.buses[0].PL() = c.buses[0].QL() = c.buses[0].GL() = 1e300;
       },
       "", ""},
      {[](zel23::Case& c) {
         c.buses[0].PL() = c.buses[0].QL() = c.buses[0].GL() = c.buses[0].BL() = 1e300;
       },
       "",
       "bus data record 1 (line 4): the line would hold 1288 characters; the reader "
       "takes at most 1023"},
      // A DC record's lines are measured one by one.
      {[](zel23::Case& c) {
         ZELTwoTerminalDC& d = c.dcLines[0];
         d.RDC() = d.SETVL() = d.VSCHD() = 1e300;
         d.RCR() = d.XCR() = d.EBASR() = d.RCI() = d.XCI() = d.EBASI() = 1e300;
       },
       "", ""},
      {[](zel23::Case& c) { c.buses[0].VM() = nanWithPayload(); },
       "bus data record 1 (line 4): VM is a NaN whose payload the text cannot carry", ""},
      {[](zel23::Case& c) { c.generators[0].ID() = "1"; },
       "generator data record 1 (line 6): ID is not one identifier between apostrophes",
       "generator data record 1 (line 6): ID is not one identifier between apostrophes"},
      {[](zel23::Case& c) { c.generators[0].IREG() = -2; },
       "generator data record 1 (line 6): IREG is -2: the reader takes no negative bus "
       "number",
       "generator data record 1 (line 6): IREG is -2: the reader takes no negative bus "
       "number"},
      {[](zel23::Case& c) { c.adjustments[0].ICONT() = -1; },
       "transformer adjustment data record 1 (line 10): ICONT is -1: the reader takes no "
       "negative bus number",
       "transformer adjustment data record 1 (line 10): ICONT is -1: the reader takes no "
       "negative bus number"},
      {[](zel23::Case& c) { c.areas[0].ARNAME() = ""; },
       "area interchange data record 1 (line 12): ARNAME is empty at the end of its line",
       "area interchange data record 1 (line 12): ARNAME is empty at the end of its "
       "line"},
      {[](zel23::Case& c) { c.dcLines[0].METER() = "'R'X"; },
       "two-terminal DC line data record 1 (line 14): METER has an apostrophe that is "
       "not "
       "its closing one",
       "two-terminal DC line data record 1 (line 14): METER has an apostrophe that is "
       "not "
       "its closing one"},
      {[](zel23::Case& c) { c.dcLines[0].IPR() = -3; },
       "two-terminal DC line data record 1 (line 14): IPR is -3: the reader takes no "
       "negative bus number",
       "two-terminal DC line data record 1 (line 14): IPR is -3: the reader takes no "
       "negative bus number"},
      {[](zel23::Case& c) { c.shunts[0].noBlocks() = 0; },
       "switched shunt data record 1 (line 18): noBlocks is 0: a line holds 1 to 8 "
       "blocks",
       "switched shunt data record 1 (line 18): noBlocks is 0: a line holds 1 to 8 "
       "blocks"},
      {[](zel23::Case& c) { c.shunts[0].VDES() = 1.05; },
       "switched shunt data record 1 (line 18): VDES is set: it has no place on the line",
       "switched shunt data record 1 (line 18): VDES is set: it has no place on the "
       "line"},
      {[](zel23::Case& c) { c.shunts[0].B(5) = 2; },
       "switched shunt data record 1 (line 18): block 6 is set past noBlocks",
       "switched shunt data record 1 (line 18): block 6 is set past noBlocks"},
      {[](zel23::Case& c) { c.comments[0] = "0"; },
       "header line 1 (line 1): holds no system base (it needs two tokens)",
       "header line 1 (line 1): holds no system base (it needs two tokens)"},
      {[](zel23::Case& c) { c.systemBase = 50; },
       "header line 1 (line 1): gives the system base 100.000000, not the case's "
       "50.000000",
       ""},
      {[](zel23::Case& c) { c.comments[1] = "a\nb"; },
       "header line 2 (line 2): holds a line feed",
       "header line 2 (line 2): holds a line feed"},
      {[](zel23::Case& c) { c.comments[4] = "x"; },
       "terminator line of the generator data section (line 7): does not read as a "
       "terminator line",
       "terminator line of the generator data section (line 7): does not read as a "
       "terminator line"},
      {[](zel23::Case& c) { c.comments.push_back("1 / not a terminator"); },
       "comment line 11 (line 20): does not read as a terminator line", ""},
  };
  for (const Refusal& row : rows) {
    for (bool exact : {true, false}) {
      const std::string& want = exact ? row.exact : row.printed;
      SCOPED_TRACE((exact ? "exact: " : "printed: ") + want);
      zel23::Case c = readText(oneOfEach()).data;
      row.change(c);
      std::ostringstream out;
      zel23::WriteOptions options;
      options.exact = exact;
      const zel23::WriteReport report = zel23::write(out, c, options);
      EXPECT_EQ(report.error, want);
      EXPECT_EQ(out.str().empty(), !want.empty());
      if (want.empty()) {
        EXPECT_EQ(readText(out.str()).report.lines, report.lines);
      }
    }
  }
}

// Every case file of the suite: the exact form reads back bit for bit, or
// is refused (a record the file itself holds that no text gives back, such
// as a bus numbered 0 by an unreadable number) with nothing written.
// The commas outside quotes of each line.
std::vector<std::size_t> commasPerLine(const std::string& text) {
  std::vector<std::size_t> counts(1, 0);
  bool quoted = false;
  for (const char c : text) {
    if (c == '\n') {
      counts.push_back(0);
      quoted = false;
    } else if (c == '\'') {
      quoted = !quoted;
    } else if (c == ',' && !quoted) {
      ++counts.back();
    }
  }
  return counts;
}

TEST(Write, EveryCaseFileReadsBackExactly) {
  std::size_t written = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dataPath("cases"))) {
    if (entry.path().extension() != ".raw") continue;
    SCOPED_TRACE(entry.path().filename().string());
    const zel23::Case c = readText(readFile(entry.path().string())).data;
    std::ostringstream out;
    const zel23::WriteReport report = zel23::write(out, c, zel23::WriteOptions());
    if (!report.ok()) {
      EXPECT_TRUE(out.str().empty());
      continue;
    }
    ++written;
    // The printed form has the same lines and fields, only numbers differ
    // (and it leaves out terminator lines past the last section).
    zel23::WriteOptions printedForm;
    printedForm.exact = false;
    std::ostringstream printed;
    ASSERT_TRUE(zel23::write(printed, c, printedForm).ok());
    const std::vector<std::size_t> fields = commasPerLine(printed.str());
    std::vector<std::size_t> exactFields = commasPerLine(out.str());
    ASSERT_GE(exactFields.size(), fields.size());
    exactFields.resize(fields.size());
    EXPECT_EQ(exactFields, fields);
    Read back = readText(out.str());
    EXPECT_TRUE(back.report.ok());
    ASSERT_GE(back.data.comments.size(), c.comments.size());
    back.data.comments.resize(c.comments.size());
    EXPECT_TRUE(identical(back.data, c));
  }
  EXPECT_GE(written, 20u);
}

} // namespace
