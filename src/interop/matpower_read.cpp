// A MATPOWER case into a zel23::Case: the scanner collects the fields, then
// each matrix becomes records row by row.

#include "zel23_matpower.h"

#include "frame/case/reader.h"
#include "interop/matlab.h"
#include "frame/text/charconv.h"
#include "interop/matpower_columns.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdint>
#include <istream>
#include <iterator>
#include <map>
#include <unordered_map>

namespace zel23 {

namespace {

using interop::count;
using interop::numberedId;
using interop::Row;
using interop::Value;

std::string numberText(double value, bool fixed = false) {
  char text[400];
  auto end = fixed ? detail::formatFixedShortest(text, text + sizeof text, value).ptr
                   : detail::formatShortest(text, text + sizeof text, value).ptr;
  return std::string(text, end);
}

// The longest bus name a raw bus line holds: 1023 characters, less the
// other eleven fields at their narrowest printed widths, the eleven commas
// and the name's two apostrophes.
constexpr std::size_t kLongestName = 1023 - 83 - 11 - 2;

class CaseReader {
public:
  CaseReader(std::string_view text, Case& into, const ReadOptions& options,
             MatpowerReport& report)
      : text_(text), into_(into), options_(options), report_(report) {}

  void run() {
    if (text_.empty()) {
      problem(1, kSectionCount, "the file is empty");
      return finish();
    }
    interop::ScanSink sink;
    sink.wantsProblems = [](const std::string& field) { return isMapped(field); };
    sink.assigned = [this](const std::string& field, const Value& value) {
      assigned(field, value);
    };
    sink.skipped = [this](std::size_t line, const std::string& field,
                          const std::string& why) { skipped(line, field, why); };
    sink.problem = [this](std::size_t line, std::string message) {
      problem(line, kSectionCount, std::move(message));
    };
    interop::scanFunctionFile(text_, sink, file_);
    report_.functionName = file_.name;
    report_.lines =
        file_.lineStarts.size() - (text_.back() == '\n' || text_.back() == '\r');
    if (otherStatements_ > 0)
      report_.notCarried.push_back(
          count(otherStatements_, "statement", "statements") +
          " other than assignments of whole mpc fields skipped (first on line " +
          std::to_string(firstOther_) + ")");

    functionName();
    header(file_.functionLine);
    buses();
    generators();
    branches();
    areas();
    finish();
  }

private:
  static bool isMapped(const std::string& field) {
    return field == "version" || field == "baseMVA" || field == "bus" || field == "gen" ||
           field == "branch" || field == "areas" || field == "bus_name";
  }

  // A MATPOWER case is a function file named by its function.
  void functionName() {
    const std::string& name = file_.name;
    if (file_.functionLine == 0) {
      problem(std::max<std::size_t>(report_.lines, 1), kSectionCount,
              "the function line `function mpc = NAME` is missing");
      return;
    }
    bool identifier = !name.empty() && name.size() <= 63 &&
                      std::isalpha(static_cast<unsigned char>(name.front()));
    for (char c : name)
      identifier =
          identifier && (std::isalnum(static_cast<unsigned char>(c)) || c == '_');
    if (!identifier)
      problem(file_.functionLine, kSectionCount,
              name.empty() ? std::string("the function line names no function")
                           : "the function name '" + detail::excerpt(name, 40) +
                                 "' is not a MATLAB name");
  }

  void assigned(const std::string& field, const Value& value) {
    if (isMapped(field)) return;
    std::string note = "mpc." + field + " (line " + std::to_string(value.line) + ")";
    std::size_t rows = value.rows.size();
    if (value.kind == Value::kMatrix || value.kind == Value::kCell)
      note += ": " + count(rows, "row", "rows");
    if (field == "gencost") note += " of generator cost data";
    if (field == "dcline") note += " of DC lines";
    report_.notCarried.push_back(note + " not carried");
  }

  // A statement that changes a mapped field, or the whole case, and was not
  // evaluated is a problem; any other is only counted.
  void skipped(std::size_t line, const std::string& field, const std::string& why) {
    if (field == "mpc" || isMapped(field)) {
      problem(line, kSectionCount, (field == "mpc" ? "" : "mpc." + field + ": ") + why);
      return;
    }
    if (otherStatements_++ == 0) firstOther_ = line;
  }

