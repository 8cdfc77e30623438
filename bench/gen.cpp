#include "gen.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// splitmix64: tiny, fast and identical everywhere, unlike the standard
// distributions whose output may change between library versions.
class Random {
public:
  explicit Random(std::uint64_t seed) : state_(seed) {}

  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
  }

  /// 0 .. n-1 (n > 0); the modulo bias is far below anything a case shows.
  std::uint64_t below(std::uint64_t n) { return next() % n; }
  long long between(long long lo, long long hi) {
    return lo + static_cast<long long>(below(static_cast<std::uint64_t>(hi - lo + 1)));
  }
  bool chance(int percent) { return below(100) < static_cast<std::uint64_t>(percent); }
  template <class T, std::size_t N> const T& pick(const T (&items)[N]) {
    return items[below(N)];
  }

private:
  std::uint64_t state_;
};

const long long kPow10[] = {1,         10,         100,         1000,
                            10000,     100000,     1000000,     10000000,
                            100000000, 1000000000, 10000000000, 100000000000};

void appendInt(std::string& out, long long v) {
  char digits[24];
  int n = 0;
  const bool negative = v < 0;
  unsigned long long u = negative ? 0ULL - static_cast<unsigned long long>(v)
                                  : static_cast<unsigned long long>(v);
  do {
    digits[n++] = static_cast<char>('0' + u % 10);
    u /= 10;
  } while (u != 0);
  if (negative) out += '-';
  while (n > 0)
    out += digits[--n];
}

/// Number of characters appendFixed writes for the same arguments.
std::size_t fixedLength(long long mantissa, int decimals) {
  std::size_t len = mantissa < 0 ? 1 : 0;
  unsigned long long u = mantissa < 0 ? 0ULL - static_cast<unsigned long long>(mantissa)
                                      : static_cast<unsigned long long>(mantissa);
  unsigned long long whole = u / static_cast<unsigned long long>(kPow10[decimals]);
  do {
    ++len;
    whole /= 10;
  } while (whole != 0);
  return decimals > 0 ? len + 1 + static_cast<std::size_t>(decimals) : len;
}

/// mantissa / 10^decimals in plain decimal notation, all decimals written.
void appendFixed(std::string& out, long long mantissa, int decimals) {
  if (mantissa < 0) out += '-';
  const unsigned long long u = mantissa < 0
                                   ? 0ULL - static_cast<unsigned long long>(mantissa)
                                   : static_cast<unsigned long long>(mantissa);
  const auto scale = static_cast<unsigned long long>(kPow10[decimals]);
  appendInt(out, static_cast<long long>(u / scale));
  if (decimals == 0) return;
  out += '.';
  unsigned long long frac = u % scale;
  for (int d = decimals - 1; d >= 0; --d) {
    const auto p = static_cast<unsigned long long>(kPow10[d]);
    out += static_cast<char>('0' + frac / p);
    frac %= p;
  }
}

std::size_t intLength(long long v) {
  std::size_t len = v < 0 ? 1 : 0;
  unsigned long long u = v < 0 ? 0ULL - static_cast<unsigned long long>(v)
                               : static_cast<unsigned long long>(v);
  do {
    ++len;
    u /= 10;
  } while (u != 0);
  return len;
}

/// Writes one record line field by field. Fields may be right-aligned in a
/// width as column-minded writers do; the padding only ever leads a field, so
/// no line ends in a blank and no two separators meet.
class Line {
public:
  Line(std::string& out, Random& rng, const char* sep)
      : out_(out), rng_(rng), sep_(sep) {}
  ~Line() { out_ += '\n'; }
  Line(const Line&) = delete;
  Line& operator=(const Line&) = delete;

