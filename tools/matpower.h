#ifndef ZEL23_TOOL_MATPOWER_H
#define ZEL23_TOOL_MATPOWER_H

// MATPOWER case files as inputs of every subcommand, and the commands that
// convert to and from them.

#include "common.h"

#include <chrono>
#include <string_view>

namespace zel23tool {

/// A FILE ending in ".m", or text whose first statement is a function line.
bool isMatpowerInput(const std::string& file, std::string_view bytes);

/// loadCase for a MATPOWER input already read into `bytes`; `start` is when
/// reading began. Throws ToolError naming the first problem when the case
/// has any.
LoadedCase loadMatpower(const std::string& file, std::string_view bytes,
                        std::chrono::steady_clock::time_point start);

/// `export matpower`, a subcommand of `export`.
Subcommand addExportMatpower(CLI::App& exportApp);
/// `import matpower`.
Subcommand addImport(CLI::App& app);

} // namespace zel23tool

#endif
