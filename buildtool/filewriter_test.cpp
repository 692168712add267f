// Writing the build directory: directories, whole files in text mode, and
// the first file that cannot be written.
#include "buildtool/filewriter.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "testing/testsupport.h"

namespace {

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
  ASSERT_TRUE(writeBuildDirectory(directory, &err));
  EXPECT_EQ(readFile(dir_ / "OUT/SUB/file.mak"), "a %s %d\r\n\tb \r\n");
  EXPECT_TRUE(fs::is_regular_file(dir_ / "OUT/x"));
  // Overwritten without question; directories that exist are fine.
  ASSERT_TRUE(writeBuildDirectory({{"OUT", "OUT\\SUB"}, {{"OUT\\SUB\\file.mak", "c\n"}}}, &err));
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
    EXPECT_FALSE(writeBuildDirectory({{"B", "B\\OBJ"}, {{"B\\one", "1\n"}, {"B\\two", "2\n"}, {"B\\three", "3\n"}}}, &err));
    EXPECT_EQ(err, "Unable to write B\\" + std::string(c.blocked));
    for (const char* name : {"one", "two", "three"}) {
      const bool shouldExist = std::find(c.written.begin(), c.written.end(), std::string(name)) != c.written.end();
      EXPECT_EQ(fs::is_regular_file(dir_ / ("B/" + std::string(name))), shouldExist) << name;
    }
    EXPECT_TRUE(fs::is_directory(dir_ / "B/OBJ"));  // created before anything is opened
  }
}

TEST_F(FileWriter, MissingDirectoryIsUnwritable) {
  std::string err;
  EXPECT_FALSE(writeBuildDirectory({{}, {{"MISSING\\file.mak", "x\n"}}}, &err));
  EXPECT_EQ(err, "Unable to write MISSING\\file.mak");
}

#ifndef _WIN32
TEST_F(FileWriter, FullDiskCountsAsUnwritable) {
  std::string err;
  EXPECT_FALSE(writeBuildDirectory({{}, {{"/dev/full", std::string(100000, 'x')}}}, &err));
  EXPECT_EQ(err, "Unable to write /dev/full");
}
#endif

}  // namespace
