// Fixtures of the end-to-end tests of kestrel: the program (native, or
// kestrel.exe under Wine) copied into a sandbox IDE tree with its own
// Settings.ini and started in a project directory, as the IDE starts it.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <map>
#include <optional>

#include "testing/processrun.h"
#include "testing/testsupport.h"

namespace e2e {

namespace fs = std::filesystem;
using testsupport::programPath;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::withoutCr;
using testsupport::writeFile;

// The program under test, built into each test program (one for the native
// kestrel, one for kestrel.exe under Wine).
struct Target {
  bool underWine = std::string(KESTREL_TARGET) == "win32";
  // How the program under test spells a path of this machine.
  testsupport::Spelling spelling = underWine ? testsupport::Spelling::wine : testsupport::Spelling::asIs;
  std::string program = KESTREL_PROGRAM;
  std::string standins = KESTREL_STANDINS;
  std::string wineRun = WINE_RUN;
  std::string testdata = KESTREL_TESTDATA;
  // The prefix that scripts/wine-run uses.
  std::string winePrefix = testsupport::environmentVariable("WINEPREFIX").empty()
                               ? std::string(WINE_PREFIX)
                               : testsupport::environmentVariable("WINEPREFIX");
};

inline const Target& target() {
  static const Target configured;
  return configured;
}

class Kestrel : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(target().program.empty()) << "KESTREL_PROGRAM is not set";
    if (target().underWine) {
      const std::string missing = testsupport::windowsProgramMissing(target().program);
      if (!missing.empty()) GTEST_SKIP() << missing;
    }
    toolDir_ = root_ / "ide/toolsets/PVSDK";
    projectDir_ = root_ / "project";
    fs::create_directories(toolDir_);
    fs::create_directories(projectDir_);
    installed_ = (fs::path(toolDir_) / fs::path(target().program).filename()).string();
    fs::copy_file(target().program, installed_);
    // Any user may run the copy, whatever umask built the original.
    fs::permissions(installed_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                    fs::perms::others_read | fs::perms::others_exec);
  }

  // From now on kestrel runs without the right to ignore file permissions,
  // in a sandbox it may write to.
  void runUnprivileged() {
    unprivileged_ = true;
    for (const std::string& directory : {root_.path(), projectDir_}) {
      fs::permissions(directory, fs::perms::all);
    }
  }

  void TearDown() override {
    // A run that failed where it should not have says why.
    if (HasFailure() && lastRun_) {
      std::cerr << "the last run exited " << lastRun_->exitCode << "; its output:\n"
                << lastRun_->out << lastRun_->err;
    }
    if (!driveCDir_.empty()) fs::remove_all(driveCDir_);
  }

  // Under Wine, a directory of this test's own on the prefix's drive C:, so
  // that the settings name paths as a real installation does and tests that
  // run side by side do not see each other's files. Its Windows spelling.
  std::string ownDriveCDirectory() {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string name = std::string("kestrel-") + test->test_suite_name() + "." + test->name();
    driveCDir_ = target().winePrefix + "/drive_c/" + name;
    fs::remove_all(driveCDir_);
    fs::create_directories(driveCDir_);
    return "C:\\" + name;
  }

  void writeSettings(const std::string& text) { writeFile(toolDir_ + "/Settings.ini", testsupport::crlf(text)); }

  testsupport::ProgramRun run(const std::vector<std::string>& arguments,
                              const std::map<std::string, std::string>& environment = {}) {
    std::vector<std::string> argv;
    if (target().underWine) argv.push_back(target().wineRun);
    argv.push_back(installed_);
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    testsupport::ProgramRun result = testsupport::runProgram(argv, projectDir_, environment, unprivileged_);
    result.out = withoutCr(result.out);
    result.err = withoutCr(result.err);
    lastRun_ = result;
    return result;
  }

  std::string banner() const { return "KESTREL 1.05 Copyright (c) 2004-2026 Velmora Software\n"; }
  std::string usage() const { return readFile(target().testdata + "/usage.txt") + "\n"; }

  TempDir root_;
  std::string toolDir_;
  std::string projectDir_;
  std::string installed_;
  std::string driveCDir_;
  bool unprivileged_ = false;
  std::optional<testsupport::ProgramRun> lastRun_;
};

