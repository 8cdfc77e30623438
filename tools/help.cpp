// What --help shows beyond the options: an example line for the command and
// for every subcommand, and how each output shows the bytes of its input.
// Kept in one table here so that the help of the subcommands reads alike.

#include "common.h"

#include "zel23_case.h"

#include <map>
#include <string>

namespace zel23tool {
namespace {

// Text meant for a terminal never passes a control byte through; the other
// outputs are data for programs and keep the input's bytes.
const char* const kEscapedText =
    "Text output shows control bytes of the input (below 0x20 except tab,\n"
    "and 0x7f) as \\xHH, so that a crafted file cannot drive the terminal.";
const char* const kEscapedJson = "--json escapes them as JSON does.";
const char* const kDataKept =
    "The output is data: bytes of the input are kept as they are";

struct Footer {
  const char* example;
  std::string note;
};

// One row per subcommand: one without a row gets no footer, and the
// command's tests say so.
const std::map<std::string, Footer>& footers() {
  static const std::map<std::string, Footer> table = {
      {"fmt", {"zel23 fmt case.raw -o tidy.raw", std::string(kDataKept) + "."}},
      {"info",
       {"zel23 info --json case.raw", std::string(kEscapedText) + "\n" + kEscapedJson}},
      {"export",
       {"zel23 export case.raw --format csv -o case-csv",
        std::string(kDataKept) + "; JSON escapes\ncontrol bytes as JSON does."}},
      {"graph",
       {"zel23 graph case.raw -o case.dot && neato -Tsvg case.dot -o case.svg",
        std::string(kDataKept) +
            "\n(DOT quoting aside; the legend shows area names as text does)."}},
      {"diff", {"zel23 diff before.raw after.raw", kEscapedText}},
      {"check",
       {"zel23 check --strict case.raw",
        std::string(kEscapedText) + "\n" + kEscapedJson}},
      {"import",
       {"zel23 import matpower case9.m -o case9.raw", std::string(kDataKept) + "."}},
      {"solve",
       {"zel23 solve case.raw -o solved.raw",
        std::string(kEscapedText) + "\n" + kEscapedJson}},
      {"export matpower",
       {"zel23 export matpower case.raw -o case.m", std::string(kDataKept) + "."}},
  };
  return table;
}

std::string exampleLine(const char* example) {
  return std::string("Example: ") + example;
}

} // namespace

void describeCommand(CLI::App& app) {
  // The version of the library actually loaded, which a package installs
  // together with this command.
  app.set_version_flag("--version", std::string("zel23 ") + zel23::version(),
                       "Print the version and exit");
  app.footer(exampleLine("zel23 check case.raw") + "\n\n" + kEscapedText +
             "\nJSON output escapes them as JSON does; CSV, DOT and the raw printed\n"
             "form are data and keep them. zel23 SUBCOMMAND --help shows an example\n"
             "of each subcommand.");
  const auto describe = [](CLI::App* sub, const std::string& name) {
    const auto found = footers().find(name);
    if (found != footers().end())
      sub->footer(exampleLine(found->second.example) + "\n\n" + found->second.note);
  };
  for (CLI::App* sub : app.get_subcommands({})) {
    describe(sub, sub->get_name());
    for (CLI::App* nested : sub->get_subcommands({}))
      describe(nested, sub->get_name() + " " + nested->get_name());
  }
}

} // namespace zel23tool
