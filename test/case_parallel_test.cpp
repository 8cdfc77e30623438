// The parallel reader against the sequential one: on generated cases of many
// shapes and on every fixture, whatever the threads and chunk sizes, both
// give the same case and the same report.

#include "support.h"
#include "zel23_case.h"
#include "zel23_fields.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <system_error>

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

void expectSameReads(const std::string& text) {
  SCOPED_TRACE(shown(text.substr(0, 200)));
  for (const std::size_t maxProblems : {std::size_t(1000), std::size_t(1)}) {
    const Read sequential = readText(text, maxProblems);
    const std::string expected = described(sequential.data, sequential.report);
    for (const unsigned threads : {1u, 2u, 4u})
      for (const std::size_t chunk : {1, 7, 64, 1 << 20}) {
        zel23::ReadFileOptions options;
        options.threads = threads;
        options.chunkBytes = chunk;
        options.maxProblems = maxProblems;
        zel23::Case parallel;
        const zel23::ReadReport report = zel23::readBuffer(text, parallel, options);
        ASSERT_EQ(described(parallel, report), expected)
            << threads << " threads, chunks of " << chunk << ", " << maxProblems;
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
  const std::pair<const char*, const char*> unreadable[] = {
      {"/nonexistent/case.raw", "No such file or directory"}, {"/", "Is a directory"}};
  for (const auto& [path, cause] : unreadable)
    try {
      zel23::readFile(path, c);
      ADD_FAILURE() << path;
    } catch (const std::system_error& error) {
      EXPECT_EQ(error.what(), "cannot read '" + std::string(path) + "': " + cause);
    }
}

} // namespace
