// A user at the desktop, for the command line's run under Wine: waits for
// another process's "Exit SIM" window to show, then presses its button.
// Exits 0 when the press hid the window; 1 when no window showed
// within the seconds given as its argument (default 30) or the press did
// not reach it, and then it closes the simulator, so that a run waiting for
// it ends too.
#include <cstdio>
#include <cstdlib>

#include "platform/win32.h"

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
  int waited = 0;
  for (; waited < seconds * 20; ++waited) {
    HWND window = FindWindowA("SIMExitWindowClass", "SIMExitWindow");
    HWND button = window != nullptr ? FindWindowExA(window, nullptr, "button", "Exit SIM") : nullptr;
    if (button != nullptr && IsWindowVisible(window)) {
      // Shown, and given a moment to settle after the simulator's keys.
      Sleep(500);
      // The button is pressed by its own message, as the button does when
      // clicked: the tests that use this helper are about the run's keys.
      // Real mouse clicks on the button have a test of their own.
      SendMessageA(button, BM_CLICK, 0, 0);
      // A press that reached the button hides the window.
      for (int i = 0; i < 100 && IsWindowVisible(window); ++i) Sleep(50);
      if (!IsWindowVisible(window)) {
        std::printf("pressed\n");
        return 0;
      }
      std::printf("pressed, but the exit window stayed\n");
      break;
    }
    Sleep(50);
  }
  if (waited == seconds * 20) std::printf("no exit window\n");
  if (HWND simulator = FindWindowA("TMainForm", nullptr)) PostMessageA(simulator, WM_CLOSE, 0, 0);
  return 1;
}
