#include "frame/case/writer.h"

#include "frame/case/reader.h"
#include "frame/text/print.h"
#include "records/ZELAreaInterchange.h"
#include "records/ZELBranch.h"
#include "records/ZELBus.h"
#include "records/ZELGenerator.h"
#include "records/ZELSwitchedShunt.h"
#include "records/ZELTransformerAdjustment.h"
#include "records/ZELTwoTerminalDC.h"
#include "zel23_fields.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <stdexcept>

namespace zel23::detail {
namespace {

constexpr std::size_t kHeaderLines = 3;

class CaseWriter {
public:
  CaseWriter(std::ostream& out, const std::vector<std::string>& comments)
      : out_(out), comments_(comments) {}

  void comment(std::size_t position) {
    static const std::string missingHeader;
    static const std::string missingTerminator = "0";
    const std::string& line =
        position < comments_.size()
            ? comments_[position]
            : (position < kHeaderLines ? missingHeader : missingTerminator);
    out_ << line << std::endl;
  }

  template <class Record> void section(const std::vector<Record>& records) {
    for (const Record& record : records)
      out_ << record << std::endl;
  }

private:
  std::ostream& out_;
  const std::vector<std::string>& comments_;
};

} // namespace

void writeCase(std::ostream& out, const std::vector<ZELBus>& buses,
               const std::vector<ZELGenerator>& generators,
               const std::vector<ZELBranch>& branches,
               const std::vector<ZELTransformerAdjustment>& adjustments,
               const std::vector<ZELAreaInterchange>& areas,
               const std::vector<ZELTwoTerminalDC>& dcLines,
               const std::vector<ZELSwitchedShunt>& shunts,
               const std::vector<std::string>& comments) {
  CaseWriter writer(out, comments);
  for (std::size_t position = 0; position < kHeaderLines; ++position)
    writer.comment(position);
  writer.section(buses);
  writer.comment(3);
  writer.section(generators);
  writer.comment(4);
  writer.section(branches);
  writer.comment(5);
  writer.section(adjustments);
  writer.comment(6);
  writer.section(areas);
  writer.comment(7);
  writer.section(dcLines);
  writer.comment(8);
  writer.section(shunts);
  writer.comment(9);
}

namespace {

constexpr std::size_t kMaxLine = LineSource::kMaxLine;
constexpr std::size_t kBlock = std::size_t(1) << 16;

std::uint64_t bitsOf(double value) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

// The reader takes each field back from the text of its line by one of two
// scanners; these say why a string would not come back as itself, or give
// nullptr. A line feed would end the line anywhere.
const char* splitterText(const std::string& text, bool lastOnLine) {
  if (text.find('\n') != std::string::npos) return "holds a line feed";
  if (text.empty()) return lastOnLine ? "is empty at the end of its line" : nullptr;
  if (text.front() == '\'')
    return text.size() >= 2 && text.find('\'', 1) == text.size() - 1
               ? nullptr
               : "has an apostrophe that is not its closing one";
  return text.find_first_of(" \t,") == std::string::npos
             ? nullptr
             : "holds a blank, tab or comma outside apostrophes";
}

// An identifier the cursor reads and then brings into quoted form.
const char* identifierText(const std::string& text) {
  if (text.find('\n') != std::string::npos) return "holds a line feed";
  return text.size() >= 2 && text.front() == '\'' && text.find('\'', 1) == text.size() - 1
             ? nullptr
             : "is not one identifier between apostrophes";
}

// The DC line's METER, the last token of its line: whatever follows an
// opening apostrophe reads back, up to a closing one.
const char* meterText(const std::string& text) {
  if (text.find('\n') != std::string::npos) return "holds a line feed";
  if (text.empty()) return "is empty";
  if (text.front() == '\'') {
    const auto closing = text.find('\'', 1);
    return closing == std::string::npos || closing == text.size() - 1
               ? nullptr
               : "has an apostrophe that is not its closing one";
  }
  return text.find_first_of(" \t,") == std::string::npos
             ? nullptr
             : "holds a blank, tab or comma outside apostrophes";
}

// What keeps a record's line from reading back as the record: the field's
// name and the reason, or an empty string.
std::string fieldProblem(const char* field, const char* reason) {
  return reason ? std::string(field) + " " + reason : std::string();
}

std::string busNumberProblem(const char* field, int number) {
  return number < 0 ? std::string(field) + " is " + std::to_string(number) +
                          ": the reader takes no negative bus number"
                    : std::string();
}

template <class Record> std::string firstFieldProblem(const Record& r) {
  return r.I() == 0 ? "I is 0: the line would read as the end of its section"
                    : std::string();
}

// The first non-empty text of the list.
std::string firstOf(std::initializer_list<std::string> problems) {
  for (const std::string& problem : problems)
    if (!problem.empty()) return problem;
  return std::string();
}

std::string recordProblem(const ZELBus& r) {
  return firstOf(
      {firstFieldProblem(r), fieldProblem("NAME", splitterText(r.NAME(), false))});
}

std::string recordProblem(const ZELGenerator& r) {
  return firstOf({firstFieldProblem(r), busNumberProblem("I", r.I()),
                  fieldProblem("ID", identifierText(r.ID())),
                  busNumberProblem("IREG", r.IREG())});
}

std::string recordProblem(const ZELBranch& r) {
  return firstOf(
      {firstFieldProblem(r), fieldProblem("CKT", splitterText(r.CKT(), false))});
}

std::string recordProblem(const ZELTransformerAdjustment& r) {
  return firstOf({firstFieldProblem(r), busNumberProblem("I", r.I()),
                  busNumberProblem("J", r.J()),
                  fieldProblem("CKT", identifierText(r.CKT())),
                  busNumberProblem("ICONT", r.ICONT())});
}

std::string recordProblem(const ZELAreaInterchange& r) {
  return firstOf(
      {firstFieldProblem(r), fieldProblem("ARNAME", splitterText(r.ARNAME(), true))});
}

std::string recordProblem(const ZELTwoTerminalDC& r) {
  return firstOf({firstFieldProblem(r), fieldProblem("METER", meterText(r.METER())),
                  busNumberProblem("IPR", r.IPR())});
}

std::string recordProblem(const ZELSwitchedShunt& r) {
  std::string problem = firstOf({firstFieldProblem(r), busNumberProblem("I", r.I())});
  if (!problem.empty()) return problem;
  if (r.noBlocks() < 1 || r.noBlocks() > kMaxShuntBlocks)
    return "noBlocks is " + std::to_string(r.noBlocks()) + ": a line holds 1 to 8 blocks";
  static const ZELSwitchedShunt unset;
  if (bitsOf(r.VDES()) != bitsOf(unset.VDES()))
    return "VDES is set: it has no place on the line";
  for (int k = r.noBlocks(); k < kMaxShuntBlocks; ++k)
    if (r.N(k) != unset.N(k) || bitsOf(r.B(k)) != bitsOf(unset.B(k)))
      return "block " + std::to_string(k + 1) + " is set past noBlocks";
  return std::string();
}

// The exact form's own limits: the NaN that "nan" reads back as (of either
// sign) is the only one it can carry, and a line holds at most 24
// characters a number and a comma, plus the width of a field.
struct ExactScan {
  std::string problem;
  std::size_t lengthBound = 0;
};

template <class Record> ExactScan scanExact(const Record& r) {
  ExactScan scan;
  constexpr std::uint64_t kQuietNan = 0x7ff8000000000000;
  constexpr std::uint64_t kSign = std::uint64_t(1) << 63;
  forEachField(r, [&](const char* name, const auto& value) {
    using T = std::decay_t<decltype(value)>;
    if constexpr (std::is_same_v<T, std::string>) {
      scan.lengthBound += value.size() + 11;
    } else {
      scan.lengthBound += 26;
      if constexpr (std::is_same_v<T, double>)
        if (std::isnan(value) && (bitsOf(value) & ~kSign) != kQuietNan &&
            scan.problem.empty())
          scan.problem =
              std::string(name) + " is a NaN whose payload the text cannot carry";
    }
  });
  return scan;
}

template <class Record> constexpr std::size_t linesOf() {
  return std::is_same_v<Record, ZELTwoTerminalDC> ? 3 : 1;
}

class CaseChecker {
public:
  CaseChecker(const Case& c, bool exact) : c_(c), exact_(exact) {}