// A PV2 project with the example project file, settings that name the SDK
// and the compiler, and the stand-in kmmake where kestrel will find it:
// natively on the PATH that kestrel builds, under Wine beside kestrel.exe
// (the directory Windows searches first), so that the settings can name
// the directories of a real installation.
class KestrelPv2 : public Kestrel {
 protected:
  void SetUp() override {
    Kestrel::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    writeFile(projectDir_ + "/demo.cbx", readFile(target().testdata + "/pv2/demo.cbx"));
    const std::string standin = target().standins + (target().underWine ? "/kmmake.exe" : "/kmmake");
    if (target().underWine) {
      // Empty: nothing of an earlier run may stand in for the tool.
      const std::string own = ownDriveCDirectory();
      sdk_ = own + "\\PVSDK";
      compiler_ = own + "\\LSIC86";
      standinCopy_ = toolDir_ + "/kmmake.exe";
    } else {
      sdk_ = root_ / "sdk";
      compiler_ = root_ / "lsic86";
      fs::create_directories(sdk_ + "/TOOL");
      standinCopy_ = sdk_ + "/TOOL/kmmake";
    }
    fs::copy_file(standin, standinCopy_);
    writeSettings("[PV2SDK Paths]\nSDKPath=" + sdk_ + "\nCompilerPath=" + compiler_ + "\n");
    log_ = root_ / "standin.log";
    environment_["STANDIN_LOG"] = programPath(target().spelling, log_);
  }

  // What the stand-in recorded, one entry per start.
  std::vector<std::string> starts() const {
    std::vector<std::string> entries;
    const std::string log = readFile(log_);
    for (size_t start = 0, end; (end = log.find("end\n", start)) != std::string::npos; start = end + 4) {
      entries.push_back(log.substr(start, end - start));
    }
    return entries;
  }

  // The PATH that a program started from the test sees without kestrel.
  std::string basePath() {
    if (!target().underWine) return testsupport::environmentVariable("PATH");
    const std::string baseLog = root_ / "base.log";
    testsupport::runProgram({target().wineRun, standinCopy_}, root_.path(),
                            {{"STANDIN_LOG", programPath(target().spelling, baseLog)}});
    const std::string log = readFile(baseLog);
    const size_t begin = log.find("PATH=") + 5;
    return log.substr(begin, log.find('\n', begin) - begin);
  }

  std::string commandLine(const std::string& entry) const {
    // Verbatim under Windows; natively the words as the stand-in got them.
    if (target().underWine) {
      const size_t begin = entry.find("commandline=") + 12;
      return entry.substr(begin, entry.find('\n', begin) - begin);
    }
    std::string line = "kmmake ";
    for (size_t at = entry.find("arg="); at != std::string::npos; at = entry.find("arg=", at + 1)) {
      line += entry.substr(at + 4, entry.find('\n', at) - at - 4) + " ";
    }
    return line;
  }

  std::string sdk_;
  std::string compiler_;
  std::string standinCopy_;
  std::string log_;
  std::map<std::string, std::string> environment_;
};

// A PV3 project: the stand-in hmake in the compiler's bin directory, which
// under Wine is C:\SHC inside the test prefix, so that the settings hold
// the values of a real installation.
class KestrelPv3 : public Kestrel {
 protected:
  void SetUp() override {
    Kestrel::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    writeFile(projectDir_ + "/demo.cbx", readFile(target().testdata + "/pv3/demo.cbx"));
    if (target().underWine) {
      const std::string own = ownDriveCDirectory();
      sdk_ = own + "\\PVSDK3";
      compiler_ = own + "\\SHC";
      compilerOnDisk_ = driveCDir_ + "/SHC";
    } else {
      sdk_ = root_ / "pvsdk3";
      compiler_ = root_ / "shc";
      compilerOnDisk_ = compiler_;
    }
    fs::remove_all(compilerOnDisk_);
    fs::create_directories(compilerOnDisk_ + "/bin");
    const std::string exe = target().underWine ? ".exe" : "";
    fs::copy_file(target().standins + "/hmake" + exe, compilerOnDisk_ + "/bin/hmake" + exe);
    writeSettings("[PV3SDK Paths]\nSDKPath=" + sdk_ + "\nCompilerPath=" + compiler_ + "\n");
    log_ = root_ / "standin.log";
    environment_["STANDIN_LOG"] = programPath(target().spelling, log_);
  }

  std::string logged(const std::string& key) const {
    const std::string log = readFile(log_);
    const size_t at = log.find("\n" + key + "=");
    if (at == std::string::npos) return "(not logged)";
    const size_t begin = at + key.size() + 2;
    return log.substr(begin, log.find('\n', begin) - begin);
  }

  std::string sdk_;
  std::string compiler_;
  std::string compilerOnDisk_;
  std::string log_;
  std::map<std::string, std::string> environment_;
};

}  // namespace e2e
