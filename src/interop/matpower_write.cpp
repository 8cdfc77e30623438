// A zel23::Case as a MATPOWER version 2 case file.

#include "zel23_matpower.h"

#include "frame/text/charconv.h"
#include "frame/text/wording.h"
#include "interop/matpower_columns.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <unordered_map>

namespace zel23 {

namespace {

using detail::bareName;
using detail::plural;
using detail::trimmed;

// The text std::to_chars gives a finite double (the fewest characters that
// read back to it, fixed notation on a tie with scientific), found without
// its general search for a number of at most six decimals below 1e9, as
// most numbers of a case are. Such a number is m / 10^6 for a whole m
// (correctly rounded division is what reading the decimal gives); 10^-6 is
// wider than the number's spacing, so no other digits of that length read
// back, and m's digits without the trailing zeros of its six decimals are
// the shortest fixed form. The scientific form is shorter only for a whole
// number ending in five zeros or more, or one below 0.001: those take the
// general search. Whole numbers, the most common, are written as integers.
// `at` has 32 bytes, all of which may be written.
char* writeShortest(char* at, double value) {
  const double magnitude = std::fabs(value);
  if (magnitude == 0.0) {
    if (std::signbit(value)) *at++ = '-';
    *at = '0';
    return at + 1;
  }
  if (magnitude >= 1e9) return detail::formatShortest(at, at + 32, value).ptr;
  const auto units = static_cast<std::int64_t>(value);
  if (static_cast<double>(units) == value && units % 100000 != 0)
    return std::to_chars(at, at + 32, units).ptr;
  const auto m = static_cast<std::int64_t>(magnitude * 1e6 + 0.5);
  if (static_cast<double>(m) / 1e6 != magnitude)
    return detail::formatShortest(at, at + 32, value).ptr;
  // m's digits, at least seven: one before the point and six after it.
  static constexpr char kPairs[] = "00010203040506070809101112131415161718192021222324"
                                   "25262728293031323334353637383940414243444546474849"
                                   "50515253545556575859606162636465666768697071727374"
                                   "75767778798081828384858687888990919293949596979899";
  // Fixed-size copies below read up to 16 bytes from `first` and 8 from the
  // point: the slack after `end` keeps them inside.
  char digits[40];
  char* const end = digits + 24;
  char* first = end;
  std::int64_t n = m;
  do {
    first -= 2;
    std::memcpy(first, kPairs + 2 * (n % 100), 2);
  } while ((n /= 100) > 0);
  if (*first == '0') ++first; // m > 0: only its first pair can start with 0
  while (end - first < 7)
    *--first = '0';
  char* const point = end - 6;
  char* last = end;
  while (last > point && last[-1] == '0')
    --last;
  const auto whole = static_cast<std::size_t>(point - first);
  // A whole number here ends in five zeros: the other ones were written above.
  const bool scientific =
      last == point || (whole == 1 && std::memcmp(first, "0000", 4) == 0);
  if (scientific) return detail::formatShortest(at, at + 32, value).ptr;
  if (value < 0) *at++ = '-';
  std::memcpy(at, first, 16);
  at += whole;
  *at++ = '.';
  std::memcpy(at, point, 8);
  return at + (last - point);
}

// Columns every row holds the same, each after a tab, formatted once.
std::string sameColumns(std::initializer_list<double> values) {
  std::string text;
  char buffer[32];
  for (double value : values)
    text.append(1, '\t').append(buffer, writeShortest(buffer, value));
  return text;
}

// Text built in a block and handed to the stream in large pieces.
class Writer {
public:
  explicit Writer(std::ostream& out) : out_(out), text_(new char[kSize]) {}

  Writer& operator<<(std::string_view s) {
    if (s.size() > kSize - used_) {
      flush();
      if (s.size() > kSize) {
        out_.write(s.data(), static_cast<std::streamsize>(s.size()));
        return *this;
      }
    }
    std::memcpy(text_.get() + used_, s.data(), s.size());
    used_ += s.size();
    return *this;
  }
  Writer& operator<<(char c) { return *this << std::string_view(&c, 1); }
  Writer& operator<<(int value) {
    char* at = room();
    used_ = static_cast<std::size_t>(std::to_chars(at, at + kNumber, value).ptr -
                                     text_.get());
    return *this;
  }
  // The shortest text that reads back to the same double; MATLAB's own
  // spellings of the values that are not finite.
  Writer& operator<<(double value) {
    if (std::isnan(value)) return *this << "NaN";
    if (std::isinf(value)) return *this << (value > 0 ? "Inf" : "-Inf");
    used_ = static_cast<std::size_t>(writeShortest(room(), value) - text_.get());
    return *this;
  }
  // Ends a matrix row and passes full blocks on.
  void endRow() {
    *this << ";\n";
    if (used_ >= kBlock) flush();
  }
  void flush() {
    out_.write(text_.get(), static_cast<std::streamsize>(used_));
    used_ = 0;
  }

private:
  static constexpr std::size_t kBlock = 1 << 16, kSize = kBlock + 4096, kNumber = 32;
  // Where a number of up to kNumber characters goes.
  char* room() {
    if (kSize - used_ < kNumber) flush();
    return text_.get() + used_;
  }

