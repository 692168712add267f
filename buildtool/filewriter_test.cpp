// Writing the build directory: directories, whole files in text mode, and
// the first file that cannot be written.
#include "buildtool/filewriter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "testing/testsupport.h"

using namespace kestrel;

namespace {

ucl::RealDisk realDisk;

namespace fs = std::filesystem;
using testsupport::readFile;

class FileWriter : public ::testing::Test {
 protected:
  testsupport::TempDir dir_;
  testsupport::ScopedCurrentDirectory inDir_{dir_.path()};
};

TEST_F(FileWriter, DirectoriesThenWholeFilesWithCrLf) {
  const BuildDirectory directory{{"OUT", "OUT\\SUB"}, {{"OUT\\SUB\\file.mak", "a %s %d\n\tb \n"}, {"OUT\\x", ""}}};
  std::string err;
  ASSERT_TRUE(writeBuildDirectory(realDisk, directory, false, nullptr, &err));
  EXPECT_EQ(readFile(dir_ / "OUT/SUB/file.mak"), "a %s %d\r\n\tb \r\n");
  EXPECT_TRUE(fs::is_regular_file(dir_ / "OUT/x"));
  // Overwritten without question; directories that exist are fine.
  ASSERT_TRUE(writeBuildDirectory(realDisk, {{"OUT", "OUT\\SUB"}, {{"OUT\\SUB\\file.mak", "c\n"}}}, false, nullptr, &err));
  EXPECT_EQ(readFile(dir_ / "OUT/SUB/file.mak"), "c\r\n");
}

TEST_F(FileWriter, FirstUnwritableFileStopsTheWriting) {
  struct Case {
    const char* blocked;
    std::vector<const char*> written;
  } const cases[] = {
      {"one", {}},
      {"two", {"one"}},
      {"three", {"one", "two"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.blocked);
    fs::remove_all(dir_ / "B");
    // A directory where the file should be: it cannot be opened for writing.
    fs::create_directories(dir_ / ("B/" + std::string(c.blocked)));
    std::string err;
    EXPECT_FALSE(writeBuildDirectory(realDisk, {{"B", "B\\OBJ"}, {{"B\\one", "1\n"}, {"B\\two", "2\n"}, {"B\\three", "3\n"}}}, false, nullptr, &err));
    EXPECT_EQ(err, "Unable to write B\\" + std::string(c.blocked));
    for (const char* name : {"one", "two", "three"}) {
      const bool shouldExist = std::find(c.written.begin(), c.written.end(), std::string(name)) != c.written.end();
      EXPECT_EQ(fs::is_regular_file(dir_ / ("B/" + std::string(name))), shouldExist) << name;
    }
    EXPECT_TRUE(fs::is_directory(dir_ / "B/OBJ"));  // created before anything is opened
  }
}

// The file's time stamp, set an hour back so that a rewrite shows.
fs::file_time_type agedStamp(const std::string& path) {
  const fs::file_time_type aged = fs::last_write_time(path) - std::chrono::hours(1);
  fs::last_write_time(path, aged);
  return aged;
}

TEST_F(FileWriter, OnlyFilesWhoseBytesChangeAreWritten) {
  const BuildDirectory first{{"B"}, {{"B\\same", "kept\n"}, {"B\\changed", "old\n"}, {"B\\damaged", "whole\n"}}};
  std::string err;
  ASSERT_TRUE(writeBuildDirectory(realDisk, first, false, nullptr, &err));
  const auto same = agedStamp(dir_ / "B/same");
  const auto changed = agedStamp(dir_ / "B/changed");
  testsupport::writeFile(dir_ / "B/damaged", "who");  // cut short
  const auto damaged = agedStamp(dir_ / "B/damaged");

  const BuildDirectory second{{"B"}, {{"B\\same", "kept\n"}, {"B\\changed", "new\n"}, {"B\\damaged", "whole\n"}}};
  ASSERT_TRUE(writeBuildDirectory(realDisk, second, false, nullptr, &err));
  EXPECT_EQ(fs::last_write_time(dir_ / "B/same"), same);
  EXPECT_NE(fs::last_write_time(dir_ / "B/changed"), changed);
  EXPECT_NE(fs::last_write_time(dir_ / "B/damaged"), damaged);
  EXPECT_EQ(readFile(dir_ / "B/changed"), "new\r\n");
  EXPECT_EQ(readFile(dir_ / "B/damaged"), "whole\r\n");
}

TEST_F(FileWriter, FileIsReplacedWhole) {
  GeneratedFile editors{"db.json", "[1]\n"};
  std::string err;
  ASSERT_TRUE(writeBuildDirectory(realDisk, {{}, {editors}}, true, nullptr, &err));  // new: made beside, renamed
  EXPECT_EQ(readFile(dir_ / "db.json"), "[1]\r\n");
  editors.text = "[2,\n3]\n";
  ASSERT_TRUE(writeBuildDirectory(realDisk, {{}, {editors}}, false, nullptr, &err));  // replaced
  EXPECT_EQ(readFile(dir_ / "db.json"), "[2,\r\n3]\r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_.path()), fs::directory_iterator()), 1);  // nothing left beside it
  fs::remove(dir_ / "db.json");
  fs::create_directory(dir_ / "db.json");
  EXPECT_FALSE(writeBuildDirectory(realDisk, {{}, {editors}}, false, nullptr, &err));
  EXPECT_EQ(err, "Unable to write db.json");
}

TEST_F(FileWriter, ReadOnlyFileThatNeedsNoWriteIsLeftAlone) {
  // (One that must change gives "Unable to write": see the end-to-end tests,
  // which run kestrel as a user that read-only files stop.)
  std::string err;
  ASSERT_TRUE(writeBuildDirectory(realDisk, {{}, {{"ro", "a\n"}}}, false, nullptr, &err));
  testsupport::makeReadOnly(dir_ / "ro");
  const auto stamp = agedStamp(dir_ / "ro");
  EXPECT_TRUE(writeBuildDirectory(realDisk, {{}, {{"ro", "a\n"}}}, false, nullptr, &err));
  EXPECT_EQ(err, "");
  EXPECT_EQ(fs::last_write_time(dir_ / "ro"), stamp);
}

TEST_F(FileWriter, MissingDirectoryIsUnwritable) {
  std::string err;
  EXPECT_FALSE(writeBuildDirectory(realDisk, {{}, {{"MISSING\\file.mak", "x\n"}}}, false, nullptr, &err));
  EXPECT_EQ(err, "Unable to write MISSING\\file.mak");
}

#ifndef _WIN32
TEST_F(FileWriter, FullDiskCountsAsUnwritable) {
  std::string err;
  EXPECT_FALSE(writeBuildDirectory(realDisk, {{}, {{"/dev/full", std::string(100000, 'x')}}}, false, nullptr, &err));
  EXPECT_EQ(err, "Unable to write /dev/full");
}
#endif

}  // namespace