  WriteReport run() {
    for (std::size_t position = 0; position < kHeaderLines; ++position)
      if (!comment(position)) return report_;
    const bool done = section(0, c_.buses) && section(1, c_.generators) &&
                      section(2, c_.branches) && section(3, c_.adjustments) &&
                      section(4, c_.areas) && section(5, c_.dcLines) &&
                      section(6, c_.shunts);
    if (!done) return report_;
    // The printed form, as ZELPrint, leaves out comment lines past the tenth.
    for (std::size_t position = 10; exact_ && position < c_.comments.size(); ++position)
      if (!comment(position)) return report_;
    report_.lines = lines_;
    return report_;
  }

private:
  bool refuse(int section, std::size_t record, const std::string& where,
              const std::string& why) {
    report_.section = section;
    report_.record = record;
    report_.line = lines_ + 1;
    report_.error = where + " (line " + std::to_string(lines_ + 1) + "): " + why;
    return false;
  }

  static std::string tooLong(std::size_t length) {
    return "the line would hold " + std::to_string(length) +
           " characters; the reader takes at most " + std::to_string(kMaxLine);
  }

  std::string commentProblem(std::size_t position, const std::string& text) const {
    if (text.find('\n') != std::string::npos) return "holds a line feed";
    if (text.size() > kMaxLine) return tooLong(text.size());
    if (position >= kHeaderLines && classify(text) != LineKind::Terminator)
      return "does not read as a terminator line";
    if (position != 0) return std::string();
    double base = 0;
    try {
      base = systemBaseOf(text);
    } catch (const std::out_of_range&) {
      return "holds no system base (it needs two tokens)";
    }
    if (exact_ && bitsOf(base) != bitsOf(c_.systemBase))
      return "gives the system base " + std::to_string(base) + ", not the case's " +
             std::to_string(c_.systemBase);
    return std::string();
  }