  // Problems are kept without their lines' text until the end, and never
  // many more than will be reported.
  void problem(std::size_t line, int section, std::string message) {
    Problem p;
    p.line = line;
    p.section = section;
    p.message = std::move(message);
    p.code = ProblemCode::Matpower;
    problems_.push_back(std::move(p));
    if (problems_.size() >= 2 * options_.maxProblems + 64) keepFirstProblems();
  }

  void keepFirstProblems() {
    std::stable_sort(problems_.begin(), problems_.end(),
                     [](const Problem& a, const Problem& b) { return a.line < b.line; });
    if (problems_.size() > options_.maxProblems) {
      report_.problemsDropped += problems_.size() - options_.maxProblems;
      problems_.resize(options_.maxProblems);
    }
  }

  const Value* field(const std::string& name, int section, bool required) {
    auto it = file_.fields.find(name);
    if (it == file_.fields.end()) {
      if (required) problem(report_.lines, section, "mpc." + name + " is missing");
      return nullptr;
    }
    return it->second.kind == Value::kNone ? nullptr : &it->second;
  }

  // A matrix whose rows all have one width of at least `columns`; rows that
  // do not are reported and dropped from the returned list.
  std::vector<const Row*> rows(const char* name, std::size_t columns, int section) {
    std::vector<const Row*> good;
    const Value* value = field(name, section, section != 4);
    if (!value) return good;
    if (value->kind != Value::kMatrix) {
      problem(value->line, section, std::string("mpc.") + name + " is not a matrix");
      return good;
    }
    good.reserve(value->rows.size());
    // The first row that reads sets the width the others must have.
    auto first = std::find_if(value->rows.begin(), value->rows.end(),
                              [](const Row& row) { return !row.bad; });
    std::size_t width = first == value->rows.end() ? 0 : first->width;
    for (const Row& row : value->rows) {
      if (row.bad) continue;
      if (row.width < columns)
        problem(row.line, section,
                std::string("mpc.") + name + ": a row has " +
                    count(row.width, "column", "columns") + ", at least " +
                    std::to_string(columns) + " are needed");
      else if (row.width != width)
        problem(row.line, section,
                std::string("mpc.") + name + ": a row has " +
                    count(row.width, "column", "columns") + ", the first readable row " +
                    std::to_string(width));
      else
        good.push_back(&row);
    }
    matrix_ = value;
    return good;
  }

  double at(const Row& row, std::size_t column) const {
    return matrix_->numbers[row.start + column];
  }

  // Integral columns: bus numbers, types, areas, zones, statuses.
  bool integer(const Row& row, const char* matrix, const interop::Column& column,
               int section, int& into) {
    double v = at(row, column.index);
    if (std::trunc(v) == v && v >= INT_MIN && v <= INT_MAX) {
      into = static_cast<int>(v);
      return true;
    }
    problem(row.line, section,
            std::string("mpc.") + matrix + " column " + std::to_string(column.index + 1) +
                " (" + column.name + "): " + numberText(v) +
                (std::isfinite(v) && std::trunc(v) == v
                     ? " is beyond the 32-bit integers a raw case holds"
                     : " is not an integer"));
    return false;
  }

  bool knownBus(const Row& row, const char* what, int bus, int section) {
    bool known = bus >= 0 && static_cast<std::size_t>(bus) < knownBuses_.size()
                     ? knownBuses_[static_cast<std::size_t>(bus)]
                     : busLines_.count(bus) > 0;
    if (known) return true;
    problem(row.line, section,
            std::string(what) + " names bus " + std::to_string(bus) +
                ", which no mpc.bus row has");
    return false;
  }

  // Counts rows with a value in columns past `mapped`; noted as one line.
  void extraColumns(const Row& row, std::size_t mapped, std::size_t& rowsWithData) {
    for (std::size_t k = mapped; k < row.width; ++k)
      if (at(row, k) != 0.0) {
        ++rowsWithData;
        return;
      }
  }

  void noteColumns(const char* matrix, std::size_t mapped, std::size_t rowsWithData,
                   const char* what) {
    if (rowsWithData == 0) return;
    report_.notCarried.push_back(std::string("mpc.") + matrix + ": " +
                                 count(rowsWithData, "row", "rows") +
                                 " with values in columns " + std::to_string(mapped + 1) +
                                 " and after (" + what + ") not carried");
  }

