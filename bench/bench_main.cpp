// zel23_bench: speed of ZELParse, ZELPrint and the record classes, each
// beside floors that do the least a reader or writer of the same bytes must
// do, so that the ratios say how much the library adds.
//
// Cases are generated in memory (gen.h). 10,000 and 100,000 buses always;
// 1,000,000 buses (about 340 MB of text) only with --big or
// ZEL23_BENCH_BIG=1.

#include "gen.h"

#include <zel23.h>
#include <zel23_case.h>
#include <zel23_check.h>
#include <zel23_matpower.h>

#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <streambuf>
#include <string>
#include <string_view>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::uint64_t kSeed = 2023;

// zel23::Case holds everything ZELParse fills; these spell the calls out once.
bool parseCase(std::istream& in, zel23::Case& c) {
  return ZELParse(in, c.buses, c.generators, c.branches, c.adjustments, c.areas,
                  c.dcLines, c.shunts, c.comments, c.systemBase);
}

bool printCase(std::ostream& out, zel23::Case& c) {
  return ZELPrint(out, c.buses, c.generators, c.branches, c.adjustments, c.areas,
                  c.dcLines, c.shunts, c.comments, c.systemBase);
}

bool matches(const zel23::Case& c, const CaseShape& s) {
  const auto same = [](std::size_t count, long long expected) {
    return static_cast<long long>(count) == expected;
  };
  return same(c.buses.size(), s.buses) && same(c.generators.size(), s.generators) &&
         same(c.branches.size(), s.branches) &&
         same(c.adjustments.size(), s.adjustments) && same(c.areas.size(), s.areas) &&
         same(c.dcLines.size(), s.dcLines) && same(c.shunts.size(), s.shunts) &&
         c.comments.size() == 10;
}

std::vector<std::string_view> splitLines(const std::string& text) {
  std::vector<std::string_view> lines;
  const char* p = text.data();
  const char* const end = p + text.size();
  while (p < end) {
    const void* nl = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
    const char* stop = nl != nullptr ? static_cast<const char*>(nl) : end;
    lines.emplace_back(p, static_cast<std::size_t>(stop - p));
    p = stop + 1;
  }
  return lines;
}

// One size of case: its text, and (made on first use) its records and the
// text ZELPrint writes for them.
struct Fixture {
  explicit Fixture(int n) : buses(n), shape(caseShape(n)), text(generateCase(n, kSeed)) {}

  const std::string* ensureParsed() {
    if (parsedOk) return nullptr;
    std::istringstream in(text);
    parseCase(in, parsed);
    if (!matches(parsed, shape)) return &kCountMismatch;
    std::ostringstream out;
    printCase(out, parsed);
    printed = out.str();
    printedLines = splitLines(printed);
    parsedOk = true;
    return nullptr;
  }

  int buses;
  CaseShape shape;
  std::string text;
  zel23::Case parsed;
  bool parsedOk = false;
  std::string printed;
  std::vector<std::string_view> printedLines;

  static const std::string kCountMismatch;
};

const std::string Fixture::kCountMismatch =
    "ZELParse returned other record counts than generated";

Fixture& fixture(int buses) {
  static std::map<int, std::unique_ptr<Fixture>> cache;
  std::unique_ptr<Fixture>& slot = cache[buses];
  if (!slot) slot = std::make_unique<Fixture>(buses);
  return *slot;
}

std::string scratchPath() {
  return "/tmp/zel23_bench_" + std::to_string(static_cast<long>(::getpid())) + ".raw";
}

void setRecordRate(benchmark::State& state, long long records) {
  state.counters["records/s"] = benchmark::Counter(
      static_cast<double>(records), benchmark::Counter::kIsIterationInvariantRate);
}

// ---------------------------------------------------------------- floors ---

// What every reader of these bytes has to touch: each token found, each
// number converted. The sum keeps the compiler from dropping the work.
struct Checksum {
  double sum = 0.0;
  std::size_t tokens = 0;
  std::size_t quotedBytes = 0;
  std::size_t bad = 0;
};

inline bool isSeparator(char c) { return c == ',' || c == ' ' || c == '\t'; }

