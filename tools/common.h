#ifndef ZEL23_TOOL_COMMON_H
#define ZEL23_TOOL_COMMON_H

// What every subcommand of the zel23 command shares: reading a case, writing
// an output file that appears whole or not at all, and the one error type
// that ends a command with status 2.

#include "zel23.h"
#include "zel23_file.h"

#include "frame/text/wording.h"

#include <CLI/CLI.hpp>

#include <cstddef>
#include <functional>
#include <iostream>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace zel23tool {

/// Ends the command with "zel23: <what>" on standard error and status 2.
struct ToolError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

/// A subcommand as main() sees it: its CLI11 node and what to run when the
/// command line chose it. run() returns the exit status.
struct Subcommand {
  CLI::App* app = nullptr;
  std::function<int()> run;
};

/// The FILE argument: empty for the bundled sample, "-" for standard input.
inline const char* const kFileHelp =
    "raw case file; - reads standard input; without FILE the bundled sample";

/// A case read with ZELParse, and what the read cost.
struct LoadedCase {
  std::string name; ///< how messages name the input (see inputName)
  zel23::Case data;
  std::size_t bytes = 0; ///< bytes of input
  std::size_t lines = 0; ///< lines of input, a last one without line end included
  double seconds = 0.0;  ///< time taken by reading the input and parsing it
};

/// Reads the whole input and parses it with ZELParse (a regular file with
/// zel23::readFile, with the same result, ZELParse taking over where that
/// read meets a problem). A malformed record ends
/// the process inside the library (status 255); an input that cannot be read
/// or whose first header line holds no system base throws ToolError.
LoadedCase loadCase(const std::string& file);

/// The whole input: a file, standard input ("-") or the bundled sample ("").
/// Throws ToolError when it cannot be read, and when a pipe or a device
/// (which may never end) gives more than 1 GiB.
std::string readInput(const std::string& file);

/// How messages name an input: the quoted path, "standard input" or
/// "the bundled sample".
std::string inputName(const std::string& file);

/// An output that appears complete or not at all (zel23::AtomicFile: a
/// regular file is written beside the target and renamed into place by
/// commit(); a device, a pipe or standard output, "" or "-", is written
/// through). Failures are ToolErrors naming the output as outputName() does.
class OutputFile {
public:
  explicit OutputFile(const std::string& target);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  std::ostream& stream();
  /// Writes everything out, flushes it to the device and renames the
  /// temporary file into place; throws ToolError on any failure.
  void commit();

private:
  std::string target_; ///< the path as given, for messages
  std::unique_ptr<zel23::AtomicFile> file_;
};

/// Writes one output: fn(stream) fills it, then it is committed. Throws
/// ToolError, leaving no partial file, when anything fails. Standard output
/// ("" or "-") is std::cout, whose write errors main() reports once the
/// command is done.
template <class F> void writeOutput(const std::string& target, F&& fn) {
  if (target.empty() || target == "-") {
    fn(std::cout);
    return;
  }
  OutputFile out(target);
  fn(out.stream());
  out.commit();
}

/// "'path'", or "standard output" for "" and "-".
std::string outputName(const std::string& target);

/// "cannot write 'path': <reason>", or "cannot write to standard output:
/// <reason>" for "" and "-".
std::string writeError(const std::string& target, int error);

/// JSON text as the command writes it: bytes that are not UTF-8 become
/// U+FFFD, and 0x7f is escaped as \u007f like the bytes below 0x20, so no
/// control byte of the input reaches a terminal. (0x7f is never part of a
/// longer UTF-8 sequence, so replacing the byte is safe.)
template <class Json> std::string jsonText(const Json& value, int indent = -1) {
  std::string text = value.dump(indent, ' ', false, Json::error_handler_t::replace);
  std::string escaped;
  escaped.reserve(text.size());
  for (char ch : text)
    if (ch == '\x7f')
      escaped += "\\u007f";
    else
      escaped += ch;
  return escaped;
}

/// Throws ToolError when the output would replace the input file; `hint`
/// ends the message.
void refuseToOverwriteInput(const std::string& file, const std::string& target,
                            const std::string& hint = "");

/// A field value as text: ints in decimal, doubles in the shortest form that
/// reads back to the same double (fixed notation unless that is longer than
/// 24 characters), strings as stored.
std::string fieldText(int value);
std::string fieldText(double value);
inline std::string fieldText(const std::string& value) { return value; }

/// A bus or area name without its apostrophes and outer blanks.
inline std::string bareName(const std::string& stored) {
  return std::string(zel23::detail::bareName(stored));
}

/// "1 bus", "3 buses"; megawatts and megavars with one decimal.
using zel23::detail::mw;
using zel23::detail::plural;

/// Input text made safe for a terminal: control bytes (below 0x20 but tab,
/// and 0x7f) shown as \xHH, so a crafted file cannot send escape sequences.
/// Text output passes every line or name taken from the input through it.
std::string printable(std::string_view text);

/// An option that takes a comma-separated list, given once or repeated.
template <class T>
CLI::Option* addListOption(CLI::App* sub, const std::string& name, std::vector<T>& values,
                           const std::string& help) {
  return sub->add_option(name, values, help)
      ->delimiter(',')
      ->allow_extra_args(false)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
}

/// The subcommands; each lives in its own file.
Subcommand addFmt(CLI::App& app);
Subcommand addInfo(CLI::App& app);
Subcommand addExport(CLI::App& app);
Subcommand addGraph(CLI::App& app);
Subcommand addDiff(CLI::App& app);
Subcommand addCheck(CLI::App& app);
Subcommand addImport(CLI::App& app);
Subcommand addSolve(CLI::App& app); ///< built with libzel23-flow only

/// The --version flag, and the footers of `zel23 --help` and of every
/// subcommand's --help: an example line and how control bytes are shown.
/// Called once all subcommands are added.
void describeCommand(CLI::App& app);

} // namespace zel23tool

#endif
