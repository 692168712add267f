// The Windows installer under Wine: silent installs into a sandbox IDE
// directory whose path holds blanks, an upgrade over a user's settings, and
// silent uninstalls.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <set>
#include <thread>

#include "testing/processrun.h"
#include "testing/testsupport.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ProgramRun;
using testsupport::programPath;
using testsupport::Spelling;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

// Every entry below the directory, directories too, by relative path.
std::set<std::string> listing(const std::string& root) {
  std::set<std::string> entries;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    entries.insert(fs::relative(entry.path(), root).generic_string() + (entry.is_directory() ? "/" : ""));
  }
  return entries;
}

class Installer : public ::testing::Test {
 protected:
  void SetUp() override {
    if (installer_.empty()) GTEST_SKIP() << "no Windows tree configured";
    if (!testsupport::fileExists(installer_)) GTEST_SKIP() << "the installer is not built (no " << installer_ << "; scripts/build)";
    const std::string missing = testsupport::windowsProgramMissing(installer_);
    if (!missing.empty()) GTEST_SKIP() << missing;
    writeFile(ide_ + "/bin/cbuilderx.exe", "the IDE");
    writeFile(ide_ + "/toolsets/other/toolset.txt", "another tool set");
    fs::create_directories(sdk_ + "/SIM");
    fs::create_directories(sdk_ + "/TOOL");
    const std::string standins = testsupport::environmentVariable("PACKAGE_WIN32_STANDINS");
    fs::copy_file(standins + "/kmmake.exe", sdk_ + "/TOOL/kmmake.exe");
    fs::copy_file(standins + "/Sim3022.exe", sdk_ + "/SIM/Sim3022.exe");
    writeFile(lsic_ + "/bin/lcc86.exe", "");
  }

  ProgramRun wine(std::vector<std::string> argv, const std::string& directory = "") {
    argv.insert(argv.begin(), testsupport::environmentVariable("WINE_RUN"));
    ProgramRun run = testsupport::runProgram(argv, directory.empty() ? root_.path() : directory);
    run.out = testsupport::withoutCr(run.out);
    return run;
  }

  ProgramRun install(std::vector<std::string> options, const std::string& ide) {
    options.insert(options.begin(), {installer_, "/S", "/IDE=" + programPath(Spelling::wine, ide)});
    return wine(options);
  }

