#ifndef ZEL23_TEST_CASE_SUPPORT_H
#define ZEL23_TEST_CASE_SUPPORT_H

// Whole-case helpers: read text through ZELParse into a zel23::Case, write a
// case back to text, and build small case files.

#include "zel23.h"

#include <fstream>
#include <sstream>
#include <string>

namespace zel23_test {

inline zel23::Case parseText(const std::string& text) {
  zel23::Case c;
  std::istringstream in(text);
  ZELParse(in, c.buses, c.generators, c.branches, c.adjustments, c.areas, c.dcLines,
           c.shunts, c.comments, c.systemBase);
  return c;
}

inline std::string printCase(zel23::Case& c) {
  std::ostringstream out;
  ZELPrint(out, c.buses, c.generators, c.branches, c.adjustments, c.areas, c.dcLines,
           c.shunts, c.comments, c.systemBase);
  return out.str();
}

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline std::string sampleText() { return readFile(ZEL23_SAMPLE_CASE); }

// Valid record lines, one per section, for building small files.
inline const char* const kBusLine = "101,1,10.0,5.0,0,0,1,1.0,0.0,'ONE',138.0,1";
inline const char* const kGeneratorLine =
    "101,1,50.0,10.0,30.0,-20.0,1.02,0,100.0,0.0,0.25,0.0,0.0,1.0,1,100.0,80.0,0.0";
inline const char* const kBranchLine =
    "101,102,'1 ',0.01,0.1,0.02,100,110,120,0,0,0,0,0,0,1";
inline const char* const kAdjustmentLine = "101,102,1,101,1.1,0.9,1.05,0.95,0.0125,0";
inline const char* const kAreaLine = "1,101,0.0,10.0,'NORTH'";
inline const char* const kDcLines = "1,1,8.2,200,500,400,0,0,'R'\n"
                                    "101,2,25,5,0,12.5,138,0.44,1,1.15,0.85,0.00625\n"
                                    "102,2,20,17,0,12.5,138,0.44,1,1.15,0.85,0.00625";
inline const char* const kShuntLine = "101,1,1.05,0.98,0,30.0,2,15.0";

// Three header lines and the seven sections with one record each.
inline std::string oneOfEach() {
  return std::string("0 100.0 / one of each\nsecond\nthird\n") + kBusLine +
         "\n0 / bus\n" + kGeneratorLine + "\n0 / gen\n" + kBranchLine + "\n0 / branch\n" +
         kAdjustmentLine + "\n0 / adj\n" + kAreaLine + "\n0 / area\n" + kDcLines +
         "\n0 / dc\n" + kShuntLine + "\n0 / shunt\n";
}

} // namespace zel23_test

#endif
