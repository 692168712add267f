// The desktop on POSIX, where there is no Windows desktop: no windows, no
// keys; message boxes go to standard error as two lines, caption and text.
#include "desktop.h"

#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>

namespace platform {

namespace {

class PosixDesktop : public Desktop {
 public:
  WindowHandle findWindow(const std::string&, const std::string&) override { return nullptr; }
  WindowHandle firstWindowOfClass(const std::string&) override { return nullptr; }
  std::string windowTitle(WindowHandle, int) override { return std::string(); }
  void bringToTop(WindowHandle) override {}
  ProcessId windowProcess(WindowHandle) override { return 0; }
  bool makeForeground(WindowHandle) override { return false; }
  ProcessId foregroundProcess() override { return 0; }
  bool processRunning(ProcessId) override { return false; }
  void pressKey(const KeyStroke&) override {}
  bool typeText(const std::string& text, const std::function<bool()>& goOn) override {
    for (size_t i = 0; i < text.size(); ++i) {
      if (!goOn()) return false;
    }
    return true;
  }
  void pause(int milliseconds) override { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }
  int screenWidth() override { return 0; }

  void messageBox(const std::string& text, const std::string& caption, MessageIcon) override {
    std::lock_guard<std::mutex> hold(lock_);
    std::fprintf(stderr, "%s\n%s\n", caption.c_str(), text.c_str());
    std::fflush(stderr);
  }

  void moveAndShow(WindowHandle, int, int) override {}
  void hide(WindowHandle) override {}

 private:
  std::mutex lock_;
};

}  // namespace

Desktop& systemDesktop() {
  static PosixDesktop desktop;
  return desktop;
}

}  // namespace platform
