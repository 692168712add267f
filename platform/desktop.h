// The user's desktop: top-level windows, synthesised keys, pauses, the
// screen, message boxes, and the small always-on-top exit window with its
// own thread. Behind an interface so that tests can put a recording
// stand-in in its place.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// A top-level window; null for none.
using WindowHandle = const void*;

enum class MessageIcon { none, error, exclamation };

// Told when the exit window's button is pressed; called on the window's
// own thread.
class ExitWindowListener {
 public:
  virtual void exitButtonPressed() = 0;

 protected:
  ~ExitWindowListener() = default;
};

class Desktop {
 public:
  virtual ~Desktop() = default;

  // The top-level window of the class with exactly this title.
  virtual WindowHandle findWindow(const std::string& className, const std::string& title) = 0;
  // The first top-level window of the class, whatever its title.
  virtual WindowHandle firstWindowOfClass(const std::string& className) = 0;
  // At most maxLength characters of the window's title.
  virtual std::string windowTitle(WindowHandle window, int maxLength) = 0;
  // Brings the window to the top of the Z order and activates it, without
  // moving or resizing it.
  virtual void bringToTop(WindowHandle window) = 0;

  // One synthesised key event for the window with the keyboard focus.
  virtual void keyEvent(int virtualKey, bool keyUp) = 0;
  // The keyboard layout's key for a character: virtual key in the low byte,
  // shift state in the high byte (1 Shift, 2 Ctrl, 4 Alt); -1 when no key
  // produces it.
  virtual short keyForCharacter(char character) = 0;

  virtual void pause(int milliseconds) = 0;
  // Width of the primary screen in pixels.
  virtual int screenWidth() = 0;

  // A message box without an owner window and with only an OK button; it
  // blocks the calling thread until it is closed.
  virtual void messageBox(const std::string& text, const std::string& caption, MessageIcon icon) = 0;

  // Starts the thread that owns the exit window ("Exit SIM") and runs its
  // message loop, and returns once the window exists, hidden (true), or the
  // thread has given up after telling the user why (false).
  virtual bool openExitWindow(ExitWindowListener& listener, WindowHandle& window, std::uint32_t& threadId) = 0;
  // Moves a window to (x, y) without resizing it, on top, and shows it.
  virtual void moveAndShow(WindowHandle window, int x, int y) = 0;
  virtual void hide(WindowHandle window) = 0;
};

// The desktop of this system, shared by the whole process. On POSIX there
// is no Windows desktop: no window is ever found, keys go nowhere, the
// screen width is 0, and message boxes go to standard error as two lines,
// caption and text.
Desktop& systemDesktop();

}  // namespace platform