  Line& integer(long long v, int width = 0) {
    separate(intLength(v), width);
    appendInt(out_, v);
    return *this;
  }
  /// A value drawn in [lo, hi] with one of the given numbers of decimals.
  Line& real(double lo, double hi, int minDecimals, int maxDecimals, int width = 0) {
    const int d = static_cast<int>(rng_.between(minDecimals, maxDecimals));
    const long long a = scaled(lo, d);
    const long long b = scaled(hi, d);
    return fixed(rng_.between(a, b), d, width);
  }
  /// A fixed value written with one of the given numbers of decimals.
  Line& value(double v, int minDecimals, int maxDecimals, int width = 0) {
    const int d = static_cast<int>(rng_.between(minDecimals, maxDecimals));
    return fixed(scaled(v, d), d, width);
  }
  Line& fixed(long long mantissa, int decimals, int width = 0) {
    separate(fixedLength(mantissa, decimals), width);
    appendFixed(out_, mantissa, decimals);
    return *this;
  }
  Line& text(const std::string& s, int width = 0) {
    separate(s.size(), width);
    out_ += s;
    return *this;
  }

private:
  static long long scaled(double v, int decimals) {
    const double s = v * static_cast<double>(kPow10[decimals]);
    return static_cast<long long>(s < 0 ? s - 0.5 : s + 0.5);
  }
  void separate(std::size_t len, int width) {
    if (!first_) out_ += sep_;
    first_ = false;
    for (std::size_t i = len; i < static_cast<std::size_t>(width); ++i)
      out_ += ' ';
  }

  std::string& out_;
  Random& rng_;
  const char* sep_;
  bool first_ = true;
};

/// Separators of cursor-read lines: mostly commas, sometimes the blank
/// separated style some writers use.
const char* cursorSeparator(Random& rng) {
  static const char* const kSeps[] = {",", ",", ",", ",", ",", ", ", " ", "  "};
  return rng.pick(kSeps);
}

/// Separators of splitter-read lines: a single comma (optionally with
/// blanks after it) or blanks only; never two commas in a row, which would
/// add an empty field.
const char* splitterSeparator(Random& rng) {
  static const char* const kSeps[] = {",", ",", ",", ",", ",", ",", ", ", " "};
  return rng.pick(kSeps);
}

/// 'WORD NNN' padded to 8 characters between the apostrophes.
std::string quotedName(const char* word, long long number) {
  std::string name = "'";
  name += word;
  name += ' ';
  appendInt(name, number);
  name.resize(9, ' ');
  name += '\'';
  return name;
}

struct Branch {
  int from; // bus index
  int to;   // bus index
  int circuit;
  bool transformer;
};

std::vector<Branch> makeBranches(int buses, Random& rng, long long count) {
  std::vector<Branch> branches;
  branches.reserve(static_cast<std::size_t>(count));
  for (long long k = 0; k < count; ++k) {
    Branch b{};
    if (k < buses - 1) {
      // A chain through every bus keeps the network connected.
      b.from = static_cast<int>(k);
      b.to = static_cast<int>(k + 1);
    } else {
      b.from = static_cast<int>(rng.below(static_cast<std::uint64_t>(buses)));
      const int reach = std::max(1, std::min(buses - 1, 200));
      b.to = static_cast<int>(
          (b.from + 1 + static_cast<int>(rng.below(static_cast<std::uint64_t>(reach)))) %
          buses);
      if (b.to == b.from) b.to = (b.from + 1) % buses;
    }
    b.circuit = rng.chance(92) ? 1 : 2;
    b.transformer = k % 7 == 3;
    branches.push_back(b);
  }
  return branches;
}

long long transformerCount(long long branches) {
  return branches > 3 ? (branches - 3 + 6) / 7 : 0;
}

const char* const kBusWords[] = {"BUS",  "SUB",  "HILL", "LAKE", "MILL", "PARK",
                                 "FORD", "GLEN", "BAY",  "OAK",  "ASH",  "ELM",
                                 "PINE", "RED",  "EAST", "WEST", "MESA", "DALE"};
