// zel23 info: what a case holds, and what reading it cost.

#include "common.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <iomanip>
#include <set>

namespace zel23tool {
namespace {

struct InfoOptions {
  std::string file;
  bool json = false;
};

struct Summary {
  std::size_t records[7] = {};
  std::size_t areas = 0;
  std::size_t zones = 0;
};

Summary summarise(const zel23::Case& c) {
  Summary s;
  forEachSection([&](int section, const auto& list) { s.records[section] = list.size(); },
                 c);
  std::set<int> areas, zones;
  for (const ZELBus& bus : c.buses) {
    areas.insert(bus.AREA());
    zones.insert(bus.ZONE());
  }
  s.areas = areas.size();
  s.zones = zones.size();
  return s;
}

std::string headerLine(const zel23::Case& c, std::size_t k) {
  return k < c.comments.size() ? c.comments[k] : std::string();
}

void printJson(std::ostream& out, const LoadedCase& loaded, const Summary& s) {
  const zel23::Case& c = loaded.data;
  nlohmann::ordered_json doc;
  doc["input"] = loaded.name;
  doc["system_base"] = c.systemBase;
  doc["header"] = {headerLine(c, 0), headerLine(c, 1), headerLine(c, 2)};
  nlohmann::ordered_json records;
  for (int k = 0; k < 7; ++k)
    records[kSectionKeys[k]] = s.records[k];
  doc["records"] = records;
  doc["areas"] = s.areas;
  doc["zones"] = s.zones;
  doc["bytes"] = loaded.bytes;
  doc["lines"] = loaded.lines;
  doc["read_seconds"] = loaded.seconds;
  out << jsonText(doc, 2) << '\n';
}

void printText(std::ostream& out, const LoadedCase& loaded, const Summary& s) {
  const zel23::Case& c = loaded.data;
  char ms[32];
  std::snprintf(ms, sizeof ms, "%.3f ms", loaded.seconds * 1e3);
  out << std::left;
  out << std::setw(24) << "input" << printable(loaded.name) << '\n';
  out << std::setw(24) << "system base" << fieldText(c.systemBase) << '\n';
  for (std::size_t k = 0; k < 3; ++k)
    out << std::setw(24) << "header " + std::to_string(k + 1)
        << printable(headerLine(c, k)) << '\n';
  for (int k = 0; k < 7; ++k)
    out << std::setw(24) << kSectionLabels[k] << s.records[k] << '\n';
  out << std::setw(24) << "areas" << s.areas << '\n';
  out << std::setw(24) << "zones" << s.zones << '\n';
  out << std::setw(24) << "bytes read" << loaded.bytes << '\n';
  out << std::setw(24) << "lines read" << loaded.lines << '\n';
  out << std::setw(24) << "read time" << ms << '\n';
}

int runInfo(const InfoOptions& o) {
  LoadedCase loaded = loadCase(o.file);
  Summary s = summarise(loaded.data);
  writeOutput("-", [&](std::ostream& out) {
    if (o.json)
      printJson(out, loaded, s);
    else
      printText(out, loaded, s);
  });
  return 0;
}

} // namespace

Subcommand addInfo(CLI::App& app) {
  auto o = std::make_shared<InfoOptions>();
  CLI::App* sub = app.add_subcommand(
      "info", "Show the header, the number of records per section, areas, zones "
              "and what reading the case cost");
  sub->add_option("FILE", o->file, kFileHelp);
  sub->add_flag("--json", o->json, "print one JSON document instead of text");
  return {sub, [o] { return runInfo(*o); }};
}

} // namespace zel23tool
