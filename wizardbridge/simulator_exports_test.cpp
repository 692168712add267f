// runPVSDKProject through the exported method of the built library. Under
// Wine with a display the simulator is a stand-in program placed at
// SDK\SIM\Sim3022.exe, driven with real keys, and closed again with the
// real "Exit SIM" window; on POSIX there is no simulator window to find.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>

#include "platform/environment.h"
#include "platform/registry.h"
#include "testing/loadedbridge.h"
#include "testing/fakejni.h"
#include "testing/simulatorkeys.h"

#ifdef _WIN32
#include "platform/win32.h"
// After the Windows API, which it needs.
#include <tlhelp32.h>
#else
#include <sys/stat.h>
#endif

namespace {

namespace fs = std::filesystem;
using plovertest::FakeJni;
using plovertest::IdeTree;
using plovertest::LoadedBridge;
using testsupport::programPath;
using testsupport::Spelling;
using testsupport::readFile;
using Clock = std::chrono::steady_clock;

class SimulatorFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::setVariable("XDG_CONFIG_HOME", bridge_.tree().path("config"));
    fs::remove_all(sdk() + "/C");
    fs::create_directories(sdk() + "/C/demo/PV2BUILD");
    fs::remove_all(sdk() + "/SIM");
    fs::create_directories(sdk() + "/SIM");
    bridge_.tree().writeSettings(programPath(Spelling::product, sdk()));
    projectDirectory_ = programPath(Spelling::product, sdk()) + "\\C\\demo";
  }

  std::string sdk() const { return bridge_.tree().sdkDir(); }
  std::string simulatorProjectFile() const { return projectDirectory_ + "\\PV2BUILD\\project.cpj"; }
  std::string simulatorProject() const { return readFile(sdk() + "/C/demo/PV2BUILD/project.cpj"); }
  std::string recentFile() const {
    return platform::readUserString("Software\\CASIO\\SIM3022\\RecentFiles", "4").value_or("(none)");
  }

  bool run(const std::string& project, const std::string& directory, bool debug) {
    FakeJni jni;
    const jboolean result = bridge_.runPVSDKProject()(jni.env(), nullptr, jni.newString(project),
                                                      jni.newString(directory), debug ? JNI_TRUE : JNI_FALSE);
    EXPECT_EQ(jni.calls, (std::vector<std::string>{"GetStringUTFChars(" + project + ")",
                                                   "GetStringUTFChars(" + directory + ")",
                                                   "ReleaseStringUTFChars(" + project + ")",
                                                   "ReleaseStringUTFChars(" + directory + ")"}));
    return result == JNI_TRUE;
  }

  // The four entries, and the template's other lines where they were.
  void expectSimulatorProject(bool debug) {
    const std::string text = simulatorProject();
    const std::string sdkPath = programPath(Spelling::product, sdk());
    for (const std::string& line :
         {"[GENERAL]\r\nVersion=302\r\nProjectName=demo\r\nCurrentDir=" + sdkPath + "\\\r\nSourceDir=" +
              projectDirectory_ + "\\\r\nStartupAction=None\r\n",
          std::string("[CSGROUP5]\r\nCHIPFILE3=C\\demo\\PV2BUILD\\") + (debug ? "OBJDBG" : "OBJREL") +
              "\\demo.BIN\r\nLoadAddress=80000\r\n",
          std::string("[WINDOW]\r\nScreenWidth=")}) {
      EXPECT_NE(text.find(line), std::string::npos) << line << "\nin\n" << text;
    }
  }

  LoadedBridge& bridge_ = LoadedBridge::instance();
  testsupport::ScopedVariable config_{"XDG_CONFIG_HOME"};
  std::string projectDirectory_;
};

#ifdef _WIN32

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

int threadsOfThisProcess() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 entry;
  entry.dwSize = sizeof entry;
  int count = 0;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++count;
  }
  CloseHandle(snapshot);
  return count;
}

template <typename Condition>
bool waitFor(Condition condition, int milliseconds = 10000) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
  while (Clock::now() < deadline) {
    if (condition()) return true;
    Sleep(25);
  }
  return condition();
}

class SimulatorExport : public SimulatorFixture {
 protected:
  void SetUp() override {
    SimulatorFixture::SetUp();
    closeSimulators();
    fs::copy_file(PLOVER_STANDIN_SIM, sdk() + "/SIM/Sim3022.exe", fs::copy_options::overwrite_existing);
  }
  void TearDown() override {
    closeSimulators();
    endLateSimulators();
  }