inline void tokenizeLine(const char* p, const char* end, Checksum& c) {
  while (p < end) {
    if (isSeparator(*p)) {
      ++p;
      continue;
    }
    if (*p == '\'') {
      const void* close = std::memchr(p + 1, '\'', static_cast<std::size_t>(end - p - 1));
      const char* stop = close != nullptr ? static_cast<const char*>(close) + 1 : end;
      c.quotedBytes += static_cast<std::size_t>(stop - p);
      ++c.tokens;
      p = stop;
      continue;
    }
    const char* start = p;
    while (p < end && !isSeparator(*p))
      ++p;
    double v = 0.0;
    if (std::from_chars(start, p, v).ec == std::errc())
      c.sum += v;
    else
      ++c.bad;
    ++c.tokens;
  }
}

void keep(const Checksum& c) {
  benchmark::DoNotOptimize(c.sum);
  benchmark::DoNotOptimize(c.tokens);
  benchmark::DoNotOptimize(c.quotedBytes);
  benchmark::DoNotOptimize(c.bad);
}

// A stream that counts and forgets what it is given, so that printing a
// record measures the printer and not a growing buffer.
class DiscardBuf : public std::streambuf {
public:
  DiscardBuf() { setp(buf_, buf_ + sizeof buf_); }
  std::size_t bytes() const {
    return total_ + static_cast<std::size_t>(pptr() - pbase());
  }

protected:
  int_type overflow(int_type ch) override {
    total_ += static_cast<std::size_t>(pptr() - pbase());
    setp(buf_, buf_ + sizeof buf_);
    if (!traits_type::eq_int_type(ch, traits_type::eof())) {
      *pptr() = traits_type::to_char_type(ch);
      pbump(1);
    }
    return traits_type::not_eof(ch);
  }

private:
  char buf_[8192];
  std::size_t total_ = 0;
};

// ------------------------------------------------------------------ read ---

// Every read benchmark reads its case once untimed before its rounds, so
// that each starts with the allocator in the same state whichever runs
// first. (The one read of a new process also waits for the memory the
// kernel hands out fresh: bench/run.sh times that case with
// zel23_peak_memory, a new process for each file.)
void readZELParse(benchmark::State& state, int buses) {
  Fixture& f = fixture(buses);
  std::istringstream in(f.text);
  zel23::Case lists;
  parseCase(in, lists);
  for (auto _ : state) {
    state.PauseTiming();
    lists = zel23::Case(); // frees the previous round's records untimed
    in.str(f.text);
    in.clear();
    state.ResumeTiming();
    parseCase(in, lists);
  }
  if (!matches(lists, f.shape)) state.SkipWithError(Fixture::kCountMismatch.c_str());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(f.text.size()));
  setRecordRate(state, f.shape.records());
}

// The fixture's text as a file in /tmp, written on first use and removed
// when the program ends.
const std::string& fixtureFile(int buses) {
  struct Files {
    std::map<int, std::string> paths;
    ~Files() {
      for (const auto& entry : paths)
        std::remove(entry.second.c_str());
    }
  };
  static Files files;
  std::string& path = files.paths[buses];
  if (path.empty()) {
    path = scratchPath() + "." + std::to_string(buses);
    std::ofstream(path, std::ios::binary) << fixture(buses).text;
  }
  return path;
}

// The same file read by the sequential recoverable reader from an
// std::ifstream, and by the parallel one on 1 and 2 threads.
void readFromFile(benchmark::State& state, int buses, unsigned threads) {
  Fixture& f = fixture(buses);
  const std::string& path = fixtureFile(buses);
  zel23::Case lists;
  zel23::ReadOptions options;
  options.threads = threads;
  const auto readOnce = [&] {
    if (threads != 0) return zel23::readFile(path, lists, options).ok();
    std::ifstream in(path, std::ios::binary);
    return zel23::read(in, lists).ok();
  };
  bool ok = readOnce();
  for (auto _ : state) {
    state.PauseTiming();
    lists = zel23::Case();
    state.ResumeTiming();
    ok = readOnce() && ok;
  }
  if (!ok || !matches(lists, f.shape))
    state.SkipWithError(Fixture::kCountMismatch.c_str());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(f.text.size()));
  setRecordRate(state, f.shape.records());
}

void readSequentialFile(benchmark::State& state, int buses) {
  readFromFile(state, buses, 0);
}
void readFile1(benchmark::State& state, int buses) { readFromFile(state, buses, 1); }
void readFile2(benchmark::State& state, int buses) { readFromFile(state, buses, 2); }