  std::ostream& out_;
  std::unique_ptr<char[]> text_;
  std::size_t used_ = 0;
};

// MATLAB's and Octave's keywords: `function mpc = end` does not load.
bool isKeyword(std::string_view name) {
  static constexpr std::string_view kKeywords =
      " break case catch classdef continue do else elseif end end_try_catch"
      " end_unwind_protect endarguments endclassdef endenumeration endevents endfor"
      " endfunction endif endmethods endparfor endproperties endspmd endswitch endwhile"
      " for function global if otherwise parfor persistent return spmd switch try until"
      " unwind_protect unwind_protect_cleanup while ";
  return kKeywords.find(" " + std::string(name) + " ") != std::string_view::npos;
}

// The length of the UTF-8 sequence at text[k] and its code point in `cp`; 0
// when the bytes there are not UTF-8 (overlong, a surrogate, beyond U+10FFFF,
// cut short), which Octave replaces when it reads the file.
std::size_t decodeUtf8(std::string_view text, std::size_t k, char32_t& cp) {
  const auto lead = static_cast<unsigned char>(text[k]);
  const std::size_t n = lead < 0x80   ? 1
                        : lead < 0xC2 ? 0
                        : lead < 0xE0 ? 2
                        : lead < 0xF0 ? 3
                        : lead < 0xF5 ? 4
                                      : 0;
  if (n == 0 || n > text.size() - k) return 0;
  cp = n == 1 ? lead : lead & (0x7Fu >> n);
  for (std::size_t i = 1; i < n; ++i) {
    const auto next = static_cast<unsigned char>(text[k + i]);
    if ((next & 0xC0) != 0x80) return 0;
    cp = cp << 6 | (next & 0x3Fu);
  }
  constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
  bool surrogate = cp >= 0xD800 && cp <= 0xDFFF;
  return cp < kLeast[n] || cp > 0x10FFFF || surrogate ? 0 : n;
}

// What a comment or a string may hold: a character that ends neither. The
// tab is white space to MATLAB and Octave; every other control character
// (C0, DEL, C1) and the Unicode line and paragraph separators are not text.
bool isTextCharacter(char32_t cp) {
  bool control = cp < 0x20 || (cp >= 0x7F && cp <= 0x9F);
  return cp == '\t' || (!control && cp != 0x2028 && cp != 0x2029);
}

// Appends the characters of `text` a comment or a string can hold and returns
// how many bytes were dropped.
std::size_t appendText(std::string& out, std::string_view text) {
  std::size_t dropped = 0;
  for (std::size_t k = 0;;) {
    // A run of printable ASCII, most text, in one piece.
    std::size_t plain = k;
    while (plain < text.size() && text[plain] >= ' ' && text[plain] <= '~')
      ++plain;
    out.append(text, k, plain - k);
    if ((k = plain) == text.size()) break;
    char32_t cp = 0;
    const std::size_t n = decodeUtf8(text, k, cp);
    if (n != 0 && isTextCharacter(cp))
      out.append(text, k, n);
    else
      dropped += n == 0 ? 1 : n;
    k += n == 0 ? 1 : n;
  }
  return dropped;
}

// How many times each key has been met: an open-addressing table, since a
// hash node per branch costs more than writing the branch. Holds at most
// `keys` keys.
class Counter {
public:
  explicit Counter(std::size_t keys) : slots_(std::size_t(16) << bitLength(keys / 8)) {}

  // The count of `key` after this meeting: 1 the first time.
  int meet(std::uint64_t key) {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t k = home(key);; k = (k + 1) & mask) {
      Slot& slot = slots_[k];
      if (slot.count == 0) slot.key = key;
      if (slot.key == key) return ++slot.count;
    }
  }

