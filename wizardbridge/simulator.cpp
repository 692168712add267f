#include "wizardbridge/simulator.h"

#include <algorithm>

#include "common/inifile.h"
#include "common/pathhelpers.h"
#include "common/sdklayout.h"
#include "platform/codepages.h"
#include "platform/files.h"
#include "platform/pathspelling.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "wizardbridge/bridge.h"
#include "wizardbridge/idelayout.h"

namespace plover {

namespace {

const char* const kSimulatorTitle = "SIM3022";
const char* const kSimulatorClass = "TMainForm";
const int kWindowSearches = 8;
// A simulator just started may need longer than a second for its first
// window on a slow or busy machine: while the start succeeded, the search
// goes on for about five seconds before the run is given up.
const int kWindowSearchesAfterAStart = 40;
const int kSearchPause = 125;
// How often the simulator is asked to the front at the start of a group of
// keys, with a pause between tries.
const int kForegroundTries = 5;
const int kForegroundRetryPause = 100;
// How long a closed simulator's process is waited for.
const int kProcessEndWait = 10000;
const char* const kNoKeyboard = "Error: The simulator could not be given the keyboard; the run was stopped";

platform::KeyStroke key(platform::Key which) {
  platform::KeyStroke stroke;
  stroke.key = which;
  return stroke;
}

platform::KeyStroke key(char label) {
  platform::KeyStroke stroke;
  stroke.label = label;
  return stroke;
}

platform::KeyStroke withAlt(platform::KeyStroke stroke) {
  stroke.alt = true;
  return stroke;
}

}  // namespace

// Keys for the simulator alone. Synthesised keys go to whichever window has
// the keyboard, so before every key the foreground window must belong to
// the simulator's process: its own dialogs (the map-file prompt, the save
// question) keep the keys coming, any other program stops them. The check
// narrows the time in which a key can go astray but cannot close it: the
// foreground can change between the check and the key. Once a check has
// failed, no key is sent and no pause made any more.
class SimulatorKeys {
 public:
  SimulatorKeys(platform::Desktop& desktop, platform::WindowHandle simulator)
      : desktop_(desktop), simulator_(simulator), process_(desktop.windowProcess(simulator)) {}

  // At the start of a group: the main window is made the foreground
  // window, in a few tries. No Alt press to unlock the foreground, as some
  // programs do: that key itself would go to whichever window has the
  // keyboard.
  bool bringForward() {
    for (int attempt = 0; attempt < kForegroundTries && process_ != 0; ++attempt) {
      if (attempt > 0) desktop_.pause(kForegroundRetryPause);
      if (desktop_.makeForeground(simulator_) && inFront()) return true;
    }
    sent_ = false;
    return false;
  }

  void press(const platform::KeyStroke& stroke) {
    sent_ = sent_ && inFront();
    if (sent_) desktop_.pressKey(stroke);
  }
  void type(const std::string& text) {
    sent_ = sent_ && desktop_.typeText(text, [this] { return inFront(); });
  }
  void pause(int milliseconds) {
    if (sent_) desktop_.pause(milliseconds);
  }
  bool allSent() const { return sent_; }
  platform::ProcessId process() const { return process_; }

 private:
  bool inFront() { return process_ != 0 && desktop_.foregroundProcess() == process_; }

