// What the page calls: one case at a time, read from the bytes the user
// dropped with the recoverable reader, checked, shown as columns, and
// exported by the zel23 command's own code over Emscripten's in-memory file
// system, so that a download holds the bytes the command writes.

#include "best_read.h"
#include "common.h"
#include "matpower.h"
#include "zel23_check.h"
#include "zel23_fields.h"
#include "zel23_matpower.h"

#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <type_traits>

namespace zel23tool {
extern const unsigned char kSampleBytes[];
extern const std::size_t kSampleSize;
} // namespace zel23tool

namespace {

using emscripten::val;
namespace fs = std::filesystem;

constexpr const char* kInputFolder = "/case";
constexpr const char* kOutputFolder = "/export";

struct Session {
  std::string name;  ///< the file's name as the user gave it
  std::string input; ///< its bytes, until an export writes them to `path`
  std::string path;  ///< its copy in the in-memory file system, relative to kInputFolder
  zel23::Case data;
  zel23::ReadReport report;
  std::size_t bytes = 0;
  bool matpower = false;
  double readMs = 0;
};

Session& session() {
  static Session s;
  return s;
}

val bytesOf(const std::string& text) {
  return val::global("Uint8Array")
      .new_(emscripten::typed_memory_view(
          text.size(), reinterpret_cast<const unsigned char*>(text.data())));
}

val strings(const std::vector<std::string>& list) {
  val out = val::array();
  for (const std::string& s : list)
    out.call<void>("push", s);
  return out;
}

// A name the in-memory file system and the command line take: its last path
// part, never empty, never "." or "..", without NUL, and not starting with
// '-', which would read as an option (or as standard input). A '-' becomes
// '_', as it does in the MATPOWER function named after it.
std::string safeName(std::string name) {
  name = name.substr(
      name.find_last_of("/\\") == std::string::npos ? 0 : name.find_last_of("/\\") + 1);
  name.erase(std::remove(name.begin(), name.end(), '\0'), name.end());
  if (name.empty() || name == "." || name == "..") name = "case.raw";
  if (name.front() == '-') name.front() = '_';
  return name.size() > 200 ? name.substr(name.size() - 200) : name;
}

std::string slurp(const std::string& path) {
  std::string text;
  if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
    char chunk[1 << 16];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;)
      text.append(chunk, n);
    std::fclose(f);
  }
  return text;
}

// Empties a folder of the in-memory file system, or makes it. Emscripten
// starts with the umask 0777, under which the command's output files could
// not be read back: the usual one is set first.
void emptyFolder(const char* path) {
  ::umask(022);
  std::error_code ignored;
  ::chdir("/");
  fs::remove_all(path, ignored);
  fs::create_directories(path, ignored);
}

// Reads the bytes as `zel23 check` does: a MATPOWER case by its name or its
// first statement, a raw case otherwise; every problem with its line.
val openCase(std::string name, std::string bytes) {
  Session& s = session();
  s = Session();
  s.name = name;
  s.path = safeName(name);
  s.bytes = bytes.size();
  s.matpower = zel23tool::isMatpowerInput(s.path, bytes);
  const auto start = std::chrono::steady_clock::now();
  zel23::ReadOptions options;
  options.threads = 1;
  val out = val::object();
  try {
    s.report = s.matpower ? zel23::readMatpower(bytes, s.data, options)
                          : zel23::readBuffer(bytes, s.data, options);
  } catch (const std::exception& e) { // memory, mostly
    s = Session();
    out.set("error", std::string(e.what()));
    return out;
  }
  s.readMs =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
          .count();
  s.input = std::move(bytes);
  out.set("format", s.matpower ? "matpower" : "raw");
  out.set("readMs", s.readMs);
  return out;
}