const char* const kAreaWords[] = {"NTH", "STH", "EST", "WST", "CTR", "MTN", "VAL", "CST"};
const double kBaseKv[] = {13.8,  18.0,  20.0,  69.0,  115.0,
                          138.0, 161.0, 230.0, 345.0, 500.0};
const double kMachineBase[] = {50.0, 100.0, 100.0, 150.0, 247.5, 300.0, 555.0, 910.0};

void writeTerminator(std::string& out, const char* text) {
  out += "0 / ";
  out += text;
  out += '\n';
}

} // namespace

CaseShape caseShape(int buses) {
  CaseShape s;
  if (buses < 1) buses = 1;
  const long long n = buses;
  s.buses = n;
  s.generators = std::max(1LL, (3 * n) / 10);
  s.branches = std::max(1LL, (14 * n) / 10);
  s.adjustments = std::min(n / 10, transformerCount(s.branches));
  s.areas = n / 1000 + 1;
  s.dcLines = n / 5000 + 1;
  s.shunts = n / 20 + 1;
  return s;
}

std::string generateCase(int buses, std::uint64_t seed) {
  if (buses < 1) buses = 1;
  const CaseShape shape = caseShape(buses);
  Random rng(seed);
  std::string out;
  out.reserve(static_cast<std::size_t>(buses) * 360 + 4096);

  // Bus numbers rise with gaps, as in cases stitched together from regions.
  std::vector<int> number(static_cast<std::size_t>(buses));
  long long next = 1;
  for (int i = 0; i < buses; ++i) {
    number[static_cast<std::size_t>(i)] = static_cast<int>(next);
    next += 1 + (rng.chance(25) ? static_cast<long long>(rng.below(5)) : 0);
  }
  // Generators sit on evenly spread buses, one unit per bus.
  std::vector<int> genBus(static_cast<std::size_t>(shape.generators));
  std::vector<char> hasGen(static_cast<std::size_t>(buses), 0);
  for (long long g = 0; g < shape.generators; ++g) {
    const int b = static_cast<int>((g * buses) / shape.generators);
    genBus[static_cast<std::size_t>(g)] = b;
    hasGen[static_cast<std::size_t>(b)] = 1;
  }
  const auto busNumber = [&](int index) {
    return static_cast<long long>(number[static_cast<std::size_t>(index)]);
  };
  const auto areaOf = [&](int index) {
    return 1 + (static_cast<long long>(index) * shape.areas) / buses;
  };

  out += "0   100.00 / synthetic case, ";
  appendInt(out, buses);
  out += " buses, seed ";
  appendInt(out, static_cast<long long>(seed));
  out += '\n';
  out += "ZEL23 SYNTHETIC NETWORK\n";
  out += "LOADS, LINES AND MACHINES DRAWN AT RANDOM\n";

  for (int i = 0; i < buses; ++i) {
    Line line(out, rng, splitterSeparator(rng));
    const int ide = i == 0                                ? 3
                    : hasGen[static_cast<std::size_t>(i)] ? 2
                    : rng.chance(1)                       ? 4
                                                          : 1;
    const bool load = rng.chance(60);
    line.integer(busNumber(i), 7).integer(ide);
    if (load) {
      line.real(0.0, 250.0, 1, 5, 10).real(-40.0, 120.0, 1, 5, 10);
    } else {
      line.value(0.0, 1, 4, 10).value(0.0, 1, 4, 10);
    }
    if (rng.chance(10)) {
      line.real(0.0, 5.0, 2, 4, 10).real(-100.0, 150.0, 1, 3, 10);
    } else {
      line.value(0.0, 1, 3, 10).value(0.0, 1, 3, 10);
    }
    line.integer(areaOf(i), 4)
        .real(0.93, 1.07, 4, 5)
        .real(-75.0, 25.0, 2, 4, 9)
        .text(quotedName(rng.pick(kBusWords), busNumber(i) % 1000))
        .value(rng.pick(kBaseKv), 1, 4, 9)
        .integer(1 + rng.between(0, 30), 4);
  }
  writeTerminator(out, "END OF BUS DATA, BEGIN GENERATOR DATA");

  for (long long g = 0; g < shape.generators; ++g) {
    const int bus = genBus[static_cast<std::size_t>(g)];
    Line line(out, rng, cursorSeparator(rng));
    line.integer(busNumber(bus), 6);
    // Identifiers come quoted or bare; the parser quotes the bare ones.
    switch (rng.below(8)) {
    case 0:
      line.text("1");
      break;
    case 1:
      line.text("'2 '");
      break;
    case 2:
      line.text("G1");
      break;
    default:
      line.text("'1 '");
      break;
    }
    const long long pg = rng.between(0, 8000000);
    line.fixed(pg, 4, 10)
        .real(-100.0, 300.0, 1, 4, 10)
        .real(0.0, 500.0, 1, 3, 10)
        .real(-300.0, 0.0, 1, 3, 10)
        .real(0.98, 1.05, 3, 5, 7);
    line.integer(rng.chance(85) ? 0
                                : busNumber(static_cast<int>(
                                      rng.below(static_cast<std::uint64_t>(buses)))),
                 6);
    line.value(rng.pick(kMachineBase), 1, 3, 8);
    if (rng.chance(50))
      line.value(0.0, 1, 1);
    else
      line.real(0.0, 0.01, 5, 6);
    line.real(0.15, 0.35, 4, 5);
    if (rng.chance(70)) {
      line.value(0.0, 1, 1).value(0.0, 1, 1).value(1.0, 1, 1);
    } else {
      line.real(0.0, 0.005, 5, 6).real(0.08, 0.2, 4, 5).real(0.95, 1.05, 4, 5);
    }
    line.integer(rng.chance(95) ? 1 : 0);
    if (rng.chance(80))
      line.value(100.0, 1, 1);
    else
      line.real(0.0, 100.0, 1, 3);
    line.fixed(pg + rng.between(0, 2000000), 4, 9);
    if (rng.chance(60))
      line.value(0.0, 1, 1);
    else
      line.real(-200.0, 0.0, 1, 3);
  }
  writeTerminator(out, "END OF GENERATOR DATA, BEGIN BRANCH DATA");

  const std::vector<Branch> branches = makeBranches(buses, rng, shape.branches);
  std::vector<const Branch*> transformers;
  transformers.reserve(static_cast<std::size_t>(transformerCount(shape.branches)));
  for (const Branch& b : branches) {
    Line line(out, rng, splitterSeparator(rng));
    line.integer(busNumber(b.from), 6)
        .integer(busNumber(b.to), 6)
        .text(b.circuit == 1 ? "'1 '" : "'2 '")
        .real(0.0001, 0.05, 5, 6, 8)
        .real(0.001, 0.4, 5, 6, 8)
        .real(0.0, 0.8, 4, 5, 8);
    const long long rate = rng.between(50, 2500);
    line.value(static_cast<double>(rate), 0, 2, 7)
        .value(static_cast<double>(rate + rate / 10), 0, 2, 7)
        .value(static_cast<double>(rate + rate / 5), 0, 2, 7);
    if (b.transformer) {
      line.real(0.9, 1.1, 4, 5, 7);
      if (rng.chance(20))
        line.real(-30.0, 30.0, 1, 3, 7);
      else
        line.value(0.0, 1, 1, 7);
      transformers.push_back(&b);
    } else {
      line.value(0.0, 1, 1, 7).value(0.0, 1, 1, 7);
    }
    for (int end = 0; end < 4; ++end) {
      if (rng.chance(5))
        line.real(-0.05, 0.05, 4, 5, 9);
      else
        line.value(0.0, 1, 1, 9);
    }
    line.integer(rng.chance(98) ? 1 : 0);
  }
  writeTerminator(out, "END OF BRANCH DATA, BEGIN TRANSFORMER ADJUSTMENT DATA");

  const long long tcount = static_cast<long long>(transformers.size());
  for (long long a = 0; a < shape.adjustments; ++a) {
    const Branch& b =
        *transformers[static_cast<std::size_t>((a * tcount) / shape.adjustments)];
    Line line(out, rng, cursorSeparator(rng));
    line.integer(busNumber(b.from), 6)
        .integer(busNumber(b.to), 6)
        .text(b.circuit == 1 ? "'1 '" : "'2 '");
    const std::uint64_t which = rng.below(3);
    line.integer(which == 0   ? 0
                 : which == 1 ? busNumber(b.from)
                              : busNumber(b.to),
                 6)
        .real(1.05, 1.5, 2, 4, 7)
        .real(0.5, 0.95, 2, 4, 7)
        .real(1.01, 1.1, 3, 5, 7)
        .real(0.9, 1.0, 3, 5, 7);
    static const double kSteps[] = {0.00625, 0.0125, 0.01, 0.005};
    line.value(rng.pick(kSteps), 5, 6, 8)
        .integer(rng.chance(80) ? 0 : rng.between(1, 5), 3);
  }
  writeTerminator(out, "END OF TRANSFORMER ADJUSTMENT DATA, BEGIN AREA DATA");

  for (long long a = 0; a < shape.areas; ++a) {
    Line line(out, rng, splitterSeparator(rng));
    const int firstBus = static_cast<int>((a * buses) / shape.areas);
    line.integer(a + 1, 4)
        .integer(busNumber(firstBus), 7)
        .real(-500.0, 500.0, 1, 3, 9)
        .real(5.0, 20.0, 1, 2, 7)
        .text(quotedName(rng.pick(kAreaWords), a + 1));
  }
  writeTerminator(out, "END OF AREA DATA, BEGIN TWO-TERMINAL DC DATA");

  for (long long d = 0; d < shape.dcLines; ++d) {
    const int rect = static_cast<int>(rng.below(static_cast<std::uint64_t>(buses)));
    const int inv = static_cast<int>(rng.below(static_cast<std::uint64_t>(buses)));
    {
      Line line(out, rng, ",");
      line.integer(d + 1, 4)
          .integer(rng.between(1, 2))
          .real(5.0, 15.0, 2, 4, 8)
          .real(100.0, 2000.0, 1, 2, 8)
          .real(400.0, 600.0, 1, 2, 8)
          .value(rng.chance(50) ? 0.0 : 350.0, 1, 2, 8)
          .real(0.0, 5.0, 2, 4, 7)
          .real(0.1, 0.2, 3, 4, 7)
          .text(rng.chance(70) ? "'R'" : "'I'");
    }
    for (int end = 0; end < 2; ++end) {
      Line line(out, rng, ",");
      line.integer(busNumber(end == 0 ? rect : inv), 6)
          .integer(rng.between(2, 4), 3)
          .real(15.0, 25.0, 1, 3, 7)
          .real(5.0, 10.0, 1, 3, 7)
          .real(0.0, 0.5, 3, 5, 8)
          .real(3.0, 8.0, 3, 5, 8)
          .value(rng.pick(kBaseKv), 1, 2, 7)
          .real(0.4, 0.6, 3, 5, 7)
          .real(0.95, 1.1, 4, 5, 7)
          .real(1.1, 1.2, 2, 4, 7)
          .real(0.9, 0.95, 2, 4, 7)
          .value(0.00625, 5, 6, 8);
    }
  }
  writeTerminator(out, "END OF TWO-TERMINAL DC DATA, BEGIN SWITCHED SHUNT DATA");

  for (long long s = 0; s < shape.shunts; ++s) {
    const int bus = static_cast<int>((s * buses) / shape.shunts);
    Line line(out, rng, cursorSeparator(rng));
    line.integer(busNumber(bus), 6)
        .integer(rng.between(0, 2), 2)
        .real(1.02, 1.1, 3, 5, 7)
        .real(0.9, 1.0, 3, 5, 7)
        .integer(rng.chance(80) ? 0
                                : busNumber(static_cast<int>(
                                      rng.below(static_cast<std::uint64_t>(buses)))),
                 6)
        .real(-100.0, 200.0, 1, 4, 9);
    const long long blocks = rng.between(1, 4);
    for (long long k = 0; k < blocks; ++k) {
      line.integer(rng.between(1, 5), 2).real(-50.0, 100.0, 1, 3, 8);
    }
  }
  writeTerminator(out, "END OF SWITCHED SHUNT DATA");
  return out;
}

