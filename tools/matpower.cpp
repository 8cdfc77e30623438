// zel23 export matpower and zel23 import matpower: raw cases to MATPOWER case
// files and back, with one line on standard error per kind of data that
// could not be carried.

#include "matpower.h"

#include "zel23_matpower.h"

#include <algorithm>
#include <cctype>
#include <iostream>
#include <sstream>

namespace zel23tool {

namespace {

struct ConvertOptions {
  std::string file;
  std::string output;
};

void printNotes(const std::vector<std::string>& notes) {
  for (const std::string& note : notes)
    std::cerr << "zel23: note: " << printable(note) << '\n';
}

// The problems of a MATPOWER read, one line each, and the error that ends
// the command.
ToolError importError(const std::string& name, const zel23::MatpowerReport& report,
                      bool listAll) {
  const zel23::Problem& first = report.problems.front();
  std::size_t total = report.problems.size() + report.problemsDropped;
  if (listAll) {
    for (const zel23::Problem& p : report.problems)
      std::cerr << "zel23: " << name << " line " << p.line << ": " << printable(p.message)
                << '\n';
    return ToolError("cannot import " + name + ": " +
                     plural(total, "problem", "problems") + ", nothing written");
  }
  std::string more = total > 1
                         ? " (" + plural(total - 1, "more problem", "more problems") +
                               "; zel23 check lists them all)"
                         : "";
  return ToolError("cannot read " + name + ": line " + std::to_string(first.line) + ": " +
                   printable(first.message) + more);
}

// A MATLAB function name from a path: the file name without ".m", other
// characters than letters, digits and '_' made '_', and "case_" before a name
// that does not start with a letter or is a keyword ("end.m").
std::string functionNameFor(const std::string& output, const std::string& input) {
  std::string path = !output.empty() && output != "-" ? output
                     : input.empty()                  ? std::string("sample")
                     : input == "-"                   ? std::string("zel23case")
                                                      : input;
  std::string name =
      path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
  auto dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') c = '_';
  if (name.size() > 63) name.resize(63);
  if (!zel23::isMatlabFunctionName(name)) name = ("case_" + name).substr(0, 63);
  return name;
}

int runImport(const ConvertOptions& o) {
  refuseToOverwriteInput(o.file, o.output);
  std::string bytes = readInput(o.file);
  zel23::Case c;
  zel23::MatpowerReport report = zel23::readMatpower(bytes, c);
  if (!report.ok()) throw importError(inputName(o.file), report, true);
  // The exact form: the raw file reads back to every imported value. A case
  // whose text would not read back is refused before anything is written,
  // at the MATPOWER line its record came from.
  const zel23::WriteOptions exact;
  const zel23::WriteReport check = zel23::checkWrite(c, exact);
  if (!check.ok()) {
    std::string where;
    if (check.section >= 0 && check.section < zel23::kSectionCount && check.record > 0 &&
        check.record <= report.recordLines[check.section].size())
      where = "line " +
              std::to_string(report.recordLines[check.section][check.record - 1]) + ": ";
    throw ToolError("cannot import " + inputName(o.file) + ": " + where + check.error +
                    "; nothing written");
  }
  writeOutput(o.output, [&](std::ostream& out) {
    const zel23::WriteReport written = zel23::write(out, c, exact);
    if (!written.ok())
      throw ToolError("cannot write " + outputName(o.output) + ": " + written.error);
  });
  printNotes(report.notCarried);
  return 0;
}

int runExportMatpower(const ConvertOptions& o) {
  refuseToOverwriteInput(o.file, o.output);
  LoadedCase loaded = loadCase(o.file);
  zel23::MatpowerWriteOptions options;
  options.functionName = functionNameFor(o.output, o.file);
  std::vector<std::string> notes;
  writeOutput(o.output, [&](std::ostream& out) {
    notes = zel23::writeMatpower(out, loaded.data, options);
  });
  printNotes(notes);
  return 0;
}

} // namespace

bool isMatpowerInput(const std::string& file, std::string_view bytes) {
  bool dotM = file.size() > 2 && file.compare(file.size() - 2, 2, ".m") == 0;
  return dotM || zel23::looksLikeMatpower(bytes);
}

LoadedCase loadMatpower(const std::string& file, std::string_view bytes,
                        std::chrono::steady_clock::time_point start) {
  LoadedCase loaded;
  loaded.name = inputName(file);
  zel23::MatpowerReport report = zel23::readMatpower(bytes, loaded.data);
  if (!report.ok()) throw importError(loaded.name, report, false);
  loaded.seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  loaded.bytes = bytes.size();
  loaded.lines = report.lines;
  return loaded;
}

Subcommand addExportMatpower(CLI::App& exportApp) {
  auto o = std::make_shared<ConvertOptions>();
  CLI::App* sub = exportApp.add_subcommand(
      "matpower", "Write the case as a MATPOWER case file (format version 2)");
  sub->add_option("FILE", o->file, kFileHelp);
  sub->add_option("-o,--output", o->output,
                  "the .m file to write (standard output without -o); its name is "
                  "also the function's");
  return {sub, [o] { return runExportMatpower(*o); }};
}

Subcommand addImport(CLI::App& app) {
  auto o = std::make_shared<ConvertOptions>();
  CLI::App* sub = app.add_subcommand("import", "Read a case of another format");
  sub->require_subcommand(1);
  CLI::App* matpower = sub->add_subcommand(
      "matpower", "Read a MATPOWER case file and write it as a raw case file");
  matpower->add_option("CASE", o->file, "MATPOWER case file (.m); - reads standard input")
      ->required();
  matpower->add_option("-o,--output", o->output,
                       "the raw case file to write (standard output without -o)");
  return {sub, [o] { return runImport(*o); }};
}

} // namespace zel23tool
