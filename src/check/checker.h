#ifndef ZEL23_CHECK_CHECKER_H
#define ZEL23_CHECK_CHECKER_H

// The state the checks share: the case, where each record stands in the
// file, every bus number's index and the findings so far. records.cpp holds
// the checks of single records and of records against each other,
// topology.cpp the islands and the summary.

#include "check/index.h"
#include "zel23_check.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zel23::detail::check {

class Checker {
public:
  Checker(const Case& c, const ReadReport& report);

  /// Every check in order; returns the findings in line order.
  CheckResult run();

  // records.cpp
  void buses();
  void generators();
  void branches();
  void adjustments();
  void areas();
  void dcLines();
  void shunts();
  void terminators();

  // topology.cpp: needs the connections made by branches() and dcLines().
  void islands();

private:
  std::size_t lineOf(int section, std::size_t index) const {
    const auto& lines = report_.recordLines[section];
    return index < lines.size() ? lines[index] : 0;
  }
  void warn(std::size_t line, const char* code, std::string message);
  /// Index of the first bus record with this number, or kNone.
  std::uint32_t busAt(int number) const;
  const ZELBus& bus(std::uint32_t index) const { return c_.buses[index]; }
  /// Warns when a bus field names no bus; 0 in an optional field means none.
  std::uint32_t needBus(std::size_t line, const std::string& what, int number,
                        bool optional = false);
  /// Joins two buses through an in-service element at `line`, unless one of
  /// them is isolated (type 4), which is a finding.
  void connect(std::size_t line, const std::string& what, std::uint32_t a,
               std::uint32_t b);
  std::uint32_t root(std::uint32_t a);

  const Case& c_;
  const ReadReport& report_;
  CheckResult result_;
  IndexTable busTable_;
  std::vector<std::uint32_t> parent_;       ///< union-find over bus indices
  std::vector<std::uint32_t> islandSize_;   ///< at each root
  std::vector<bool> connected_;             ///< an in-service element ends here
  std::vector<std::uint32_t> generatorsAt_; ///< in-service generators per bus
  IndexTable branchTable_;
};

} // namespace zel23::detail::check

#endif
