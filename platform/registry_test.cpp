// String values under the current user's key: the registry on Windows, its
// stand-in file on POSIX.
#include "platform/registry.h"

#include <gtest/gtest.h>

#include <chrono>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "platform/environment.h"
#include "testing/testsupport.h"

namespace {

class Registry : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::setVariable("XDG_CONFIG_HOME", dir_.path());
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    key_ = "Software\\PvtoolsTest\\Run" + std::to_string(stamp);
  }
  std::string read(const std::string& key, const std::string& name) {
    return platform::readUserString(key, name).value_or("(none)");
  }

  testsupport::ScopedVariable config_{"XDG_CONFIG_HOME"};
  testsupport::TempDir dir_;
  std::string key_;
};

TEST_F(Registry, ValuesAreCreatedReplacedAndKeptApart) {
  EXPECT_EQ(read(key_, "4"), "(none)");
  ASSERT_TRUE(platform::writeUserString(key_ + "\\RecentFiles", "4", "C:\\a\\project.cpj"));
  ASSERT_TRUE(platform::writeUserString(key_ + "\\RecentFiles", "3", "x=y"));
  ASSERT_TRUE(platform::writeUserString(key_ + "\\Other", "4", "other"));
  ASSERT_TRUE(platform::writeUserString(key_ + "\\RecentFiles", "4", "C:\\b\\project.cpj"));
  EXPECT_EQ(read(key_ + "\\RecentFiles", "4"), "C:\\b\\project.cpj");
  EXPECT_EQ(read(key_ + "\\RecentFiles", "3"), "x=y");
  EXPECT_EQ(read(key_ + "\\Other", "4"), "other");
  EXPECT_EQ(read(key_ + "\\Other", "3"), "(none)");
  EXPECT_EQ(read(key_ + "\\Missing", "4"), "(none)");
}

TEST_F(Registry, EmptyData) {
  ASSERT_TRUE(platform::writeUserString(key_, "empty", ""));
  EXPECT_EQ(read(key_, "empty"), "");
}

#ifndef _WIN32
TEST_F(Registry, StandInFileIsReadableText) {
  ASSERT_TRUE(platform::writeUserString("Software\\Vendor\\Program\\RecentFiles", "4", "\\tmp\\p\\project.cpj"));
  EXPECT_EQ(testsupport::readFile(dir_ / "pvtools/registry.ini"),
            "[HKEY_CURRENT_USER\\Software\\Vendor\\Program\\RecentFiles]\n4=\\tmp\\p\\project.cpj\n");
}

TEST_F(Registry, StandInDirectoryIsCreatedWithItsParentsForTheUserOnly) {
  platform::setVariable("XDG_CONFIG_HOME", dir_.path() + "/missing/config");
  ASSERT_TRUE(platform::writeUserString(key_, "4", "x"));
  struct stat info;
  ASSERT_EQ(::stat((dir_.path() + "/missing/config/pvtools").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  EXPECT_EQ(read(key_, "4"), "x");
}
#endif

}  // namespace