namespace {

// One branch of a solvable case, in bus indexes, with its values fixed.
struct FlowBranch {
  int from, to;
  long long r, x, b; // 1e-5 p.u.
  long long ratio;   // 1e-4; 0 for a line
};

struct Cluster {
  int root; // bus index of its generator
  int size;
  double loadMW = 0.0;
  double lossMW = 0.0;
};

} // namespace

std::string generateSolvableCase(int buses, std::uint64_t seed) {
  if (buses < 2) buses = 2;
  Random rng(seed);
  std::vector<Cluster> clusters;
  for (int b = 0; b < buses;) {
    const int size = std::min(buses - b, static_cast<int>(rng.between(5, 12)));
    clusters.push_back({b, size});
    b += size;
  }
  const int count = static_cast<int>(clusters.size());
  const int width = std::max(1, static_cast<int>(std::ceil(std::sqrt(double(count)))));
  std::vector<long long> pl(buses, 0), ql(buses, 0); // 1e-2 MW, MVAr
  std::vector<FlowBranch> branches;
  std::vector<int> clusterOf(buses);
  // Each side of a transformer is a voltage level of its own; lines and ties
  // between roots stay within one (roots at 230 kV, the others at 230 or 115).
  std::vector<char> lowVoltage(static_cast<std::size_t>(buses), 0);
  for (int c = 0; c < count; ++c) {
    Cluster& cl = clusters[static_cast<std::size_t>(c)];
    // A tree: each bus hangs from one of the three before it; flows and
    // losses follow from the loads below each branch.
    std::vector<int> parent(static_cast<std::size_t>(cl.size), -1);
    std::vector<std::size_t> branchOf(static_cast<std::size_t>(cl.size));
    for (int j = 0; j < cl.size; ++j) {
      const int b = cl.root + j;
      clusterOf[static_cast<std::size_t>(b)] = c;
      if (j > 0 && rng.chance(70)) {
        pl[b] = rng.between(200, 1500);
        ql[b] = pl[b] * rng.between(10, 40) / 100;
      }
      if (j == 0) continue;
      parent[j] = static_cast<int>(rng.between(std::max(0, j - 3), j - 1));
      const bool transformer = j % 4 == 1;
      const long long x = transformer ? rng.between(3000, 6000) : rng.between(1000, 5000);
      branchOf[j] = branches.size();
      branches.push_back({cl.root + parent[j], b, x * rng.between(5, 15) / 100, x,
                          transformer ? 0 : rng.between(200, 1000),
                          transformer ? rng.between(9800, 10300) : 0});
      lowVoltage[b] = lowVoltage[cl.root + parent[j]] != transformer;
    }
    std::vector<double> p(static_cast<std::size_t>(cl.size)), q(p.size());
    for (int j = cl.size - 1; j >= 0; --j) {
      p[j] += pl[cl.root + j] / 1e4; // p.u. on 100 MVA
      q[j] += ql[cl.root + j] / 1e4;
      cl.loadMW += pl[cl.root + j] / 100.0;
      if (j == 0) continue;
      const FlowBranch& br = branches[branchOf[j]];
      cl.lossMW += 100.0 * br.r / 1e5 * (p[j] * p[j] + q[j] * q[j]);
      p[parent[j]] += p[j];
      q[parent[j]] += q[j];
    }
  }
  // Ties between neighbouring roots make the mesh; they carry little.
  for (int c = 0; c < count; ++c)
    for (int d : {c + 1, c + width})
      if (d < count && (d != c + 1 || d % width != 0)) {
        const long long x = rng.between(2000, 6000);
        branches.push_back({clusters[c].root, clusters[d].root, x / 10, x, 500, 0});
      }
  // DC lines move power between distant clusters, whose generators follow.
  const int dcCount = buses / 5000 + 1;
  std::vector<double> dcMW(static_cast<std::size_t>(count), 0.0);
  std::vector<std::pair<int, int>> dc;
  for (int k = 0; k < dcCount && count > 1; ++k) {
    const int from = static_cast<int>(rng.below(count)), to = (from + count / 2) % count;
    if (from == to) continue;
    dc.emplace_back(from, to);
    dcMW[from] += 30, dcMW[to] -= 30;
  }
  const int swing = clusters[std::min(count - 1, (width / 2) * width + width / 2)].root;

  std::string out;
  out.reserve(static_cast<std::size_t>(buses) * 300 + 4096);
  out += "0   100.00 / solvable synthetic case, ";
  appendInt(out, buses);
  out += " buses, seed ";
  appendInt(out, static_cast<long long>(seed));
  out += "\nZEL23 SYNTHETIC NETWORK THAT SOLVES\nCLUSTERS FED BY ONE GENERATOR EACH, "
         "TIED IN A GRID\n";
  std::vector<char> isRoot(static_cast<std::size_t>(buses), 0);
  for (const Cluster& cl : clusters)
    isRoot[cl.root] = 1;
  for (int b = 0; b < buses; ++b) {
    Line line(out, rng, ",");
    line.integer(b + 1, 7)
        .integer(b == swing  ? 3
                 : isRoot[b] ? 2
                             : 1)
        .fixed(pl[b], 2, 9)
        .fixed(ql[b], 2, 9)
        .value(0.0, 1, 1)
        .value(0.0, 1, 1)
        .integer(1 + (static_cast<long long>(b) * (buses / 1000 + 1)) / buses, 4)
        .value(1.0, 4, 4)
        .value(0.0, 4, 4, 9)
        .text(quotedName(rng.pick(kBusWords), (b + 1) % 1000))
        .value(lowVoltage[b] ? 115.0 : 230.0, 1, 1, 7)
        .integer(1 + clusterOf[b] % 30, 4);
  }
  writeTerminator(out, "END OF BUS DATA, BEGIN GENERATOR DATA");
  for (int c = 0; c < count; ++c) {
    const Cluster& cl = clusters[c];
    const long long pg =
        static_cast<long long>((cl.loadMW + cl.lossMW + dcMW[c]) * 100 + 0.5);
    // Some generators hold the voltage of the bus next to them instead.
    const bool remote = cl.size > 1 && rng.chance(5);
    Line line(out, rng, ",");
    line.integer(cl.root + 1, 7).text("'1 '").fixed(pg, 2, 9).value(0.0, 1, 1);
    line.fixed(pg / 2 + 10000, 2, 9).fixed(-pg / 4 - 5000, 2, 9);
    line.fixed(remote ? 10100 : 10200, 4);
    line.integer(remote ? cl.root + 2 : 0).value(100.0, 1, 1);
    line.value(0.0, 1, 1).value(0.2, 1, 1).value(0.0, 1, 1).value(0.0, 1, 1);
    line.value(1.0, 1, 1).integer(1).value(100.0, 1, 1);
    // A cluster that a DC line feeds may need less than nothing of its unit.
    const long long range = std::llabs(pg);
    line.fixed(range + range / 3 + 1000, 2, 9).value(0.0, 1, 1);
  }
  writeTerminator(out, "END OF GENERATOR DATA, BEGIN BRANCH DATA");
  for (const FlowBranch& br : branches) {
    Line line(out, rng, ",");
    line.integer(br.from + 1, 7).integer(br.to + 1, 7).text("'1 '");
    line.fixed(br.r, 5).fixed(br.x, 5).fixed(br.b, 5);
    line.value(600, 1, 1).value(660, 1, 1).value(720, 1, 1);
    line.fixed(br.ratio, 4).value(0.0, 1, 1);
    line.value(0.0, 1, 1).value(0.0, 1, 1).value(0.0, 1, 1).value(0.0, 1, 1).integer(1);
  }
  writeTerminator(out, "END OF BRANCH DATA, BEGIN TRANSFORMER ADJUSTMENT DATA");
  int adjustments = 0;
  for (const FlowBranch& br : branches) {
    if (br.ratio == 0 || adjustments++ >= buses / 100 + 1) continue;
    Line line(out, rng, ",");
    line.integer(br.from + 1, 7).integer(br.to + 1, 7).text("'1 '").integer(br.to + 1);
    line.value(1.1, 4, 4).value(0.9, 4, 4).value(1.02, 4, 4).value(0.98, 4, 4);
    line.value(0.00625, 5, 5).integer(0);
  }
  writeTerminator(out, "END OF TRANSFORMER ADJUSTMENT DATA, BEGIN AREA DATA");
  // Each area's swing bus is its first bus (the area of bus b as the bus
  // section gives it).
  const int areas = buses / 1000 + 1;
  std::vector<int> firstOfArea(static_cast<std::size_t>(areas), swing);
  for (int b = buses - 1; b >= 0; --b)
    firstOfArea[static_cast<std::size_t>((static_cast<long long>(b) * areas) / buses)] =
        b;
  for (int a = 0; a < areas; ++a) {
    Line line(out, rng, ",");
    line.integer(a + 1, 4).integer(firstOfArea[static_cast<std::size_t>(a)] + 1);
    line.value(0.0, 1, 1).value(10.0, 1, 1);
    line.text(quotedName(rng.pick(kAreaWords), a + 1));
  }
  writeTerminator(out, "END OF AREA DATA, BEGIN TWO-TERMINAL DC DATA");
  for (std::size_t k = 0; k < dc.size(); ++k) {
    Line(out, rng, ",")
        .integer(static_cast<long long>(k) + 1)
        .integer(1)
        .value(8.2, 2, 2)
        .value(30.0, 1, 1)
        .value(500.0, 1, 1)
        .value(0.0, 1, 1)
        .value(0.0, 1, 1)
        .value(0.1, 1, 1)
        .text("'R'");
    for (int end : {dc[k].first, dc[k].second}) {
      Line line(out, rng, ",");
      line.integer(clusters[end].root + 1).integer(2).value(25.0, 1, 1).value(5.0, 1, 1);
      line.value(0.0, 1, 1).value(12.5, 1, 1).value(230.0, 1, 1).value(0.44, 2, 2);
      line.value(1.0, 1, 1).value(1.15, 2, 2).value(0.85, 2, 2).value(0.00625, 5, 5);
    }
  }
  writeTerminator(out, "END OF TWO-TERMINAL DC DATA, BEGIN SWITCHED SHUNT DATA");
  for (int b = 1; b < buses; b += 20) {
    if (isRoot[b]) continue;
    Line line(out, rng, ",");
    line.integer(b + 1, 7).integer(0).value(1.05, 3, 3).value(0.95, 3, 3).integer(0);
    line.real(5.0, 20.0, 1, 1).integer(1).value(20.0, 1, 1);
  }
  writeTerminator(out, "END OF SWITCHED SHUNT DATA");
  return out;
}
