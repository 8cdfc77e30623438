// The parallel reader against the sequential one: on generated cases of many
// shapes and on every fixture, whatever the threads and chunk sizes, both
// give the same case and the same report.

#include "support.h"
#include "zel23_case.h"
#include "zel23_fields.h"

#include <gtest/gtest.h>

#include "frame/case/reader.h"

#include <sys/resource.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <system_error>
#include <thread>

namespace {

using namespace zel23_test;

// Everything a read gives, as text, so that a failure shows what differs.
std::string described(const zel23::Case& c, const zel23::ReadReport& r) {
  std::ostringstream out;
  out << "base " << exact(c.systemBase) << " lines " << r.lines << " dropped "
      << r.problemsDropped << "\n";
  for (std::size_t i = 0; i < std::max(c.comments.size(), r.commentLines.size()); ++i)
    out << "comment " << (i < r.commentLines.size() ? r.commentLines[i] : 0) << " "
        << shown(i < c.comments.size() ? c.comments[i] : "?") << "\n";
  int section = 0;
  const auto records = [&](const auto& list) {
    const std::vector<std::size_t>& lines = r.recordLines[section++];
    out << "section " << section << ": " << list.size() << " " << lines.size() << "\n";
    for (std::size_t i = 0; i < list.size(); ++i) {
      out << (i < lines.size() ? lines[i] : 0) << " " << shown(dump(list[i])) << "\n";
    }
  };
  records(c.buses), records(c.generators), records(c.branches), records(c.adjustments);
  records(c.areas), records(c.dcLines), records(c.shunts);
  for (const zel23::Problem& p : r.problems)
    out << "problem " << p.line << " " << p.section << " " << p.message << " "
        << shown(p.text) << "\n";
  return out.str();
}

// A case that already holds records: a read appends to its lists.
const zel23::Case& heldCase() {
  static const zel23::Case held = [] {
    zel23::Case c;
    c.buses.resize(3);
    c.generators.resize(2);
    c.branches.resize(1);
    c.shunts.resize(2);
    return c;
  }();
  return held;
}

void expectSameReads(const std::string& text) {
  SCOPED_TRACE(shown(text.substr(0, 200)));
  for (const bool appending : {false, true})
    for (const std::size_t maxProblems : {std::size_t(1000), std::size_t(1)}) {
      zel23::Case sequential = appending ? heldCase() : zel23::Case();
      std::istringstream in(text);
      zel23::ReadOptions options;
      options.maxProblems = maxProblems;
      const std::string expected =
          described(sequential, zel23::read(in, sequential, options));
      for (const unsigned threads : {1u, 2u, 4u})
        for (const std::size_t chunk : {1, 7, 64, 1 << 20}) {
          options.threads = threads;
          options.chunkBytes = chunk;
          zel23::Case parallel = appending ? heldCase() : zel23::Case();
          const zel23::ReadReport report = zel23::readBuffer(text, parallel, options);
          ASSERT_EQ(described(parallel, report), expected)
              << threads << " threads, chunks of " << chunk << ", " << maxProblems
              << (appending ? ", appending" : "");
        }
    }
}

// A case text drawn from lines of every kind the reader treats apart.
std::string generatedCase(std::mt19937& random) {
  const auto pick = [&](std::size_t n) { return std::size_t(random() % n); };
  const auto line = oneOfEachLine;
  const std::string kHeader = line(0) + "\n" + line(1) + "\n" + line(2) + "\n";
  const std::string kDc1 = line(13), kDc2 = line(14), kDc3 = line(15);
  const std::string records[] = {line(3),  line(5),  line(7), line(9),
                                 line(11), line(13), line(17)};
  const std::string headers[] = {kHeader, kHeader, "no_base\nh2\nh3\n",
                                 std::string(1100, '7') + " 100\nh2\nh3\n", "0 50\n"};
  std::string text = headers[pick(5)];
  const std::size_t sections = pick(10);
  for (std::size_t s = 0; s <= sections; ++s) {
    const std::string& own = records[std::min<std::size_t>(s, 6)];
    for (std::size_t n = pick(8); n > 0; --n) {
      switch (pick(12)) {
      case 0:
      case 1:
      case 2:
        text += s == 5 ? kDc1 + "\n" + kDc2 + "\n" + kDc3 : own;
        break;
      case 3: // a DC record whose 2nd line reads as a terminator, its 3rd as blank
        text += kDc1 + "\n0 / not an end\n  #";
        break;
      case 4:
        text += records[pick(7)];
        break;
      case 5:
        text += pick(2) ? "# note" : " \t\r";
        break;
      case 6:
        text += "x,'A";
        break;
      case 7: // cut at 1023 characters
        text += own + std::string(1100, ' ') + "tail";
        break;
      case 8: // ignorable as cut, a terminator in full
        text += std::string(1023, ' ') + "0";
        break;
      case 9:
        text += "'ONE'" + own.substr(own.find(','));
        break;
      case 10:
        text += own + "\r";
        break;
      case 11:
        text += "";
        break;
      }
      text += "\n";
    }
    text += pick(2) ? "0 / end\n" : " 0\r\n";
  }
  switch (pick(4)) {
  case 0:
    text.pop_back(); // no line end after the last line
    break;
  case 1:
    text += records[0]; // a record line without a line end
    break;
  }
  return text;
}

TEST(ParallelRead, SameAsSequentialOnGeneratedCases) {
  std::mt19937 random(23);
  for (int i = 0; i < 300; ++i)
    expectSameReads(generatedCase(random));
  for (const std::string& text :
       {std::string(), std::string("0 100"), std::string(2000, '1'),
        std::string("0 9\nh2"), std::string(1500, '5') + "\n\n\n"})
    expectSameReads(text);
}

TEST(ParallelRead, SameAsSequentialOnFixtures) {
  namespace fs = std::filesystem;
  const fs::path root = fs::path(ZEL23_SAMPLE_CASE).parent_path().parent_path();
  std::size_t files = 0;
  for (const char* folder : {"fuzz/corpus", "test/tool/data", "examples"})
    for (const fs::directory_entry& entry :
         fs::recursive_directory_iterator(root / folder))
      if (entry.is_regular_file()) {
        expectSameReads(readFile(entry.path().string()));
        ++files;
      }
  EXPECT_GT(files, 50u);
}

TEST(ParallelRead, ReadsFilesWhole) {
  zel23::Case c;
  const zel23::ReadReport report = zel23::readFile(ZEL23_SAMPLE_CASE, c);
  const Read sequential = readText(readFile(ZEL23_SAMPLE_CASE));
  EXPECT_EQ(described(c, report), described(sequential.data, sequential.report));
}

// A file that cannot be read, and a stream that failed before its first
// byte, are one problem on line 0 that says why.
TEST(ParallelRead, ReportsWhatCannotBeRead) {
  std::ifstream missing("/nonexistent/case.raw");
  const struct {
    std::function<zel23::ReadReport(zel23::Case&)> read;
    std::string message;
    int systemError;
  } rows[] = {
      {[](zel23::Case& c) { return zel23::readFile("/nonexistent/case.raw", c); },
       "cannot open '/nonexistent/case.raw': No such file or directory", ENOENT},
      {[](zel23::Case& c) { return zel23::readFile("/", c); },
       "cannot read '/': Is a directory", EISDIR},
      {[&](zel23::Case& c) { return zel23::read(missing, c); },
       "Input stream error: the stream could not be read", 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.message);
    zel23::Case c;
    const zel23::ReadReport report = row.read(c);
    ASSERT_EQ(report.problems.size(), 1u);
    EXPECT_EQ(report.problems[0].line, 0u);
    EXPECT_EQ(report.problems[0].message, row.message);
    EXPECT_EQ(report.systemError, row.systemError);
    EXPECT_TRUE(c.comments.empty());
  }
}

// Text that changes under the reader (a record line where blank lines were)
// is refused with an exception, whichever thread meets the change.
TEST(ParallelRead, TextThatChangesWhileReadThrows) {
  static std::string text;
  text = "0 100\nh2\nh3\n" + std::string(4000, '\n') + "0\n";
  zel23::detail::afterScan = [] { text.replace(2000, 4, "1,1\n"); };
  zel23::ReadOptions options;
  options.threads = 2;
  options.chunkBytes = 64;
  zel23::Case c;
  EXPECT_THROW(zel23::readBuffer(text, c, options), std::runtime_error);
  zel23::detail::afterScan = nullptr;
}

// A file that shrinks between its size and its read gives the bytes that
// are left and says so; it never ends the process.
TEST(ParallelRead, FileThatShrinksWhileReadGivesWhatIsLeft) {
  static std::string path;
  path = (std::filesystem::temp_directory_path() / "zel23_shrinks.raw").string();
  std::string text = "0 100 / shrinks\nA\nB\n";
  while (text.size() < 100000)
    text += oneOfEachLine(3) + "\n";
  for (int k = 0; k < 7; ++k)
    text += "0\n";
  std::ofstream(path, std::ios::binary) << text;
  zel23::detail::afterFileSize = [](int) { std::filesystem::resize_file(path, 200); };
  zel23::ReadOptions options;
  options.threads = 2;
  options.chunkBytes = 4096;
  zel23::Case c;
  const zel23::ReadReport report = zel23::readFile(path, c, options);
  zel23::detail::afterFileSize = nullptr;
  const Read expected = readText(text.substr(0, 200));
  ASSERT_FALSE(report.problems.empty());
  EXPECT_EQ(report.problems[0].message, "'" + path +
                                            "' shrank while it was read: 200 of its " +
                                            std::to_string(text.size()) + " bytes read");
  EXPECT_TRUE(sameCase(c, expected.data));
  std::filesystem::remove(path);
}

// A pipe is read as a stream: the same case as from memory, and a long
// input does not take memory in proportion.
TEST(ParallelRead, PipeIsReadAsAStream) {
  const std::string fifo =
      (std::filesystem::temp_directory_path() / "zel23_pipe.raw").string();
  std::filesystem::remove(fifo);
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::size_t junk = std::size_t(64) << 20;
  bool sentAll = false;
  std::thread writer([&] {
    std::ofstream out(fifo, std::ios::binary);
    out << oneOfEach();
    const std::string block(1 << 20, 'x');
    for (std::size_t sent = 0; sent < junk; sent += block.size())
      out << block;
    out.close();
    sentAll = out.good();
  });
  rusage before;
  ::getrusage(RUSAGE_SELF, &before);
  zel23::Case c;
  const zel23::ReadReport report = zel23::readFile(fifo, c);
  writer.join();
  rusage after;
  ::getrusage(RUSAGE_SELF, &after);
  std::filesystem::remove(fifo);
  EXPECT_TRUE(sentAll) << "the read stopped before the end of the input";
  const Read expected = readText(oneOfEach() + std::string(2048, 'x'));
  EXPECT_EQ(described(c, report), described(expected.data, expected.report));
  EXPECT_LT((after.ru_maxrss - before.ru_maxrss) * 1024L, static_cast<long>(junk / 4));
}

} // namespace