  void header(std::size_t functionLine) {
    if (const Value* version = field("version", kSectionCount, false)) {
      bool two = (version->kind == Value::kText && version->text == "2") ||
                 (version->kind == Value::kNumber && version->number == 2.0);
      if (!two)
        problem(version->line, kSectionCount,
                "mpc.version is not '2': only version 2 case files are read");
    }
    double base = 0.0;
    if (const Value* v = field("baseMVA", kHeader, true)) {
      if (v->kind != Value::kNumber) {
        problem(v->line, kHeader, "mpc.baseMVA is not a number");
      } else if (!(v->number >= 1 && v->number < 2147483648.0)) {
        // Raw readers take the whole part of the header's base as an int.
        problem(v->line, kHeader,
                "mpc.baseMVA is " + numberText(v->number) +
                    ": a system base must be a number from 1 to 2147483647");
      } else {
        base = v->number;
      }
    }
    into_.systemBase = base;
    std::string text = numberText(base, true);
    if (std::trunc(base) != base)
      report_.notCarried.push_back(
          "mpc.baseMVA " + text + " is not a whole number: raw readers take " +
          numberText(std::trunc(base), true));
    into_.comments.push_back("0   " + text + " / MATPOWER case " + report_.functionName);
    // The first two comment lines after the function line are the case's
    // title lines, as the writer puts them.
    std::size_t line = functionLine + 1;
    for (int k = 0; k < 2; ++k, ++line) {
      std::string title;
      if (line <= file_.lineStarts.size()) {
        std::string_view text = file_.line(text_, line);
        auto first = text.find_first_not_of(" \t");
        if (first != std::string_view::npos && text[first] == '%')
          title = std::string(text.substr(first + 1));
        else
          line = file_.lineStarts.size() + 1; // the comment block has ended
      }
      into_.comments.push_back(title);
    }
    // Terminator lines as the raw writer writes missing ones, so the case is
    // as complete as one read from a raw file.
    into_.comments.insert(into_.comments.end(), kSectionCount, "0");
  }

  void buses() {
    using namespace interop::bus;
    std::vector<const Row*> good = rows("bus", kColumns, 0);
    into_.buses.reserve(into_.buses.size() + good.size());
    const Value* matrix = matrix_;
    const std::vector<std::string>* names = busNames(matrix);
    std::size_t limits = 0, extra = 0, apostrophes = 0;
    busLines_.reserve(good.size());
    for (const Row* row : good) {
      ZELBus b;
      if (!integer(*row, "bus", kBusI, 0, b.I()) ||
          !integer(*row, "bus", kType, 0, b.IDE()) ||
          !integer(*row, "bus", kArea, 0, b.AREA()) ||
          !integer(*row, "bus", kZone, 0, b.ZONE()))
        continue;
      if (b.I() <= 0) {
        problem(row->line, 0,
                "mpc.bus: bus number " + std::to_string(b.I()) + " is not positive");
        continue;
      }
      auto [it, fresh] = busLines_.emplace(b.I(), row->line);
      if (!fresh) {
        problem(row->line, 0,
                "bus " + std::to_string(b.I()) + " is defined twice (first on line " +
                    std::to_string(it->second) + ")");
        continue;
      }
      b.PL() = at(*row, kPd.index);
      b.QL() = at(*row, kQd.index);
      b.GL() = at(*row, kGs.index);
      b.BL() = at(*row, kBs.index);
      b.VM() = at(*row, kVm.index);
      b.VA() = at(*row, kVa.index);
      b.BASKV() = at(*row, kBaseKv.index);
      std::size_t position = static_cast<std::size_t>(row - matrix->rows.data());
      std::string name = names ? (*names)[position] : std::string();
      if (name.find('\'') != std::string::npos) {
        // A raw name ends at its second apostrophe.
        std::replace(name.begin(), name.end(), '\'', '`');
        ++apostrophes;
      }
      b.NAME() = quotedName(name);
      if (at(*row, kVmax.index) != kVmaxWritten || at(*row, kVmin.index) != kVminWritten)
        ++limits;
      extraColumns(*row, kColumns, extra);
      into_.buses.push_back(std::move(b));
      report_.recordLines[0].push_back(row->line);
    }
    std::size_t most = 4 * into_.buses.size() + 1024;
    knownBuses_.assign(most, false);
    for (const auto& [bus, line] : busLines_)
      if (bus >= 0 && static_cast<std::size_t>(bus) < most)
        knownBuses_[static_cast<std::size_t>(bus)] = true;
    if (limits)
      report_.notCarried.push_back(count(limits, "bus", "buses") +
                                   ": voltage limits VMAX and VMIN not carried");
    noteColumns("bus", kColumns, extra, "OPF results");
    if (apostrophes)
      report_.notCarried.push_back(
          count(apostrophes, "bus name", "bus names") +
          ": apostrophes written as ` (a raw name cannot hold one)");
  }

