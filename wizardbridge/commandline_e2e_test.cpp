// The program plover end to end: copied into the bin directory of a sandbox
// IDE tree and started as a user starts it. Natively for new, libs and sdk;
// under Wine for run, against the stand-in simulator, with a second Windows
// program that clicks "Exit SIM" as the user would.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <sstream>
#include <thread>

#include <unistd.h>

#include "common/textencoding.h"
#include "testing/idetree.h"
#include "testing/processrun.h"
#include "testing/simulatorkeys.h"
#include "wizardbridge/librarylisting.h"
#include "wizardbridge/projectcreation.h"

namespace {

namespace fs = std::filesystem;
using plovertest::IdeTree;
using testsupport::ProgramRun;
using testsupport::programPath;
using testsupport::Spelling;
using testsupport::readFile;
using testsupport::writeFile;

// Every file below the directory, by relative path, with its bytes.
std::map<std::string, std::string> filesBelow(const std::string& directory) {
  std::map<std::string, std::string> files;
  if (!fs::exists(directory)) return files;
  for (const auto& entry : fs::recursive_directory_iterator(directory)) {
    if (entry.is_regular_file()) files[fs::relative(entry.path(), directory).string()] = readFile(entry.path().string());
  }
  return files;
}

class PloverProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    tree_.installShippedTemplates();
    fs::copy_file(PLOVER_PROGRAM, fs::path(tree_.nativeModuleDirectory()) / "plover");
    sdk_ = programPath(Spelling::product, tree_.sdkDir());
    tree_.writeSettings(sdk_);
  }

  ProgramRun plover(const std::vector<std::string>& arguments) {
    std::vector<std::string> argv = {tree_.nativeModuleDirectory() + "/plover"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return testsupport::runProgram(argv, tree_.path(""));
  }

  IdeTree tree_;
  std::string sdk_;
};

TEST_F(PloverProgram, NewMakesTheWizardsProjectAndPrintsItsDirectory) {
  for (const bool library : {false, true}) {
    SCOPED_TRACE(library ? "library" : "application");
    IdeTree wizard;
    wizard.installShippedTemplates();
    wizard.writeSettings(programPath(Spelling::product, wizard.sdkDir()));
    std::string directory;
    std::string err;
    ASSERT_TRUE(plover::createPv2Project(wizard.moduleDirectory(), "demo", library, &directory, &err)) << err;

    fs::remove_all(tree_.sdkDir() + "/C");
    const ProgramRun run = plover(library ? std::vector<std::string>{"new", "demo", "-l"}
                                          : std::vector<std::string>{"new", "demo"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, tree_.sdkDir() + "/C/demo\n");
    EXPECT_EQ(run.err, "");
    const auto made = filesBelow(tree_.sdkDir() + "/C/demo");
    EXPECT_TRUE(made.count("demo.cbx") == 1 && made.count("demo.cbx.local") == 1);
    EXPECT_EQ(made, filesBelow(wizard.sdkDir() + "/C/demo"));
  }
}

TEST_F(PloverProgram, RefusalsExitOneWithAReasonAndCreateNothing) {
  const std::string settings = "'" + tree_.nativeModuleDirectory() + "/../toolsets/PVSDK/Settings.ini'";
  struct Case {
    std::vector<std::string> arguments;
    const char* settingsText;  // null: no settings file; empty: the SDK of the tree
    std::string message;
  } const cases[] = {
      {{"new", "../x"}, "",
       "Error: Unsafe project name '../x': the name holds '/', which Windows does not allow in a file name\n"},
      {{"new", ".."}, "", "Error: Unsafe project name '..': '..' names no new directory\n"},
      {{"new", "demo"}, nullptr,
       "Error: Unable to read settings file " + settings + ", which must hold key 'SDKPath' in section [PV2SDK Paths]\n"},
      {{"libs"}, "[PV3SDK Paths]\nSDKPath=\\pv3\n",
       "Error: No section [PV2SDK Paths] with key 'SDKPath' in settings file " + settings + "\n"},
      {{"sdk"}, "[PV2SDK Paths]\nCompilerPath=\\lsic\n",
       "Error: No key 'SDKPath' in section [PV2SDK Paths] of settings file " + settings + "\n"},
      {{"new", "demo", "-l"}, "[PV2SDK Paths]\nSDKPath=\n",
       "Error: Key 'SDKPath' in section [PV2SDK Paths] of settings file " + settings + " is empty\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments.back());
    fs::remove(tree_.settingsFile());
    if (c.settingsText != nullptr) {
      tree_.writeSettingsText(std::string(c.settingsText).empty() ? "[PV2SDK Paths]\nSDKPath=" + sdk_ + "\n"
                                                                  : std::string(c.settingsText));
    }
    const ProgramRun run = plover(c.arguments);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, c.message);
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(fs::is_empty(tree_.sdkDir()));
  }
}

TEST_F(PloverProgram, MissingTemplateIsNamed) {
  fs::remove(tree_.templatesDir() + "/projapp.cbx");
  const ProgramRun run = plover({"new", "demo"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "Error: Unable to read project template '" + tree_.nativeModuleDirectory() + "/../templates/PVSDK/projapp.cbx'\n");
}

TEST_F(PloverProgram, LibsAndSdkPrintWhatTheWizardGets) {
  for (const char* file : {"graph.lib", "libc.lib", "X.LIB", "sound.lib"}) {
    writeFile(tree_.sdkDir() + "/C/Com_Lib/S/" + file, "library");
  }
  ProgramRun run = plover({"libs"});
  EXPECT_EQ(run.exitCode, 0);
  std::string expected;
  for (const std::string& name : plover::listPv2SdkLibraries(sdk_)) expected += name + "\n";
  EXPECT_EQ(run.out, expected);
  std::vector<std::string> lines;
  std::istringstream listed(run.out);
  for (std::string line; std::getline(listed, line);) lines.push_back(line);
  std::sort(lines.begin(), lines.end());
  EXPECT_EQ(lines, (std::vector<std::string>{"graph", "sound"}));

  fs::remove_all(tree_.sdkDir() + "/C");
  run = plover({"libs"});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out, "");

  run = plover({"sdk"});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out, sdk_ + "\n");
}