  void prefetch(std::uint64_t key) const { __builtin_prefetch(&slots_[home(key)]); }

private:
  struct Slot {
    std::uint64_t key = 0;
    int count = 0;
  };
  std::size_t home(std::uint64_t key) const { return mix(key) & (slots_.size() - 1); }
  static int bitLength(std::size_t n) {
    int bits = 0;
    for (; n > 0; n >>= 1)
      ++bits;
    return bits;
  }
  static std::size_t mix(std::uint64_t x) {
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdULL;
    return static_cast<std::size_t>(x ^ (x >> 33));
  }
  std::vector<Slot> slots_;
};

// Whether `id` is the n-th identifier as reading numbers them
// (interop::numberedId), compared without building it.
bool isNumberedId(std::string_view id, int n) {
  char text[16] = {'\''};
  char* end = std::to_chars(text + 1, text + 13, n).ptr;
  if (end - text == 2) *end++ = ' ';
  *end++ = '\'';
  return id == std::string_view(text, static_cast<std::size_t>(end - text));
}

// The circuits between two buses are numbered whatever the direction.
std::uint64_t pairKey(const ZELBranch& b) {
  const auto [low, high] = std::minmax(b.I(), b.J());
  return static_cast<std::uint64_t>(static_cast<std::uint32_t>(low)) << 32 |
         static_cast<std::uint32_t>(high);
}

constexpr const char* kNotText =
    "a MATLAB comment or string cannot hold control characters or bytes that are not "
    "UTF-8";

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
  void header() {
    const std::string line1 = commentText(0), line2 = commentText(1),
                      line3 = commentText(2);
    w_ << "function mpc = " << options_.functionName << "\n%" << line2 << "\n%" << line3
       << "\n%\n%   Written by zel23 from a raw case file whose first header line is\n"
       << "%   " << line1 << "\n\n"
       << "%% MATPOWER Case Format : Version 2\nmpc.version = '2';\n\n"
       << "%%-----  Power Flow Data  -----%%\n%% system MVA base\n"
       << "mpc.baseMVA = " << c_.systemBase << ";\n";
  }

