// Whole cases from data/cases: each NAME.raw is read by the recoverable
// reader and described (report, system base, lists, then the case as
// written); the description must be NAME.out byte for byte. Where the read
// found nothing wrong, ZELParse must fill the same lists and ZELPrint write
// the same text.

#include "support.h"

#include <dirent.h>

#include <algorithm>

namespace {

using namespace zel23_test;

std::string numbers(const std::vector<std::size_t>& list) {
  std::string out;
  for (std::size_t n : list)
    out += " " + std::to_string(n);
  return out;
}

std::string described(const Read& r) {
  std::string out = "lines " + std::to_string(r.report.lines) + "\n";
  for (const zel23::Problem& p : r.report.problems)
    out += "problem " + std::to_string(p.line) + " section " + std::to_string(p.section) +
           ": " + p.message + " | " + p.text + "\n";
  out += "system base " + exact(r.data.systemBase) + "\n";
  out += "comment lines" + numbers(r.report.commentLines) + "\n";
  for (int s = 0; s < zel23::kSectionCount; ++s)
    out += "section " + std::to_string(s) + " lines" + numbers(r.report.recordLines[s]) +
           "\n";
  return out + "----\n" + writeText(r.data);
}

std::vector<std::string> caseFiles() {
  std::vector<std::string> names;
  DIR* dir = ::opendir(dataPath("cases").c_str());
  while (const dirent* e = dir ? ::readdir(dir) : nullptr) {
    const std::string name = e->d_name;
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".raw") == 0)
      names.push_back(name.substr(0, name.size() - 4));
  }
  if (dir) ::closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

// ZEL23_TEST_REGENERATE=1 rewrites the .out files from what the code does
// now, for review with git diff.
TEST(CaseFiles, ReadAsDescribed) {
  const std::vector<std::string> names = caseFiles();
  ASSERT_GT(names.size(), 20u);
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const std::string text = readFile(dataPath("cases/" + name + ".raw"));
    const Read r = readText(text);
    const std::string expected = dataPath("cases/" + name + ".out");
    if (std::getenv("ZEL23_TEST_REGENERATE"))
      std::ofstream(expected, std::ios::binary) << described(r);
    EXPECT_EQ(readFile(expected), described(r));
    if (!r.report.ok()) continue;
    zel23::Case c;
    std::istringstream in(text);
    EXPECT_TRUE(zelParse(in, c));
    EXPECT_TRUE(sameCase(r.data, c));
    std::ostringstream printedCase;
    double ignored = -1.0;
    EXPECT_TRUE(ZELPrint(printedCase, c.buses, c.generators, c.branches, c.adjustments,
                         c.areas, c.dcLines, c.shunts, c.comments, ignored));
    EXPECT_EQ(writeText(r.data), printedCase.str());
  }
}

// The bundled sample reads without a problem, as ZELParse reads it, and its
// written form reads back into the same text.
TEST(CaseFiles, Sample) {
  const std::string text = readFile(ZEL23_SAMPLE_CASE);
  const Read r = readText(text);
  EXPECT_TRUE(r.report.ok());
  EXPECT_TRUE(sameCase(zelParseText(text), r.data));
  EXPECT_EQ(text.substr(0, text.find('\n')), r.data.comments[0]);
  const std::string written = writeText(r.data);
  EXPECT_EQ(written, writeText(readText(written).data));
}

// Header line 1 -> system base; "none" where it has no second token: a
// problem for the recoverable reader, std::out_of_range from ZELParse after
// it appended the line, the system base and the name maps left as they were.
TEST(CaseFiles, SystemBase) {
  for (const Row& row : table("system_base.txt")) {
    SCOPED_TRACE(shown(row[0]));
    const std::string text = row[0] + "\nh2\nh3\n";
    const Read r = readText(text);
    EXPECT_EQ(row[1] == "none", !r.report.ok());
    BName2BNum["'X'"] = 1;
    BNum2BName[1] = "'X'";
    zel23::Case c;
    c.systemBase = 7.0;
    std::istringstream in(text);
    if (row[1] == "none") {
      EXPECT_THROW(zelParse(in, c), std::out_of_range);
      EXPECT_EQ(7.0, c.systemBase);
      EXPECT_EQ(std::vector<std::string>{row[0]}, c.comments);
    } else {
      EXPECT_TRUE(zelParse(in, c));
      EXPECT_EQ(std::strtod(row[1].c_str(), nullptr), c.systemBase);
      EXPECT_EQ(c.systemBase, r.data.systemBase);
    }
    EXPECT_TRUE(BName2BNum.empty() && BNum2BName.empty());
  }
}

// ZELParse appends to the lists it is given; the recoverable reader keeps
// at most maxProblems problems, counts the rest, and leaves the name maps
// alone; the writer fills missing header lines with empty ones and missing
// terminator lines with "0".
TEST(CaseFiles, AppendingCappingAndTheNameMaps) {
  const std::string text = readFile(dataPath("cases/one_of_each.raw"));
  zel23::Case c = zelParseText(text);
  std::istringstream again(text);
  zelParse(again, c);
  EXPECT_EQ(2u, c.buses.size());
  EXPECT_EQ(2u, c.dcLines.size());
  EXPECT_EQ(20u, c.comments.size());

  std::string bad = "0 100\nh2\nh3\n";
  for (int i = 0; i < 50; ++i)
    bad += "1,2,3\n";
  const Read capped = readText(bad, 10);
  EXPECT_EQ(10u, capped.report.problems.size());
  EXPECT_EQ(40u, capped.report.problemsDropped);
  EXPECT_FALSE(capped.report.ok());

  zel23::Case two;
  two.comments = {"c0", "c1"};
  EXPECT_EQ("c0\nc1\n\n0\n0\n0\n0\n0\n0\n0\n", writeText(two));
  EXPECT_EQ("\n\n\n0\n0\n0\n0\n0\n0\n0\n", writeText(zel23::Case()));

  BName2BNum["'ONE'"] = 101;
  const Read named =
      readText("0 100\nh2\nh3\n0\n'ONE',1,50,10,30,-20,1.02,0,100,0,0.25,0,0,"
               "1,1,100,80,0\n");
  ASSERT_EQ(1u, named.report.problems.size());
  EXPECT_EQ("Invalid bus number: -1", named.report.problems[0].message);
  EXPECT_EQ(1u, BName2BNum.size());
  BName2BNum.clear();
}

} // namespace
