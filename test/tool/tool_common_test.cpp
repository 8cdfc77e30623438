#include "common.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <sstream>

using zel23tool::OutputFile;

namespace {

// A fresh folder per test, removed with everything in it afterwards.
class Folder : public ::testing::Test {
protected:
  void SetUp() override {
    std::string pattern = ::testing::TempDir() + "zel23toolXXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

  std::string path(const std::string& name) const { return dir_ + "/" + name; }

  static std::string contents(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  static void write(const std::string& file, const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
  }

  std::vector<std::string> entries() const {
    std::vector<std::string> names;
    DIR* d = ::opendir(dir_.c_str());
    while (dirent* e = ::readdir(d))
      if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
        names.push_back(e->d_name);
    ::closedir(d);
    std::sort(names.begin(), names.end());
    return names;
  }

  std::string dir_;
};

TEST(FieldText, DoublesReadBackExactlyAndStayReadable) {
  struct Case {
    double value;
    const char* text;
  } cases[] = {
      {0.0, "0"},        {100.0, "100"},       {-2.5, "-2.5"},
      {0.1, "0.1"},      {0.00035, "0.00035"}, {1.0 / 3.0, "0.3333333333333333"},
      {1e300, "1e+300"}, {-1e-300, "-1e-300"}, {123456789.125, "123456789.125"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::string text = zel23tool::fieldText(c.value);
    EXPECT_EQ(text, c.text);
    EXPECT_EQ(std::strtod(text.c_str(), nullptr), c.value);
  }
  EXPECT_EQ(zel23tool::fieldText(-17), "-17");
  EXPECT_EQ(zel23tool::fieldText(std::string("'1 '")), "'1 '");
}

TEST(BareName, DropsApostrophesAndOuterBlanks) {
  struct Case {
    const char* stored;
    const char* bare;
  } cases[] = {
      {"'NORTH G1'", "NORTH G1"},
      {"'  A B  '", "A B"},
      {"  GEN ", "GEN"},
      {"''", ""},
      {"'", "'"},
      {"'OPEN", "'OPEN"},
      {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    EXPECT_EQ(zel23tool::bareName(c.stored), c.bare);
  }
}

TEST_F(Folder, WrittenThroughOutputWritesOnlyWhenFullOrCommitted) {
  int fd = ::open(path("out").c_str(), O_WRONLY | O_CREAT, 0644);
  ASSERT_GE(fd, 0);
  zel23::AtomicFile file(fd);
  file.stream() << "0123456789" << std::endl; // endl must not reach the file
  EXPECT_EQ(contents(path("out")), "");
  const std::string big((1 << 20) + 10, 'x'); // overflows the block once
  file.stream() << big;
  EXPECT_EQ(contents(path("out")).size(), std::size_t(1) << 20);
  file.commit();
  EXPECT_EQ(contents(path("out")), "0123456789\n" + big);
  EXPECT_EQ(::close(fd), 0) << "the descriptor stays open";
}

TEST(AtomicFile, CommitReportsTheFirstWriteError) {
  int fd = ::open("/dev/full", O_WRONLY);
  if (fd < 0) GTEST_SKIP() << "no /dev/full";
  zel23::AtomicFile file(fd);
  file.stream() << "text" << std::endl;
  try {
    file.commit();
    ADD_FAILURE() << "no error";
  } catch (const zel23::FileError& e) {
    EXPECT_EQ(e.error(), ENOSPC);
  }
  ::close(fd);
}

TEST_F(Folder, CommittedOutputReplacesTheTargetWhole) {
  write(path("case.raw"), "old\n");
  ::chmod(path("case.raw").c_str(), 0600);
  {
    OutputFile out(path("case.raw"));
    out.stream() << "new" << std::endl;
    EXPECT_EQ(contents(path("case.raw")), "old\n") << "visible before commit";
    out.commit();
  }
  EXPECT_EQ(contents(path("case.raw")), "new\n");
  struct stat st;
  ASSERT_EQ(::stat(path("case.raw").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(entries(), std::vector<std::string>{"case.raw"});
}

TEST_F(Folder, AbandonedOutputLeavesNothingBehind) {
  write(path("kept.raw"), "old\n");
  {
    OutputFile out(path("kept.raw"));
    out.stream() << "half a file";
    OutputFile fresh(path("fresh.raw"));
    fresh.stream() << "never committed";
  }
  EXPECT_EQ(contents(path("kept.raw")), "old\n");
  EXPECT_EQ(entries(), std::vector<std::string>{"kept.raw"});
}

TEST_F(Folder, OutputThroughASymbolicLinkReplacesTheFileItPointsTo) {
  write(path("real.raw"), "old\n");
  ASSERT_EQ(::symlink("real.raw", path("link.raw").c_str()), 0);
  OutputFile out(path("link.raw"));
  out.stream() << "new\n";
  out.commit();
  struct stat st;
  ASSERT_EQ(::lstat(path("link.raw").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(contents(path("real.raw")), "new\n");
}

TEST_F(Folder, LoadCaseCountsBytesAndLines) {
  const std::string text = "0 100.0 / t\nH2\nH3\n0 /\n0 /\n0 /\n0 /\n0 /\n0 /\n0 / last";
  write(path("c.raw"), text);
  zel23tool::LoadedCase loaded = zel23tool::loadCase(path("c.raw"));
  EXPECT_EQ(loaded.bytes, text.size());
  EXPECT_EQ(loaded.lines, 10u) << "a last line without line end still counts";
  EXPECT_EQ(loaded.data.systemBase, 100.0);
  EXPECT_EQ(loaded.name, "'" + path("c.raw") + "'");

  zel23tool::LoadedCase sample = zel23tool::loadCase("");
  EXPECT_EQ(sample.name, "the bundled sample");
  EXPECT_EQ(sample.data.buses.size(), 14u);
  EXPECT_EQ(sample.data.comments.size(), 10u);
}

} // namespace
