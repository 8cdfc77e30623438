// A MATPOWER case into a zel23::Case: the scanner collects the fields, then
// each matrix becomes records row by row.

#include "zel23_matpower.h"

#include "frame/case/reader.h"
#include "frame/text/charconv.h"
#include "frame/text/wording.h"
#include "interop/matlab.h"
#include "interop/matpower_columns.h"
#include "interop/matpower_read.h"

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

using detail::plural;
using interop::numberedId;
using interop::Row;
using interop::Value;

// The sections the MATPOWER matrices fill, as places of their problems.
constexpr int kBusPlace = static_cast<int>(Section::Bus);
constexpr int kGeneratorPlace = static_cast<int>(Section::Generator);
constexpr int kBranchPlace = static_cast<int>(Section::Branch);
constexpr int kAreaPlace = static_cast<int>(Section::AreaInterchange);

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

// Values by bus number: by index for numbers below a bound set from the
// bus count, far faster than a hash map for the hundreds of thousands of
// lookups of a large case; in a map above it. T() stands for no value.
template <class T> class ByBus {
public:
  /// Before the first value: room by index for `buses` buses.
  void expect(std::size_t buses) {
    bound_ = 4 * buses + 1024;
    dense_.reserve(bound_);
  }

  T get(int bus) const {
    auto k = static_cast<std::size_t>(bus);
    if (bus >= 0 && k < dense_.size() && dense_[k] != T()) return dense_[k];
    if (sparse_.empty()) return T();
    auto it = sparse_.find(bus);
    return it == sparse_.end() ? T() : it->second;
  }

  T& operator[](int bus) {
    auto k = static_cast<std::size_t>(bus);
    if (bus < 0 || k >= bound_) return sparse_[bus];
    if (k >= dense_.size()) dense_.resize(k + 1);
    return dense_[k];
  }

private:
  std::size_t bound_ = 1024;
  std::vector<T> dense_;
  std::unordered_map<int, T> sparse_;
};

// Where a problem stands among those of its line: the order of the steps
// that meet them when each matrix is read whole before its records are
// built. Each matrix has three steps: its rows' shapes, (buses) the names,
// its records.
enum Rank { kScanned, kFunctionLine, kHeaderLine, kFirstMatrix };
enum Step { kShapes, kNames, kRecords, kSteps };

// A problem and its rank.
struct Pending {
  Problem problem;
  int rank = kScanned;
};

class CaseReader {
public:
  // With `handOver`, the rows of the mapped matrices are built into records
  // while the text is scanned, and no matrix is held whole.
  CaseReader(std::string_view text, Case& into, const ReadOptions& options,
             MatpowerReport& report, bool handOver)
      : text_(text), into_(into), options_(options), report_(report), handOver_(handOver),
        busesBefore_(into.buses.size()), generatorsBefore_(into.generators.size()),
        branchesBefore_(into.branches.size()), areasBefore_(into.areas.size()) {}

  // False when rows handed over cannot stand for their matrix (one assigned
  // twice, buses after the generators that name them, a matrix read by a
  // later statement, ...): the records read are taken back out of the case
  // and the text must be read again without handing over.
  bool run() {
    if (text_.empty()) {
      problem(1, kNoSection, "the file is empty");
      finish();
      return true;
    }
    interop::ScanSink sink;
    sink.wantsProblems = [](const std::string& field) { return isMapped(field); };
    sink.assigned = [this](const std::string& field, const Value& value) {
      assigned(field, value);
    };
    sink.skipped = [this](std::size_t line, const std::string& field,
                          const std::string& why) { skipped(line, field, why); };
    sink.problem = [this](std::size_t line, std::string message) {
      problem(line, kNoSection, std::move(message));
    };
    if (handOver_) {
      sink.handsOver = [this](const std::string& field, std::size_t lines) {
        return handsOver(field, lines);
      };
      sink.row = [this](const Row& row, const double* numbers) {
        this->row(*current_, row, numbers);
        rank_ = kScanned;
      };
      sink.rowsNeeded = [this] { lost_ = true; };
    }
    interop::scanFunctionFile(text_, sink, file_);
    if (lost_) {
      into_.buses.erase(into_.buses.begin() + diff(busesBefore_), into_.buses.end());
      into_.generators.erase(into_.generators.begin() + diff(generatorsBefore_),
                             into_.generators.end());
      into_.branches.erase(into_.branches.begin() + diff(branchesBefore_),
                           into_.branches.end());
      into_.areas.erase(into_.areas.begin() + diff(areasBefore_), into_.areas.end());
      return false;
    }
    report_.functionName = file_.name;
    report_.lines =
        file_.lineStarts.size() - (text_.back() == '\n' || text_.back() == '\r');
    if (otherStatements_ > 0)
      report_.notCarried.push_back(
          plural(otherStatements_, "statement", "statements") +
          " other than assignments of whole mpc fields skipped (first on line " +
          std::to_string(firstOther_) + ")");

    rank_ = kFunctionLine;
    functionName();
    rank_ = kHeaderLine;
    header(file_.functionLine);
    for (Matrix* m : {&buses_, &generators_, &branches_, &areas_}) {
      keptRows(*m);
      (this->*m->finished)();
    }
    finish();
    return true;
  }

private:
  static std::ptrdiff_t diff(std::size_t n) { return static_cast<std::ptrdiff_t>(n); }

