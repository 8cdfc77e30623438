// zel23 info: what a case holds, and what reading it cost.

#include "common.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <iomanip>
#include <map>
#include <set>
#include <unordered_map>

namespace zel23tool {
namespace {

struct InfoOptions {
  std::string file;
  bool json = false;
};

struct Area {
  std::string name; ///< from its area interchange record, if any
  std::size_t buses = 0;
};

// Voltage levels from the highest; a NaN read from "nan" comes last.
struct HighestFirst {
  bool operator()(double a, double b) const {
    return std::isnan(b) ? !std::isnan(a) : a > b;
  }
};

// Load and generation count what is in service, as zel23 check counts it:
// the load of every bus but isolated ones (type 4), the output of every
// generator with STAT other than 0 at a bus that is present and not isolated.
struct Summary {
  std::size_t records[zel23::kSectionCount] = {};
  std::map<int, Area> areas;
  std::size_t zones = 0;
  std::map<double, std::size_t, HighestFirst> levels; ///< buses by BASKV
  double loadMW = 0, loadMVAr = 0, generationMW = 0, generationMVAr = 0;
};

Summary summarise(const zel23::Case& c) {
  Summary s;
  zel23::forEachSection([&](zel23::Section section,
                            const auto& list) { s.records[int(section)] = list.size(); },
                        c);
  std::set<int> zones;
  std::unordered_map<int, int> typeOf; // the first bus of a number counts
  for (const ZELBus& bus : c.buses) {
    ++s.areas[bus.AREA()].buses;
    zones.insert(bus.ZONE());
    ++s.levels[bus.BASKV()];
    if (!typeOf.emplace(bus.I(), bus.IDE()).second || bus.IDE() == 4) continue;
    s.loadMW += bus.PL();
    s.loadMVAr += bus.QL();
  }
  for (const ZELGenerator& g : c.generators) {
    auto at = typeOf.find(g.I());
    if (g.STAT() == 0 || at == typeOf.end() || at->second == 4) continue;
    s.generationMW += g.PG();
    s.generationMVAr += g.QG();
  }
  for (const ZELAreaInterchange& area : c.areas)
    s.areas[area.I()].name = bareName(area.ARNAME());
  s.zones = zones.size();
  return s;
}

std::string power(double mw, double mvar) {
  char text[80];
  std::snprintf(text, sizeof text, "%.1f MW, %.1f MVAr", mw, mvar);
  return text;
}

std::string buses(std::size_t n) {
  return std::to_string(n) + (n == 1 ? " bus" : " buses");
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
  for (zel23::Section section : zel23::kSections)
    records[zel23::sectionNames(section).key] = s.records[int(section)];
  doc["records"] = records;
  doc["areas"] = s.areas.size();
  doc["zones"] = s.zones;
  doc["in_service_load_mw"] = s.loadMW;
  doc["in_service_load_mvar"] = s.loadMVAr;
  doc["in_service_generation_mw"] = s.generationMW;
  doc["in_service_generation_mvar"] = s.generationMVAr;
  nlohmann::ordered_json levels = nlohmann::ordered_json::array();
  for (const auto& [kv, count] : s.levels)
    levels.push_back({{"base_kv", kv}, {"buses", count}});
  doc["voltage_levels"] = levels;
  nlohmann::ordered_json areas = nlohmann::ordered_json::array();
  for (const auto& [number, area] : s.areas)
    areas.push_back({{"area", number}, {"name", area.name}, {"buses", area.buses}});
  doc["area_list"] = areas;
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
  for (zel23::Section section : zel23::kSections)
    out << std::setw(24) << zel23::sectionNames(section).label << s.records[int(section)]
        << '\n';
  out << std::setw(24) << "load in service" << power(s.loadMW, s.loadMVAr) << '\n';
  out << std::setw(24) << "generation in service"
      << power(s.generationMW, s.generationMVAr) << '\n';
  for (const auto& [kv, count] : s.levels)
    out << std::setw(24) << "voltage level " + fieldText(kv) + " kV" << buses(count)
        << '\n';
  out << std::setw(24) << "areas" << s.areas.size() << '\n';
  for (const auto& [number, area] : s.areas)
    out << std::setw(24) << "area " + std::to_string(number)
        << (area.name.empty() ? "" : printable(area.name) + ", ") << buses(area.buses)
        << '\n';
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
      "info", "Show the header, the number of records per section, load and "
              "generation in service, voltage levels, areas, zones and what reading "
              "the case cost");
  sub->add_option("FILE", o->file, kFileHelp);
  sub->add_flag("--json", o->json, "print one JSON document instead of text");
  return {sub, [o] { return runInfo(*o); }};
}

} // namespace zel23tool
