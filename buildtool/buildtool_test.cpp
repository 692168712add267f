// The machinery that both back ends share.
#include "buildtool/buildtool.h"

#include <gtest/gtest.h>

#include "platform/environment.h"
#include "platform/files.h"
#include "testing/testsupport.h"

namespace {

using testsupport::readFile;
using testsupport::ScopedCurrentDirectory;
using testsupport::ScopedVariable;
using testsupport::TempDir;

// A back end that only exposes the shared machinery.
class MachineryBackEnd : public BuildTool {
 public:
  using BuildTool::BuildTool;
  bool writeMakefiles() override { return true; }
  void addSourceFile(const std::string&) override {}
  void addHeaderFile(const std::string&) override {}
  void addLibrary(const std::string&) override {}
  bool runBuild() override { return true; }

  using BuildTool::createDirectories;
  using BuildTool::runTool;
  using BuildTool::setting;
  using BuildTool::toolFailed;
  using BuildTool::writeGeneratedFile;
};

ucl::IniFile sampleSettings() {
  ucl::IniFile settings;
  settings["PV2SDK Paths"]["SDKPath"] = "C:\\PVSDK";
  settings["PV2SDK Paths"]["CompilerPath"] = "C:\\LSIC86";
  return settings;
}

TEST(BackEndConstruction, MemoryModelIsNormalised) {
  struct Case {
    char given;
    char expected;
  } const cases[] = {{'S', 'S'}, {'s', 'S'}, {'p', 'P'}, {'P', 'P'}, {'x', 'S'}, {'\0', 'S'}, {'q', 'S'}};
  for (const Case& c : cases) {
    BuildInfo info;
    info.memoryModel = c.given;
    MachineryBackEnd backEnd(sampleSettings(), &info);
    EXPECT_EQ(info.memoryModel, c.expected) << "given " << int(c.given);
  }
}

TEST(BackEndConstruction, KeepsItsOwnCopyOfTheSettings) {
  BuildInfo info;
  ucl::IniFile settings = sampleSettings();
  MachineryBackEnd backEnd(settings, &info);
  settings["PV2SDK Paths"]["SDKPath"] = "changed";
  EXPECT_EQ(backEnd.setting("PV2SDK Paths", "SDKPath"), "C:\\PVSDK");
}

TEST(BackEndSettings, MissingSectionAndKeyAreTold) {
  BuildInfo info;
  MachineryBackEnd backEnd(sampleSettings(), &info);
  try {
    backEnd.setting("PV3SDK Paths", "SDKPath");
    FAIL() << "no exception";
  } catch (const SettingNotFound& missing) {
    EXPECT_EQ(missing.section, "PV3SDK Paths");
    EXPECT_EQ(missing.key, "SDKPath");
    EXPECT_TRUE(missing.sectionMissing);
  }
  try {
    backEnd.setting("PV2SDK Paths", "Other");
    FAIL() << "no exception";
  } catch (const SettingNotFound& missing) {
    EXPECT_EQ(missing.key, "Other");
    EXPECT_FALSE(missing.sectionMissing);
  }
}

TEST(GeneratedFiles, WrittenWholeWithCrLfAndPercentKept) {
  TempDir dir;
  ScopedCurrentDirectory inDir(dir.path());
  MachineryBackEnd::createDirectories({"OUT", "OUT\\SUB"});
  EXPECT_TRUE(platform::isDirectory("OUT\\SUB"));
  ASSERT_TRUE(MachineryBackEnd::writeGeneratedFile("OUT\\SUB\\file.mak", "a %s %d\n\tb \n"));
  EXPECT_EQ(readFile(dir / "OUT/SUB/file.mak"), "a %s %d\r\n\tb \r\n");
  // Overwritten without question.
  ASSERT_TRUE(MachineryBackEnd::writeGeneratedFile("OUT\\SUB\\file.mak", "c\n"));
  EXPECT_EQ(readFile(dir / "OUT/SUB/file.mak"), "c\r\n");
}

TEST(GeneratedFiles, UnwritableFileIsReported) {
  TempDir dir;
  ScopedCurrentDirectory inDir(dir.path());
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(MachineryBackEnd::writeGeneratedFile("MISSING\\file.mak", "x\n"));
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Unable to write MISSING\\file.mak\n");
}

#ifndef _WIN32
TEST(GeneratedFiles, FullDiskCountsAsUnwritable) {
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(MachineryBackEnd::writeGeneratedFile("/dev/full", std::string(100000, 'x')));
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Unable to write /dev/full\n");
}
#endif

TEST(Environment, DirectoriesGoInFrontOfPath) {
  ScopedVariable savedPath("PATH");
  platform::setVariable("PATH", "OLD");
  platform::prependToPath({"C:\\PVSDK\\TOOL", "C:\\LSIC86\\bin"});
  std::string path;
  ASSERT_TRUE(platform::getVariable("PATH", path));
#ifdef _WIN32
  EXPECT_EQ(path, "C:\\PVSDK\\TOOL;C:\\LSIC86\\bin;OLD");
#else
  EXPECT_EQ(path, "C:/PVSDK/TOOL:C:/LSIC86/bin:OLD");
#endif
}

class ToolRun : public ::testing::Test {
 protected:
  void SetUp() override {
    logFile_ = dir_ / "standin.log";
    platform::setVariable("STANDIN_LOG", logFile_);
  }
  void TearDown() override { platform::setVariable("STANDIN_EXIT_CODE", "0"); }