// The recoverable reader, which the Python package runs.
void readRecoverable(benchmark::State& state, int buses) {
  Fixture& f = fixture(buses);
  std::istringstream in(f.text);
  zel23::Case lists;
  zel23::read(in, lists);
  for (auto _ : state) {
    state.PauseTiming();
    lists = zel23::Case();
    in.str(f.text);
    in.clear();
    state.ResumeTiming();
    if (!zel23::read(in, lists).ok()) state.SkipWithError("zel23::read met a problem");
  }
  if (!matches(lists, f.shape)) state.SkipWithError(Fixture::kCountMismatch.c_str());
  setRecordRate(state, f.shape.records());
}

// zel23::check over the case as zel23::read gives it (records and their
// lines), read once untimed. Bytes are the case text's, so its MB/s stand
// beside Read/ZELParse's: how much a check adds to a read. The generated
// case joins buses of random base voltages by lines, which makes about one
// finding per bus; CheckFewFindings gives every bus one base voltage first,
// as a real case would, and so times the checks rather than the messages.
void timeCheck(benchmark::State& state, int buses, bool oneVoltage) {
  Fixture& f = fixture(buses);
  zel23::Case c;
  std::istringstream in(f.text);
  const zel23::ReadReport report = zel23::read(in, c);
  if (!matches(c, f.shape)) state.SkipWithError(Fixture::kCountMismatch.c_str());
  if (oneVoltage)
    for (ZELBus& b : c.buses)
      b.BASKV() = 138.0;
  std::size_t findings = 0;
  for (auto _ : state) {
    const zel23::CheckResult result = zel23::check(c, report);
    findings = result.findings.size();
    benchmark::DoNotOptimize(result.summary.islands.data());
  }
  state.counters["findings"] = static_cast<double>(findings);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(f.text.size()));
  setRecordRate(state, f.shape.records());
}

void checkCase(benchmark::State& state, int buses) { timeCheck(state, buses, false); }
void checkFewFindings(benchmark::State& state, int buses) {
  timeCheck(state, buses, true);
}

void readFloorMemchr(benchmark::State& state, int buses) {
  Fixture& f = fixture(buses);
  Checksum c;
  for (auto _ : state) {
    const char* p = f.text.data();
    const char* const end = p + f.text.size();
    while (p < end) {
      const void* nl = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
      const char* stop = nl != nullptr ? static_cast<const char*>(nl) : end;
      tokenizeLine(p, stop, c);
      p = stop + 1;
    }
    keep(c);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(f.text.size()));
}

void readFloorGetline(benchmark::State& state, int buses) {
  Fixture& f = fixture(buses);
  std::istringstream in;
  Checksum c;
  char buf[1024];
  for (auto _ : state) {
    state.PauseTiming();
    in.str(f.text);
    in.clear();
    state.ResumeTiming();
    while (in.getline(buf, sizeof buf)) {
      auto len = static_cast<std::size_t>(in.gcount());
      if (len > 0 && buf[len - 1] == '\0') --len; // the line feed was taken
      tokenizeLine(buf, buf + len, c);
    }
    keep(c);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(f.text.size()));
}

// The reader people write by hand first: whole lines, a string stream per
// line, std::stod per token with the exceptions caught.
void readFloorHandWritten(benchmark::State& state, int buses) {
  Fixture& f = fixture(buses);
  std::istringstream in;
  Checksum c;
  std::string line;
  std::string token;
  std::string more;
  for (auto _ : state) {
    state.PauseTiming();
    in.str(f.text);
    in.clear();
    state.ResumeTiming();
    while (std::getline(in, line)) {
      for (char& ch : line)
        if (ch == ',') ch = ' ';
      std::stringstream fields(line);
      while (fields >> token) {
        ++c.tokens;
        if (token[0] == '\'') {
          // A quoted name was cut at its blanks: glue it back together.
          while ((token.size() < 2 || token.back() != '\'') && fields >> more) {
            token += ' ';
            token += more;
          }
          c.quotedBytes += token.size();
          continue;
        }
        try {
          c.sum += std::stod(token);
        } catch (const std::logic_error&) {
          ++c.bad;
        }
      }
    }
    keep(c);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(f.text.size()));
}

