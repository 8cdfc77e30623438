// zel23 export: the records as JSON (one document) or CSV (one file per
// section), every record under its field names in field order.

#include "common.h"
#include "matpower.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <system_error>

namespace zel23tool {
namespace {

struct ExportOptions {
  std::string file;
  std::string format;
  std::string output;
};

using Json = nlohmann::ordered_json;

// Text that is not UTF-8 is written with U+FFFD in place of the bad bytes
// rather than failing the export.
std::string dumpJson(const Json& value) { return jsonText(value); }

template <class Record> Json recordJson(const Record& record) {
  Json object = Json::object();
  zel23::forEachField(record,
                      [&](const char* name, const auto& value) { object[name] = value; });
  return object;
}

// One record per line keeps a large case readable and streams it out without
// building the whole document first.
void writeJson(std::ostream& out, const zel23::Case& c) {
  Json header = Json::array(), terminators = Json::array();
  for (std::size_t k = 0; k < c.comments.size(); ++k)
    (k < 3 ? header : terminators).push_back(c.comments[k]);
  out << "{\n  \"header\": " << dumpJson(header) << ",\n";
  out << "  \"system_base\": " << dumpJson(c.systemBase) << ",\n";
  out << "  \"terminators\": " << dumpJson(terminators);
  forEachSection(
      [&](int section, const auto& list) {
        out << ",\n  \"" << kSectionKeys[section] << "\": [";
        const char* separator = "\n    ";
        for (const auto& record : list) {
          out << separator << dumpJson(recordJson(record));
          separator = ",\n    ";
        }
        out << (list.empty() ? "]" : "\n  ]");
      },
      c);
  out << "\n}\n";
}

// Quotes a cell only when it would otherwise not read back as itself.
std::string csvCell(const std::string& text) {
  bool plain = text.find_first_of(",\"\r\n") == std::string::npos &&
               (text.empty() || (text.front() != ' ' && text.back() != ' '));
  if (plain) return text;
  std::string cell = "\"";
  for (char ch : text) {
    if (ch == '"') cell += '"';
    cell += ch;
  }
  return cell + '"';
}

template <class Record>
void writeCsv(std::ostream& out, const std::vector<Record>& list) {
  const char* separator = "";
  const Record names;
  zel23::forEachField(names, [&](const char* name, const auto&) {
    out << separator << name;
    separator = ",";
  });
  out << '\n';
  for (const Record& record : list) {
    separator = "";
    zel23::forEachField(record, [&](const char*, const auto& value) {
      out << separator << csvCell(fieldText(value));
      separator = ",";
    });
    out << '\n';
  }
}

int runExport(const ExportOptions& o) {
  // Not CLI11's required(): `export matpower` goes without it.
  if (o.format.empty()) throw ToolError("--format is required (see zel23 --help)");
  if (o.format == "csv" && o.output.empty())
    throw ToolError("export --format csv needs -o FOLDER");
  refuseToOverwriteInput(o.file, o.output);
  LoadedCase loaded = loadCase(o.file);
  if (o.format == "json") {
    writeOutput(o.output, [&](std::ostream& out) { writeJson(out, loaded.data); });
    return 0;
  }
  std::error_code error;
  std::filesystem::create_directories(o.output, error);
  if (error || !std::filesystem::is_directory(o.output))
    throw ToolError("cannot create the folder " + outputName(o.output) + ": " +
                    (error ? error.message() : "a file of that name exists"));
  forEachSection(
      [&](int section, const auto& list) {
        writeOutput(o.output + "/" + kSectionKeys[section] + ".csv",
                    [&](std::ostream& out) { writeCsv(out, list); });
      },
      loaded.data);
  return 0;
}

} // namespace

Subcommand addExport(CLI::App& app) {
  auto o = std::make_shared<ExportOptions>();
  CLI::App* sub = app.add_subcommand(
      "export", "Write the records as one JSON document or as one CSV file per section");
  sub->add_option("FILE", o->file, kFileHelp);
  sub->add_option("--format", o->format, "json or csv (required without matpower)")
      ->check(CLI::IsMember({"json", "csv"}));
  sub->add_option("-o,--output", o->output,
                  "JSON: the file to write (standard output without -o); "
                  "CSV: the folder to create and fill");
  Subcommand matpower = addExportMatpower(*sub);
  return {sub, [o, matpower] {
            return matpower.app->parsed() ? matpower.run() : runExport(*o);
          }};
}

} // namespace zel23tool
