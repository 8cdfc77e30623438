// zel23 fmt: reads a case and writes it back in the library's printed form,
// or with --exact in the form that keeps every value.

#include "common.h"

#include "zel23_case.h"

#include <iostream>

namespace zel23tool {
namespace {

struct FmtOptions {
  std::string file;
  std::string output;
  bool inPlace = false;
  bool exact = false;
  bool roundingOk = false;
};

int runFmt(const FmtOptions& o) {
  std::string target = o.output;
  if (o.inPlace) {
    if (o.file.empty() || o.file == "-")
      throw ToolError("--in-place needs a FILE to rewrite");
    target = o.file;
  } else {
    refuseToOverwriteInput(o.file, o.output, " (use --in-place)");
  }
  LoadedCase loaded = loadCase(o.file);
  zel23::WriteOptions options;
  options.exact = o.exact;
  // Checked before the output is opened, so a refusal leaves it untouched.
  const zel23::WriteReport check = zel23::checkWrite(loaded.data, options);
  if (!check.ok()) throw ToolError("cannot write " + loaded.name + ": " + check.error);
  if (o.inPlace && check.rounded > 0 && !o.roundingOk)
    throw ToolError("refusing to rewrite " + loaded.name + ": the printed form rounds " +
                    std::to_string(check.rounded) +
                    " values (--exact keeps them, --rounding-ok accepts it)");
  writeOutput(target, [&](std::ostream& out) {
    if (o.exact) {
      const zel23::WriteReport written = zel23::write(out, loaded.data, options);
      if (!written.ok())
        throw ToolError("cannot write " + outputName(target) + ": " + written.error);
    } else {
      zel23::Case& c = loaded.data;
      ZELPrint(out, c.buses, c.generators, c.branches, c.adjustments, c.areas, c.dcLines,
               c.shunts, c.comments, c.systemBase);
    }
  });
  if (check.rounded > 0)
    std::cerr << "zel23: rounded " << check.rounded
              << " values to the printed form; --exact keeps them\n";
  return 0;
}

} // namespace

Subcommand addFmt(CLI::App& app) {
  auto o = std::make_shared<FmtOptions>();
  CLI::App* sub = app.add_subcommand(
      "fmt", "Read a case and write it back in the library's printed form");
  sub->add_option("FILE", o->file, kFileHelp);
  auto* output = sub->add_option("-o,--output", o->output,
                                 "write to OUT (replaced only when complete) "
                                 "instead of standard output");
  sub->add_flag("--in-place", o->inPlace, "rewrite FILE itself")->excludes(output);
  sub->add_flag("--exact", o->exact,
                "write every number in the shortest form that reads back to the "
                "same value instead of the printed form's four decimals");
  sub->add_flag("--rounding-ok", o->roundingOk,
                "let --in-place rewrite a file whose values the printed form rounds");
  return {sub, [o] { return runFmt(*o); }};
}

} // namespace zel23tool