// ----------------------------------------------------------------- write ---

// Every write benchmark moves the same bytes: the text ZELPrint produces for
// the parsed case. The floors write that text line by line.
Fixture* writeFixture(benchmark::State& state, int buses) {
  Fixture& f = fixture(buses);
  if (const std::string* error = f.ensureParsed()) {
    state.SkipWithError(error->c_str());
    return nullptr;
  }
  return &f;
}

void setWriteRates(benchmark::State& state, const Fixture& f, bool records) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(f.printed.size()));
  if (records) setRecordRate(state, f.shape.records());
}

// Times write(out) into an emptied string stream; returns the last text.
template <class Write> std::string timeIntoMemory(benchmark::State& state, Write write) {
  std::ostringstream out;
  for (auto _ : state) {
    state.PauseTiming();
    out.str(std::string());
    out.clear();
    state.ResumeTiming();
    write(out);
  }
  return out.str();
}

void writeZELPrintMemory(benchmark::State& state, int buses) {
  Fixture* f = writeFixture(state, buses);
  if (f == nullptr) return;
  const std::string out =
      timeIntoMemory(state, [&](std::ostream& o) { printCase(o, f->parsed); });
  if (out.size() != f->printed.size()) state.SkipWithError("output size changed");
  setWriteRates(state, *f, true);
}

// The exact form of the same case: rates count its own bytes, which are
// fewer than the printed form's (shorter numbers), and the same records.
void writeExactMemory(benchmark::State& state, int buses) {
  Fixture* f = writeFixture(state, buses);
  if (f == nullptr) return;
  bool ok = true;
  const std::string out = timeIntoMemory(state, [&](std::ostream& o) {
    ok = zel23::write(o, f->parsed, zel23::WriteOptions()).ok() && ok;
  });
  if (!ok) state.SkipWithError("the exact writer refused the case");
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(out.size()));
  setRecordRate(state, f->shape.records());
}

// Times `write` into a fresh file each round: opening is untimed, closing
// (which writes out what is buffered) is timed.
template <class Write>
void timeFileWrites(benchmark::State& state, Fixture& f, bool library, Write write) {
  const std::string path = scratchPath();
  std::ofstream out;
  for (auto _ : state) {
    state.PauseTiming();
    out.open(path, std::ios::binary | std::ios::trunc);
    state.ResumeTiming();
    write(out);
    out.close();
  }
  std::remove(path.c_str());
  setWriteRates(state, f, library);
}

void writeZELPrintFile(benchmark::State& state, int buses) {
  Fixture* f = writeFixture(state, buses);
  if (f == nullptr) return;
  timeFileWrites(state, *f, true, [f](std::ostream& out) { printCase(out, f->parsed); });
}

void writeExactFile(benchmark::State& state, int buses) {
  Fixture* f = writeFixture(state, buses);
  if (f == nullptr) return;
  timeFileWrites(state, *f, true, [f](std::ostream& out) {
    zel23::write(out, f->parsed, zel23::WriteOptions());
  });
}

void writeLinesWithEndl(std::ostream& out, const std::vector<std::string_view>& lines) {
  for (std::string_view line : lines) {
    out.write(line.data(), static_cast<std::streamsize>(line.size()));
    out << std::endl;
  }
}

void writeFloorEndlFile(benchmark::State& state, int buses) {
  Fixture* f = writeFixture(state, buses);
  if (f == nullptr) return;
  timeFileWrites(state, *f, false,
                 [f](std::ostream& out) { writeLinesWithEndl(out, f->printedLines); });
}

void writeFloorEndlMemory(benchmark::State& state, int buses) {
  Fixture* f = writeFixture(state, buses);
  if (f == nullptr) return;
  std::ostringstream out;
  for (auto _ : state) {
    state.PauseTiming();
    out.str(std::string());
    out.clear();
    state.ResumeTiming();
    writeLinesWithEndl(out, f->printedLines);
  }
  setWriteRates(state, *f, false);
}

void writeFloorBulkFile(benchmark::State& state, int buses) {
  Fixture* f = writeFixture(state, buses);
  if (f == nullptr) return;
  timeFileWrites(state, *f, false, [f](std::ostream& out) {
    out.write(f->printed.data(), static_cast<std::streamsize>(f->printed.size()));
  });
}

