// Running a built PV2 program in the simulator SIM3022: the simulator's
// project file, its recent-files entry, its start, the keys that drive it,
// and the "Exit SIM" window that closes it again.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "platform/desktop.h"
#include "wizardbridge/exitwindow.h"

namespace plover {

// The CSGROUP5 CHIPFILE3 entry: the program image, relative to the SDK
// directory; the project directory's absolute path when the two lie on
// different drives.
std::string chipFile(const std::string& sdkPath, const std::string& projectDirectory, const std::string& title,
                     bool debug);

// Registers the simulator project file as entry "4" of the simulator's
// recent-files list.
void writeRecentFile(const std::string& simulatorProjectFile);

// Where the simulator program lies: SDK\SIM\Sim3022.exe.
std::string simulatorProgram(const std::string& sdkPath);

// Starts the simulator program in its own directory, without waiting.
bool startSimulator(const std::string& programPath);

// The data shared by the launching call and the exit window's thread.
struct ExitWindowBlock {
  std::string simulatorProjectFile;  // of the latest run; guarded by lock
  int x = kExitWindowLeft;           // where the latest run showed the window; guarded by lock
  platform::WindowHandle window = nullptr;
  std::mutex lock;
};

class SimulatorKeys;

// How the simulator is told the project's directory: in its project file,
// which it reads in the ANSI code page, and typed into its map-file dialog,
// where only printable ASCII has keys. Each is the directory itself where
// it can be, else its short (8.3) path. False, with the reason in err,
// when one of them has no usable form (typed is needed for a debug run only).
struct SimulatorPaths {
  std::string inProjectFile;
  std::string typed;
};
bool simulatorPaths(const std::string& projectDirectory, bool debug, SimulatorPaths* paths, std::string* err);

// How a run ended. More than success and failure, since the callers tell
// the two failures apart: the wizard shows a stop in a message box but says
// nothing of a window that did not appear, the command line reports both.
enum class RunOutcome { driven, stopped, windowNotFound };

// One per loaded bridge: the exit window, once made, lives as long as the
// bridge.

class SimulatorControl : private ExitButtonListener {
 public:
  SimulatorControl(platform::Desktop& desktop, ExitWindowOpener& exitWindow)
      : desktop_(desktop), exitWindowOpener_(exitWindow) {}
  SimulatorControl(const SimulatorControl&) = delete;
  SimulatorControl& operator=(const SimulatorControl&) = delete;

  // Writes PV2BUILD\project.cpj, registers it, starts the simulator, waits
  // up to about a second for its window, drives it and shows the exit
  // window. driven when the simulator's window was found and all its keys
  // went to it. stopped, with the reason in err, when the simulator could
  // not be told the project's directory (see simulatorPaths: then nothing
  // is written or started) or could not be given the keyboard.
  // windowNotFound, with the reason in err, when its window did not appear:
  // the wizard, unlike the command line, says nothing of that.
  RunOutcome runPv2Project(const std::string& moduleDirectory, const std::string& project,
                             const std::string& projectDirectory, bool debug, std::string* err);

  // The simulator's main window ("SIM3022", or "SIM3022 - " + the loaded
  // file), brought to the front; null when there is none.
  platform::WindowHandle findSimulatorWindow(const std::string& loadedFile);

  // After a run: returns once the exit window's button has closed the
  // simulator, the simulator's window is gone, or stop() says so, looking
  // every pollMilliseconds; then, unless stopped, also waits up to ten
  // seconds for the simulator's process to end, so that the SDK's files are
  // free when it returns.
  void waitUntilClosed(const std::function<bool()>& stop, int pollMilliseconds = 100);

  // What the exit window's button does, on the window's thread: the
  // simulator is closed, or, when it cannot be given the keyboard, the
  // window stays for another press.
  void exitButtonPressed() override;

  bool exitWindowCreated() const;
  platform::WindowHandle exitWindow();

 private:
  // The key sequences; false when a key could not go to the simulator, and
  // then no later key was sent.
  bool sendRunKeys(platform::WindowHandle simulator, const std::string& projectDirectory, bool debug);
  bool sendCloseKeys(SimulatorKeys& keys);
  void showExitWindow(const std::string& simulatorProjectFile, int x);
  // The same search as findSimulatorWindow, without bringing it to the front.
  platform::WindowHandle locateSimulatorWindow(const std::string& loadedFile);

  platform::Desktop& desktop_;
  ExitWindowOpener& exitWindowOpener_;
  ExitWindowBlock block_;
  mutable std::mutex creation_;  // one window thread, even for concurrent runs
  bool exitWindowCreated_ = false;
  std::atomic<unsigned> closes_{0};  // presses of the exit button that sent the close keys or found no simulator
  std::atomic<platform::ProcessId> closedProcess_{0};  // the process the latest of them sent the keys to
};

}  // namespace plover
