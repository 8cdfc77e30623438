// zel23 export: the records as JSON (one document) or CSV (one file per
// section), every record under its field names in field order.

#include "common.h"
#include "matpower.h"

#include <nlohmann/json.hpp>

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
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
  zel23::forEachSection(
      [&](zel23::Section section, const auto& list) {
        out << ",\n  \"" << zel23::sectionNames(section).key << "\": [";
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

namespace fs = std::filesystem;

// The files an export writes into its folder: a folder that holds anything
// else is not one to replace.
bool onlyExportFiles(const fs::path& folder) {
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    bool known = false;
    for (zel23::Section section : zel23::kSections)
      known = known || name == std::string(zel23::sectionNames(section).key) + ".csv";
    if (!known || !entry.is_regular_file()) return false;
  }
  return true;
}

// A temporary folder beside the target, removed with what it holds unless
// keep() is called.
class TempFolder {
public:
  explicit TempFolder(const fs::path& beside) {
    std::string pattern =
        (beside.parent_path() / ("." + beside.filename().string() + ".XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr)
      throw ToolError("cannot create a folder beside " + outputName(beside.string()) +
                      ": " + std::strerror(errno));
    path_ = pattern;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::chmod(path_.c_str(), 0777 & ~mask);
  }
  ~TempFolder() {
    std::error_code ignored;
    if (!path_.empty()) fs::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const fs::path& path() const { return path_; }
  void keep() { path_.clear(); }

private:
  fs::path path_;
};

// The folder appears whole or not at all: the files are written into a
// temporary folder beside it, which then takes its place. A folder that is
// there already and holds only files an export writes is replaced whole (the
// two are swapped, then the old one is removed); any other is refused.
void writeCsvFolder(const std::string& output, const zel23::Case& c) {
  std::error_code error;
  fs::path target = fs::absolute(output, error);
  if (fs::is_symlink(target, error)) target = fs::canonical(target, error);
  fs::create_directories(target.parent_path(), error);
  const fs::file_status status = fs::status(target, error);
  const bool exists = fs::exists(status);
  if (exists && !fs::is_directory(status))
    throw ToolError("cannot create the folder " + outputName(output) +
                    ": a file of that name exists");
  if (exists && !onlyExportFiles(target))
    throw ToolError("refusing to replace the folder " + outputName(output) +
                    ": it holds files an export does not write");
  TempFolder temp(target);
  zel23::forEachSection(
      [&](zel23::Section section, const auto& list) {
        writeOutput(
            (temp.path() / (std::string(zel23::sectionNames(section).key) + ".csv"))
                .string(),
            [&](std::ostream& out) { writeCsv(out, list); });
      },
      c);
  if (!exists) {
    if (::rename(temp.path().c_str(), target.c_str()) != 0)
      throw ToolError("cannot create the folder " + outputName(output) + ": " +
                      std::strerror(errno));
    temp.keep();
    return;
  }
  // After the swap the temporary name holds the old folder, which goes. A
  // file system that cannot swap has the old folder moved aside first.
  const auto cannot = [&output](int error) {
    return ToolError("cannot replace the folder " + outputName(output) + ": " +
                     std::strerror(error));
  };
#ifdef RENAME_EXCHANGE
  if (::renameat2(AT_FDCWD, temp.path().c_str(), AT_FDCWD, target.c_str(),
                  RENAME_EXCHANGE) == 0)
    return;
  if (errno != EINVAL && errno != ENOSYS) throw cannot(errno);
#endif
  TempFolder old(target);
  if (::rename(target.c_str(), old.path().c_str()) != 0) throw cannot(errno);
  if (::rename(temp.path().c_str(), target.c_str()) != 0) {
    const int error = errno;
    ::rename(old.path().c_str(), target.c_str());
    throw cannot(error);
  }
  temp.keep();
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
  writeCsvFolder(o.output, loaded.data);
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