// --------------------------------------------------------------- records ---

// The first record of each section of the 10,000-bus case, so that the
// single-record figures use the same kind of lines as the whole-case ones.
struct SampleLines {
  std::string bus, generator, branch, adjustment, area, shunt;
  std::string dc[3];
  // No section holds loads; this line is written in the same style.
  std::string load = "   205,'1 ',1,   2,   7,  120.5318,  35.25,0.0,0.0,0.0,-10.0625";
};

const SampleLines& samples() {
  static const SampleLines s = [] {
    SampleLines out;
    const std::vector<std::string_view> lines = splitLines(fixture(10000).text);
    std::string* firsts[] = {&out.bus,  &out.generator, &out.branch, &out.adjustment,
                             &out.area, nullptr,        &out.shunt};
    int section = 0;
    for (std::size_t i = 3; i < lines.size() && section < 7; ++i) {
      const std::string_view line = lines[i];
      const std::size_t first = line.find_first_not_of(" \t\r#");
      if (first == std::string_view::npos) continue;
      if (line[first] == '0') {
        ++section;
        continue;
      }
      if (section == 5) {
        if (out.dc[0].empty() && i + 2 < lines.size())
          for (int k = 0; k < 3; ++k)
            out.dc[k] = std::string(lines[i + k]);
        i += 2;
      } else if (firsts[section]->empty()) {
        *firsts[section] = std::string(line);
      }
    }
    return out;
  }();
  return s;
}

template <class Record>
void recordParse(benchmark::State& state, const std::string* line) {
  for (auto _ : state) {
    Record r(*line);
    benchmark::DoNotOptimize(r);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(line->size() + 1));
  setRecordRate(state, 1);
}

void dcParse(benchmark::State& state) {
  const SampleLines& s = samples();
  for (auto _ : state) {
    ZELTwoTerminalDC r(s.dc[0], s.dc[1], s.dc[2]);
    benchmark::DoNotOptimize(r);
  }
  state.SetBytesProcessed(
      static_cast<std::int64_t>(state.iterations()) *
      static_cast<std::int64_t>(s.dc[0].size() + s.dc[1].size() + s.dc[2].size() + 3));
  setRecordRate(state, 1);
}

template <class Record> void recordPrint(benchmark::State& state, const Record* record) {
  DiscardBuf sink;
  std::ostream out(&sink);
  for (auto _ : state) {
    out << *record;
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(sink.bytes()));
  setRecordRate(state, 1);
}

template <class Record>
void registerRecord(const char* name, const std::string* line, const Record* record) {
  benchmark::RegisterBenchmark((std::string("Record/") + name + "/Parse").c_str(),
                               recordParse<Record>, line);
  benchmark::RegisterBenchmark((std::string("Record/") + name + "/Print").c_str(),
                               recordPrint<Record>, record);
}

// -------------------------------------------------------------- matpower ---

// The parsed case as a MATPOWER case file and back. Bytes are those of the
// MATPOWER text, to set beside Read/ZELParse and Write/ZELPrintMemory (the
// same sink: an emptied string stream).
void matpowerWrite(benchmark::State& state, int buses) {
  Fixture* f = writeFixture(state, buses);
  if (f == nullptr) return;
  const std::string out =
      timeIntoMemory(state, [&](std::ostream& o) { zel23::writeMatpower(o, f->parsed); });
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(out.size()));
}

// `statements` are appended to the written case: the unit conversions some
// MATPOWER cases end with, which the reader evaluates over whole columns.
void matpowerReadText(benchmark::State& state, int buses, const char* statements) {
  Fixture* f = writeFixture(state, buses);
  if (f == nullptr) return;
  std::ostringstream out;
  zel23::writeMatpower(out, f->parsed);
  const std::string text = out.str() + statements;
  zel23::Case c;
  zel23::readMatpower(text, c);
  for (auto _ : state) {
    state.PauseTiming();
    c = zel23::Case();
    state.ResumeTiming();
    if (!zel23::readMatpower(text, c).ok()) state.SkipWithError("problems in the text");
  }
  if (c.buses.size() != f->parsed.buses.size()) state.SkipWithError("bus count changed");
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(text.size()));
}

void matpowerRead(benchmark::State& state, int buses) {
  matpowerReadText(state, buses, "");
}

