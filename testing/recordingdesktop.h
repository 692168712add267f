// A desktop and exit window for plover's tests: scripted top-level windows
// and screen width, and a record of every search, key, pause and window
// step as readable text.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "platform/desktop.h"
#include "wizardbridge/exitwindow.h"

namespace plovertest {

class RecordingDesktop : public platform::Desktop, public plover::ExitWindowOpener {
 public:
  struct Window {
    std::string className;
    std::string title;
    platform::ProcessId process = 0;  // 0: a program of its own, numbered 100 + the window's number
  };
  // Top-level windows, first one on top.
  std::vector<Window> windows;
  int width = 1280;
  bool exitWindowFails = false;
  // The window with the keyboard, by number; 0 is a window of a program
  // that is not among windows (process 99). makeForeground refuses as many
  // times as refusals says, then puts the window in front; after
  // keysBeforeSwitch more keys (a typed character is a key) window switchTo
  // comes to the front by itself, as a dialog or another program would.
  int front = 0;
  int refusals = 0;
  int keysBeforeSwitch = 0;
  int switchTo = 0;
  // How many times processRunning says yes before it says the process ended.
  int runningAnswers = 0;

  // "find CLASS|TITLE", "first CLASS", "title #N", "top #N", "foreground #N"
  // (or "foreground #N refused"), "running PID" (or "ended PID"), "key STROKE" (as "Alt+F", "F9",
  // "Shift+Ctrl+Alt+A"), "type TEXT" (the characters typed), "pause MS",
  // "message CAPTION|TEXT", "open exit window", "show X,Y", "hide";
  // windows are numbered from 1.
  std::vector<std::string> events() const;
  // Only the key and type events: what the window with the focus received.
  std::vector<std::string> keys() const;
  void clearEvents();
  // The exit window's listener, once it was opened.
  plover::ExitButtonListener* listener = nullptr;

  platform::WindowHandle findWindow(const std::string& className, const std::string& title) override;
  platform::WindowHandle firstWindowOfClass(const std::string& className) override;
  std::string windowTitle(platform::WindowHandle window, int maxLength) override;
  void bringToTop(platform::WindowHandle window) override;
  platform::ProcessId windowProcess(platform::WindowHandle window) override;
  bool makeForeground(platform::WindowHandle window) override;
  platform::ProcessId foregroundProcess() override;
  bool processRunning(platform::ProcessId process) override;
  void pressKey(const platform::KeyStroke& stroke) override;
  bool typeText(const std::string& text, const std::function<bool()>& goOn) override;
  void pause(int milliseconds) override;
  int screenWidth() override { return width; }
  void messageBox(const std::string& text, const std::string& caption, platform::MessageIcon icon) override;
  void moveAndShow(platform::WindowHandle window, int x, int y) override;
  void hide(platform::WindowHandle window) override;

  platform::WindowHandle open(plover::ExitButtonListener& listener) override;

  static std::string strokeName(const platform::KeyStroke& stroke);
  static platform::WindowHandle exitWindowHandle() { return reinterpret_cast<platform::WindowHandle>(0xE1); }

 private:
  void record(const std::string& event);
  void keySent();  // counts down to the switch
  static platform::WindowHandle handleOf(size_t index) { return reinterpret_cast<platform::WindowHandle>(index + 1); }
  static size_t indexOf(platform::WindowHandle window) { return reinterpret_cast<size_t>(window) - 1; }

  mutable std::mutex lock_;
  std::vector<std::string> events_;
};

}  // namespace plovertest