  // The names of the bus rows, by position, when mpc.bus_name has one per
  // row.
  const std::vector<std::string>* busNames(const Value* busMatrix) {
    const Value* names = field("bus_name", kSectionCount, false);
    if (!names || !busMatrix) return nullptr;
    if (names->kind != Value::kCell) {
      problem(names->line, kSectionCount, "mpc.bus_name is not a cell array");
      return nullptr;
    }
    if (names->texts.size() != busMatrix->rows.size()) {
      problem(names->line, kSectionCount,
              "mpc.bus_name holds " + count(names->texts.size(), "name", "names") +
                  ", mpc.bus " + count(busMatrix->rows.size(), "row", "rows"));
      return nullptr;
    }
    // A name a raw bus line cannot hold back is refused, not cut.
    bool fit = true;
    for (const Row& row : names->rows)
      for (std::size_t k = row.start; k < row.start + row.width; ++k) {
        const std::string& name = names->texts[k];
        if (name.find('\0') != std::string::npos) {
          problem(row.line, kSectionCount, "mpc.bus_name: a name holds a NUL byte");
          fit = false;
        } else if (name.size() > kLongestName) {
          problem(row.line, kSectionCount,
                  "mpc.bus_name: a name of " + std::to_string(name.size()) +
                      " characters is longer than the " + std::to_string(kLongestName) +
                      " a raw bus line holds");
          fit = false;
        }
      }
    return fit ? &names->texts : nullptr;
  }

  // Between apostrophes and padded to the eight characters of a raw name.
  static std::string quotedName(const std::string& name) {
    std::string quoted;
    quoted.reserve(std::max<std::size_t>(name.size(), 8) + 2);
    quoted.append(1, '\'').append(name);
    if (name.size() < 8) quoted.append(8 - name.size(), ' ');
    return quoted.append(1, '\'');
  }

  void generators() {
    using namespace interop::gen;
    std::vector<const Row*> good = rows("gen", kColumns, 1);
    into_.generators.reserve(into_.generators.size() + good.size());
    std::unordered_map<int, int> perBus;
    std::size_t extra = 0;
    for (const Row* row : good) {
      ZELGenerator g;
      if (!integer(*row, "gen", kBus, 1, g.I()) ||
          !integer(*row, "gen", kStatus, 1, g.STAT()) ||
          !knownBus(*row, "mpc.gen: a generator", g.I(), 1))
        continue;
      g.ID() = numberedId(++perBus[g.I()]);
      g.PG() = at(*row, kPg.index);
      g.QG() = at(*row, kQg.index);
      g.QT() = at(*row, kQmax.index);
      g.QB() = at(*row, kQmin.index);
      g.VS() = at(*row, kVg.index);
      g.MBASE() = at(*row, kMbase.index);
      g.PT() = at(*row, kPmax.index);
      g.PB() = at(*row, kPmin.index);
      g.IREG() = 0;
      extraColumns(*row, kColumns, extra);
      into_.generators.push_back(std::move(g));
      report_.recordLines[1].push_back(row->line);
    }
    noteColumns("gen", kColumns, extra, "capability curve, ramp rates, APF, OPF results");
  }

