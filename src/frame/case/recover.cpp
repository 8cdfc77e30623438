// The recoverable interface: the same readers and parsers as the specified
// entry points. Every parser returns its outcome, a ParseResult; where the
// line constructors and ZELParse hand a failure to the fatal reporter, this
// interface keeps its message as a problem or returns it. Nothing here
// depends on the calling thread: the bus names a parse resolves against are
// an argument of the parse.

#include "frame/case/reader.h"
#include "frame/case/writer.h"
#include "frame/text/fatal.h"
#include "frame/text/registry.h"
#include "records/ZELAreaInterchange.h"
#include "records/ZELBranch.h"
#include "records/ZELBus.h"
#include "records/ZELGenerator.h"
#include "records/ZELLoad.h"
#include "records/ZELSwitchedShunt.h"
#include "records/ZELTransformerAdjustment.h"
#include "records/ZELTwoTerminalDC.h"

namespace zel23 {
namespace {

template <class Record, class... Lines>
bool parseRecoverably(Record& record, std::string& message, Lines... lines) {
  Record parsed;
  detail::ParseResult result = detail::parseRecord(parsed, lines..., BName2BNum);
  if (!result.ok) {
    message = std::move(result.message);
    return false;
  }
  record = parsed;
  return true;
}

} // namespace

const char* version() { return ZEL23_VERSION; }

const SectionNames& sectionNames(Section section) {
  static const SectionNames names[kSectionCount] = {
      {"bus", "bus", "buses", "bus data"},
      {"generator", "generator", "generators", "generator data"},
      {"branch", "branch", "branches", "branch data"},
      {"transformer_adjustment", "transformer adjustment", "adjustments",
       "transformer adjustment data"},
      {"area_interchange", "area interchange", "areas", "area interchange data"},
      {"two_terminal_dc", "two-terminal DC line", "dc_lines",
       "two-terminal DC line data"},
      {"switched_shunt", "switched shunt", "shunts", "switched shunt data"}};
  return names[static_cast<int>(section)];
}

const char* sectionName(int section) {
  if (section == kHeader) return "header";
  if (section < 0) return "unknown section";
  return section < kSectionCount ? sectionNames(static_cast<Section>(section)).message
                                 : "after the last section";
}

ReadReport read(std::istream& in, Case& into, const ReadOptions& options) {
  ReadReport report;
  const detail::CaseTarget target{into.buses,       into.generators, into.branches,
                                  into.adjustments, into.areas,      into.dcLines,
                                  into.shunts,      into.comments,   into.systemBase};
  detail::readCase(in, target, &report, options.maxProblems);
  return report;
}

void write(std::ostream& out, const Case& c) {
  detail::writeCase(out, c.buses, c.generators, c.branches, c.adjustments, c.areas,
                    c.dcLines, c.shunts, c.comments);
}

bool parse(std::string_view line, ZELBus& record, std::string& message) {
  return parseRecoverably(record, message, line);
}
bool parse(std::string_view line, ZELGenerator& record, std::string& message) {
  return parseRecoverably(record, message, line);
}
bool parse(std::string_view line, ZELLoad& record, std::string& message) {
  return parseRecoverably(record, message, line);
}
bool parse(std::string_view line, ZELBranch& record, std::string& message) {
  return parseRecoverably(record, message, line);
}
bool parse(std::string_view line, ZELTransformerAdjustment& record,
           std::string& message) {
  return parseRecoverably(record, message, line);
}
bool parse(std::string_view line, ZELAreaInterchange& record, std::string& message) {
  return parseRecoverably(record, message, line);
}
bool parse(std::string_view line, ZELSwitchedShunt& record, std::string& message) {
  return parseRecoverably(record, message, line);
}
bool parse(std::string_view line1, std::string_view line2, std::string_view line3,
           ZELTwoTerminalDC& record, std::string& message) {
  return parseRecoverably(record, message, line1, line2, line3);
}

} // namespace zel23
