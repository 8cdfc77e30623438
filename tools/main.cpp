// zel23: reads, rewrites, summarises, exports, draws, compares and checks raw
// case files. Exit status: 0 success, 1 `diff` found differences or `check`
// found errors, 2 usage, input or output error (one line on standard error),
// 255 a malformed record, which the library reports itself before it ends
// the process.

#include "common.h"
#include "zel23_file.h"

#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <exception>
#include <iostream>
#include <numeric>
#include <string_view>

namespace {

// Edits that turn a into b, a swap of two neighbouring letters counting as
// one, so that "inof" is one edit from "info".
std::size_t editDistance(std::string_view a, std::string_view b) {
  std::vector<std::vector<std::size_t>> d(a.size() + 1,
                                          std::vector<std::size_t>(b.size() + 1));
  for (std::size_t i = 0; i <= a.size(); ++i)
    d[i][0] = i;
  std::iota(d[0].begin(), d[0].end(), std::size_t(0));
  for (std::size_t i = 1; i <= a.size(); ++i)
    for (std::size_t j = 1; j <= b.size(); ++j) {
      d[i][j] = std::min(
          {d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] != b[j - 1])});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  return d[a.size()][b.size()];
}

// The command's own options take no values, so the first word that is not
// an option names the subcommand. Empty when that word is a subcommand.
std::string unknownSubcommand(CLI::App& app, int argc, char** argv) {
  for (int k = 1; k < argc; ++k) {
    std::string_view word = argv[k];
    if (word.empty() || word[0] == '-') continue;
    std::string nearest;
    std::size_t best = 3; // further than two edits is no longer a typo
    for (const CLI::App* sub : app.get_subcommands({})) {
      if (sub->get_name() == word) return "";
      std::size_t d = editDistance(word, sub->get_name());
      if (d < best) best = d, nearest = sub->get_name();
    }
    std::string message =
        "unknown subcommand '" + zel23tool::printable(std::string(word)) + "'";
    return nearest.empty() ? message + " (see zel23 --help)"
                           : message + "; did you mean '" + nearest + "'?";
  }
  return "";
}

int run(CLI::App& app, const std::vector<zel23tool::Subcommand>& commands, int argc,
        char** argv) {
  try {
    app.parse(argc, argv);
    for (const auto& command : commands)
      if (command.app->parsed()) return command.run();
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success))
      return app.exit(e); // --help, --version
    std::string unknown = unknownSubcommand(app, argc, argv);
    std::cerr << "zel23: "
              << (unknown.empty() ? zel23tool::printable(e.what()) + " (see zel23 --help)"
                                  : unknown)
              << std::endl;
  } catch (const std::exception& e) { // ToolError and whatever else ends a command
    std::cerr << "zel23: " << zel23tool::printable(e.what()) << std::endl;
  }
  return 2;
}

} // namespace

int main(int argc, char** argv) {
  // A write past a file size limit then fails with EFBIG and is reported
  // like any other write error instead of killing the process.
  std::signal(SIGXFSZ, SIG_IGN);

  CLI::App app{"Reads, rewrites, summarises, exports, draws and compares "
               "power-flow raw case files.",
               "zel23"};
  app.require_subcommand(1);
  const std::vector<zel23tool::Subcommand> commands = {
      zel23tool::addFmt(app),    zel23tool::addInfo(app), zel23tool::addExport(app),
      zel23tool::addGraph(app),  zel23tool::addDiff(app), zel23tool::addCheck(app),
      zel23tool::addImport(app),
#ifdef ZEL23_TOOL_SOLVE
      zel23tool::addSolve(app),
#endif
  };
  zel23tool::describeCommand(app);

  // Everything bound for standard output, --help included, goes through one
  // buffer that keeps the first failed write's reason.
  zel23::AtomicFile out(STDOUT_FILENO);
  std::streambuf* const before = std::cout.rdbuf(out.stream().rdbuf());
  int status = run(app, commands, argc, argv);
  std::cout.rdbuf(before);
  try {
    out.commit();
  } catch (const zel23::FileError& e) {
    std::cerr << "zel23: " << zel23tool::writeError("", e.error()) << std::endl;
    status = 2;
  }
  return status;
}
