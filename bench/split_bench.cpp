// zel23_split_bench: the library's field splitter (splitFields) beside the
// plain byte loop that gives the same fields, on the bus, branch and
// generator lines of a generated case in two styles:
//   Padded:  as ZELPrint writes them, every field right-aligned in its width
//            (" 101,3,    0.000,    0.000, ...");
//   Compact: the same lines without a blank outside the quoted names
//            ("101,3,0.000,0.000,...").
// Each round splits every line of its kind once; items are lines.

#include "gen.h"

#include "frame/text/scan.h"

#include <zel23.h>
#include <zel23_case.h>

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

using zel23::detail::Fields;

// The fields the byte loop cuts, by the same rules as splitFields: blanks
// and tabs separate, a comma whose nearest byte before it that is not a
// blank is a comma is an empty field, and an apostrophe opens a field that
// runs through the next one (or to the end of the line). Not inlined, as
// splitFields, which lives in the library, is not: both are timed as calls.
[[gnu::noinline]] Fields byteLoopSplit(std::string_view line) {
  const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
  Fields fields;
  const std::size_t n = line.size();
  std::size_t pos = 0;
  bool afterComma = false; // the last byte that is not a blank was a comma
  while (pos < n) {
    while (pos < n && isBlank(line[pos]))
      ++pos;
    if (pos == n) break;
    const char first = line[pos];
    if (first == ',') {
      if (afterComma) fields.add(std::string_view());
      afterComma = true;
      ++pos;
      continue;
    }
    std::size_t end = pos + 1;
    if (first == '\'') {
      while (end < n && line[end] != '\'')
        ++end;
      end = end < n ? end + 1 : n;
    } else {
      while (end < n && !isBlank(line[end]) && line[end] != ',')
        ++end;
    }
    fields.add(line.substr(pos, end - pos));
    afterComma = false;
    pos = end;
  }
  return fields;
}

enum class Kind { Bus, Branch, Generator };

struct Lines {
  std::vector<std::string> padded[3];
  std::vector<std::string> compact[3];
};

std::string withoutBlanks(const std::string& line) {
  std::string out;
  bool quoted = false;
  for (char c : line) {
    if (c == '\'') quoted = !quoted;
    if (quoted || (c != ' ' && c != '\t')) out += c;
  }
  return out;
}

std::vector<std::string> printedLines(const std::string& printed) {
  std::vector<std::string> lines;
  std::istringstream in(printed);
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

// The printed lines of the 10,000-bus case's buses, branches and generators.
const Lines& lines() {
  static const Lines all = [] {
    zel23::Case c;
    std::istringstream in(generateCase(10000, 2023));
    zel23::read(in, c);
    Lines out;
    const auto add = [&out](Kind kind, const auto& records) {
      std::ostringstream text;
      for (const auto& r : records)
        text << r << '\n';
      for (std::string& line : printedLines(text.str())) {
        out.compact[static_cast<int>(kind)].push_back(withoutBlanks(line));
        out.padded[static_cast<int>(kind)].push_back(std::move(line));
      }
    };
    add(Kind::Bus, c.buses);
    add(Kind::Branch, c.branches);
    add(Kind::Generator, c.generators);
    return out;
  }();
  return all;
}

template <Fields (*Split)(std::string_view)>
void split(benchmark::State& state, Kind kind, bool padded) {
  const std::vector<std::string>& input =
      (padded ? lines().padded : lines().compact)[static_cast<int>(kind)];
  std::size_t bytes = 0;
  for (const std::string& line : input)
    bytes += line.size();
  std::size_t total = 0;
  for (auto _ : state) {
    for (const std::string& line : input) {
      const Fields f = Split(line);
      total += f.count() + f[0].size();
    }
    benchmark::DoNotOptimize(total);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(input.size()));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(bytes));
}

// Both splitters must cut every line into the same fields, or the timings
// compare different work.
bool sameFields() {
  for (const auto* set : {&lines().padded, &lines().compact})
    for (const std::vector<std::string>& kind : *set)
      for (const std::string& line : kind) {
        const Fields a = zel23::detail::splitFields(line);
        const Fields b = byteLoopSplit(line);
        if (a.count() != b.count()) return false;
        for (std::size_t i = 0; i < a.count() && i < Fields::kCapacity; ++i)
          if (a[i] != b[i] || a[i].data() != b[i].data()) return false;
      }
  return true;
}

} // namespace

int main(int argc, char** argv) {
  if (!sameFields()) {
    std::fprintf(stderr, "zel23_split_bench: the splitters cut different fields\n");
    return 1;
  }
  struct Named {
    const char* name;
    Kind kind;
  };
  const Named kinds[] = {
      {"Bus", Kind::Bus}, {"Branch", Kind::Branch}, {"Generator", Kind::Generator}};
  for (const Named& k : kinds)
    for (bool padded : {false, true}) {
      const std::string suffix =
          std::string("/") + k.name + (padded ? "/Padded" : "/Compact");
      benchmark::RegisterBenchmark(("Split/BitMask" + suffix).c_str(),
                                   split<zel23::detail::splitFields>, k.kind, padded);
      benchmark::RegisterBenchmark(("Split/ByteLoop" + suffix).c_str(),
                                   split<byteLoopSplit>, k.kind, padded);
    }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