void matpowerReadEvaluated(benchmark::State& state, int buses) {
  matpowerReadText(state, buses,
                   "[PQ, PV, REF, NONE, BUS_I, BUS_TYPE, PD, QD] = idx_bus;\n"
                   "[F_BUS, T_BUS, BR_R, BR_X] = idx_brch;\n"
                   "Vbase = mpc.bus(1, 10) * 1e3;\nSbase = mpc.baseMVA * 1e6;\n"
                   "mpc.branch(:, [BR_R BR_X]) = mpc.branch(:, [BR_R BR_X]) / "
                   "(Vbase^2 / Sbase);\n"
                   "mpc.bus(:, [PD, QD]) = mpc.bus(:, [PD, QD]) / 1e3;\n");
}

bool bigRequested(int& argc, char** argv) {
  bool big = false;
  if (const char* env = std::getenv("ZEL23_BENCH_BIG")) big = std::strcmp(env, "1") == 0;
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--big") == 0)
      big = true;
    else
      argv[kept++] = argv[i];
  }
  argc = kept;
  return big;
}

} // namespace

int main(int argc, char** argv) {
  std::vector<int> sizes = {10000, 100000};
  if (bigRequested(argc, argv)) sizes.push_back(1000000);

  using Fn = void (*)(benchmark::State&, int);
  struct Whole {
    const char* name;
    Fn fn;
  };
  const Whole whole[] = {
      {"Read/ZELParse/", readZELParse},
      {"Read/ReadFromFile/", readSequentialFile},
      {"Read/ReadFile1Thread/", readFile1},
      {"Read/ReadFile2Threads/", readFile2},
      {"Read/Recoverable/", readRecoverable},
      {"Check/Case/", checkCase},
      {"Check/FewFindings/", checkFewFindings},
      {"Read/FloorMemchr/", readFloorMemchr},
      {"Read/FloorGetline/", readFloorGetline},
      {"Read/FloorHandWritten/", readFloorHandWritten},
      {"Write/ZELPrintMemory/", writeZELPrintMemory},
      {"Write/ExactMemory/", writeExactMemory},
      {"Write/MatpowerMemory/", matpowerWrite},
      {"Write/FloorEndlMemory/", writeFloorEndlMemory},
      {"Write/ZELPrintFile/", writeZELPrintFile},
      {"Write/ExactFile/", writeExactFile},
      {"Write/FloorEndlFile/", writeFloorEndlFile},
      {"Write/FloorBulkFile/", writeFloorBulkFile},
      {"Matpower/Read/", matpowerRead},
      {"Matpower/ReadEvaluated/", matpowerReadEvaluated},
  };
  for (int n : sizes) {
    for (const Whole& w : whole) {
      benchmark::RegisterBenchmark((w.name + std::to_string(n)).c_str(), w.fn, n)
          ->UseRealTime()
          ->Unit(benchmark::kMillisecond);
    }
  }

  // Records built once from the sample lines; the benchmarks only point at
  // them, so they must live until the run ends.
  const SampleLines& s = samples();
  static const ZELBus bus(s.bus);
  static const ZELGenerator generator(s.generator);
  static const ZELLoad load(s.load);
  static const ZELBranch branch(s.branch);
  static const ZELTransformerAdjustment adjustment(s.adjustment);
  static const ZELAreaInterchange area(s.area);
  static const ZELSwitchedShunt shunt(s.shunt);
  static const ZELTwoTerminalDC dc(s.dc[0], s.dc[1], s.dc[2]);
  registerRecord("ZELBus", &s.bus, &bus);
  registerRecord("ZELGenerator", &s.generator, &generator);
  registerRecord("ZELLoad", &s.load, &load);
  registerRecord("ZELBranch", &s.branch, &branch);
  registerRecord("ZELTransformerAdjustment", &s.adjustment, &adjustment);
  registerRecord("ZELAreaInterchange", &s.area, &area);
  registerRecord("ZELSwitchedShunt", &s.shunt, &shunt);
  benchmark::RegisterBenchmark("Record/ZELTwoTerminalDC/Parse", dcParse);
  benchmark::RegisterBenchmark("Record/ZELTwoTerminalDC/Print",
                               recordPrint<ZELTwoTerminalDC>, &dc);

  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
