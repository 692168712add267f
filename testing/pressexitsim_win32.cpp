// A user at the desktop, for the command line's run under Wine: waits for
// another process's "Exit SIM" window to show, then clicks its button with
// the mouse. Exits 0 after the click, 1 when no window showed within the
// seconds given as its argument (default 30); then it closes the simulator,
// so that a run waiting for it ends too.
#include <cstdio>
#include <cstdlib>

#include "platform/win32.h"

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
  for (int waited = 0; waited < seconds * 20; ++waited) {
    HWND window = FindWindowA("SIMExitWindowClass", "SIMExitWindow");
    HWND button = window != nullptr ? FindWindowExA(window, nullptr, "button", "Exit SIM") : nullptr;
    if (button != nullptr && IsWindowVisible(window)) {
      // Shown, and given a moment to settle after the simulator's keys.
      Sleep(500);
      RECT place;
      GetWindowRect(button, &place);
      SetCursorPos((place.left + place.right) / 2, (place.top + place.bottom) / 2);
      mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
      mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
      std::printf("clicked\n");
      return 0;
    }
    Sleep(50);
  }
  std::printf("no exit window\n");
  if (HWND simulator = FindWindowA("TMainForm", nullptr)) PostMessageA(simulator, WM_CLOSE, 0, 0);
  return 1;
}
