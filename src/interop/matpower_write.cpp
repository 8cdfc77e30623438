// A zel23::Case as a MATPOWER version 2 case file.

#include "zel23_matpower.h"

#include "frame/charconv.h"
#include "interop/matpower_columns.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <ostream>
#include <stdexcept>
#include <unordered_map>

namespace zel23 {

namespace {

using interop::count;
using interop::numberedId;

// Text built in a block and handed to the stream in large pieces.
class Writer {
public:
  explicit Writer(std::ostream& out) : out_(out) { text_.reserve(kBlock + 4096); }
  ~Writer() = default;

  Writer& operator<<(std::string_view s) {
    text_.append(s);
    return *this;
  }
  Writer& operator<<(char c) {
    text_.push_back(c);
    return *this;
  }
  Writer& operator<<(int value) {
    char buffer[16];
    text_.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
    return *this;
  }
  // The shortest text that reads back to the same double; MATLAB's own
  // spellings of the values that are not finite.
  Writer& operator<<(double value) {
    if (std::isnan(value)) return *this << "NaN";
    if (std::isinf(value)) return *this << (value > 0 ? "Inf" : "-Inf");
    char buffer[32];
    text_.append(buffer, detail::formatShortest(buffer, buffer + sizeof buffer, value).ptr);
    return *this;
  }
  // Ends a matrix row and passes full blocks on.
  void endRow() {
    text_.append(";\n");
    if (text_.size() >= kBlock) flush();
  }
  void flush() {
    out_.write(text_.data(), static_cast<std::streamsize>(text_.size()));
    text_.clear();
  }

private:
  static constexpr std::size_t kBlock = 1 << 16;
  std::ostream& out_;
  std::string text_;
};

bool isIdentifier(const std::string& name) {
  auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  if (name.empty() || name.size() > 63 || !letter(name.front())) return false;
  for (char c : name)
    if (!letter(c) && !(c >= '0' && c <= '9') && c != '_') return false;
  return true;
}

std::string trimmed(std::string_view s) {
  auto first = s.find_first_not_of(" \t");
  if (first == std::string_view::npos) return std::string();
  return std::string(s.substr(first, s.find_last_not_of(" \t") - first + 1));
}

// A raw name without its apostrophes and outer blanks.
std::string bareName(const std::string& stored) {
  std::string name = trimmed(stored);
  if (name.size() >= 2 && name.front() == '\'' && name.back() == '\'')
    name = trimmed(std::string_view(name).substr(1, name.size() - 2));
  return name;
}

class CaseWriter {
public:
  CaseWriter(std::ostream& out, const Case& c, const MatpowerWriteOptions& options)
      : w_(out), c_(c), options_(options) {}

  std::vector<std::string> run() {
    header();
    buses();
    generators();
    branches();
    areas();
    names();
    w_.flush();
    otherSections();
    return std::move(notes_);
  }

private:
  std::string comment(std::size_t k) const {
    return k < c_.comments.size() ? c_.comments[k] : std::string();
  }

  void header() {
    w_ << "function mpc = " << options_.functionName << '\n';
    for (std::size_t k = 1; k <= 2; ++k) {
      // A title "{" or "}" alone would open or close a block comment.
      std::string title = comment(k), bare = trimmed(title);
      w_ << '%' << (bare == "{" || bare == "}" ? " " : "") << title << '\n';
    }
    w_ << "%\n%   Written by zel23 from a raw case file whose first header line is\n"
       << "%   " << comment(0) << "\n\n"
       << "%% MATPOWER Case Format : Version 2\nmpc.version = '2';\n\n"
       << "%%-----  Power Flow Data  -----%%\n%% system MVA base\n"
       << "mpc.baseMVA = " << c_.systemBase << ";\n";
  }

  void buses() {
    using namespace interop::bus;
    std::vector<double> extraBs(c_.buses.size(), 0.0);
    for (std::size_t k = 0; k < c_.buses.size(); ++k)
      busIndex_.emplace(c_.buses[k].I(), k);
    std::size_t shunts = 0, strayShunts = 0;
    for (const ZELSwitchedShunt& s : c_.shunts) {
      auto it = busIndex_.find(s.I());
      if (it == busIndex_.end()) {
        ++strayShunts;
        continue;
      }
      extraBs[it->second] += s.BINIT();
      ++shunts;
    }
    w_ << "\n%% bus data\n"
          "%\tbus_i\ttype\tPd\tQd\tGs\tBs\tarea\tVm\tVa\tbaseKV\tzone\tVmax\tVmin\n"
          "mpc.bus = [\n";
    for (std::size_t k = 0; k < c_.buses.size(); ++k) {
      const ZELBus& b = c_.buses[k];
      w_ << '\t' << b.I() << '\t' << b.IDE() << '\t' << b.PL() << '\t' << b.QL() << '\t'
         << b.GL() << '\t' << b.BL() + extraBs[k] << '\t' << b.AREA() << '\t' << b.VM()
         << '\t' << b.VA() << '\t' << b.BASKV() << '\t' << b.ZONE() << '\t'
         << kVmaxWritten << '\t' << kVminWritten;
      w_.endRow();
    }
    w_ << "];\n";
    if (!c_.buses.empty())
      note(count(c_.buses.size(), "bus", "buses") +
           ": VMAX and VMIN written as 1.1 and "
           "0.9, the raw case has no voltage limits");
    if (shunts)
      note(count(shunts, "switched shunt", "switched shunts") +
           ": initial susceptance BINIT added to the bus's BS; blocks and control not "
           "written");
    if (strayShunts)
      note(count(strayShunts, "switched shunt", "switched shunts") +
           " at buses not in the bus section not written");
  }