  platform::Desktop& desktop_;
  platform::WindowHandle simulator_;
  platform::ProcessId process_;
  bool sent_ = true;
};

std::string chipFile(const std::string& sdkPath, const std::string& projectDirectory, const std::string& title,
                     bool debug) {
  // No relative path leads to another drive: the absolute one does.
  const std::string directory = ucl::relativePath(sdkPath, projectDirectory, false).value_or(projectDirectory + "\\");
  return directory + (debug ? "PV2BUILD\\OBJDBG\\" : "PV2BUILD\\OBJREL\\") + title + ".BIN";
}

void writeRecentFile(const std::string& simulatorProjectFile) {
  // Without the key the run goes on; the simulator then opens another file.
  platform::writeUserString("Software\\CASIO\\SIM3022\\RecentFiles", "4", simulatorProjectFile);
}

namespace {

bool isPrintableAscii(const std::string& text) {
  for (const char c : text) {
    if (c < 0x20 || c > 0x7E) return false;
  }
  return true;
}

}  // namespace

bool simulatorPaths(const std::string& projectDirectory, bool debug, SimulatorPaths* result, std::string* err) {
  std::optional<std::string> shortForm;
  const auto shortIfAscii = [&]() -> std::optional<std::string> {
    if (!shortForm) shortForm = platform::shortPath(projectDirectory);
    if (shortForm && isPrintableAscii(*shortForm)) return shortForm;
    return std::nullopt;
  };
  SimulatorPaths paths;
  if (platform::utf8ToAnsi(projectDirectory)) {
    paths.inProjectFile = projectDirectory;
  } else if (const std::optional<std::string> fits = shortIfAscii()) {
    paths.inProjectFile = *fits;
  } else {
    *err = "Error: The simulator cannot be given the directory '" + platform::windowsToHostPath(projectDirectory) +
           "': this system's code page cannot hold it, and it has no short name";
    return false;
  }
  if (!debug || isPrintableAscii(projectDirectory)) {
    paths.typed = projectDirectory;
  } else if (const std::optional<std::string> typeable = shortIfAscii()) {
    paths.typed = *typeable;
  } else {
    *err = "Error: The map file's path in '" + platform::windowsToHostPath(projectDirectory) +
           "' holds characters the keyboard cannot type, and the directory has no short name";
    return false;
  }
  *result = std::move(paths);
  return true;
}

std::string simulatorProgram(const std::string& sdkPath) { return ucl::inDirectory(sdkPath, ucl::pv2::kSimulator); }

bool startSimulator(const std::string& programPath) {
  return platform::startDetached(programPath, ucl::fileDirectory(programPath));
}

RunOutcome SimulatorControl::runPv2Project(const std::string& moduleDirectory, const std::string& project,
                                           const std::string& projectDirectoryGiven, bool debug, std::string* err) {
  // Decided before anything is written or started: a run that cannot load
  // its map file starts nothing.
  SimulatorPaths paths;
  if (!simulatorPaths(platform::slashesToBackslashes(projectDirectoryGiven), debug, &paths, err)) {
    return RunOutcome::stopped;
  }
  const std::string& projectDirectory = paths.inProjectFile;
  const std::string sdkPath = readPv2SdkPath(moduleDirectory);
  const std::string title = ucl::fileTitle(project);
  const std::string simulatorProjectFile = projectDirectory + "\\PV2BUILD\\project.cpj";

  // The screen decides both the simulator's layout and the exit window's place.
  const bool wide = desktop_.screenWidth() >= 1280;
  const std::string templateFile =
      moduleDirectory + kTemplatesDirectory + (wide ? kWideSimulatorTemplate : kSimulatorTemplate);

  ucl::IniFile simulatorProject;
  simulatorProject.read(templateFile);
  simulatorProject["GENERAL"]["ProjectName"] = title;
  simulatorProject["GENERAL"]["CurrentDir"] = sdkPath + "\\";
  simulatorProject["GENERAL"]["SourceDir"] = projectDirectory + "\\";
  simulatorProject["CSGROUP5"]["CHIPFILE3"] = chipFile(sdkPath, projectDirectory, title, debug);
  // Without PV2BUILD nothing is written; the simulator is driven all the same.
  simulatorProject.writeInAnsiCodePage(simulatorProjectFile);

  writeRecentFile(simulatorProjectFile);
  const bool started = startSimulator(simulatorProgram(sdkPath));

  // Also when the start failed: a simulator that is already running will do.
  platform::WindowHandle simulator = nullptr;
  const int searches = started ? kWindowSearchesAfterAStart : kWindowSearches;
  for (int search = 0; search < searches && simulator == nullptr; ++search) {
    simulator = findSimulatorWindow("");
    // The window of a simulator closed a moment ago, whose program has
    // ended, takes no keys: the one just started is looked for.
    if (simulator != nullptr && desktop_.windowProcess(simulator) == 0) simulator = nullptr;
    if (simulator == nullptr) desktop_.pause(kSearchPause);
  }
  if (simulator == nullptr) {
    // Most often the simulator was not where the settings say; a missing
    // or empty SDK path is named as such.
    std::string requiredSdkPath;
    if (requirePv2SdkPath(moduleDirectory, &requiredSdkPath, err)) {
      *err = "Error: The simulator's window did not appear; Sim3022.exe was looked for as '" +
             platform::windowsToHostPath(simulatorProgram(requiredSdkPath)) + "'";
    }
    return RunOutcome::windowNotFound;
  }

  if (!sendRunKeys(simulator, paths.typed, debug)) {
    *err = kNoKeyboard;
    return RunOutcome::stopped;
  }
  desktop_.pause(750);
  showExitWindow(simulatorProjectFile, wide ? kExitWindowLeftOnWideScreens : kExitWindowLeft);
  return RunOutcome::driven;
}

platform::WindowHandle SimulatorControl::findSimulatorWindow(const std::string& loadedFile) {
  const platform::WindowHandle window = locateSimulatorWindow(loadedFile);
  if (window != nullptr) desktop_.bringToTop(window);
  return window;
}

platform::WindowHandle SimulatorControl::locateSimulatorWindow(const std::string& loadedFile) {
  const std::string title = loadedFile.empty() ? kSimulatorTitle : std::string(kSimulatorTitle) + " - " + loadedFile;
  platform::WindowHandle window = desktop_.findWindow(kSimulatorClass, title);
  if (window == nullptr) {
    // Only the first window of the class is looked at, whatever lies behind it.
    window = desktop_.firstWindowOfClass(kSimulatorClass);
    if (window == nullptr) return nullptr;
    if (desktop_.windowTitle(window, 511).compare(0, 7, kSimulatorTitle) != 0) return nullptr;
  }
  return window;
}

void SimulatorControl::waitUntilClosed(const std::function<bool()>& stop, int pollMilliseconds) {
  const unsigned closesBefore = closes_.load();
  platform::ProcessId process = 0;
  for (;;) {
    if (stop()) return;
    if (closes_.load() != closesBefore) {
      if (const platform::ProcessId closed = closedProcess_.load()) process = closed;
      break;
    }
    const platform::WindowHandle window = locateSimulatorWindow("");
    if (window == nullptr) break;
    process = desktop_.windowProcess(window);
    desktop_.pause(pollMilliseconds);
  }
  // A window closes before its program has ended and let go of its files,
  // which the IDE may build into at once. One that does not end is given
  // up on after a while.
  const int polls = kProcessEndWait / std::max(pollMilliseconds, 1);
  for (int poll = 0; process != 0 && poll < polls && desktop_.processRunning(process) && !stop(); ++poll) {
    desktop_.pause(pollMilliseconds);
  }
}

bool SimulatorControl::sendRunKeys(platform::WindowHandle simulator, const std::string& projectDirectory,
                                   bool debug) {
  SimulatorKeys keys(desktop_, simulator);
  if (!keys.bringForward()) return false;
  // Open the project registered as recent file 4.
  keys.press(withAlt(key('F')));
  keys.press(key('R'));
  keys.press(key('4'));
  keys.pause(500);
  if (debug) {
    // Load the map file of the debug build.
    keys.press(withAlt(key('S')));
    keys.press(key('L'));
    keys.pause(250);
    keys.type(projectDirectory);
    keys.type("\\PV2BUILD\\ForDebug.MAP");
    keys.press(key(platform::Key::enter));
    keys.pause(125);
  }
  keys.press(key(platform::Key::f9));
  return keys.allSent();
}

bool SimulatorControl::sendCloseKeys(SimulatorKeys& keys) {
  keys.pause(100);
  keys.press(key(platform::Key::escape));
  keys.pause(100);
  keys.press(withAlt(key('F')));
  keys.press(key('C'));
  keys.pause(100);
  keys.press(key('N'));
  keys.pause(100);
  keys.press(withAlt(key(platform::Key::f4)));
  return keys.allSent();
}

void SimulatorControl::exitButtonPressed() {
  std::string loadedFile;
  platform::WindowHandle window = nullptr;
  int x = kExitWindowLeft;
  {
    std::lock_guard<std::mutex> hold(block_.lock);
    loadedFile = block_.simulatorProjectFile;
    window = block_.window;
    x = block_.x;
  }
  const platform::WindowHandle simulator = findSimulatorWindow(loadedFile);
  if (simulator == nullptr) {
    // Nothing to close.
    desktop_.hide(window);
    closedProcess_ = 0;
    ++closes_;
    return;
  }
  // The click has just put the exit window's process in front, which is
  // what lets it hand the keyboard to the simulator. Hidden before that,
  // the exit window would pass the keyboard to whatever window lies next.
  SimulatorKeys keys(desktop_, simulator);
  if (!keys.bringForward()) return;  // shown still, for another press
  desktop_.hide(window);
  if (!sendCloseKeys(keys)) {
    desktop_.moveAndShow(window, x, kExitWindowTop);
    return;
  }
  closedProcess_ = keys.process();
  ++closes_;
}

void SimulatorControl::showExitWindow(const std::string& simulatorProjectFile, int x) {
  {
    std::lock_guard<std::mutex> creating(creation_);
    if (!exitWindowCreated_) {
      // A thread that could not make its window has told the user; a later
      // run tries again.
      const platform::WindowHandle window = exitWindowOpener_.open(*this);
      if (window == nullptr) return;
      std::lock_guard<std::mutex> hold(block_.lock);
      block_.window = window;
      exitWindowCreated_ = true;
    }
  }
  platform::WindowHandle window = nullptr;
  {
    std::lock_guard<std::mutex> hold(block_.lock);
    block_.simulatorProjectFile = simulatorProjectFile;
    block_.x = x;
    window = block_.window;
  }
  desktop_.moveAndShow(window, x, kExitWindowTop);
}

bool SimulatorControl::exitWindowCreated() const {
  std::lock_guard<std::mutex> creating(creation_);
  return exitWindowCreated_;
}

platform::WindowHandle SimulatorControl::exitWindow() {
  std::lock_guard<std::mutex> hold(block_.lock);
  return block_.window;
}

}  // namespace plover
