#include "frame/writer.h"

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

} // namespace zel23::detail

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