TEST_F(PloverProgram, SettingsSetsWhatItIsGivenAndKeepsEveryOtherLine) {
  tree_.writeSettingsText("; mine, before the sections\n[PV2SDK Paths]\nSDKPath=old\nExtra=kept\n\n[Mine]\nA=b\n");
  const std::string compiler = programPath(Spelling::product, tree_.path("lsic 86"));
  ProgramRun run = plover({"settings", "--pv2-sdk", sdk_ + "\\", "--pv2-compiler", compiler, "--pv3-sdk", ""});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(testsupport::sameBytes(
      testsupport::crlf("; mine, before the sections\n[PV2SDK Paths]\nSDKPath=" + sdk_ + "\nExtra=kept\nCompilerPath=" +
                        compiler + "\n\n[Mine]\nA=b\n\n[PV3SDK Paths]\nSDKPath=\n"),
      readFile(tree_.settingsFile())));
  run = plover({"settings"});
  EXPECT_EQ(run.out, "[PV2SDK Paths] SDKPath=" + sdk_ + "\n[PV2SDK Paths] CompilerPath=" + compiler +
                         "\n[PV3SDK Paths] SDKPath=\n[PV3SDK Paths] CompilerPath=\n");
  EXPECT_EQ(plover({"settings", "--pv2-sdk", "C:\\a=b"}).exitCode, 1);
  EXPECT_EQ(plover({"settings", "--pv2-sdk"}).exitCode, 2);
}

// A UTF-16LE file, as old Notepad saves "Unicode", behind a link: read and
// written as UTF-16 at the link's target, every other byte kept.
TEST_F(PloverProgram, SettingsEditAUtf16FileWhereItsLinkPoints) {
  const auto utf16 = [](const std::string& text) { return "\xFF\xFE" + ucl::utf8ToUtf16(text, false); };
  const std::string target = tree_.path("elsewhere.ini");
  writeFile(target, utf16("[PV2SDK Paths]\r\nSDKPath=C:\\old\r\n; \xC3\xBC\r\n"));
  fs::remove(tree_.settingsFile());
  fs::create_symlink(target, tree_.settingsFile());
  const ProgramRun set = plover({"settings", "--pv2-compiler", "C:\\LSIC86"});
  EXPECT_EQ(set.exitCode, 0) << set.err;
  EXPECT_TRUE(fs::is_symlink(tree_.settingsFile()));
  EXPECT_TRUE(testsupport::sameBytes(
      utf16("[PV2SDK Paths]\r\nSDKPath=C:\\old\r\n; \xC3\xBC\r\nCompilerPath=C:\\LSIC86\r\n"), readFile(target)));
  EXPECT_EQ(plover({"settings"}).out, "[PV2SDK Paths] SDKPath=C:\\old\n[PV2SDK Paths] CompilerPath=C:\\LSIC86\n"
                                      "[PV3SDK Paths] SDKPath=\n[PV3SDK Paths] CompilerPath=\n");
}

