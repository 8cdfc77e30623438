#ifndef ZEL23_CHECK_CHECKER_H
#define ZEL23_CHECK_CHECKER_H

// The state the checks share: the case, where each record stands in the
// file, every bus number's index and the findings so far. records.cpp holds
// the checks of single records and of records against each other,
// topology.cpp the islands and the summary, numbers.cpp the text of the
// numeric fields.

#include "check/index.h"
#include "check/message.h"
#include "zel23_check.h"

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace zel23::detail::check {

class Checker {
public:
  /// `text` is what the case was read from, or empty when unknown.
  Checker(const Case& c, const ReadReport& report, std::string_view text);

  /// Every check in order; returns the findings in line order.
  CheckResult run();
  void merge();

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

  // numbers.cpp: nothing without the text.
  void numbers();

private:
  std::size_t lineOf(Section section, std::size_t index) const {
    const auto& lines = report_.recordLines[static_cast<int>(section)];
    return index < lines.size() ? lines[index] : 0;
  }
  void warn(std::size_t line, const char* code, Message& message);
  void note(std::size_t line, const char* code, Message& message);
  /// The finding for a numeric field's token that the reader took as `value`.
  void malformedNumber(std::size_t line, std::string_view name, std::string_view token,
                       bool real, double value);
  /// Starts a new run of findings: each run is in line order, and run() merges
  /// them, earlier runs first at one line.
  void newRun() { runs_.emplace_back(); }
  /// Index of the first bus record with this number, or kNone.
  std::uint32_t busAt(int number) const { return busIndex_.find(number); }
  const ZELBus& bus(std::uint32_t index) const { return c_.buses[index]; }
  /// Warns when a bus field names no bus; 0 in an optional field means none.
  std::uint32_t needBus(std::size_t line, std::string_view what, int number,
                        bool optional = false);
  /// Joins two buses through an in-service element, unless one of them is
  /// isolated (type 4): returns that one's index then, or kNone.
  std::uint32_t connect(std::uint32_t a, std::uint32_t b);
  /// connect(), and the finding at `line` when an end is isolated; `what`
  /// names the element in the message.
  template <class Named>
  void connect(std::size_t line, const Named& what, std::uint32_t a, std::uint32_t b) {
    const std::uint32_t isolated = connect(a, b);
    if (isolated != kNone)
      warn(line, "branch-to-isolated-bus",
           Message() << "in-service " << what << " connects "
                     << Message::Bus{bus(isolated).I()}
                     << ", which is isolated (type 4)");
  }
  std::uint32_t root(std::uint32_t a);

  const Case& c_;
  const ReadReport& report_;
  std::string_view text_;
  CheckResult result_;
  std::vector<std::deque<Finding>> runs_; ///< a deque grows without moving
  BusIndex busIndex_;
  /// What the checks look up per bus at random, kept small and together
  /// (the bus records are large): the union-find over bus indices, and the
  /// fields the branch checks need.
  struct Node {
    double kv = 0.0; ///< BASKV
    std::uint32_t parent = 0;
    std::uint32_t size = 1; ///< of the island, at its root
    int type = 0;           ///< IDE
    bool connected = false; ///< an in-service branch or DC line ends here
  };
  std::vector<Node> nodes_;
  std::vector<std::uint32_t> generatorsAt_; ///< in-service generators per bus
  std::vector<std::uint32_t> offlineAt_;    ///< out-of-service generators per bus
  IndexTable branchTable_;
};

} // namespace zel23::detail::check

#endif
