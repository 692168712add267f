// The user's desktop: top-level windows, synthesised keys, pauses, the
// screen and message boxes. Behind an interface so that tests can put a
// recording stand-in in its place.
#pragma once

#include <functional>
#include <string>

namespace platform {

// A top-level window; null for none.
using WindowHandle = const void*;
// A process as the desktop knows it; 0 for none.
using ProcessId = unsigned long;

enum class MessageIcon { none, error, exclamation };

// A key named by what it is, not by one system's key code.
enum class Key { labelled, enter, escape, f4, f9 };

// One press of a key with modifiers held around it. A labelled key is the
// letter or digit key with that label ('A'..'Z', '0'..'9'), whatever
// character the layout gives it.
struct KeyStroke {
  Key key = Key::labelled;
  char label = 0;
  bool shift = false;
  bool ctrl = false;
  bool alt = false;
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
  // The process that owns the window; 0 when there is no such window.
  virtual ProcessId windowProcess(WindowHandle window) = 0;
  // Asks the system to make the window the foreground window, the one that
  // gets the keyboard; true when the system says it did. The system may
  // refuse, for example while another program is in front.
  virtual bool makeForeground(WindowHandle window) = 0;
  // The process that owns the foreground window; 0 when there is none.
  virtual ProcessId foregroundProcess() = 0;
  // Whether the process is still running; false for 0 and for one that has
  // ended.
  virtual bool processRunning(ProcessId process) = 0;

  // Synthesised keys for the window with the keyboard focus: the modifiers
  // go down (Shift, Ctrl, Alt), the key goes down and up, the modifiers go
  // up in the same order.
  virtual void pressKey(const KeyStroke& stroke) = 0;
  // Each character pressed as the keyboard layout types it, with the
  // modifiers it needs; a character without a key is pressed as the
  // highest key code with every modifier. Before each character goOn is
  // asked; when it says no, the rest is not typed and the result is false.
  virtual bool typeText(const std::string& text, const std::function<bool()>& goOn) = 0;

  virtual void pause(int milliseconds) = 0;
  // Width of the primary screen in pixels.
  virtual int screenWidth() = 0;

  // A message box without an owner window and with only an OK button; it
  // blocks the calling thread until it is closed.
  virtual void messageBox(const std::string& text, const std::string& caption, MessageIcon icon) = 0;

  // Moves a window to (x, y) without resizing it, on top, and shows it.
  virtual void moveAndShow(WindowHandle window, int x, int y) = 0;
  virtual void hide(WindowHandle window) = 0;
};

// The desktop of this system, shared by the whole process. On POSIX there
// is no Windows desktop: no window is ever found, no process is in front,
// keys go nowhere, the screen width is 0, and message boxes go to standard error as two lines,
// caption and text.
Desktop& systemDesktop();

}  // namespace platform
