#ifndef ZEL23_TEST_CASE_SUPPORT_H
#define ZEL23_TEST_CASE_SUPPORT_H

// Whole-case helpers: small case files built from one valid line per
// section, reading text through ZELParse or the recoverable reader, writing a
// case back to text, and the bundled sample.

#include "zel23.h"

#include <cstddef>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace zel23_test {

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

inline Read readText(const std::string& text, std::size_t maxProblems = 1000) {
  Read r;
  std::istringstream in(text);
  zel23::ReadOptions options;
  options.maxProblems = maxProblems;
  r.report = zel23::read(in, r.data, options);
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

// The case as ZELPrint writes it.
inline std::string printCase(zel23::Case& c) {
  std::ostringstream out;
  zelPrint(out, c);
  return out.str();
}

inline std::string writeText(const zel23::Case& c) {
  std::ostringstream out;
  zel23::write(out, c);
  return out.str();
}

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

#ifdef ZEL23_SAMPLE_CASE
inline std::string sampleText() { return readFile(ZEL23_SAMPLE_CASE); }
#endif

} // namespace zel23_test

#endif
