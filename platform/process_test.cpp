// Starting a program without waiting for it, with a stand-in program.
#include "platform/process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/files.h"
#include "platform/pathspelling.h"
#include "testing/testsupport.h"

#ifndef _WIN32
#include <sys/wait.h>

#include <cerrno>
#endif

namespace {

namespace fs = std::filesystem;

std::string standIn() { return std::string(STANDIN_DIR) + (STANDIN_DIR[0] == '/' ? "/kmmake" : "\\kmmake.exe"); }

bool appears(const std::string& path) {
  for (int i = 0; i < 200; ++i) {
    if (testsupport::readFile(path).find("end\n") != std::string::npos) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  return false;
}

TEST(StartDetached, RunsTheProgramInTheGivenDirectory) {
  testsupport::TempDir dir;
  testsupport::ScopedVariable log("STANDIN_LOG");
#ifdef _WIN32
  _putenv("STANDIN_LOG=");
#else
  unsetenv("STANDIN_LOG");
#endif
  const auto started = std::chrono::steady_clock::now();
  ASSERT_TRUE(platform::startDetached(platform::hostToWindowsPath(standIn()), platform::hostToWindowsPath(dir.path())));
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
  ASSERT_TRUE(appears(dir / "standin.log"));
  const std::string text = testsupport::readFile(dir / "standin.log");
  EXPECT_NE(text.find("tool=kmmake\n"), std::string::npos);
  EXPECT_EQ(text.find("arg="), std::string::npos);  // the path alone is the command line
  EXPECT_NE(text.find("cwd=" + dir.path() + "\n"), std::string::npos) << text;
#ifndef _WIN32
  // Nothing is left to wait for: no zombie stays behind.
  int status = 0;
  EXPECT_EQ(waitpid(-1, &status, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
#endif
}

TEST(StartDetached, MissingProgramOrDirectoryFails) {
  testsupport::TempDir dir;
  EXPECT_FALSE(platform::startDetached(platform::hostToWindowsPath(dir / "missing.exe"), platform::hostToWindowsPath(dir.path())));
  EXPECT_FALSE(platform::startDetached(platform::hostToWindowsPath(standIn()), platform::hostToWindowsPath(dir / "missing")));
}

}  // namespace