  // The stand-in closes its log only after its window is gone: its files
  // are free once its process has ended.
  static HANDLE processOf(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process != 0 ? OpenProcess(SYNCHRONIZE, FALSE, process) : nullptr;
  }
  static bool ended(HANDLE process) {
    return process == nullptr || WaitForSingleObject(process, 10000) == WAIT_OBJECT_0;
  }
  static void closeSimulators() {
    while (HWND simulator = FindWindowA("TMainForm", nullptr)) {
      const platform::OwnedHandle process(processOf(simulator));
      PostMessageA(simulator, WM_CLOSE, 0, 0);
      waitFor([&] { return !IsWindow(simulator); });
      ended(process.get());
    }
  }
  // A stand-in whose window came too late for its run (a busy machine)
  // would outlive the test and hold the next one's files.
  static void endLateSimulators() {
    const platform::OwnedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
      if (lstrcmpiW(entry.szExeFile, L"Sim3022.exe") != 0) continue;
      const platform::OwnedHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID));
      if (process.get() == nullptr) continue;
      TerminateProcess(process.get(), 1);
      WaitForSingleObject(process.get(), 10000);
    }
  }
  std::string log() const { return readFile(sdk() + "/SIM/keys.log"); }
  void clearLog() const { fs::remove(sdk() + "/SIM/keys.log"); }
  bool logHas(const std::string& line) const {
    const std::vector<std::string> lines = linesOf(log());
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }

  // The exit window and what the user sees of it.
  struct ExitWindow {
    HWND window = nullptr;
    bool visible = false;
    RECT place{};
    bool topmost = false;
    HWND button = nullptr;
    DWORD thread = 0;
  };
  static ExitWindow exitWindow() {
    ExitWindow seen;
    seen.window = FindWindowA("SIMExitWindowClass", "SIMExitWindow");
    if (seen.window == nullptr) return seen;
    seen.visible = IsWindowVisible(seen.window) != FALSE;
    GetWindowRect(seen.window, &seen.place);
    seen.topmost = (GetWindowLongA(seen.window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    seen.button = FindWindowExA(seen.window, nullptr, "button", "Exit SIM");
    seen.thread = GetWindowThreadProcessId(seen.window, nullptr);
    return seen;
  }
};

TEST_F(SimulatorExport, RunsTheProgramAndClosesTheSimulatorWithTheExitWindow) {
  ASSERT_TRUE(run("demo", projectDirectory_, true));
  expectSimulatorProject(true);
  EXPECT_EQ(recentFile(), simulatorProjectFile());

  ASSERT_TRUE(waitFor([&] { return logHas("78"); })) << log();
  std::vector<std::string> expected = {"started", "46 alt", "52", "34", "opened " + simulatorProjectFile(),
                                       "53 alt", "4C"};
  for (const std::string& key : plovertest::loggedKeysForText(projectDirectory_ + "\\PV2BUILD\\ForDebug.MAP")) expected.push_back(key);
  expected.push_back("0D");
  expected.push_back("78");
  EXPECT_EQ(linesOf(log()), expected);

  const ExitWindow shown = exitWindow();
  ASSERT_NE(shown.window, nullptr);
  EXPECT_TRUE(shown.visible);
  const int left = GetSystemMetrics(SM_CXSCREEN) >= 1280 ? 653 : 643;
  EXPECT_EQ(shown.place.left, left);
  EXPECT_EQ(shown.place.top, 22);
  EXPECT_TRUE(shown.topmost);
  ASSERT_NE(shown.button, nullptr);
  EXPECT_EQ(GetDlgCtrlID(shown.button), 101);
  EXPECT_NE(shown.thread, GetCurrentThreadId());
  const int threads = threadsOfThisProcess();

  // A click on the button hides the window and closes the simulator.
  const platform::OwnedHandle simulatorProcess(processOf(FindWindowA("TMainForm", nullptr)));
  ASSERT_NE(simulatorProcess.get(), nullptr);
  RECT button;
  GetWindowRect(shown.button, &button);
  SetCursorPos((button.left + button.right) / 2, (button.top + button.bottom) / 2);
  mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
  mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
  EXPECT_TRUE(waitFor([&] { return FindWindowA("TMainForm", nullptr) == nullptr; })) << log();
  EXPECT_TRUE(ended(simulatorProcess.get()));
  EXPECT_FALSE(IsWindowVisible(shown.window));
  const std::vector<std::string> lines = linesOf(log());
  const std::vector<std::string> closing = {"1B", "46 alt", "43", "4E", "73 alt", "closed"};
  ASSERT_GE(lines.size(), closing.size());
  EXPECT_EQ(std::vector<std::string>(lines.end() - static_cast<std::ptrdiff_t>(closing.size()), lines.end()), closing);

  // A release run shows the same window again, from the same thread.
  clearLog();
  ASSERT_TRUE(run("demo", projectDirectory_, false));
  expectSimulatorProject(false);
  ASSERT_TRUE(waitFor([&] { return logHas("78"); })) << log();
  EXPECT_EQ(linesOf(log()), (std::vector<std::string>{"started", "46 alt", "52", "34",
                                                       "opened " + simulatorProjectFile(), "78"}));
  const ExitWindow again = exitWindow();
  EXPECT_EQ(again.window, shown.window);
  EXPECT_EQ(again.thread, shown.thread);
  EXPECT_TRUE(again.visible);
  EXPECT_EQ(again.place.left, left);
  EXPECT_EQ(again.place.top, 22);
  EXPECT_EQ(threadsOfThisProcess(), threads);

  // Closed by the user, the exit window stays gone.
  PostMessageA(shown.window, WM_CLOSE, 0, 0);
  EXPECT_TRUE(waitFor([&] { return !IsWindow(shown.window); }));
  closeSimulators();
  ASSERT_TRUE(run("demo", projectDirectory_, false));
  EXPECT_EQ(FindWindowA("SIMExitWindowClass", nullptr), nullptr);
}

TEST_F(SimulatorExport, WithoutSimulatorFalseAfterAboutASecond) {
  fs::remove(sdk() + "/SIM/Sim3022.exe");
  const auto started = Clock::now();
  EXPECT_FALSE(run("demo", projectDirectory_, true));
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started).count();
  EXPECT_GE(took, 950);
  EXPECT_LT(took, 4000);
  expectSimulatorProject(true);
}

