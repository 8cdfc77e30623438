// zel23_peak_memory FILE [--json] [--read-file]: how much memory ZELParse (or,
// with --read-file, zel23::readFile) needs for FILE.
//
// Peak resident set size (ru_maxrss) before and after reading the file with
// ZELParse from an std::ifstream (or with zel23::readFile), beside what the records
// themselves take: sizeof of each record times the count, plus the heap blocks of strings
// too long for the small-string buffer. The vectors' spare capacity and the allocator's
// own overhead are reported apart, as they depend on growth policy rather than on the
// records.

#include <zel23.h>
#include <zel23_case.h>

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

long long peakRssBytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<long long>(usage.ru_maxrss) * 1024; // kilobytes on Linux
}

const std::size_t kInlineCapacity = std::string().capacity();

std::size_t heapBytes(const std::string& s) {
  return s.capacity() > kInlineCapacity ? s.capacity() + 1 : 0;
}

struct Usage {
  const char* name = "";
  std::size_t count = 0;
  std::size_t recordBytes = 0; // sizeof x count + string heap blocks
  std::size_t spareBytes = 0;  // vector capacity beyond count
};

template <class Record, class Strings>
Usage usageOf(const char* name, const std::vector<Record>& list, Strings strings) {
  Usage u;
  u.name = name;
  u.count = list.size();
  u.recordBytes = sizeof(Record) * list.size();
  for (const Record& r : list)
    u.recordBytes += strings(r);
  u.spareBytes = sizeof(Record) * (list.capacity() - list.size());
  return u;
}

double mib(double bytes) { return bytes / (1024.0 * 1024.0); }

} // namespace

int main(int argc, char** argv) {
  const char* path = nullptr;
  bool json = false;
  bool readFile = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--json") == 0)
      json = true;
    else if (std::strcmp(argv[i], "--read-file") == 0)
      readFile = true;
    else if (path == nullptr)
      path = argv[i];
    else
      path = "";
  }
  if (path == nullptr || *path == '\0') {
    std::cerr << "usage: " << argv[0] << " FILE [--json] [--read-file]\n";
    return 2;
  }
  std::error_code ec;
  const auto fileBytes = std::filesystem::file_size(path, ec);
  std::ifstream in(path, std::ios::binary);
  if (ec || !in) {
    std::cerr << argv[0] << ": cannot read " << path << '\n';
    return 1;
  }

  zel23::Case c;

  const long long before = peakRssBytes();
  const auto start = std::chrono::steady_clock::now();
  if (readFile)
    zel23::readFile(path, c);
  else
    ZELParse(in, c.buses, c.generators, c.branches, c.adjustments, c.areas, c.dcLines,
             c.shunts, c.comments, c.systemBase);
  const auto stop = std::chrono::steady_clock::now();
  const long long after = peakRssBytes();

  const Usage usages[] = {
      usageOf("bus", c.buses, [](const ZELBus& r) { return heapBytes(r.NAME()); }),
      usageOf("generator", c.generators,
              [](const ZELGenerator& r) { return heapBytes(r.ID()); }),
      usageOf("branch", c.branches,
              [](const ZELBranch& r) { return heapBytes(r.CKT()); }),
      usageOf("transformer adjustment", c.adjustments,
              [](const ZELTransformerAdjustment& r) { return heapBytes(r.CKT()); }),
      usageOf("area interchange", c.areas,
              [](const ZELAreaInterchange& r) { return heapBytes(r.ARNAME()); }),
      usageOf("two-terminal DC", c.dcLines,
              [](const ZELTwoTerminalDC& r) { return heapBytes(r.METER()); }),
      usageOf("switched shunt", c.shunts,
              [](const ZELSwitchedShunt&) { return std::size_t{0}; }),
      usageOf("comment line", c.comments,
              [](const std::string& s) { return heapBytes(s); }),
  };
  std::size_t records = 0;
  std::size_t recordBytes = 0;
  std::size_t spareBytes = 0;
  for (const Usage& u : usages) {
    if (std::strcmp(u.name, "comment line") != 0) records += u.count;
    recordBytes += u.recordBytes;
    spareBytes += u.spareBytes;
  }
  const double seconds = std::chrono::duration<double>(stop - start).count();
  const long long growth = after - before;

  if (json) {
    std::printf(
        "{\"file\": \"%s\", \"reader\": \"%s\", \"file_bytes\": %llu, \"records\": %zu, "
        "\"peak_rss_before\": %lld, \"peak_rss_after\": %lld, "
        "\"peak_rss_growth\": %lld, \"record_bytes\": %zu, "
        "\"spare_capacity_bytes\": %zu, \"parse_seconds\": %.6f}\n",
        path, readFile ? "readFile" : "ZELParse",
        static_cast<unsigned long long>(fileBytes), records, before, after, growth,
        recordBytes, spareBytes, seconds);
    return 0;
  }
  std::printf("file                 %s  (read by %s)\n", path,
              readFile ? "zel23::readFile" : "ZELParse");
  std::printf("file size            %12llu bytes  %9.1f MiB\n",
              static_cast<unsigned long long>(fileBytes),
              mib(static_cast<double>(fileBytes)));
  std::printf("records              %12zu  (read in %.3f s)\n", records, seconds);
  for (const Usage& u : usages)
    std::printf("  %-22s %10zu  x %4zu B  -> %9.1f MiB\n", u.name, u.count,
                u.count ? (u.recordBytes / u.count) : 0,
                mib(static_cast<double>(u.recordBytes)));
  std::printf("records' own size    %12zu bytes  %9.1f MiB  (%.2f x file)\n", recordBytes,
              mib(static_cast<double>(recordBytes)),
              fileBytes
                  ? static_cast<double>(recordBytes) / static_cast<double>(fileBytes)
                  : 0.0);
  std::printf("spare vector capacity%12zu bytes  %9.1f MiB\n", spareBytes,
              mib(static_cast<double>(spareBytes)));
  std::printf("peak RSS before      %12lld bytes  %9.1f MiB\n", before,
              mib(static_cast<double>(before)));
  std::printf("peak RSS after       %12lld bytes  %9.1f MiB\n", after,
              mib(static_cast<double>(after)));
  std::printf(
      "peak RSS growth      %12lld bytes  %9.1f MiB  (%.2f x records' own size)\n",
      growth, mib(static_cast<double>(growth)),
      recordBytes ? static_cast<double>(growth) / static_cast<double>(recordBytes) : 0.0);
  return 0;
}