  // The uninstaller runs on from a copy of itself after it returns: done
  // when it has removed itself.
  void uninstall() {
    const std::string uninstaller = ide_ + "/toolsets/PVSDK/pvtools-uninstall.exe";
    ASSERT_EQ(wine({uninstaller, "/S"}).exitCode, 0);
    for (int i = 0; i < 600 && fs::exists(uninstaller); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_FALSE(fs::exists(uninstaller));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
  }

  std::string settings() const { return readFile(ide_ + "/toolsets/PVSDK/Settings.ini"); }

  const std::string installer_ = testsupport::environmentVariable("INSTALLER");
  TempDir root_;
  const std::string ide_ = root_ / "My IDE";
  const std::string sdk_ = root_ / "PV SDK";
  const std::string lsic_ = root_ / "LSI C-86";
};

TEST_F(Installer, SilentInstallLaysOutTheZipAndUninstallRestoresTheDirectory) {
  // A directory without bin and toolsets is refused.
  writeFile(root_ / "not an IDE/readme.txt", "");
  EXPECT_EQ(install({}, root_ / "not an IDE").exitCode, 2);
  EXPECT_EQ(listing(root_ / "not an IDE"), std::set<std::string>{"readme.txt"});

  const std::set<std::string> before = listing(ide_);
  ASSERT_EQ(install({"/PV2SDK=" + programPath(Spelling::wine, sdk_), "/PV2COMPILER=" + programPath(Spelling::wine, lsic_), "/PV3SDK=", "/PV3COMPILER="}, ide_)
                .exitCode,
            0);

  // What the ZIP holds, byte for byte, except Settings.ini; and the uninstaller.
  const std::string zip = root_ / "zip";
  ASSERT_EQ(testsupport::runProgram({"unzip", "-q", testsupport::environmentVariable("PACKAGE_WIN32"), "-d", zip}, root_.path())
                .exitCode,
            0);
  std::set<std::string> expected = before;
  for (const std::string& entry : listing(zip)) {
    expected.insert(entry);
    if (entry.back() != '/' && entry != "toolsets/PVSDK/Settings.ini") {
      EXPECT_TRUE(testsupport::sameBytes(readFile(zip + "/" + entry), readFile(ide_ + "/" + entry))) << entry;
    }
  }
  expected.insert({"toolsets/PVSDK/pvtools-uninstall.exe", "toolsets/PVSDK/Settings.ini.installed"});
  EXPECT_EQ(listing(ide_), expected);
  EXPECT_NE(settings().find("\r\nSDKPath=" + programPath(Spelling::wine, sdk_) + "\r\n; Installation directory of the LSI C-86 compiler\r\n"
                            "CompilerPath=" + programPath(Spelling::wine, lsic_) + "\r\n"),
            std::string::npos)
      << settings();
  EXPECT_NE(settings().find("[PV3SDK Paths]\r\n; Installation directory of the PV3 SDK (PV-S1600)\r\nSDKPath=\r\n"),
            std::string::npos)
      << settings();

  // The installed programs, as in the demo: a project, its build, the check.
  const ProgramRun created = wine({ide_ + "/bin/plover.exe", "new", "demo"});
  ASSERT_EQ(created.exitCode, 0) << created.err;
  EXPECT_EQ(created.out, programPath(Spelling::wine, sdk_) + "\\C\\demo\n");
  const std::string project = sdk_ + "/C/demo";
  EXPECT_EQ(wine({ide_ + "/toolsets/PVSDK/kestrel.exe", "-d", "demo"}, project).exitCode, 0);
  EXPECT_TRUE(fs::exists(project + "/PV2BUILD/makefile"));
  const ProgramRun check = wine({ide_ + "/bin/plover.exe", "check"});
  EXPECT_EQ(check.exitCode, 0) << check.out;
  const std::set<std::string> projectFiles = listing(project);

  uninstall();
  EXPECT_EQ(listing(ide_), before);
  EXPECT_EQ(listing(project), projectFiles);
}

TEST_F(Installer, UpgradeKeepsTheUsersSettingsAndUninstallLeavesThem) {
  const std::set<std::string> before = listing(ide_);
  ASSERT_EQ(install({"/PV2SDK=" + programPath(Spelling::wine, sdk_), "/PV2COMPILER=" + programPath(Spelling::wine, lsic_)}, ide_).exitCode, 0);
  // The user changes a value and adds a section of their own.
  ASSERT_EQ(wine({ide_ + "/bin/plover.exe", "settings", "--pv2-compiler", "C:\\mine"}).exitCode, 0);
  writeFile(ide_ + "/toolsets/PVSDK/Settings.ini", settings() + "[Mine]\r\nKey=value\r\n");

  ASSERT_EQ(install({"/PV3SDK=" + programPath(Spelling::wine, sdk_)}, ide_).exitCode, 0);
  const std::string upgraded = settings();
  for (const std::string& kept : {"SDKPath=" + programPath(Spelling::wine, sdk_) + "\r\n; Installation directory of the LSI C-86 compiler\r\n"
                                  "CompilerPath=C:\\mine\r\n",
                                  std::string("[Mine]\r\nKey=value\r\n"), "SDKPath=" + programPath(Spelling::wine, sdk_) + "\r\n"}) {
    EXPECT_NE(upgraded.find(kept), std::string::npos) << kept << "\n" << upgraded;
  }

  uninstall();
  std::set<std::string> expected = before;
  expected.insert({"toolsets/PVSDK/", "toolsets/PVSDK/Settings.ini"});
  EXPECT_EQ(listing(ide_), expected);
  EXPECT_EQ(settings(), upgraded);
}

// The installer reads the values through plover and writes back only what
// changed: a value beyond ASCII keeps its bytes, in a UTF-8 file and in one
// in the ANSI code page (1252 under Wine here) alike.
TEST_F(Installer, UpgradeKeepsAValueBeyondAsciiByteForByte) {
  ASSERT_EQ(install({"/PV2SDK=" + programPath(Spelling::wine, sdk_)}, ide_).exitCode, 0);
  for (const std::string& juergen : {std::string("J\xC3\xBCrgen"), std::string("J\xFCrgen")}) {
    SCOPED_TRACE(juergen);
    const std::string user = "[PV2SDK Paths]\r\nSDKPath=C:\\Users\\" + juergen + "\\PVSDK\r\nCompilerPath=C:\\" +
                             juergen + "\r\n\r\n[PV3SDK Paths]\r\nSDKPath=\r\nCompilerPath=\r\n";
    writeFile(ide_ + "/toolsets/PVSDK/Settings.ini", user);
    ASSERT_EQ(install({"/PV3SDK=C:\\PVSDK3"}, ide_).exitCode, 0);
    EXPECT_TRUE(testsupport::sameBytes(
        "[PV2SDK Paths]\r\nSDKPath=C:\\Users\\" + juergen + "\\PVSDK\r\nCompilerPath=C:\\" + juergen +
            "\r\n\r\n[PV3SDK Paths]\r\nSDKPath=C:\\PVSDK3\r\nCompilerPath=\r\n",
        settings()));
  }
}

}  // namespace