  // One of the mapped matrices and what its rows gathered.
  struct Matrix {
    const char* name;
    std::size_t columns;
    int section;
    int order; ///< in which the records are built: buses first
    void (CaseReader::*record)(const Row& row, const double* at, std::size_t position);
    void (CaseReader::*finished)();
    std::size_t assignments = 0;
    bool handedOver = false;
    std::size_t position = 0; ///< rows met, bad ones too
    bool widthKnown = false;
    std::size_t width = 0;
    std::size_t extra = 0; ///< rows with values past the mapped columns

    int rank(Step step) const { return kFirstMatrix + order * kSteps + step; }
  };

  static bool isMapped(const std::string& field) {
    return field == "version" || field == "baseMVA" || field == "bus" || field == "gen" ||
           field == "branch" || field == "areas" || field == "bus_name";
  }

  Matrix* matrixNamed(const std::string& field) {
    for (Matrix* m : {&buses_, &generators_, &branches_, &areas_})
      if (field == m->name) return m;
    return nullptr;
  }

  // A matrix's rows go to its records as read when it is assigned once and
  // the buses are all known before a generator or branch names one.
  bool handsOver(const std::string& field, std::size_t lines) {
    Matrix* m = matrixNamed(field);
    if (!m) return false;
    if (m->assignments > 0 || m->handedOver) {
      lost_ = true;
      return false;
    }
    m->handedOver = true;
    current_ = m;
    expect(*m, lines);
    return true;
  }

  void expect(const Matrix& m, std::size_t rows) {
    // A hint never reserves more than a large case needs: the rest grows.
    rows = std::min(rows, std::size_t(1) << 20);
    if (&m == &buses_) {
      busLines_.expect(rows);
      perBus_.expect(rows);
      reserve(into_.buses, rows);
      busPositions_.reserve(rows);
    } else if (&m == &generators_) {
      reserve(into_.generators, rows);
    } else if (&m == &branches_) {
      reserve(into_.branches, rows);
      pairs_.reserve(rows);
    } else {
      reserve(into_.areas, rows);
    }
    report_.recordLines[static_cast<std::size_t>(m.section)].reserve(rows);
  }

  // Room for `more` records, on huge pages where the kernel has them: fresh
  // pages are most of the cost of a large list.
  template <class Record>
  static void reserve(std::vector<Record>& list, std::size_t more) {
    list.reserve(list.size() + more);
    detail::adviseHugePages(list.data() + list.size(), more * sizeof(Record));
  }

  // A MATPOWER case is a function file named by its function.
  void functionName() {
    const std::string& name = file_.name;
    if (file_.functionLine == 0) {
      problem(std::max<std::size_t>(report_.lines, 1), kNoSection,
              "the function line `function mpc = NAME` is missing");
      return;
    }
    bool identifier = !name.empty() && name.size() <= 63 &&
                      std::isalpha(static_cast<unsigned char>(name.front()));
    for (char c : name)
      identifier =
          identifier && (std::isalnum(static_cast<unsigned char>(c)) || c == '_');
    if (!identifier)
      problem(file_.functionLine, kNoSection,
              name.empty() ? std::string("the function line names no function")
                           : "the function name '" + detail::excerpt(name, 40) +
                                 "' is not a MATLAB name");
  }

