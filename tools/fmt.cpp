// zel23 fmt: reads a case and writes it back in the library's printed form.

#include "common.h"

namespace zel23tool {
namespace {

struct FmtOptions {
  std::string file;
  std::string output;
  bool inPlace = false;
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
  zel23::Case& c = loaded.data;
  writeOutput(target, [&](std::ostream& out) {
    ZELPrint(out, c.buses, c.generators, c.branches, c.adjustments, c.areas, c.dcLines,
             c.shunts, c.comments, c.systemBase);
  });
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
  return {sub, [o] { return runFmt(*o); }};
}

} // namespace zel23tool
