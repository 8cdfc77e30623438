// zel23: reads, rewrites, summarises, exports, draws, compares and checks raw
// case files. Exit status: 0 success, 1 `diff` found differences or `check`
// found errors, 2 usage, input or
// output error (one line on standard error), 255 a malformed record, which
// the library reports itself before it ends the process.

#include "common.h"

#include <csignal>
#include <exception>
#include <iostream>

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

  try {
    app.parse(argc, argv);
    for (const auto& command : commands)
      if (command.app->parsed()) return command.run();
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success))
      return app.exit(e); // --help
    std::cerr << "zel23: " << zel23tool::printable(e.what()) << " (see zel23 --help)"
              << std::endl;
    return 2;
  } catch (const zel23tool::ToolError& e) {
    std::cerr << "zel23: " << zel23tool::printable(e.what()) << std::endl;
    return 2;
  } catch (const std::exception& e) {
    std::cerr << "zel23: " << zel23tool::printable(e.what()) << std::endl;
    return 2;
  }
  return 2;
}