val info() {
  const Session& s = session();
  const zel23::Case& c = s.data;
  val out = val::object();
  out.set("name", s.name);
  out.set("systemBase", c.systemBase);
  std::vector<std::string> header(c.comments.begin(),
                                  c.comments.begin() +
                                      std::min<std::size_t>(3, c.comments.size()));
  out.set("header", strings(header));
  val records = val::object();
  zel23::forEachSection(
      [&](zel23::Section k, const auto& list) {
        records.set(zel23::sectionNames(k).key, list.size());
      },
      c);
  out.set("records", records);
  std::set<int> areas, zones;
  for (const ZELBus& bus : c.buses) {
    areas.insert(bus.AREA());
    zones.insert(bus.ZONE());
  }
  out.set("areas", areas.size());
  out.set("zones", zones.size());
  out.set("bytes", s.bytes);
  out.set("lines", s.report.lines);
  return out;
}

val float64(const std::vector<double>& values) {
  return val::global("Float64Array")
      .new_(emscripten::typed_memory_view(values.size(), values.data()));
}

val islandOf(const zel23::Island& i) {
  val out = val::object();
  out.set("buses", i.buses);
  out.set("firstBus", i.firstBus);
  val swings = val::array();
  for (int bus : i.swingBuses)
    swings.call<void>("push", bus);
  out.set("swingBuses", swings);
  out.set("loadMW", i.loadMW);
  out.set("loadMVAr", i.loadMVAr);
  out.set("generationMW", i.generationMW);
  out.set("generationMVAr", i.generationMVAr);
  return out;
}

// zel23 check's findings and summary, with its counts. A large case can have
// a finding per record, so the findings come as columns: line numbers, one
// letter per severity (e or w), and codes and messages joined by line feeds.
val check() {
  const Session& s = session();
  const zel23::CheckResult result = zel23::check(s.data, s.report);
  std::vector<double> lines;
  std::string severities, codes, messages;
  for (const zel23::Finding& f : result.findings) {
    lines.push_back(static_cast<double>(f.line));
    severities += f.severity == zel23::Severity::error ? 'e' : 'w';
    (codes += f.code) += '\n';
    (messages += f.message) += '\n';
  }
  val findings = val::object();
  findings.set("count", result.findings.size());
  findings.set("lines", float64(lines));
  findings.set("severities", severities);
  findings.set("codes", codes);
  findings.set("messages", messages);
  val islands = val::array();
  for (const zel23::Island& i : result.summary.islands)
    islands.call<void>("push", islandOf(i));
  val summary = val::object();
  summary.set("buses", result.summary.buses);
  summary.set("isolatedBuses", result.summary.isolatedBuses);
  summary.set("swingBuses", result.summary.swingBuses);
  summary.set("islands", islands);
  const std::size_t errors = s.report.problems.size() + s.report.problemsDropped;
  val out = val::object();
  out.set("errors", errors);
  out.set("warnings", result.findings.size() - s.report.problems.size());
  out.set("errorsNotListed", s.report.problemsDropped);
  out.set("findings", findings);
  out.set("summary", summary);
  return out;
}

// One column per field: numbers as a Float64Array (ints too: they fit),
// texts joined by line feeds (no field of a line holds one), and the line of
// each record.
struct Column {
  std::string kind; ///< int, real or text
  std::vector<double> numbers;
  std::string texts;
  void add(int v) { numbers.push_back(v); }
  void add(double v) { numbers.push_back(v); }
  void add(const std::string& v) { (texts += v) += '\n'; }
};

template <class Record>
val columns(const std::vector<Record>& list, const std::vector<std::size_t>& lines) {
  std::vector<std::string> names;
  std::vector<Column> data;
  const Record blank;
  zel23::forEachField(blank, [&](const char* name, const auto& value) {
    using T = std::decay_t<decltype(value)>;
    names.push_back(name);
    data.emplace_back();
    data.back().kind = std::is_same_v<T, int>      ? "int"
                       : std::is_same_v<T, double> ? "real"
                                                   : "text";
  });
  for (const Record& record : list) {
    std::size_t k = 0;
    zel23::forEachField(record,
                        [&](const char*, const auto& value) { data[k++].add(value); });
  }
  val kinds = val::array(), values = val::array();
  for (const Column& c : data) {
    kinds.call<void>("push", c.kind);
    if (c.kind == "text")
      values.call<void>("push", c.texts);
    else
      values.call<void>("push", float64(c.numbers));
  }
  std::vector<double> lineNumbers(lines.begin(), lines.end());
  lineNumbers.resize(list.size());
  val out = val::object();
  out.set("rows", list.size());
  out.set("fields", strings(names));
  out.set("kinds", kinds);
  out.set("columns", values);
  out.set("lines", float64(lineNumbers));
  return out;
}