// Run alone, in a process of its own: the exit window's class is taken.
TEST_F(SimulatorExport, ThreadFailureDoesNotKeepTheRunWaiting) {
  WNDCLASSEXA taken;
  ZeroMemory(&taken, sizeof taken);
  taken.cbSize = sizeof taken;
  taken.lpfnWndProc = DefWindowProcA;
  taken.hInstance = GetModuleHandleA(nullptr);
  taken.lpszClassName = "SIMExitWindowClass";
  ASSERT_NE(RegisterClassExA(&taken), 0);

  bool result = false;
  long long took = 0;
  const plovertest::ShownMessage shown = plovertest::messageShownBy(
      [&] {
        const auto started = Clock::now();
        result = run("demo", projectDirectory_, false);
        took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started).count();
      },
      "Error!");
  EXPECT_TRUE(result);
  EXPECT_LT(took, 5000);
  EXPECT_EQ(shown.text, "Window Registration Failed!");
  EXPECT_TRUE(shown.icon);
  EXPECT_EQ(FindWindowA("SIMExitWindowClass", nullptr), nullptr);

  // Once the class is free, the next run makes the window after all.
  ASSERT_TRUE(UnregisterClassA("SIMExitWindowClass", GetModuleHandleA(nullptr)));
  closeSimulators();
  ASSERT_TRUE(run("demo", projectDirectory_, false));
  const ExitWindow made = exitWindow();
  ASSERT_NE(made.window, nullptr);
  EXPECT_TRUE(made.visible);
}

#else

TEST_F(SimulatorFixture, OnPosixTheFilesAreWrittenButNoWindowIsFound) {
  // A simulator program that only leaves a mark in its working directory.
  const std::string program = sdk() + "/SIM/Sim3022.exe";
  testsupport::writeFile(program, "#!/bin/sh\necho started > started.txt\n");
  chmod(program.c_str(), 0755);

  const auto started = Clock::now();
  EXPECT_FALSE(run("demo", projectDirectory_, true));
  // The program started, so its window is looked for about five seconds.
  EXPECT_GE(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started).count(), 4900);
  expectSimulatorProject(true);
  EXPECT_EQ(recentFile(), simulatorProjectFile());
  for (int i = 0; i < 200 && !fs::exists(sdk() + "/SIM/started.txt"); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  EXPECT_EQ(readFile(sdk() + "/SIM/started.txt"), "started\n");
}

#endif

}  // namespace