  // Header line k as the text of a `%` comment: what a comment cannot hold
  // dropped, and a blank before a leading brace, since `%{` and `%}` alone
  // on a line open and close a block comment.
  std::string commentText(std::size_t k) {
    const std::string which = "header line " + std::to_string(k + 1);
    std::string text;
    std::string_view line =
        k < c_.comments.size() ? std::string_view(c_.comments[k]) : std::string_view();
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1); // a CR LF line end
    if (std::size_t dropped = appendText(text, line))
      note(which + ": " + plural(dropped, "byte", "bytes") + " dropped: " + kNotText);
    if (k > 0 && !text.empty() && (text.front() == '{' || text.front() == '}')) {
      text.insert(0, 1, ' ');
      note(which + " written after a blank (a comment starting with a brace could open "
                   "or close a block comment); it reads back with the blank");
    }
    return text;
  }

  void buses() {
    using namespace interop::bus;
    const std::string limits = sameColumns({kVmaxWritten, kVminWritten});
    std::vector<double> extraBs(c_.buses.size(), 0.0);
    std::unordered_map<int, std::size_t> busIndex;
    if (!c_.shunts.empty()) {
      busIndex.reserve(c_.buses.size());
      for (std::size_t k = 0; k < c_.buses.size(); ++k)
        busIndex.emplace(c_.buses[k].I(), k);
    }
    std::size_t shunts = 0, strayShunts = 0;
    for (const ZELSwitchedShunt& s : c_.shunts) {
      auto it = busIndex.find(s.I());
      if (it == busIndex.end()) {
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
         << '\t' << b.VA() << '\t' << b.BASKV() << '\t' << b.ZONE() << limits;
      w_.endRow();
    }
    w_ << "];\n";
    if (!c_.buses.empty())
      note(plural(c_.buses.size(), "bus", "buses") +
           ": VMAX and VMIN written as 1.1 and "
           "0.9, the raw case has no voltage limits");
    if (shunts)
      note(plural(shunts, "switched shunt", "switched shunts") +
           ": initial susceptance BINIT added to the bus's BS; blocks and control not "
           "written");
    if (strayShunts)
      note(plural(strayShunts, "switched shunt", "switched shunts") +
           " at buses not in the bus section not written");
  }

  void generators() {
    const ZELGenerator d;
    std::string zeros;
    for (std::size_t k = interop::gen::kColumns; k < interop::gen::kColumnsWritten; ++k)
      zeros += "\t0";
    Counter perBus(c_.generators.size());
    std::size_t machine = 0, ids = 0;
    w_ << "\n%% generator data\n"
          "%\tbus\tPg\tQg\tQmax\tQmin\tVg\tmBase\tstatus\tPmax\tPmin\tPc1\tPc2\tQc1min"
          "\tQc1max\tQc2min\tQc2max\tramp_agc\tramp_10\tramp_30\tramp_q\tapf\n"
          "mpc.gen = [\n";
    for (const ZELGenerator& g : c_.generators) {
      w_ << '\t' << g.I() << '\t' << g.PG() << '\t' << g.QG() << '\t' << g.QT() << '\t'
         << g.QB() << '\t' << g.VS() << '\t' << g.MBASE() << '\t' << g.STAT() << '\t'
         << g.PT() << '\t' << g.PB();
      w_ << zeros;
      w_.endRow();
      machine += g.IREG() != 0 || g.ZR() != d.ZR() || g.ZX() != d.ZX() ||
                 g.RT() != d.RT() || g.XT() != d.XT() || g.GTAP() != d.GTAP() ||
                 g.RMPCT() != d.RMPCT();
      ids += !isNumberedId(g.ID(), perBus.meet(static_cast<std::uint32_t>(g.I())));
    }
    w_ << "];\n";
    if (machine)
      note(plural(machine, "generator", "generators") +
           ": IREG, ZR, ZX, RT, XT, GTAP or RMPCT not written");
    if (ids)
      note(plural(ids, "generator ID", "generator IDs") +
           " not written: reading numbers the machines of a bus 1, 2, ...");
  }

  void branches() {
    const std::string limits =
        sameColumns({interop::branch::kAngminWritten, interop::branch::kAngmaxWritten});
    Counter perPair(c_.branches.size());
    std::size_t shunts = 0, circuits = 0;
    w_ << "\n%% branch data\n"
          "%\tfbus\ttbus\tr\tx\tb\trateA\trateB\trateC\tratio\tangle\tstatus\tangmin"
          "\tangmax\n"
          "mpc.branch = [\n";
    constexpr std::size_t kAhead = 8; // rows written while a count slot loads
    for (std::size_t k = 0; k < c_.branches.size(); ++k) {
      const ZELBranch& b = c_.branches[k];
      perPair.prefetch(
          pairKey(c_.branches[std::min(k + kAhead, c_.branches.size() - 1)]));
      w_ << '\t' << b.I() << '\t' << b.J() << '\t' << b.R() << '\t' << b.X() << '\t'
         << b.B() << '\t' << b.RATEA() << '\t' << b.RATEB() << '\t' << b.RATEC() << '\t'
         << b.RATIO() << '\t' << b.ANGLE() << '\t' << b.ST() << limits;
      w_.endRow();
      shunts += b.GI() != 0.0 || b.BI() != 0.0 || b.GJ() != 0.0 || b.BJ() != 0.0;
      circuits += !isNumberedId(b.CKT(), perPair.meet(pairKey(b)));
    }
    w_ << "];\n";
    if (shunts)
      note(plural(shunts, "branch", "branches") +
           ": line shunts GI, BI, GJ and BJ not written");
    if (circuits)
      note(plural(circuits, "branch circuit identifier", "branch circuit identifiers") +
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
      note(plural(lost, "area interchange", "area interchanges") +
           ": PDES, PTOL or ARNAME not written");
  }

  // Written unless every name is blank.
  void names() {
    std::vector<std::string> safe(c_.buses.size());
    std::size_t changed = 0;
    bool any = false;
    std::string text;
    for (std::size_t k = 0; k < safe.size(); ++k) {
      text.clear();
      changed += appendText(text, bareName(c_.buses[k].NAME())) != 0;
      safe[k] = trimmed(text);
      any = any || !safe[k].empty();
    }
    if (changed)
      note(plural(changed, "bus name", "bus names") + ": bytes dropped: " + kNotText);
    if (!any) return;
    w_ << "\n%% bus names\nmpc.bus_name = {\n";
    for (const std::string& name : safe) {
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
      note(plural(c_.adjustments.size(), "transformer adjustment",
                  "transformer adjustments") +
           " not written: MATPOWER has no tap adjustment data");
    if (!c_.dcLines.empty())
      note(plural(c_.dcLines.size(), "two-terminal DC line", "two-terminal DC lines") +
           " not written");
  }

  void note(std::string text) { notes_.push_back(std::move(text)); }

  Writer w_;
  const Case& c_;
  const MatpowerWriteOptions& options_;
  std::vector<std::string> notes_;
};

} // namespace

bool isMatlabFunctionName(std::string_view name) {
  auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  if (name.empty() || name.size() > 63 || !letter(name.front())) return false;
  for (char c : name)
    if (!letter(c) && !(c >= '0' && c <= '9') && c != '_') return false;
  return !isKeyword(name);
}

std::vector<std::string> writeMatpower(std::ostream& out, const Case& c,
                                       const MatpowerWriteOptions& options) {
  if (!isMatlabFunctionName(options.functionName))
    throw std::invalid_argument("'" + options.functionName +
                                "' is not a MATLAB function name");
  return CaseWriter(out, c, options).run();
}

} // namespace zel23
