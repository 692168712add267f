// The user's desktop: message boxes. Behind an interface so that tests can
// put a recording stand-in in its place.
#pragma once

#include <string>

namespace platform {

enum class MessageIcon { none, error, exclamation };

class Desktop {
 public:
  virtual ~Desktop() = default;

  // A message box without an owner window and with only an OK button; it
  // blocks the calling thread until it is closed.
  virtual void messageBox(const std::string& text, const std::string& caption, MessageIcon icon) = 0;
};

// The desktop of this system, shared by the whole process.
Desktop& systemDesktop();

}  // namespace platform