  void assigned(const std::string& field, const Value& value) {
    if (Matrix* m = handOver_ ? matrixNamed(field) : nullptr) {
      // A second matrix is refused by handsOver(), anything else after one
      // is not a matrix.
      ++m->assignments;
      if ((m == &buses_ && (generators_.assignments > 0 || branches_.assignments > 0)) ||
          (m->handedOver && value.kind != Value::kMatrix))
        lost_ = true;
      current_ = nullptr;
    }
    if (isMapped(field)) return;
    std::string note = "mpc." + field + " (line " + std::to_string(value.line) + ")";
    std::size_t rows = value.rows.size();
    if (value.kind == Value::kMatrix || value.kind == Value::kCell)
      note += ": " + plural(rows, "row", "rows");
    if (field == "gencost") note += " of generator cost data";
    if (field == "dcline") note += " of DC lines";
    report_.notCarried.push_back(note + " not carried");
  }

  // A statement that changes a mapped field, or the whole case, and was not
  // evaluated is a problem; any other is only counted.
  void skipped(std::size_t line, const std::string& field, const std::string& why) {
    if (field == "mpc" || isMapped(field)) {
      problem(line, kNoSection, (field == "mpc" ? "" : "mpc." + field + ": ") + why);
      return;
    }
    if (otherStatements_++ == 0) firstOther_ = line;
  }

  // Problems are kept without their lines' text until the end, and never
  // many more than will be reported.
  void problem(std::size_t line, int section, std::string message) {
    Pending p;
    p.problem.line = line;
    p.problem.section = section;
    p.problem.message = std::move(message);
    p.problem.code = ProblemCode::Matpower;
    p.rank = rank_;
    problems_.push_back(std::move(p));
    if (problems_.size() >= 2 * options_.maxProblems + 64) keepFirstProblems();
  }