  std::string log() const { return readFile(logFile_); }

  TempDir dir_;
  ScopedCurrentDirectory inDir_{dir_.path()};
  std::string logFile_;
  ScopedVariable savedLog_{"STANDIN_LOG"};
  ScopedVariable savedExit_{"STANDIN_EXIT_CODE"};
  BuildInfo info_;
  MachineryBackEnd backEnd_{sampleSettings(), &info_};
};

TEST_F(ToolRun, StartsWaitsAndPassesTheWords) {
  platform::setVariable("STANDIN_EXIT_CODE", "0");
  ::testing::internal::CaptureStderr();
  EXPECT_TRUE(backEnd_.runTool(std::string(STANDIN_DIR) + "/kmmake -f PV2BUILD\\makefile -i ", "kmmake"));
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_FALSE(backEnd_.toolFailed);
  const std::string recorded = log();  // complete: the run was waited for
  EXPECT_NE(recorded.find("arg=-f\narg=PV2BUILD\\makefile\narg=-i\n"), std::string::npos) << recorded;
  EXPECT_NE(recorded.find("end\n"), std::string::npos);
}

TEST_F(ToolRun, NonZeroExitCodeIsReported) {
  platform::setVariable("STANDIN_EXIT_CODE", "3");
  ::testing::internal::CaptureStderr();
  EXPECT_TRUE(backEnd_.runTool(std::string(STANDIN_DIR) + "/hmake x", "hmake"));
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Error: hmake ended with exit code 3\n");
  EXPECT_TRUE(backEnd_.toolFailed);
}

TEST_F(ToolRun, MissingProgramIsReported) {
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(backEnd_.runTool(dir_ / "no-such-tool -x", "kmmake"));
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Error: Unable to start kmmake\n");
  EXPECT_FALSE(testsupport::fileExists(logFile_));
}

TEST_F(ToolRun, LongCommandLineIsPassedWhole) {
  // Far beyond the 260 characters of a fixed command-line buffer.
  const std::string longWord(2000, 'w');
  ::testing::internal::CaptureStderr();
  EXPECT_TRUE(backEnd_.runTool(std::string(STANDIN_DIR) + "/kmmake " + longWord, "kmmake"));
  ::testing::internal::GetCapturedStderr();
  EXPECT_NE(log().find("arg=" + longWord + "\n"), std::string::npos);
}

}  // namespace
