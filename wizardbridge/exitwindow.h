// The small always-on-top "Exit SIM" window that closes the simulator: its
// place on the screen, and the thread that owns it.
#pragma once

#include "platform/desktop.h"

namespace plover {

// Where the window stands: at the top of the screen, a little further right
// on screens 1280 pixels wide or more.
constexpr int kExitWindowLeft = 643;
constexpr int kExitWindowLeftOnWideScreens = 653;
constexpr int kExitWindowTop = 22;

// Told when the window's button is pressed; called on the window's own
// thread.
class ExitButtonListener {
 public:
  virtual void exitButtonPressed() = 0;

 protected:
  ~ExitButtonListener() = default;
};

class ExitWindowOpener {
 public:
  virtual ~ExitWindowOpener() = default;
  // Starts the thread that owns the window and runs its message loop, and
  // returns once the window exists, hidden; null when the thread has given
  // up after telling the user why.
  virtual platform::WindowHandle open(ExitButtonListener& listener) = 0;
};

// The real window on Windows; on POSIX there is none and opening fails.
ExitWindowOpener& systemExitWindow();

// Whether the simulator can run on this host at all: on Windows (and under
// Wine), not on POSIX.
bool simulatorRunsHere();

}  // namespace plover