  void keepFirstProblems() {
    std::stable_sort(
        problems_.begin(), problems_.end(), [](const Pending& a, const Pending& b) {
          return a.problem.line != b.problem.line ? a.problem.line < b.problem.line
                                                  : a.rank < b.rank;
        });
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

  // The rows of a matrix held whole, as they would have been handed over.
  void keptRows(Matrix& m) {
    if (m.handedOver) return;
    rank_ = m.rank(kShapes);
    const Value* value = field(m.name, m.section, m.section != kAreaPlace);
    if (!value) return;
    if (value->kind != Value::kMatrix) {
      problem(value->line, m.section, std::string("mpc.") + m.name + " is not a matrix");
      return;
    }
    expect(m, value->rows.size());
    for (const Row& r : value->rows)
      row(m, r, value->numbers.data() + r.start);
  }

  // A matrix whose rows all have one width of at least its columns: the
  // first row that reads sets the width; rows that do not have it are
  // reported and dropped.
  void row(Matrix& m, const Row& row, const double* at) {
    std::size_t position = m.position++;
    if (row.bad) return;
    if (!m.widthKnown) {
      m.widthKnown = true;
      m.width = row.width;
    }
    rank_ = m.rank(kShapes);
    if (row.width < m.columns) {
      problem(row.line, m.section,
              std::string("mpc.") + m.name + ": a row has " +
                  plural(row.width, "column", "columns") + ", at least " +
                  std::to_string(m.columns) + " are needed");
    } else if (row.width != m.width) {
      problem(row.line, m.section,
              std::string("mpc.") + m.name + ": a row has " +
                  plural(row.width, "column", "columns") + ", the first readable row " +
                  std::to_string(m.width));
    } else {
      rank_ = m.rank(kRecords);
      (this->*m.record)(row, at, position);
    }
  }

  // Integral columns: bus numbers, types, areas, zones, statuses.
  bool integer(const Row& row, const double* at, const char* matrix,
               const interop::Column& column, int section, int& into) {
    double v = at[column.index];
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
    if (busLines_.get(bus) != 0) return true;
    problem(row.line, section,
            std::string(what) + " names bus " + std::to_string(bus) +
                ", which no mpc.bus row has");
    return false;
  }

  // Counts a record's row when it has a value in columns past the mapped
  // ones; noted as one line.
  static void extraColumns(Matrix& m, const Row& row, const double* at) {
    for (std::size_t k = m.columns; k < row.width; ++k)
      if (at[k] != 0.0) {
        ++m.extra;
        return;
      }
  }

  void noteColumns(const Matrix& m, const char* what) {
    if (m.extra == 0) return;
    report_.notCarried.push_back(
        std::string("mpc.") + m.name + ": " + plural(m.extra, "row", "rows") +
        " with values in columns " + std::to_string(m.columns + 1) + " and after (" +
        what + ") not carried");
  }

  void header(std::size_t functionLine) {
    if (const Value* version = field("version", kNoSection, false)) {
      bool two = (version->kind == Value::kText && version->text == "2") ||
                 (version->kind == Value::kNumber && version->number == 2.0);
      if (!two)
        problem(version->line, kNoSection,
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
      report_.notCarried.push_back("mpc.baseMVA " + text +
                                   " is not a whole number: raw readers take " +
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

  void busRecord(const Row& row, const double* at, std::size_t position) {
    using namespace interop::bus;
    ZELBus& b = into_.buses.emplace_back();
    if (!integer(row, at, "bus", kBusI, kBusPlace, b.I()) ||
        !integer(row, at, "bus", kType, kBusPlace, b.IDE()) ||
        !integer(row, at, "bus", kArea, kBusPlace, b.AREA()) ||
        !integer(row, at, "bus", kZone, kBusPlace, b.ZONE())) {
      into_.buses.pop_back();
      return;
    }
    if (b.I() <= 0) {
      problem(row.line, kBusPlace,
              "mpc.bus: bus number " + std::to_string(b.I()) + " is not positive");
      into_.buses.pop_back();
      return;
    }
    std::size_t& first = busLines_[b.I()];
    if (first != 0) {
      problem(row.line, kBusPlace,
              "bus " + std::to_string(b.I()) + " is defined twice (first on line " +
                  std::to_string(first) + ")");
      into_.buses.pop_back();
      return;
    }
    first = row.line;
    b.PL() = at[kPd.index];
    b.QL() = at[kQd.index];
    b.GL() = at[kGs.index];
    b.BL() = at[kBs.index];
    b.VM() = at[kVm.index];
    b.VA() = at[kVa.index];
    b.BASKV() = at[kBaseKv.index];
    if (at[kVmax.index] != kVmaxWritten || at[kVmin.index] != kVminWritten) ++limits_;
    busPositions_.push_back(position);
    extraColumns(buses_, row, at);
    report_.recordLines[kBusPlace].push_back(row.line);
  }

  // The names, once mpc.bus_name is known: by the position of each bus's
  // row, all padded and quoted.
  void busesFinished() {
    const Value* matrix = field("bus", kNoSection, false);
    rank_ = buses_.rank(kNames);
    const std::vector<std::string>* names =
        matrix && matrix->kind == Value::kMatrix ? busNames(*matrix) : nullptr;
    std::size_t apostrophes = 0;
    std::string name;
    for (std::size_t k = 0; k < busPositions_.size(); ++k) {
      name = names ? (*names)[busPositions_[k]] : std::string();
      if (name.find('\'') != std::string::npos) {
        // A raw name ends at its second apostrophe.
        std::replace(name.begin(), name.end(), '\'', '`');
        ++apostrophes;
      }
      into_.buses[busesBefore_ + k].NAME() = quotedName(name);
    }
    if (limits_)
      report_.notCarried.push_back(plural(limits_, "bus", "buses") +
                                   ": voltage limits VMAX and VMIN not carried");
    noteColumns(buses_, "OPF results");
    if (apostrophes)
      report_.notCarried.push_back(
          plural(apostrophes, "bus name", "bus names") +
          ": apostrophes written as ` (a raw name cannot hold one)");
  }

  // The names of the bus rows, by position, when mpc.bus_name has one per
  // row.
  const std::vector<std::string>* busNames(const Value& busMatrix) {
    const Value* names = field("bus_name", kNoSection, false);
    if (!names) return nullptr;
    if (names->kind != Value::kCell) {
      problem(names->line, kNoSection, "mpc.bus_name is not a cell array");
      return nullptr;
    }
    std::size_t rows = busMatrix.rows.size() + busMatrix.rowsHandedOver;
    if (names->texts.size() != rows) {
      problem(names->line, kNoSection,
              "mpc.bus_name holds " + plural(names->texts.size(), "name", "names") +
                  ", mpc.bus " + plural(rows, "row", "rows"));
      return nullptr;
    }
    // A name a raw bus line cannot hold back is refused, not cut.
    bool fit = true;
    for (const Row& row : names->rows)
      for (std::size_t k = row.start; k < row.start + row.width; ++k) {
        const std::string& name = names->texts[k];
        if (name.find('\0') != std::string::npos) {
          problem(row.line, kNoSection, "mpc.bus_name: a name holds a NUL byte");
          fit = false;
        } else if (name.size() > kLongestName) {
          problem(row.line, kNoSection,
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

  void generatorRecord(const Row& row, const double* at, std::size_t) {
    using namespace interop::gen;
    ZELGenerator& g = into_.generators.emplace_back();
    if (!integer(row, at, "gen", kBus, kGeneratorPlace, g.I()) ||
        !integer(row, at, "gen", kStatus, kGeneratorPlace, g.STAT()) ||
        !knownBus(row, "mpc.gen: a generator", g.I(), kGeneratorPlace)) {
      into_.generators.pop_back();
      return;
    }
    g.ID() = id(++perBus_[g.I()]);
    g.PG() = at[kPg.index];
    g.QG() = at[kQg.index];
    g.QT() = at[kQmax.index];
    g.QB() = at[kQmin.index];
    g.VS() = at[kVg.index];
    g.MBASE() = at[kMbase.index];
    g.PT() = at[kPmax.index];
    g.PB() = at[kPmin.index];
    g.IREG() = 0;
    extraColumns(generators_, row, at);
    report_.recordLines[kGeneratorPlace].push_back(row.line);
  }

  void generatorsFinished() {
    noteColumns(generators_, "capability curve, ramp rates, APF, OPF results");
  }

  void branchRecord(const Row& row, const double* at, std::size_t) {
    using namespace interop::branch;
    ZELBranch& br = into_.branches.emplace_back();
    if (!integer(row, at, "branch", kFrom, kBranchPlace, br.I()) ||
        !integer(row, at, "branch", kTo, kBranchPlace, br.J()) ||
        !integer(row, at, "branch", kStatus, kBranchPlace, br.ST()) ||
        !knownBus(row, "mpc.branch: a branch", br.I(), kBranchPlace) ||
        !knownBus(row, "mpc.branch: a branch", br.J(), kBranchPlace)) {
      into_.branches.pop_back();
      return;
    }
    auto [low, high] = std::minmax(br.I(), br.J());
    pairs_.push_back(std::uint64_t(std::uint32_t(low)) << 32 | std::uint32_t(high));
    br.R() = at[kR.index];
    br.X() = at[kX.index];
    br.B() = at[kB.index];
    br.RATEA() = at[kRateA.index];
    br.RATEB() = at[kRateB.index];
    br.RATEC() = at[kRateC.index];
    br.RATIO() = at[kTap.index];
    br.ANGLE() = at[kShift.index];
    if (at[kAngmin.index] != kAngminWritten || at[kAngmax.index] != kAngmaxWritten)
      ++angles_;
    extraColumns(branches_, row, at);
    report_.recordLines[kBranchPlace].push_back(row.line);
  }

  void branchesFinished() {
    numberCircuits();
    if (angles_)
      report_.notCarried.push_back(plural(angles_, "branch", "branches") +
                                   ": angle limits ANGMIN and ANGMAX not carried");
    noteColumns(branches_, "power flow and OPF results");
  }

  // Circuits numbered per pair of buses in file order: branches sorted by
  // pair, then by position, then counted.
  void numberCircuits() {
    struct Key {
      std::uint64_t pair;
      std::size_t position;
      bool operator<(const Key& other) const {
        return pair != other.pair ? pair < other.pair : position < other.position;
      }
    };
    std::vector<Key> keys(pairs_.size());
    for (std::size_t k = 0; k < keys.size(); ++k)
      keys[k] = Key{pairs_[k], k};
    std::sort(keys.begin(), keys.end());
    int circuit = 0;
    for (std::size_t k = 0; k < keys.size(); ++k) {
      circuit = k > 0 && keys[k].pair == keys[k - 1].pair ? circuit + 1 : 1;
      into_.branches[branchesBefore_ + keys[k].position].CKT() = id(circuit);
    }
  }

  // numberedId(n), made once for the first numbers.
  const std::string& id(int n) {
    auto k = static_cast<std::size_t>(n);
    while (ids_.size() <= std::min<std::size_t>(k, 64))
      ids_.push_back(numberedId(static_cast<int>(ids_.size())));
    if (k < ids_.size()) return ids_[k];
    return scratchId_ = numberedId(n);
  }

  void areaRecord(const Row& row, const double* at, std::size_t) {
    using namespace interop::areas;
    ZELAreaInterchange& a = into_.areas.emplace_back();
    if (!integer(row, at, "areas", kArea, kAreaPlace, a.I()) ||
        !integer(row, at, "areas", kPriceRefBus, kAreaPlace, a.ISW())) {
      into_.areas.pop_back();
      return;
    }
    report_.recordLines[kAreaPlace].push_back(row.line);
  }

  void areasFinished() {}

  void finish() {
    keepFirstProblems();
    report_.problems.reserve(problems_.size());
    for (Pending& p : problems_) {
      p.problem.text =
          detail::excerpt(file_.line(text_, p.problem.line), detail::kExcerpt);
      report_.problems.push_back(std::move(p.problem));
    }
  }

  std::string_view text_;
  Case& into_;
  const ReadOptions& options_;
  MatpowerReport& report_;
  const bool handOver_;
  const std::size_t busesBefore_, generatorsBefore_, branchesBefore_, areasBefore_;
  interop::FunctionFile file_;
  Matrix buses_{"bus", interop::bus::kColumns, kBusPlace,
                0,     &CaseReader::busRecord, &CaseReader::busesFinished};
  Matrix generators_{
      "gen", interop::gen::kColumns,       kGeneratorPlace,
      1,     &CaseReader::generatorRecord, &CaseReader::generatorsFinished};
  Matrix branches_{"branch", interop::branch::kColumns, kBranchPlace,
                   2,        &CaseReader::branchRecord, &CaseReader::branchesFinished};
  Matrix areas_{"areas", interop::areas::kColumns, kAreaPlace,
                3,       &CaseReader::areaRecord,  &CaseReader::areasFinished};
  Matrix* current_ = nullptr; ///< whose rows are being handed over
  bool lost_ = false;
  int rank_ = kScanned;
  ByBus<std::size_t> busLines_; ///< line of each bus's row
  ByBus<int> perBus_;           ///< generators so far
  std::vector<std::size_t> busPositions_;
  std::vector<std::uint64_t> pairs_; ///< both buses in one key, per branch
  std::vector<std::string> ids_;
  std::string scratchId_;
  std::size_t limits_ = 0, angles_ = 0;
  std::vector<Pending> problems_;
  std::size_t otherStatements_ = 0;
  std::size_t firstOther_ = 0;
};

// Whether the rows of the mapped matrices can be handed over while the text
// is scanned: each of mpc.bus, mpc.gen, mpc.branch and mpc.areas appears at
// most once and is never indexed, and mpc.bus comes before the others. The
// scan still finds out when they cannot (then the text is read again).
bool rowsCanBeHandedOver(std::string_view text) {
  constexpr std::string_view kNames[] = {"bus", "gen", "branch", "areas"};
  std::size_t at[4] = {std::string_view::npos, std::string_view::npos,
                       std::string_view::npos, std::string_view::npos};
  for (std::size_t pos = text.find("mpc."); pos != std::string_view::npos;
       pos = text.find("mpc.", pos + 4)) {
    std::size_t end = pos + 4;
    while (end < text.size() &&
           (std::isalnum(static_cast<unsigned char>(text[end])) || text[end] == '_'))
      ++end;
    std::string_view name = text.substr(pos + 4, end - pos - 4);
    for (std::size_t k = 0; k < 4; ++k)
      if (name == kNames[k]) {
        if (at[k] != std::string_view::npos || (end < text.size() && text[end] == '('))
          return false;
        at[k] = pos;
      }
  }
  return at[0] == std::string_view::npos || (at[0] < at[1] && at[0] < at[2]);
}

} // namespace

// Editors on some systems start a UTF-8 file with a byte order mark.
std::string_view withoutBom(std::string_view text) {
  return text.substr(0, 3) == "\xEF\xBB\xBF" ? text.substr(3) : text;
}

MatpowerReport interop::readMatpower(std::string_view text, Case& into,
                                     const ReadOptions& options, Rows rows) {
  MatpowerReport report;
  if (!CaseReader(text, into, options, report, rows == Rows::kAsRead).run()) {
    report = MatpowerReport();
    CaseReader(text, into, options, report, false).run();
  }
  return report;
}

MatpowerReport readMatpower(std::string_view text, Case& into,
                            const ReadOptions& options) {
  text = withoutBom(text);
  return interop::readMatpower(text, into, options,
                               rowsCanBeHandedOver(text) ? interop::Rows::kAsRead
                                                         : interop::Rows::kWhole);
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