val table(int section) {
  const Session& s = session();
  val out = val::null();
  zel23::forEachSection(
      [&](zel23::Section k, const auto& list) {
        if (int(k) == section) out = columns(list, s.report.recordLines[int(k)]);
      },
      s.data);
  return out;
}

// Runs one subcommand of the zel23 command as `zel23 ARGS` would, in the
// case's folder; returns "" or what the command would print on failure.
std::string runCommand(std::vector<std::string> args) {
  CLI::App app{"", "zel23"};
  app.require_subcommand(1);
  const std::vector<zel23tool::Subcommand> commands = {
      zel23tool::addFmt(app), zel23tool::addExport(app), zel23tool::addGraph(app)};
  std::vector<char*> argv;
  for (std::string& a : args)
    argv.push_back(a.data());
  try {
    ::chdir(kInputFolder);
    app.parse(static_cast<int>(argv.size()), argv.data());
    for (const auto& command : commands)
      if (command.app->parsed()) command.run();
    return "";
  } catch (const std::exception& e) {
    return std::string("zel23: ") + e.what();
  }
}

std::string stem(const std::string& name) {
  const auto dot = name.rfind('.');
  return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

// An export as the command writes it: kind is fmt, json, matpower, dot or
// csv:SECTION. Returns {name, bytes} or {error}.
val exportCase(std::string kind) {
  Session& s = session();
  val out = val::object();
  if (!s.report.ok()) {
    const zel23::Problem& p = s.report.problems.front();
    out.set("error", "zel23 does not export a case it cannot read: line " +
                         std::to_string(p.line) + ": " + p.message);
    return out;
  }
  if (!s.input.empty() || !fs::exists(std::string(kInputFolder) + "/" + s.path)) {
    emptyFolder(kInputFolder);
    std::ofstream(std::string(kInputFolder) + "/" + s.path, std::ios::binary) << s.input;
    s.input = std::string();
  }
  emptyFolder(kOutputFolder);
  const std::string base = std::string(kOutputFolder) + "/" + stem(s.path);
  std::string name, error;
  if (kind == "fmt") {
    name = base + ".raw";
    error = runCommand({"zel23", "fmt", s.path, "-o", name});
  } else if (kind == "json") {
    name = base + ".json";
    error = runCommand({"zel23", "export", s.path, "--format", "json", "-o", name});
  } else if (kind == "matpower") {
    name = base + ".m";
    error = runCommand({"zel23", "export", "matpower", s.path, "-o", name});
  } else if (kind == "dot") {
    name = base + ".dot";
    error = runCommand({"zel23", "graph", s.path, "-o", name});
  } else if (kind.rfind("csv:", 0) == 0) {
    error = runCommand({"zel23", "export", s.path, "--format", "csv", "-o", base});
    name = base + "/" + kind.substr(4) + ".csv";
  } else {
    error = "no such export: " + kind;
  }
  if (!error.empty() || !fs::is_regular_file(name)) {
    out.set("error", error.empty() ? "no such export: " + kind : error);
    return out;
  }
  out.set("name", fs::path(name).filename().string());
  out.set("bytes", bytesOf(slurp(name)));
  return out;
}

val sample() {
  return bytesOf(std::string(reinterpret_cast<const char*>(zel23tool::kSampleBytes),
                             zel23tool::kSampleSize));
}

double benchRead(std::string bytes, int rounds) { return bestRead(bytes, rounds); }

std::string version() { return zel23::version(); }

} // namespace

EMSCRIPTEN_BINDINGS(zel23) {
  emscripten::function("openCase", &openCase);
  emscripten::function("info", &info);
  emscripten::function("check", &check);
  emscripten::function("table", &table);
  emscripten::function("exportCase", &exportCase);
  emscripten::function("sample", &sample);
  emscripten::function("benchRead", &benchRead);
  emscripten::function("version", &version);
}
