// The shell's file copy, on the real file system.
#include "platform/shell.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/files.h"
#include "platform/pathspelling.h"
#include "testing/testsupport.h"

namespace {

namespace fs = std::filesystem;
using testsupport::readFile;
using testsupport::writeFile;

std::vector<std::string> list(const std::string& nativePath) { return {platform::hostToWindowsPath(nativePath)}; }
std::string path(const std::string& nativePath) { return platform::hostToWindowsPath(nativePath); }

class ShellCopy : public ::testing::Test {
 protected:
  void SetUp() override {
    writeFile(dir_ / "from/a.txt", "a\r\n");
    writeFile(dir_ / "from/Makefile", "no dot");
    writeFile(dir_ / "from/sub/deeper/b.bin", std::string("\0\x1a\r\n", 4));
  }
  testsupport::TempDir dir_;
};

TEST_F(ShellCopy, EverythingWithSubdirectoriesIntoMissingDestination) {
  ASSERT_TRUE(platform::shellCopy(list(dir_ / "from/*.*"), path(dir_ / "to/new/project")));
  EXPECT_EQ(readFile(dir_ / "to/new/project/a.txt"), "a\r\n");
  EXPECT_EQ(readFile(dir_ / "to/new/project/Makefile"), "no dot");
  EXPECT_EQ(readFile(dir_ / "to/new/project/sub/deeper/b.bin"), std::string("\0\x1a\r\n", 4));
}

TEST_F(ShellCopy, OverwritesWithoutQuestionAndKeepsOtherFiles) {
  writeFile(dir_ / "to/a.txt", "old");
  writeFile(dir_ / "to/sub/own.txt", "own");
  writeFile(dir_ / "to/sub/deeper/b.bin", "old");
  ASSERT_TRUE(platform::shellCopy(list(dir_ / "from/*.*"), path(dir_ / "to")));
  EXPECT_EQ(readFile(dir_ / "to/a.txt"), "a\r\n");
  EXPECT_EQ(readFile(dir_ / "to/sub/deeper/b.bin"), std::string("\0\x1a\r\n", 4));
  EXPECT_EQ(readFile(dir_ / "to/sub/own.txt"), "own");
}

TEST_F(ShellCopy, PatternChoosesTheEntries) {
  // Into an existing directory: how one match goes to a missing destination
  // differs between shells (as a file of that name, or into a new directory).
  fs::create_directories(dir_ / "to");
  ASSERT_TRUE(platform::shellCopy(list(dir_ / "from/*.txt"), path(dir_ / "to")));
  EXPECT_TRUE(fs::exists(dir_ / "to/a.txt"));
  EXPECT_FALSE(fs::exists(dir_ / "to/Makefile"));
  EXPECT_FALSE(fs::exists(dir_ / "to/sub"));
}

TEST_F(ShellCopy, MissingSourceDirectoryFails) {
  EXPECT_FALSE(platform::shellCopy(list(dir_ / "missing/*.*"), path(dir_ / "to")));
  EXPECT_FALSE(fs::exists(dir_ / "to/a.txt"));
}

}  // namespace