// A write that cannot be done, or is killed half way, leaves the old file
// whole: the new one is made beside it and renamed.
TEST_F(PloverProgram, SettingsThatCannotBeWrittenLeaveTheOldFile) {
  const std::string file = tree_.settingsFile();
  const std::string directory = fs::path(file).parent_path().string();
  const std::string old = readFile(file);
  const std::string refused =
      "Error: Unable to write settings file '" + tree_.nativeModuleDirectory() + "/../toolsets/PVSDK/Settings.ini'\n";
  const std::vector<std::string> argv = {tree_.nativeModuleDirectory() + "/plover", "settings", "--pv2-sdk", "C:\\new"};

  fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  ProgramRun run = plover({"settings", "--pv2-sdk", "C:\\new"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, refused);

  // The file may be written, its directory not (as nobody, since the tests run as root).
  fs::permissions(file, fs::perms::all);
  fs::permissions(directory, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                 fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
  run = testsupport::runProgram(argv, tree_.path(""), {}, geteuid() == 0);
  fs::permissions(directory, fs::perms::all);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, refused);
  EXPECT_EQ(readFile(file), old);
  EXPECT_EQ(std::distance(fs::directory_iterator(directory), fs::directory_iterator()), 1);

  // Killed while it writes: a file size limit below the new file's size
  // ends the program with SIGXFSZ in the middle of its write.
  std::vector<std::string> limited = {"/bin/sh", "-c", "ulimit -f 1; exec \"$@\"", "sh", argv[0], "settings",
                                      "--pv2-sdk", "C:\\" + std::string(4000, 'x')};
  run = testsupport::runProgram(limited, tree_.path(""));
  EXPECT_NE(run.exitCode, 0) << "not killed";
  EXPECT_EQ(readFile(file), old);
}

TEST_F(PloverProgram, CheckExitsOneOnlyForErrors) {
  const std::string kmmake = tree_.sdkDir() + "/TOOL/kmmake";
  writeFile(kmmake, "");
  writeFile(tree_.sdkDir() + "/LSIC86/bin/lcc86", "");
  ProgramRun run = plover({"check"});
  EXPECT_EQ(run.exitCode, 0) << run.out;  // no simulator: a warning
  EXPECT_NE(run.out.find("Warning: "), std::string::npos) << run.out;
  fs::remove(kmmake);
  run = plover({"check"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.out.find("Error: [PV2SDK Paths] SDKPath=" + sdk_ + ": '" + kmmake + "' does not exist"), std::string::npos)
      << run.out;
  tree_.writeSettingsText("");
  EXPECT_EQ(plover({"check"}).exitCode, 1);
}

TEST_F(PloverProgram, UsageAndExitCodes) {
  struct Case {
    std::vector<std::string> arguments;
    int exitCode;
    bool usageOnOut;
    std::string before;  // the line before the usage text
  } const cases[] = {
      {{}, 0, true, ""},
      {{"--help"}, 0, true, ""},
      {{"-?"}, 0, true, ""},
      {{"bogus"}, 2, false, "Error: Unknown command 'bogus'\n"},
      {{"new"}, 2, false, ""},
      {{"new", "a", "b"}, 2, false, ""},
      {{"new", "a", "-x"}, 2, false, ""},
      {{"libs", "extra"}, 2, false, ""},
      {{"run"}, 2, false, ""},
      {{"add"}, 2, false, ""},
      {{"files", "extra"}, 2, false, ""},
      {{"--help", "new"}, 2, false, "Error: Unknown command '--help'\n"},
  };
  for (const Case& c : cases) {
    const ProgramRun run = plover(c.arguments);
    SCOPED_TRACE(c.arguments.empty() ? "(none)" : c.arguments.front());
    EXPECT_EQ(run.exitCode, c.exitCode);
    const std::string& usage = c.usageOnOut ? run.out : run.err;
    EXPECT_EQ(usage.rfind(c.before + "Usage: plover COMMAND\n", 0), 0u) << usage;
    EXPECT_EQ(c.usageOnOut ? run.err : run.out, "");
  }
  // The settings file spelt as the host spells it.
  EXPECT_NE(plover({}).out.find("plover reads ../toolsets/PVSDK/Settings.ini from its own directory."), std::string::npos);
  EXPECT_TRUE(filesBelow(tree_.sdkDir()).empty());
}

TEST_F(PloverProgram, EditorFilesForVscodeOnNewAndOnAnExistingProject) {
  const ProgramRun made = plover({"new", "--editor", "vscode", "demo"});
  ASSERT_EQ(made.exitCode, 0) << made.err;
  EXPECT_EQ(made.out, tree_.sdkDir() + "/C/demo\n");
  EXPECT_EQ(made.err, "");
  const std::string project = tree_.sdkDir() + "/C/demo";
  // What a strict parser reads: each task's label, program and arguments.
  const ProgramRun parsed = testsupport::runProgram(
      {"python3", "-c",
       "import json\n"
       "json.load(open('.vscode/settings.json'))\n"
       "for t in json.load(open('.vscode/tasks.json'))['tasks']: print(t['label'], t['command'], *t['args'])\n"},
      project);
  const std::string bin = tree_.nativeModuleDirectory();
  const std::string kestrel = fs::path(bin).parent_path().string() + "/toolsets/PVSDK/kestrel";
  EXPECT_EQ(parsed.out, "Build (debug) " + kestrel + " -d demo\nBuild (release) " + kestrel +
                            " demo\nRun in the simulator " + bin + "/plover run ${workspaceFolder}\n")
      << parsed.err;

  // On the project as it is: the user's tasks stay, the missing settings come back.
  writeFile(project + "/.vscode/tasks.json", "{}");
  fs::remove(project + "/.vscode/settings.json");
  const ProgramRun added = plover({"editor", "vscode", project});
  EXPECT_EQ(added.exitCode, 0) << added.err;
  EXPECT_EQ(added.out, ".vscode/settings.json\n");
  EXPECT_EQ(added.err, "Note: '.vscode/tasks.json' exists already; it is left as it was\n");
  EXPECT_EQ(readFile(project + "/.vscode/tasks.json"), "{}");
  EXPECT_EQ(filesBelow(project + "/.vscode").size(), 2u);

  const ProgramRun unknown = plover({"new", "--editor", "emacs", "other"});
  EXPECT_EQ(unknown.exitCode, 1);
  EXPECT_EQ(unknown.err, "Error: Unknown editor 'emacs'; plover writes the files of vscode\n");
  EXPECT_FALSE(fs::exists(tree_.sdkDir() + "/C/other"));
}

TEST_F(PloverProgram, RunSaysTheSimulatorNeedsWindows) {
  fs::create_directories(tree_.sdkDir() + "/C/demo/PV2BUILD");
  writeFile(tree_.sdkDir() + "/C/demo/demo.cbx", "<project/>");
  const ProgramRun run = plover({"run", tree_.sdkDir() + "/C/demo"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "Error: The simulator needs Windows: run plover.exe there, or with wine\n");
  EXPECT_FALSE(fs::exists(tree_.sdkDir() + "/C/demo/PV2BUILD/project.cpj"));
}

// plover.exe run under Wine with a display: the stand-in simulator logs the
// keys it receives; a second Windows program clicks "Exit SIM".
class PloverProgramUnderWine : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string missing = testsupport::windowsProgramMissing(PLOVER_WIN32_PROGRAM);
    if (!missing.empty()) GTEST_SKIP() << missing;
    tree_.installShippedTemplates();
    fs::copy_file(PLOVER_WIN32_PROGRAM, fs::path(tree_.nativeModuleDirectory()) / "plover.exe");
    fs::create_directories(tree_.sdkDir() + "/SIM");
    fs::copy_file(std::string(PLOVER_WIN32_STANDINS) + "/Sim3022.exe", tree_.sdkDir() + "/SIM/Sim3022.exe");
    fs::create_directories(tree_.sdkDir() + "/C/demo/PV2BUILD");
    writeFile(tree_.sdkDir() + "/C/demo/demo.cbx", "<project/>");
    tree_.writeSettings(programPath(Spelling::wine, tree_.sdkDir()));
  }

  ProgramRun underWine(const std::vector<std::string>& argv,
                       const std::map<std::string, std::string>& environment = {}) {
    std::vector<std::string> command = {WINE_RUN};
    command.insert(command.end(), argv.begin(), argv.end());
    ProgramRun run = testsupport::runProgram(command, tree_.path(""), environment);
    run.out = testsupport::withoutCr(run.out);
    run.err = testsupport::withoutCr(run.err);
    return run;
  }
  std::vector<std::string> loggedKeys() const {
    std::vector<std::string> lines;
    std::istringstream log(readFile(tree_.sdkDir() + "/SIM/keys.log"));
    for (std::string line; std::getline(log, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
    }
    return lines;
  }

  IdeTree tree_;
};

TEST_F(PloverProgramUnderWine, RunDrivesTheSimulatorAndEndsWhenExitSimIsClicked) {
  ProgramRun clicker;
  std::thread user([&] { clicker = underWine({std::string(PLOVER_WIN32_STANDINS) + "/press_exit_sim.exe", "60"}); });
  const ProgramRun run = underWine({tree_.nativeModuleDirectory() + "/plover.exe", "run", programPath(Spelling::wine, tree_.sdkDir() + "/C/demo")});
  user.join();
  EXPECT_EQ(clicker.exitCode, 0) << clicker.out;
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");

  // The simulator may still be taking its last keys.
  for (int i = 0; i < 200 && (loggedKeys().empty() || loggedKeys().back() != "closed"); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  const std::string project = programPath(Spelling::wine, tree_.sdkDir() + "/C/demo");
  // What the wizard's debug run types, the map file's path on a US keyboard,
  // then the close keys of "Exit SIM".
  std::vector<std::string> expected = {"started", "46 alt", "52", "34",
                                       "opened " + project + "\\PV2BUILD\\project.cpj", "53 alt", "4C"};
  for (const std::string& key : plovertest::loggedKeysForText(project + "\\PV2BUILD\\ForDebug.MAP")) {
    expected.push_back(key);
  }
  for (const char* key : {"0D", "78", "1B", "46 alt", "43", "4E", "73 alt", "closed"}) expected.push_back(key);
  EXPECT_EQ(loggedKeys(), expected);
}

// The Windows program's check: the same findings, with Windows' file names.
TEST_F(PloverProgramUnderWine, CheckFindsTheWindowsPrograms) {
  writeFile(tree_.sdkDir() + "/LSIC86/bin/lcc86.exe", "");
  ProgramRun run = underWine({tree_.nativeModuleDirectory() + "/plover.exe", "check"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.out.find("'" + programPath(Spelling::wine, tree_.sdkDir()) + "\\TOOL\\kmmake.exe' does not exist"),
            std::string::npos)
      << run.out;
  writeFile(tree_.sdkDir() + "/TOOL/kmmake.exe", "");
  run = underWine({tree_.nativeModuleDirectory() + "/plover.exe", "check"});
  EXPECT_EQ(run.exitCode, 0) << run.out;
}

// Wine takes the ANSI code page from the locale: 932 for Japanese.
const std::map<std::string, std::string> kJapanese = {{"LANG", "ja_JP.UTF-8"}, {"LC_ALL", "ja_JP.UTF-8"}};
const std::string kHyouji = "\xE8\xA1\xA8\xE7\xA4\xBA";  // 表示

// At code page 1252: a new value goes into an ANSI file in that code page,
// and the file reads back whole, as the installer reads it (in UTF-16).
TEST_F(PloverProgramUnderWine, SettingsKeepAnAnsiFileInItsCodePage) {
  tree_.writeSettingsText("; J\xFCrgen's\n[PV2SDK Paths]\nSDKPath=old\nCompilerPath=C:\\J\xFCrgen\n");
  const std::string plover = tree_.nativeModuleDirectory() + "/plover.exe";
  ProgramRun run = underWine({plover, "settings", "--pv2-sdk", "C:\\M\xC3\xBCll"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(testsupport::sameBytes(
      "; J\xFCrgen's\r\n[PV2SDK Paths]\r\nSDKPath=C:\\M\xFCll\r\nCompilerPath=C:\\J\xFCrgen\r\n",
      readFile(tree_.settingsFile())));
  // One that code page cannot hold is refused, the file left as it was.
  run = underWine({plover, "settings", "--pv3-sdk", "C:\\" + kHyouji});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("cannot be written in this system's code page"), std::string::npos) << run.err;

  run = underWine({plover, "settings", "--utf16", programPath(Spelling::wine, tree_.path("listing.txt"))});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  std::string expected;
  for (const char c : std::string("[PV2SDK Paths] SDKPath=C:\\M\xFCll\n[PV2SDK Paths] CompilerPath=C:\\J\xFCrgen\n"
                                  "[PV3SDK Paths] SDKPath=\n[PV3SDK Paths] CompilerPath=\n")) {
    expected += c;  // Latin-1 characters are their own UTF-16 units
    expected += '\0';
  }
  EXPECT_TRUE(testsupport::sameBytes(expected, readFile(tree_.path("listing.txt"))));
}

TEST_F(PloverProgramUnderWine, NewTakesNamesWhoseShiftJisHoldsABackslashByte) {
  for (const std::string& name : {kHyouji, std::string("\xE3\x82\xBD\xE3\x83\x95\xE3\x83\x88")}) {  // ソフト
    const ProgramRun run = underWine({tree_.nativeModuleDirectory() + "/plover.exe", "new", name}, kJapanese);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(fs::exists(tree_.sdkDir() + "/C/" + name + "/" + name + ".cbx")) << name;
  }
}

TEST_F(PloverProgramUnderWine, MessagesComeInTheCodePageOfTheSystem) {
  // Standard error is a pipe: 表 comes as its Shift-JIS bytes.
  const ProgramRun run = underWine({tree_.nativeModuleDirectory() + "/plover.exe", "frob\xE8\xA1\xA8"}, kJapanese);
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_EQ(run.err.substr(0, run.err.find('\n') + 1), "Error: Unknown command 'frob\x95\x5C'\n");
}

TEST_F(PloverProgramUnderWine, MapFileInADirectoryTheKeyboardCannotTypeIsTypedAsItsShortPath) {
  const std::string directory = tree_.sdkDir() + "/C/" + kHyouji;
  fs::create_directories(directory + "/PV2BUILD");
  writeFile(directory + "/" + kHyouji + ".cbx", "<project/>");
  ProgramRun clicker;
  std::thread user([&] { clicker = underWine({std::string(PLOVER_WIN32_STANDINS) + "/press_exit_sim.exe", "60"}); });
  const ProgramRun run =
      underWine({tree_.nativeModuleDirectory() + "/plover.exe", "run", programPath(Spelling::wine, directory)}, kJapanese);
  user.join();
  EXPECT_EQ(run.exitCode, 0) << run.err;
  for (int i = 0; i < 200 && (loggedKeys().empty() || loggedKeys().back() != "closed"); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  // The path typed between "Load map" (Alt+S, L) and Enter: a short one
  // that ends in the map file's own name.
  const std::vector<std::string> keys = loggedKeys();
  const auto from = std::find(keys.begin(), keys.end(), "4C");
  const auto to = std::find(from, keys.end(), "0D");
  ASSERT_TRUE(from != keys.end() && to != keys.end());
  const std::vector<std::string> typed(from + 1, to);
  const std::vector<std::string> mapName = plovertest::loggedKeysForText("\\PV2BUILD\\ForDebug.MAP");
  ASSERT_GT(typed.size(), mapName.size());
  EXPECT_TRUE(std::equal(mapName.begin(), mapName.end(), typed.end() - static_cast<long>(mapName.size())));
  EXPECT_NE(typed, plovertest::loggedKeysForText(programPath(Spelling::wine, directory) + "\\PV2BUILD\\ForDebug.MAP"));
}

}  // namespace
