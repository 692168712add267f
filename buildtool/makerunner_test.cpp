// Starting a make tool: the stand-in records what it was started with.
#include "buildtool/makerunner.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/pathspelling.h"
#include "testing/testsupport.h"

using namespace kestrel;

namespace {

namespace fs = std::filesystem;
using testsupport::readFile;

class MakeRunner : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir_ / "tools");
    fs::copy_file(std::string(STANDIN_DIR) + "/kmmake" + testsupport::kExecutableSuffix,
                  dir_ / (std::string("tools/kmmake") + testsupport::kExecutableSuffix));
  }

  // A run of the stand-in found through the PATH the run puts in front.
  MakeRun run(const std::string& arguments, const std::string& exitCode = "0") {
    return MakeRun{"kmmake " + arguments, "kmmake",
                   EnvironmentChanges{{platform::hostToWindowsPath(dir_ / "tools")},
                                      {{"STANDIN_LOG", dir_ / "standin.log"}, {"STANDIN_EXIT_CODE", exitCode}}},
                   "make.i"};
  }

  std::string log() const { return readFile(dir_ / "standin.log"); }

  testsupport::TempDir dir_;
  testsupport::ScopedCurrentDirectory inDir_{dir_.path()};
};

TEST_F(MakeRunner, ToolGetsItsEnvironmentAndOursStaysAsItWas) {
  const std::optional<std::string> ourPath = platform::variable("PATH");
  const platform::ProcessOutcome outcome = runMake(run("-f PV2BUILD\\makefile -i "));
  ASSERT_TRUE(outcome.started);
  EXPECT_EQ(outcome.exitCode, 0u);
  const std::string recorded = log();  // complete: the run was waited for
  EXPECT_NE(recorded.find("arg=-f\narg=PV2BUILD\\makefile\narg=-i\n"), std::string::npos) << recorded;
  EXPECT_NE(recorded.find("cwd=" + dir_.path() + "\n"), std::string::npos) << recorded;
  const std::string tools = platform::windowsToHostPath(platform::hostToWindowsPath(dir_ / "tools"));
#ifdef _WIN32
  EXPECT_NE(recorded.find("PATH=" + tools + ";" + ourPath.value_or("") + "\n"), std::string::npos) << recorded;
#else
  EXPECT_NE(recorded.find("PATH=" + tools + (ourPath && !ourPath->empty() ? ":" + *ourPath : "") + "\n"),
            std::string::npos)
      << recorded;
#endif
  EXPECT_NE(recorded.find("end\n"), std::string::npos);
  EXPECT_EQ(platform::variable("PATH"), ourPath);
  EXPECT_EQ(platform::variable("STANDIN_LOG"), std::nullopt);
  EXPECT_TRUE(fs::exists(dir_ / "make.i"));  // the stand-in left one: the driver removes it
}

TEST_F(MakeRunner, ExitCodeIsReturned) {
  const platform::ProcessOutcome outcome = runMake(run("x", "3"));
  EXPECT_TRUE(outcome.started);
  EXPECT_EQ(outcome.exitCode, 3u);
}

TEST_F(MakeRunner, MissingToolIsNotStarted) {
  fs::remove(dir_ / (std::string("tools/kmmake") + testsupport::kExecutableSuffix));
  EXPECT_FALSE(runMake(run("-x")).started);
  EXPECT_FALSE(fs::exists(dir_ / "standin.log"));
}

TEST_F(MakeRunner, LongCommandLineIsPassedWhole) {
  // Far beyond the 260 characters of a fixed command-line buffer.
  const std::string longWord(2000, 'w');
  ASSERT_TRUE(runMake(run(longWord)).started);
  EXPECT_NE(log().find("arg=" + longWord + "\n"), std::string::npos);
}

}  // namespace