  bool comment(std::size_t position) {
    static const std::string missingHeader, missingTerminator = "0";
    const std::string& text =
        position < c_.comments.size()
            ? c_.comments[position]
            : (position < kHeaderLines ? missingHeader : missingTerminator);
    const std::string problem = commentProblem(position, text);
    if (!problem.empty()) {
      const int closes = static_cast<int>(position) - 3;
      const std::string where =
          position < kHeaderLines ? "header line " + std::to_string(position + 1)
          : closes < kSectionCount
              ? std::string("terminator line of the ") + sectionName(closes) + " section"
              : "comment line " + std::to_string(position + 1);
      return refuse(position < kHeaderLines ? kHeader : std::min(closes, kSectionCount),
                    0, where, problem);
    }
    ++lines_;
    return true;
  }

  template <class Record> bool section(int number, const std::vector<Record>& records) {
    for (std::size_t k = 0; k < records.size(); ++k) {
      const Record& r = records[k];
      std::string problem = recordProblem(r);
      bool measure = !exact_;
      if (exact_ && problem.empty()) {
        ExactScan scan = scanExact(r);
        problem = std::move(scan.problem);
        measure = scan.lengthBound > kMaxLine;
      }
      if (problem.empty() && measure) {
        scratch_.clear();
        TextPrinter printer(scratch_, exact_);
        printFields(printer, r);
        printer.endLine();
        report_.rounded += printer.rounded();
        if (printer.longestLine() > kMaxLine) problem = tooLong(printer.longestLine());
      }
      if (!problem.empty())
        return refuse(number, k + 1,
                      std::string(sectionName(number)) + " record " +
                          std::to_string(k + 1),
                      problem);
      lines_ += linesOf<Record>();
    }
    return comment(static_cast<std::size_t>(number) + kHeaderLines);
  }

  const Case& c_;
  bool exact_;
  WriteReport report_;
  std::size_t lines_ = 0;
  std::string scratch_;
};

// The exact form's text, gathered in blocks so that the stream sees a few
// large writes instead of one per field.
class ExactWriter {
public:
  ExactWriter(std::ostream& out, const Case& c) : out_(out), c_(c) {
    block_.reserve(kBlock + 4096);
  }

  void run() {
    for (std::size_t position = 0; position < kHeaderLines; ++position)
      comment(position);
    section(c_.buses, 3);
    section(c_.generators, 4);
    section(c_.branches, 5);
    section(c_.adjustments, 6);
    section(c_.areas, 7);
    section(c_.dcLines, 8);
    section(c_.shunts, 9);
    for (std::size_t position = 10; position < c_.comments.size(); ++position)
      comment(position);
    drain();
    out_.flush();
  }

private:
  void comment(std::size_t position) {
    if (position < c_.comments.size())
      block_ += c_.comments[position];
    else if (position >= kHeaderLines)
      block_ += '0';
    block_ += '\n';
  }

  template <class Record>
  void section(const std::vector<Record>& records, std::size_t terminator) {
    for (const Record& r : records) {
      TextPrinter printer(block_, true);
      printFields(printer, r);
      printer.endLine();
      if (block_.size() >= kBlock) drain();
    }
    comment(terminator);
  }

  void drain() {
    out_.write(block_.data(), static_cast<std::streamsize>(block_.size()));
    block_.clear();
  }

  std::ostream& out_;
  const Case& c_;
  std::string block_;
};

} // namespace

WriteReport checkCase(const Case& c, bool exact) { return CaseChecker(c, exact).run(); }

void writeExactCase(std::ostream& out, const Case& c) { ExactWriter(out, c).run(); }

} // namespace zel23::detail

namespace zel23 {

WriteReport checkWrite(const Case& c, const WriteOptions& options) {
  return detail::checkCase(c, options.exact);
}

WriteReport write(std::ostream& out, const Case& c, const WriteOptions& options) {
  WriteReport report = detail::checkCase(c, options.exact);
  if (!report.ok()) return report;
  if (options.exact)
    detail::writeExactCase(out, c);
  else
    write(out, c);
  if (!out) report.error = "the output stream failed while the case was written";
  return report;
}

} // namespace zel23

bool ZELPrint(std::ostream& out, std::vector<ZELBus>& buses,
              std::vector<ZELGenerator>& generators, std::vector<ZELBranch>& branches,
              std::vector<ZELTransformerAdjustment>& adjustments,
              std::vector<ZELAreaInterchange>& areas,
              std::vector<ZELTwoTerminalDC>& dcLines,
              std::vector<ZELSwitchedShunt>& shunts, std::vector<std::string>& comments,
              double& /*systemBase*/) {
  zel23::detail::writeCase(out, buses, generators, branches, adjustments, areas, dcLines,
                           shunts, comments);
  return true;
}