  void branches() {
    using namespace interop::branch;
    std::vector<const Row*> good = rows("branch", kColumns, 2);
    const std::size_t first = into_.branches.size();
    into_.branches.reserve(first + good.size());
    std::vector<std::uint64_t> pairs; // both buses in one key, per branch
    pairs.reserve(good.size());
    std::size_t angles = 0, extra = 0;
    for (const Row* row : good) {
      ZELBranch br;
      if (!integer(*row, "branch", kFrom, 2, br.I()) ||
          !integer(*row, "branch", kTo, 2, br.J()) ||
          !integer(*row, "branch", kStatus, 2, br.ST()) ||
          !knownBus(*row, "mpc.branch: a branch", br.I(), 2) ||
          !knownBus(*row, "mpc.branch: a branch", br.J(), 2))
        continue;
      auto [low, high] = std::minmax(br.I(), br.J());
      pairs.push_back(std::uint64_t(std::uint32_t(low)) << 32 | std::uint32_t(high));
      br.R() = at(*row, kR.index);
      br.X() = at(*row, kX.index);
      br.B() = at(*row, kB.index);
      br.RATEA() = at(*row, kRateA.index);
      br.RATEB() = at(*row, kRateB.index);
      br.RATEC() = at(*row, kRateC.index);
      br.RATIO() = at(*row, kTap.index);
      br.ANGLE() = at(*row, kShift.index);
      if (at(*row, kAngmin.index) != kAngminWritten ||
          at(*row, kAngmax.index) != kAngmaxWritten)
        ++angles;
      extraColumns(*row, kColumns, extra);
      into_.branches.push_back(std::move(br));
      report_.recordLines[2].push_back(row->line);
    }
    numberCircuits(pairs, first);
    if (angles)
      report_.notCarried.push_back(count(angles, "branch", "branches") +
                                   ": angle limits ANGMIN and ANGMAX not carried");
    noteColumns("branch", kColumns, extra, "power flow and OPF results");
  }

  // Circuits numbered per pair of buses in file order: branches sorted by
  // pair (a stable sort keeps file order within one), then counted.
  void numberCircuits(const std::vector<std::uint64_t>& pairs, std::size_t first) {
    std::vector<std::uint32_t> order(pairs.size());
    for (std::uint32_t k = 0; k < order.size(); ++k)
      order[k] = k;
    std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
      return pairs[a] < pairs[b];
    });
    int circuit = 0;
    for (std::size_t k = 0; k < order.size(); ++k) {
      circuit = k > 0 && pairs[order[k]] == pairs[order[k - 1]] ? circuit + 1 : 1;
      into_.branches[first + order[k]].CKT() = numberedId(circuit);
    }
  }

  void areas() {
    using namespace interop::areas;
    std::vector<const Row*> good = rows("areas", kColumns, 4);
    into_.areas.reserve(into_.areas.size() + good.size());
    for (const Row* row : good) {
      ZELAreaInterchange a;
      if (!integer(*row, "areas", kArea, 4, a.I()) ||
          !integer(*row, "areas", kPriceRefBus, 4, a.ISW()))
        continue;
      into_.areas.push_back(std::move(a));
      report_.recordLines[4].push_back(row->line);
    }
  }

  void finish() {
    keepFirstProblems();
    for (Problem& p : problems_)
      p.text = detail::excerpt(file_.line(text_, p.line), detail::kExcerpt);
    report_.problems = std::move(problems_);
  }

  std::string_view text_;
  Case& into_;
  const ReadOptions& options_;
  MatpowerReport& report_;
  interop::FunctionFile file_;
  const Value* matrix_ = nullptr;
  std::unordered_map<int, std::size_t> busLines_;
  // Bus numbers up to a few times the bus count, looked up by index: far
  // faster than the map for the hundreds of thousands of lookups of a
  // large case; numbers beyond it are looked up in the map.
  std::vector<bool> knownBuses_;
  std::vector<Problem> problems_;
  std::size_t otherStatements_ = 0;
  std::size_t firstOther_ = 0;
};

} // namespace

// Editors on some systems start a UTF-8 file with a byte order mark.
std::string_view withoutBom(std::string_view text) {
  return text.substr(0, 3) == "\xEF\xBB\xBF" ? text.substr(3) : text;
}

MatpowerReport readMatpower(std::string_view text, Case& into,
                            const ReadOptions& options) {
  text = withoutBom(text);
  MatpowerReport report;
  CaseReader(text, into, options, report).run();
  return report;
}

MatpowerReport readMatpower(std::istream& in, Case& into, const ReadOptions& options) {
  std::string text(std::istreambuf_iterator<char>(in), {});
  return readMatpower(text, into, options);
}

bool looksLikeMatpower(std::string_view text) {
  text = withoutBom(text);
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = std::min(text.find('\n', pos), text.size());
    std::string_view line = text.substr(pos, end - pos);
    auto first = line.find_first_not_of(" \t\r");
    if (first != std::string_view::npos && line[first] != '%') {
      line.remove_prefix(first);
      return line.substr(0, 8) == "function" &&
             (line.size() == 8 || line[8] == ' ' || line[8] == '\t' || line[8] == '[');
    }
    pos = end + 1;
  }
  return false;
}

} // namespace zel23
