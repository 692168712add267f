// Running a project in the simulator, with a recording desktop in place of
// the real one: files, registry value, searches, keys, pauses and the exit
// window.
#include "wizardbridge/simulator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "platform/environment.h"
#include "platform/files.h"
#include "platform/pathspelling.h"
#include "platform/registry.h"
#include "testing/idetree.h"
#include "testing/recordingdesktop.h"
#include "wizardbridge/commandline.h"

namespace {

namespace fs = std::filesystem;
using plovertest::IdeTree;
using plovertest::RecordingDesktop;
using testsupport::crlf;
using testsupport::programPath;
using testsupport::Spelling;
using testsupport::readFile;
using Events = std::vector<std::string>;

Events operator+(Events first, const Events& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

TEST(FindSimulatorWindow, ExactTitleFirstThenOnlyTheFirstWindowOfTheClass) {
  using Windows = std::vector<RecordingDesktop::Window>;
  struct Case {
    const char* name;
    Windows windows;
    const char* loadedFile;
    int found;  // window number, 0 for none
    Events events;
  } const cases[] = {
      {"exact title", {{"TMainForm", "SIM3022"}}, "", 1, {"find TMainForm|SIM3022", "top #1"}},
      {"exact title with the file", {{"TMainForm", "Other"}, {"TMainForm", "SIM3022 - f.cpj"}}, "f.cpj", 2,
       {"find TMainForm|SIM3022 - f.cpj", "top #2"}},
      {"first of the class, title starts right", {{"TForm", "SIM3022"}, {"TMainForm", "SIM3022 - other.cpj"}}, "", 2,
       {"find TMainForm|SIM3022", "first TMainForm", "title #2", "top #2"}},
      {"first of the class belongs to another program", {{"TMainForm", "Editor"}, {"TMainForm", "SIM3022 - x"}},
       "f.cpj", 0, {"find TMainForm|SIM3022 - f.cpj", "first TMainForm", "title #1"}},
      {"title compared with case", {{"TMainForm", "sim3022"}}, "", 0,
       {"find TMainForm|SIM3022", "first TMainForm", "title #1"}},
      {"title too short", {{"TMainForm", "SIM302"}}, "", 0, {"find TMainForm|SIM3022", "first TMainForm", "title #1"}},
      {"no window of the class", {{"TForm", "SIM3022"}}, "", 0, {"find TMainForm|SIM3022", "first TMainForm"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingDesktop desktop;
    desktop.windows = c.windows;
    plover::SimulatorControl control(desktop, desktop);
    const platform::WindowHandle found = control.findSimulatorWindow(c.loadedFile);
    EXPECT_EQ(reinterpret_cast<size_t>(found), static_cast<size_t>(c.found));
    EXPECT_EQ(desktop.events(), c.events);
  }
}

TEST(ChipFile, ProgramImageRelativeToTheSdk) {
  struct Case {
    const char* sdk;
    const char* project;
    bool debug;
    const char* expected;
  } const cases[] = {
      {"C:\\PVSDK", "C:\\PVSDK\\C\\demo", true, "C\\demo\\PV2BUILD\\OBJDBG\\demo.BIN"},
      {"C:\\PVSDK", "c:\\pvsdk\\C\\demo", false, "C\\demo\\PV2BUILD\\OBJREL\\demo.BIN"},
      {"C:\\PVSDK", "C:\\Work\\demo", true, "..\\Work\\demo\\PV2BUILD\\OBJDBG\\demo.BIN"},
      {"C:\\PVSDK\\", "C:\\PVSDK\\C\\demo", true, "C\\demo\\PV2BUILD\\OBJDBG\\demo.BIN"},
      {"C:\\PVSDK", "D:\\Work\\demo", true, "D:\\Work\\demo\\PV2BUILD\\OBJDBG\\demo.BIN"},
      {"C:\\PVSDK", "D:\\Work\\demo", false, "D:\\Work\\demo\\PV2BUILD\\OBJREL\\demo.BIN"},
      {"", "C:\\Work\\demo", true, "C:\\Work\\demo\\PV2BUILD\\OBJDBG\\demo.BIN"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(plover::chipFile(c.sdk, c.project, "demo", c.debug), c.expected) << c.sdk << " " << c.project;
  }
}

const char* const kRecentFiles = "Software\\CASIO\\SIM3022\\RecentFiles";

class SimulatorRun : public ::testing::Test {
 protected:
  void SetUp() override {
    // The registry stand-in of POSIX goes into the tree.
    platform::setVariable("XDG_CONFIG_HOME", tree_.path("config"));
    const char* layout =
        "[GENERAL]\nVersion=302\nProjectName=template\nStartupAction=None\n\n[WINDOW]\nLayout=%d\n\n"
        "[CSGROUP5]\nLoadAddress=80000\n";
    for (int width : {1024, 1280}) {
      char text[256];
      std::snprintf(text, sizeof text, layout, width);
      testsupport::writeFile(tree_.templatesDir() + "/projdbg" + std::to_string(width) + ".cpj", crlf(text));
    }
    fs::create_directories(tree_.sdkDir() + "/C/demo/PV2BUILD");
    sdk_ = programPath(Spelling::product, tree_.sdkDir());
    projectDirectory_ = sdk_ + "\\C\\demo";
    tree_.writeSettings(sdk_);
    desktop_.windows = {{"TMainForm", "SIM3022"}};
  }

  bool run(const std::string& project, const std::string& directory, bool debug) {
    return control_.runPv2Project(tree_.moduleDirectory(), project, directory, debug, &err_) == plover::RunOutcome::driven;
  }
  std::string simulatorProject() const { return readFile(tree_.sdkDir() + "/C/demo/PV2BUILD/project.cpj"); }
  std::string simulatorProjectFile() const { return projectDirectory_ + "\\PV2BUILD\\project.cpj"; }
  std::string recentFile() const {
    return platform::readUserString(kRecentFiles, "4").value_or("(none)");
  }

  testsupport::ScopedVariable config_{"XDG_CONFIG_HOME"};
  IdeTree tree_;
  RecordingDesktop desktop_;
  plover::SimulatorControl control_{desktop_, desktop_};
  std::string sdk_;
  std::string projectDirectory_;
  std::string err_;  // the reason the latest run gave
};

TEST_F(SimulatorRun, DebugRunDrivesTheSimulatorAndShowsTheExitWindow) {
  ASSERT_TRUE(run("demo", projectDirectory_, true));
  EXPECT_EQ(desktop_.keys(), (Events{"key Alt+F", "key R", "key 4", "key Alt+S", "key L", "type " + projectDirectory_,
                                     "type \\PV2BUILD\\ForDebug.MAP", "key Enter", "key F9"}));
  const Events events = desktop_.events();
  EXPECT_EQ(Events(events.begin(), events.begin() + 2), (Events{"find TMainForm|SIM3022", "top #1"}));
  EXPECT_EQ(Events(events.end() - 2, events.end()), (Events{"open exit window", "show 653,22"}));
}

TEST_F(SimulatorRun, ReleaseRunStartsTheProgramOnly) {
  ASSERT_TRUE(run("demo", projectDirectory_, false));
  EXPECT_EQ(desktop_.keys(), (Events{"key Alt+F", "key R", "key 4", "key F9"}));
  EXPECT_EQ(desktop_.events().back(), "show 653,22");
}

TEST_F(SimulatorRun, SimulatorProjectFileAndRecentFile) {
  ASSERT_TRUE(run("demo", projectDirectory_, true));
  EXPECT_TRUE(testsupport::sameBytes(crlf("[GENERAL]\nVersion=302\nProjectName=demo\nStartupAction=None\nCurrentDir=" +
                                          sdk_ + "\\\nSourceDir=" + projectDirectory_ +
                                          "\\\n\n[WINDOW]\nLayout=1280\n\n[CSGROUP5]\nLoadAddress=80000\n"
                                          "CHIPFILE3=C\\demo\\PV2BUILD\\OBJDBG\\demo.BIN\n\n"),
                                     simulatorProject()));
  EXPECT_EQ(recentFile(), simulatorProjectFile());

  ASSERT_TRUE(run("demo", projectDirectory_, false));
  EXPECT_NE(simulatorProject().find("CHIPFILE3=C\\demo\\PV2BUILD\\OBJREL\\demo.BIN\r\n"), std::string::npos);
}

TEST_F(SimulatorRun, WithoutTemplateOnlyTheFourEntries) {
  fs::remove(tree_.templatesDir() + "/projdbg1280.cpj");
  ASSERT_TRUE(run("demo", projectDirectory_, true));
  EXPECT_EQ(simulatorProject(), crlf("[GENERAL]\nProjectName=demo\nCurrentDir=" + sdk_ + "\\\nSourceDir=" +
                                     projectDirectory_ + "\\\n\n[CSGROUP5]\nCHIPFILE3=C\\demo\\PV2BUILD\\OBJDBG\\demo.BIN\n\n"));
}

TEST_F(SimulatorRun, TemplateThatIsNotAnIniFile) {
  // Binary bytes, lines before any section, a Ctrl-Z: whatever the store
  // makes of it, the four entries are there and the run goes on.
  const char bytes[] = "\x7f" "ELF\x01\x00\xff\xfe[\r\nkey=[GENERAL\n\x1a[CSGROUP5]\nX=1\n";
  testsupport::writeFile(tree_.templatesDir() + "/projdbg1280.cpj", std::string(bytes, sizeof bytes - 1));
  ASSERT_TRUE(run("demo", projectDirectory_, true));
  EXPECT_EQ(simulatorProject(), crlf("[GENERAL]\nProjectName=demo\nCurrentDir=" + sdk_ + "\\\nSourceDir=" +
                                     projectDirectory_ + "\\\n\n[CSGROUP5]\nCHIPFILE3=C\\demo\\PV2BUILD\\OBJDBG\\demo.BIN\n\n"));
}

TEST_F(SimulatorRun, ScreenWidthChoosesTemplateAndExitWindowPlace) {
  struct Case {
    int width;
    const char* layout;
    const char* shown;
  } const cases[] = {{1279, "Layout=1024", "show 643,22"}, {1280, "Layout=1280", "show 653,22"},
                     {1024, "Layout=1024", "show 643,22"}, {1600, "Layout=1280", "show 653,22"}};
  for (const Case& c : cases) {
    RecordingDesktop desktop;
    desktop.windows = desktop_.windows;
    desktop.width = c.width;
    plover::SimulatorControl control(desktop, desktop);
    ASSERT_EQ(control.runPv2Project(tree_.moduleDirectory(), "demo", projectDirectory_, false, &err_),
              plover::RunOutcome::driven);
    EXPECT_NE(simulatorProject().find(c.layout), std::string::npos) << c.width;
    EXPECT_EQ(desktop.events().back(), c.shown) << c.width;
  }
}

TEST_F(SimulatorRun, NoSimulatorWindowAfterEightSearches) {
  desktop_.windows.clear();
  EXPECT_FALSE(run("demo", projectDirectory_, true));
  Events expected;
  for (int search = 0; search < 8; ++search) {
    expected = expected + Events{"find TMainForm|SIM3022", "first TMainForm", "pause 125"};
  }
  EXPECT_EQ(desktop_.events(), expected);
  // What came before the search is done all the same.
  EXPECT_NE(simulatorProject().find("ProjectName=demo"), std::string::npos);
  EXPECT_EQ(recentFile(), simulatorProjectFile());

  // The reason names where the simulator was looked for, or the SDK path
  // that is missing; plover run prints it as given.
  testsupport::writeFile(tree_.sdkDir() + "/C/demo/demo.cbx", "<project/>");
  const std::string lookedFor = platform::windowsToHostPath(sdk_ + "\\SIM\\Sim3022.exe");
  for (const bool emptySdkPath : {false, true}) {
    if (emptySdkPath) tree_.writeSettingsText("[PV2SDK Paths]\nSDKPath=\n");
    std::string reason;
    EXPECT_EQ(control_.runPv2Project(tree_.moduleDirectory(), "demo", projectDirectory_, true, &reason),
              plover::RunOutcome::windowNotFound);
    EXPECT_EQ(reason, emptySdkPath ? "Error: Key 'SDKPath' in section [PV2SDK Paths] of settings file '" +
                                         platform::windowsToHostPath(tree_.moduleDirectory() +
                                                                     "..\\toolsets\\PVSDK\\Settings.ini") +
                                         "' is empty"
                                   : "Error: The simulator's window did not appear; Sim3022.exe was looked for as '" +
                                         lookedFor + "'");
    std::ostringstream out;
    std::ostringstream err;
    plover::CommandContext context{tree_.moduleDirectory(), control_, true, [] { return false; }, out, err};
    EXPECT_EQ(plover::runCommand({"run", tree_.sdkDir() + "/C/demo"}, context), 1);
    EXPECT_EQ(err.str(), reason + "\n");
  }
}

TEST_F(SimulatorRun, SlashesInTheDirectoryAndPathsAsProjectNames) {
  ASSERT_TRUE(run("demo", projectDirectory_, true));
  const std::string withBackslashes = simulatorProject();
  const Events eventsWithBackslashes = desktop_.events();
  const std::string recentWithBackslashes = recentFile();

  struct Case {
    const char* name;
    std::string project;
    std::string directory;
  } const cases[] = {
      {"forward slashes", "demo", [&] {
         std::string slashed = projectDirectory_;
         std::replace(slashed.begin(), slashed.end(), '\\', '/');
         return slashed;
       }()},
      {"full project file path", "C:\\Projects\\demo.cbx", projectDirectory_},
      {"project path with a dot in a directory", "C:\\my.dir\\demo.cbx", projectDirectory_},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(tree_.sdkDir() + "/C/demo/PV2BUILD/project.cpj");
    RecordingDesktop desktop;
    desktop.windows = desktop_.windows;
    plover::SimulatorControl control(desktop, desktop);
    ASSERT_EQ(control.runPv2Project(tree_.moduleDirectory(), c.project, c.directory, true, &err_),
              plover::RunOutcome::driven);
    EXPECT_EQ(simulatorProject(), withBackslashes);
    EXPECT_EQ(recentFile(), recentWithBackslashes);
    EXPECT_EQ(desktop.events(), eventsWithBackslashes);
  }

  // Slashes in the project are not separators: they stay in the title.
  ASSERT_TRUE(run("work/demo.cbx", projectDirectory_, false));
  EXPECT_NE(simulatorProject().find("ProjectName=work/demo\r\n"), std::string::npos);
  EXPECT_NE(simulatorProject().find("OBJREL\\work/demo.BIN\r\n"), std::string::npos);
}

TEST_F(SimulatorRun, MissingBuildDirectoryWritesNoFileButDrivesTheSimulator) {
  fs::remove_all(tree_.sdkDir() + "/C/demo/PV2BUILD");
  ASSERT_TRUE(run("demo", projectDirectory_, false));
  EXPECT_FALSE(fs::exists(tree_.sdkDir() + "/C/demo/PV2BUILD"));
  EXPECT_EQ(recentFile(), simulatorProjectFile());
  EXPECT_EQ(desktop_.events().back(), "show 653,22");
}

TEST_F(SimulatorRun, OneExitWindowMovedAndShownByEveryRun) {
  ASSERT_TRUE(run("demo", projectDirectory_, false));
  desktop_.width = 1024;
  desktop_.clearEvents();
  ASSERT_TRUE(run("demo", projectDirectory_, false));
  const Events events = desktop_.events();
  EXPECT_EQ(std::count(events.begin(), events.end(), "open exit window"), 0);
  EXPECT_EQ(events.back(), "show 643,22");
  EXPECT_TRUE(control_.exitWindowCreated());
}

TEST_F(SimulatorRun, ExitButtonClosesTheSimulatorOfTheLatestRun) {
  ASSERT_TRUE(run("demo", projectDirectory_, false));
  ASSERT_NE(desktop_.listener, nullptr);
  const std::string title = "SIM3022 - " + simulatorProjectFile();
  const Events close = {"key Esc", "key Alt+F", "key C", "key N", "key Alt+F4"};
  struct Case {
    const char* name;
    std::vector<RecordingDesktop::Window> windows;
    Events keys;
  } const cases[] = {
      {"the simulator names the project it loaded", {{"TMainForm", title}}, close},
      {"its title names another file: the first simulator window will do",
       {{"TMainForm", "SIM3022 - elsewhere.cpj"}}, close},
      {"the first window of the class is another program's", {{"TMainForm", "Editor"}, {"TMainForm", "SIM3022 - x"}},
       {}},
      {"no simulator", {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    desktop_.windows = c.windows;
    desktop_.clearEvents();
    desktop_.listener->exitButtonPressed();
    const Events events = desktop_.events();
    EXPECT_EQ(std::count(events.begin(), events.end(), "hide"), 1);
    EXPECT_EQ(desktop_.keys(), c.keys);
  }
}

// The decision to send a key, with a desktop that refuses the foreground or
// puts another window in front.
TEST_F(SimulatorRun, KeysOnlyWhileTheSimulatorsProcessHasTheKeyboard) {
  const Events all = {"key Alt+F", "key R", "key 4", "key Alt+S", "key L", "type " + projectDirectory_,
                      "type \\PV2BUILD\\ForDebug.MAP", "key Enter", "key F9"};
  struct Case {
    const char* name;
    int refusals;
    int keysBeforeSwitch;
    int switchTo;  // 2: the simulator's map-file prompt; 3: another program's window
    Events keys;
  } const cases[] = {
      {"granted after two refusals", 2, 0, 0, all},
      {"its own prompt in front after Alt+S, L", 0, 5, 2, all},
      {"another program in front after Alt+F, R", 0, 2, 3, {"key Alt+F", "key R"}},
      {"another program in front while the path is typed", 0, 8, 3,
       {"key Alt+F", "key R", "key 4", "key Alt+S", "key L", "type " + projectDirectory_.substr(0, 3)}},
      {"refused at every try", 5, 0, 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingDesktop desktop;
    desktop.windows = {{"TMainForm", "SIM3022", 7}, {"#32770", "Map file", 7}, {"Notepad", "Untitled", 8}};
    desktop.refusals = c.refusals;
    desktop.keysBeforeSwitch = c.keysBeforeSwitch;
    desktop.switchTo = c.switchTo;
    plover::SimulatorControl control(desktop, desktop);
    std::string err;
    const bool ran = control.runPv2Project(tree_.moduleDirectory(), "demo", projectDirectory_, true, &err) ==
                     plover::RunOutcome::driven;
    EXPECT_EQ(desktop.keys(), c.keys);
    const Events events = desktop.events();
    EXPECT_EQ(ran, c.keys == all);
    EXPECT_EQ(err, ran ? "" : "Error: The simulator could not be given the keyboard; the run was stopped");
    // No exit window without a run, and at most five tries to bring it forward.
    EXPECT_EQ(std::count(events.begin(), events.end(), "open exit window"), ran ? 1 : 0);
    EXPECT_EQ(std::count(events.begin(), events.end(), "foreground #1 refused"), std::min(c.refusals, 5));
  }

  // plover run says so in one line.
  testsupport::writeFile(tree_.sdkDir() + "/C/demo/demo.cbx", "<project/>");
  desktop_.refusals = 5;
  std::ostringstream out;
  std::ostringstream err;
  plover::CommandContext context{tree_.moduleDirectory(), control_, true, [] { return false; }, out, err};
  EXPECT_EQ(plover::runCommand({"run", tree_.sdkDir() + "/C/demo"}, context), 1);
  EXPECT_EQ(err.str(), "Error: The simulator could not be given the keyboard; the run was stopped\n");
  EXPECT_EQ(desktop_.keys(), Events{});
}

TEST_F(SimulatorRun, ExitWindowStaysWhenTheSimulatorCannotBeGivenTheKeyboard) {
  ASSERT_TRUE(run("demo", projectDirectory_, false));
  ASSERT_NE(desktop_.listener, nullptr);
  const auto pressAndWait = [&] {
    int questions = 0;
    control_.waitUntilClosed([&] {
      if (++questions == 1) desktop_.listener->exitButtonPressed();
      return questions > 3;
    });
    return questions;
  };

  // Refused: no key, the window stays shown, the simulator is not closed.
  desktop_.clearEvents();
  desktop_.refusals = 5;
  EXPECT_EQ(pressAndWait(), 4);
  Events events = desktop_.events();
  EXPECT_EQ(desktop_.keys(), Events{});
  EXPECT_EQ(std::count(events.begin(), events.end(), "hide"), 0);

  // Another program in front after Esc: the window is shown again in its place.
  desktop_.clearEvents();
  desktop_.front = 0;
  desktop_.keysBeforeSwitch = 1;
  desktop_.switchTo = 0;
  EXPECT_EQ(pressAndWait(), 4);
  events = desktop_.events();
  EXPECT_EQ(desktop_.keys(), Events{"key Esc"});
  const Events shownAgain = {"hide", "pause 100", "key Esc", "pause 100", "show 653,22"};
  EXPECT_NE(std::search(events.begin(), events.end(), shownAgain.begin(), shownAgain.end()), events.end());

  // The next press closes it.
  desktop_.clearEvents();
  EXPECT_EQ(pressAndWait(), 1);
  EXPECT_EQ(desktop_.keys(), (Events{"key Esc", "key Alt+F", "key C", "key N", "key Alt+F4"}));
}

TEST_F(SimulatorRun, WaitEndsWithTheSimulatorTheExitButtonOrTheUser) {
  ASSERT_TRUE(run("demo", projectDirectory_, false));
  ASSERT_NE(desktop_.listener, nullptr);
  struct Case {
    const char* name;
    bool simulatorStays;
    int pressAt;  // question at which the user presses "Exit SIM"; 0: never
    int stopAt;   // question at which the user presses Ctrl+C; 0: never
    int goneAt;   // question at which the simulator's window goes by itself; 0: never
    int running;  // how often its process is still running when asked
    int questions;
    int processLooks;  // 0: its process is not asked after
  } const cases[] = {
      {"the simulator's window is gone", false, 0, 0, 0, 0, 1, 0},
      {"Exit SIM pressed while the window stays", true, 3, 0, 0, 0, 3, 1},
      {"Ctrl+C", true, 0, 5, 0, 0, 5, 0},
      // Its files are free only once its program has ended.
      {"Exit SIM pressed, the program ends a moment later", true, 3, 0, 0, 2, 5, 3},
      {"the window went, its program ends a moment later", true, 0, 0, 2, 1, 3, 2},
      {"Ctrl+C while the program ends", true, 3, 4, 0, 5, 4, 1},
      {"a program that does not end is given ten seconds", true, 3, 0, 0, 500, 103, 100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    desktop_.windows = c.simulatorStays ? std::vector<RecordingDesktop::Window>{{"TMainForm", "SIM3022 - x"}}
                                        : std::vector<RecordingDesktop::Window>{};
    desktop_.runningAnswers = c.running;
    desktop_.clearEvents();
    int questions = 0;
    control_.waitUntilClosed([&] {
      ++questions;
      if (questions == c.pressAt) desktop_.listener->exitButtonPressed();
      if (questions == c.goneAt) desktop_.windows.clear();
      return questions == c.stopAt || questions > 200;  // no endless wait in a failing test
    });
    EXPECT_EQ(questions, c.questions);
    const Events events = desktop_.events();
    EXPECT_EQ(std::count(events.begin(), events.end(), "running 101") +
                  std::count(events.begin(), events.end(), "ended 101"),
              c.processLooks);
  }
}

TEST_F(SimulatorRun, FailedWindowThreadDoesNotStopTheRunAndIsTriedAgain) {
  desktop_.exitWindowFails = true;
  ASSERT_TRUE(run("demo", projectDirectory_, false));
  EXPECT_EQ(desktop_.events().back(), "open exit window");
  EXPECT_FALSE(control_.exitWindowCreated());

  desktop_.exitWindowFails = false;
  desktop_.clearEvents();
  ASSERT_TRUE(run("demo", projectDirectory_, false));
  const Events events = desktop_.events();
  EXPECT_EQ(Events(events.end() - 2, events.end()), (Events{"open exit window", "show 653,22"}));
}

}  // namespace

namespace {

TEST_F(SimulatorRun, DirectoryTheKeyboardCannotTypeIsTypedAsItsShortPath) {
  const std::string name = "\xE8\xA1\xA8\xE7\xA4\xBA";  // 表示
  fs::create_directories(fs::u8path(tree_.sdkDir() + "/C/" + name + "/PV2BUILD"));
  const std::string directory = sdk_ + "\\C\\" + name;
  std::string err;
  const std::optional<std::string> shortForm = platform::shortPath(directory);
  ASSERT_TRUE(shortForm);
  if (*shortForm != directory) {
    ASSERT_EQ(control_.runPv2Project(tree_.moduleDirectory(), name + ".cbx", directory, true, &err),
              plover::RunOutcome::driven)
        << err;
    EXPECT_EQ(desktop_.keys()[3 + 2], "type " + *shortForm);
  } else {
    // No short name to fall back on: nothing is written or started.
    EXPECT_EQ(control_.runPv2Project(tree_.moduleDirectory(), name + ".cbx", directory, true, &err),
              plover::RunOutcome::stopped);
    EXPECT_NE(err.find("cannot type"), std::string::npos) << err;
    EXPECT_EQ(desktop_.events(), Events{});
    EXPECT_EQ(recentFile(), "(none)");
    // A release run types no path and goes ahead.
    EXPECT_EQ(control_.runPv2Project(tree_.moduleDirectory(), name + ".cbx", directory, false, &err),
              plover::RunOutcome::driven);
  }
}

}  // namespace
