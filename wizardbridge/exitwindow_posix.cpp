// No exit window on POSIX: there is no simulator to close.
#include "wizardbridge/exitwindow.h"

namespace plover {

namespace {

class NoExitWindow : public ExitWindowOpener {
 public:
  platform::WindowHandle open(ExitButtonListener&) override { return nullptr; }
};

}  // namespace

ExitWindowOpener& systemExitWindow() {
  static NoExitWindow none;
  return none;
}

bool simulatorRunsHere() { return false; }

}  // namespace plover