  void generators() {
    const ZELGenerator d;
    std::unordered_map<int, int> perBus;
    std::size_t machine = 0, ids = 0;
    w_ << "\n%% generator data\n"
          "%\tbus\tPg\tQg\tQmax\tQmin\tVg\tmBase\tstatus\tPmax\tPmin\tPc1\tPc2\tQc1min"
          "\tQc1max\tQc2min\tQc2max\tramp_agc\tramp_10\tramp_30\tramp_q\tapf\n"
          "mpc.gen = [\n";
    for (const ZELGenerator& g : c_.generators) {
      w_ << '\t' << g.I() << '\t' << g.PG() << '\t' << g.QG() << '\t' << g.QT() << '\t'
         << g.QB() << '\t' << g.VS() << '\t' << g.MBASE() << '\t' << g.STAT() << '\t'
         << g.PT() << '\t' << g.PB();
      for (std::size_t k = interop::gen::kColumns; k < interop::gen::kColumnsWritten; ++k)
        w_ << "\t0";
      w_.endRow();
      machine += g.IREG() != 0 || g.ZR() != d.ZR() || g.ZX() != d.ZX() ||
                 g.RT() != d.RT() || g.XT() != d.XT() || g.GTAP() != d.GTAP() ||
                 g.RMPCT() != d.RMPCT();
      ids += g.ID() != numberedId(++perBus[g.I()]);
    }
    w_ << "];\n";
    if (machine)
      note(count(machine, "generator", "generators") +
           ": IREG, ZR, ZX, RT, XT, GTAP or RMPCT not written");
    if (ids)
      note(count(ids, "generator ID", "generator IDs") +
           " not written: reading numbers the machines of a bus 1, 2, ...");
  }

  void branches() {
    std::map<std::pair<int, int>, int> perPair;
    std::size_t shunts = 0, circuits = 0;
    w_ << "\n%% branch data\n"
          "%\tfbus\ttbus\tr\tx\tb\trateA\trateB\trateC\tratio\tangle\tstatus\tangmin"
          "\tangmax\n"
          "mpc.branch = [\n";
    for (const ZELBranch& b : c_.branches) {
      w_ << '\t' << b.I() << '\t' << b.J() << '\t' << b.R() << '\t' << b.X() << '\t'
         << b.B() << '\t' << b.RATEA() << '\t' << b.RATEB() << '\t' << b.RATEC() << '\t'
         << b.RATIO() << '\t' << b.ANGLE() << '\t' << b.ST() << '\t'
         << interop::branch::kAngminWritten << '\t' << interop::branch::kAngmaxWritten;
      w_.endRow();
      shunts += b.GI() != 0.0 || b.BI() != 0.0 || b.GJ() != 0.0 || b.BJ() != 0.0;
      circuits += b.CKT() != numberedId(++perPair[std::minmax(b.I(), b.J())]);
    }
    w_ << "];\n";
    if (shunts)
      note(count(shunts, "branch", "branches") +
           ": line shunts GI, BI, GJ and BJ not written");
    if (circuits)
      note(count(circuits, "branch circuit identifier", "branch circuit identifiers") +
           " not written: reading numbers the circuits between two buses 1, 2, ...");
  }

  void areas() {
    if (c_.areas.empty()) return;
    const ZELAreaInterchange d;
    std::size_t lost = 0;
    w_ << "\n%% area data\n%\tarea\trefbus\nmpc.areas = [\n";
    for (const ZELAreaInterchange& a : c_.areas) {
      w_ << '\t' << a.I() << '\t' << a.ISW();
      w_.endRow();
      lost += a.PDES() != d.PDES() || a.PTOL() != d.PTOL() || a.ARNAME() != d.ARNAME();
    }
    w_ << "];\n";
    if (lost)
      note(count(lost, "area interchange", "area interchanges") +
           ": PDES, PTOL or ARNAME not written");
  }

  // Written unless every name is blank.
  void names() {
    std::vector<std::string> bare;
    bool any = false;
    for (const ZELBus& b : c_.buses) {
      bare.push_back(bareName(b.NAME()));
      any = any || !bare.back().empty();
    }
    if (!any) return;
    w_ << "\n%% bus names\nmpc.bus_name = {\n";
    for (const std::string& name : bare) {
      w_ << "\t'";
      for (char ch : name)
        w_ << (ch == '\'' ? std::string_view("''") : std::string_view(&ch, 1));
      w_ << '\'';
      w_.endRow();
    }
    w_ << "};\n";
  }

  void otherSections() {
    if (!c_.adjustments.empty())
      note(count(c_.adjustments.size(), "transformer adjustment",
                 "transformer adjustments") +
           " not written: MATPOWER has no tap adjustment data");
    if (!c_.dcLines.empty())
      note(count(c_.dcLines.size(), "two-terminal DC line", "two-terminal DC lines") +
           " not written");
  }

  void note(std::string text) { notes_.push_back(std::move(text)); }

  Writer w_;
  const Case& c_;
  const MatpowerWriteOptions& options_;
  std::unordered_map<int, std::size_t> busIndex_;
  std::vector<std::string> notes_;
};

} // namespace

std::vector<std::string> writeMatpower(std::ostream& out, const Case& c,
                                       const MatpowerWriteOptions& options) {
  if (!isIdentifier(options.functionName))
    throw std::invalid_argument("'" + options.functionName +
                                "' is not a MATLAB function name");
  return CaseWriter(out, c, options).run();
}

} // namespace zel23
