#include "testing/recordingdesktop.h"

namespace plovertest {

std::vector<std::string> RecordingDesktop::events() const {
  std::lock_guard<std::mutex> hold(lock_);
  return events_;
}

std::vector<std::string> RecordingDesktop::keys() const {
  std::vector<std::string> keys;
  for (const std::string& event : events()) {
    if (event.compare(0, 4, "key ") == 0 || event.compare(0, 5, "type ") == 0) keys.push_back(event);
  }
  return keys;
}

void RecordingDesktop::clearEvents() {
  std::lock_guard<std::mutex> hold(lock_);
  events_.clear();
}

void RecordingDesktop::record(const std::string& event) {
  std::lock_guard<std::mutex> hold(lock_);
  events_.push_back(event);
}

platform::WindowHandle RecordingDesktop::findWindow(const std::string& className, const std::string& title) {
  record("find " + className + "|" + title);
  for (size_t i = 0; i < windows.size(); ++i) {
    if (windows[i].className == className && windows[i].title == title) return handleOf(i);
  }
  return nullptr;
}

platform::WindowHandle RecordingDesktop::firstWindowOfClass(const std::string& className) {
  record("first " + className);
  for (size_t i = 0; i < windows.size(); ++i) {
    if (windows[i].className == className) return handleOf(i);
  }
  return nullptr;
}

std::string RecordingDesktop::windowTitle(platform::WindowHandle window, int maxLength) {
  record("title #" + std::to_string(indexOf(window) + 1));
  return windows.at(indexOf(window)).title.substr(0, static_cast<size_t>(maxLength));
}

void RecordingDesktop::bringToTop(platform::WindowHandle window) { record("top #" + std::to_string(indexOf(window) + 1)); }

platform::ProcessId RecordingDesktop::windowProcess(platform::WindowHandle window) {
  const size_t index = indexOf(window);
  if (window == nullptr || index >= windows.size()) return 0;
  return windows[index].process != 0 ? windows[index].process : 100 + index + 1;
}

bool RecordingDesktop::makeForeground(platform::WindowHandle window) {
  const std::string event = "foreground #" + std::to_string(indexOf(window) + 1);
  if (refusals > 0) {
    --refusals;
    record(event + " refused");
    return false;
  }
  record(event);
  front = static_cast<int>(indexOf(window) + 1);
  return true;
}

platform::ProcessId RecordingDesktop::foregroundProcess() {
  return front == 0 ? 99 : windowProcess(handleOf(static_cast<size_t>(front - 1)));
}

bool RecordingDesktop::processRunning(platform::ProcessId process) {
  record((runningAnswers > 0 ? "running " : "ended ") + std::to_string(process));
  return runningAnswers-- > 0;
}

void RecordingDesktop::keySent() {
  if (keysBeforeSwitch > 0 && --keysBeforeSwitch == 0) front = switchTo;
}

void RecordingDesktop::pressKey(const platform::KeyStroke& stroke) {
  record("key " + strokeName(stroke));
  keySent();
}

bool RecordingDesktop::typeText(const std::string& text, const std::function<bool()>& goOn) {
  std::string typed;
  bool stopped = false;
  for (const char c : text) {
    if (!goOn()) {
      stopped = true;
      break;
    }
    typed += c;
    keySent();
  }
  if (!typed.empty()) record("type " + typed);
  return !stopped;
}

void RecordingDesktop::pause(int milliseconds) { record("pause " + std::to_string(milliseconds)); }

void RecordingDesktop::messageBox(const std::string& text, const std::string& caption, platform::MessageIcon) {
  record("message " + caption + "|" + text);
}

platform::WindowHandle RecordingDesktop::open(plover::ExitButtonListener& exitListener) {
  record("open exit window");
  if (exitWindowFails) return nullptr;
  listener = &exitListener;
  return exitWindowHandle();
}

void RecordingDesktop::moveAndShow(platform::WindowHandle window, int x, int y) {
  record(std::string(window == exitWindowHandle() ? "show " : "show other ") + std::to_string(x) + "," +
         std::to_string(y));
}

void RecordingDesktop::hide(platform::WindowHandle window) {
  record(window == exitWindowHandle() ? "hide" : "hide other");
}

std::string RecordingDesktop::strokeName(const platform::KeyStroke& stroke) {
  std::string name;
  if (stroke.shift) name += "Shift+";
  if (stroke.ctrl) name += "Ctrl+";
  if (stroke.alt) name += "Alt+";
  switch (stroke.key) {
    case platform::Key::enter: return name + "Enter";
    case platform::Key::escape: return name + "Esc";
    case platform::Key::f4: return name + "F4";
    case platform::Key::f9: return name + "F9";
    case platform::Key::labelled: break;
  }
  return name + stroke.label;
}

}  // namespace plovertest
