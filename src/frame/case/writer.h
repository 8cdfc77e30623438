#ifndef ZEL23_FRAME_WRITER_H
#define ZEL23_FRAME_WRITER_H

#include "zel23.h"
#include "zel23_case.h"

#include <ostream>
#include <string>
#include <vector>

namespace zel23::detail {

// Writes a whole case: comment lines by position around the seven sections,
// every line ended with std::endl. A missing header line is written empty and
// a missing terminator line as "0", so the output always reads back.
void writeCase(std::ostream& out, const std::vector<ZELBus>& buses,
               const std::vector<ZELGenerator>& generators,
               const std::vector<ZELBranch>& branches,
               const std::vector<ZELTransformerAdjustment>& adjustments,
               const std::vector<ZELAreaInterchange>& areas,
               const std::vector<ZELTwoTerminalDC>& dcLines,
               const std::vector<ZELSwitchedShunt>& shunts,
               const std::vector<std::string>& comments);

// The checked writers behind zel23::write with options: the checks alone
// (the printed form formats every line to measure it and count its rounded
// doubles; the exact form formats only lines that could be too long), and
// the exact form's text, written in large blocks.
WriteReport checkCase(const Case& c, bool exact);
void writeExactCase(std::ostream& out, const Case& c);

} // namespace zel23::detail

#endif
