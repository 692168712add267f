// End-to-end tests of the kestrel program: natively, or kestrel.exe under
// Wine. The program is copied into a sandbox IDE tree with its own
// Settings.ini and started in a project directory, as the IDE starts it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "testing/processrun.h"
#include "testing/testsupport.h"

namespace {

namespace fs = std::filesystem;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::withoutCr;
using testsupport::writeFile;

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

struct Target {
  bool underWine = environment("KESTREL_TARGET") == "win32";
  std::string program = environment("KESTREL_PROGRAM");
  std::string standins = environment("KESTREL_STANDINS");
  std::string wineRun = environment("WINE_RUN");
  std::string testdata = environment("KESTREL_TESTDATA");
};

const Target& target() {
  static const Target configured;
  return configured;
}

// A path as the program under test sees it.
std::string programPath(const std::string& linuxPath) {
  if (!target().underWine) return linuxPath;
  std::string path = "Z:" + linuxPath;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

class Kestrel : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(target().program.empty()) << "KESTREL_PROGRAM is not set";
    toolDir_ = root_ / "ide/toolsets/PVSDK";
    projectDir_ = root_ / "project";
    fs::create_directories(toolDir_);
    fs::create_directories(projectDir_);
    installed_ = (fs::path(toolDir_) / fs::path(target().program).filename()).string();
    fs::copy_file(target().program, installed_);
  }

  void writeSettings(const std::string& text) { writeFile(toolDir_ + "/Settings.ini", testsupport::crlf(text)); }

  testsupport::ProgramRun run(const std::vector<std::string>& arguments,
                              const std::map<std::string, std::string>& environment = {}) {
    std::vector<std::string> argv;
    if (target().underWine) argv.push_back(target().wineRun);
    argv.push_back(installed_);
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    testsupport::ProgramRun result = testsupport::runProgram(argv, projectDir_, environment);
    result.out = withoutCr(result.out);
    result.err = withoutCr(result.err);
    return result;
  }

  std::string banner() const { return "KESTREL 1.05 Copyright (c) 2004-2026 Velmora Software\n"; }
  std::string usage() const { return readFile(target().testdata + "/usage.txt") + "\n"; }

  TempDir root_;
  std::string toolDir_;
  std::string projectDir_;
  std::string installed_;
};

TEST_F(Kestrel, NoArgumentsPrintsBannerAndUsage) {
  const auto result = run({});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_TRUE(testsupport::sameBytes(banner() + usage(), result.out));
  EXPECT_EQ(result.err, "");
}

TEST_F(Kestrel, UsageRequestAfterOtherOptions) {
  for (const char* request : {"-?", "/?"}) {
    const auto result = run({"-x", request, "demo", "-p9"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(testsupport::sameBytes(banner() + usage(), result.out));
    EXPECT_EQ(result.err, "Error: Unknown option '-x'\n");
  }
}

TEST_F(Kestrel, UnknownPvModels) {
  writeSettings("[PV2SDK Paths]\nSDKPath=C:\\PVSDK\nCompilerPath=C:\\LSIC86\n");
  struct Case {
    std::vector<std::string> arguments;
    const char* message;
  } const cases[] = {
      {{"-p4", "proj"}, "Unknown PV model '4'\n"},
      {{"-px", "proj"}, "Unknown PV model '0'\n"},
      {{"-p", "proj"}, "Unknown PV model '0'\n"},
      {{"-p-7", "-Q"}, "Error: Unknown option '-Q'\nUnknown PV model '-7'\n"},
  };
  for (const Case& c : cases) {
    const auto result = run(c.arguments);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, banner());
    EXPECT_EQ(result.err, c.message);
  }
  EXPECT_FALSE(fs::exists(projectDir_ + "/PV2BUILD"));
}

TEST_F(Kestrel, MissingSettingsAreReportedClearly) {
  const std::string settingsFile = programPath(toolDir_ + "/Settings.ini");
  struct Case {
    const char* name;
    const char* settings;  // null: no settings file at all
    std::vector<std::string> arguments;
    std::string message;
  } const cases[] = {
      {"no file", nullptr, {"demo"},
       "Error: Unable to read settings file '" + settingsFile + "', which must hold key 'SDKPath' in section [PV2SDK Paths]\n"},
      {"no section", "[PV2SDK Paths]\nSDKPath=C:\\PVSDK\n", {"-p3", "demo"},
       "Error: No section [PV3SDK Paths] with key 'SDKPath' in settings file '" + settingsFile + "'\n"},
      {"no key", "[PV2SDK Paths]\nCompilerPath=C:\\LSIC86\n", {"demo"},
       "Error: No key 'SDKPath' in section [PV2SDK Paths] of settings file '" + settingsFile + "'\n"},
      {"no compiler key at run time", "[PV2SDK Paths]\nSDKPath=C:\\PVSDK\n", {"-m-"},
       "Error: No key 'CompilerPath' in section [PV2SDK Paths] of settings file '" + settingsFile + "'\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(toolDir_ + "/Settings.ini");
    if (c.settings != nullptr) writeSettings(c.settings);
    const auto result = run(c.arguments);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, banner());
    EXPECT_EQ(result.err, c.message);
  }
}

}  // namespace
