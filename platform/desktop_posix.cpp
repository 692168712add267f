// The desktop on POSIX, where there is no Windows desktop: message boxes
// go to standard error as two lines, caption and text.
#include "desktop.h"

#include <cstdio>
#include <mutex>

namespace platform {

namespace {

class PosixDesktop : public Desktop {
 public:
  void messageBox(const std::string& text, const std::string& caption, MessageIcon) override {
    std::lock_guard<std::mutex> hold(lock_);
    std::fprintf(stderr, "%s\n%s\n", caption.c_str(), text.c_str());
    std::fflush(stderr);
  }

 private:
  std::mutex lock_;
};

}  // namespace

Desktop& systemDesktop() {
  static PosixDesktop desktop;
  return desktop;
}

}  // namespace platform
