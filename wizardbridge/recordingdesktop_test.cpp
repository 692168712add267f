#include "wizardbridge/recordingdesktop_test.h"

#include <cstdio>

namespace plovertest {

std::vector<std::string> RecordingDesktop::events() const {
  std::lock_guard<std::mutex> hold(lock_);
  return events_;
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

void RecordingDesktop::keyEvent(int virtualKey, bool keyUp) { record((keyUp ? "up " : "down ") + keyName(virtualKey)); }

short RecordingDesktop::keyForCharacter(char c) {
  // A US keyboard, as far as paths need it.
  if (c >= 'a' && c <= 'z') return static_cast<short>(c - 'a' + 'A');
  if (c >= 'A' && c <= 'Z') return static_cast<short>(0x100 | c);
  if (c >= '0' && c <= '9') return static_cast<short>(c);
  switch (c) {
    case '\\': return 0xDC;
    case ':': return 0x1BA;
    case '.': return 0xBE;
    case '/': return 0xBF;
    case '-': return 0xBD;
    case '_': return 0x1BD;
    case ' ': return 0x20;
    default: return -1;
  }
}

void RecordingDesktop::pause(int milliseconds) { record("pause " + std::to_string(milliseconds)); }

void RecordingDesktop::messageBox(const std::string& text, const std::string& caption, platform::MessageIcon) {
  record("message " + caption + "|" + text);
}

bool RecordingDesktop::openExitWindow(platform::ExitWindowListener& exitListener, platform::WindowHandle& window,
                                      std::uint32_t& threadId) {
  record("open exit window");
  if (exitWindowFails) return false;
  listener = &exitListener;
  window = exitWindowHandle();
  threadId = 77;
  return true;
}

void RecordingDesktop::moveAndShow(platform::WindowHandle window, int x, int y) {
  record(std::string(window == exitWindowHandle() ? "show " : "show other ") + std::to_string(x) + "," +
         std::to_string(y));
}

void RecordingDesktop::hide(platform::WindowHandle window) {
  record(window == exitWindowHandle() ? "hide" : "hide other");
}

std::string RecordingDesktop::keyName(int virtualKey) {
  switch (virtualKey) {
    case 0x10: return "Shift";
    case 0x11: return "Ctrl";
    case 0x12: return "Alt";
    case 0x0D: return "Enter";
    case 0x1B: return "Esc";
    case 0x73: return "F4";
    case 0x78: return "F9";
    default: break;
  }
  if ((virtualKey >= '0' && virtualKey <= '9') || (virtualKey >= 'A' && virtualKey <= 'Z')) {
    return std::string(1, static_cast<char>(virtualKey));
  }
  char hex[8];
  std::snprintf(hex, sizeof hex, "0x%02X", virtualKey);
  return hex;
}

}  // namespace plovertest
