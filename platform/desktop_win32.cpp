// The desktop on the Windows API.
#include "desktop.h"

#include "win32.h"

namespace platform {

namespace {

class Win32Desktop : public Desktop {
 public:
  void messageBox(const std::string& text, const std::string& caption, MessageIcon icon) override {
    UINT type = MB_OK;
    if (icon == MessageIcon::error) type |= MB_ICONERROR;
    if (icon == MessageIcon::exclamation) type |= MB_ICONEXCLAMATION;
    MessageBoxA(nullptr, text.c_str(), caption.c_str(), type);
  }
};

}  // namespace

Desktop& systemDesktop() {
  static Win32Desktop desktop;
  return desktop;
}

}  // namespace platform
