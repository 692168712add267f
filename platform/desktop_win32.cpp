// The desktop on the Windows API: windows, keys with their virtual-key
// codes, pauses, the screen and message boxes.
#include "desktop.h"

#include "win32.h"

namespace platform {

namespace {

HWND handleOf(WindowHandle window) { return static_cast<HWND>(const_cast<void*>(window)); }

BYTE virtualKeyOf(const KeyStroke& stroke) {
  switch (stroke.key) {
    case Key::enter: return VK_RETURN;
    case Key::escape: return VK_ESCAPE;
    case Key::f4: return VK_F4;
    case Key::f9: return VK_F9;
    case Key::labelled: break;
  }
  // The virtual keys of letters and digits are their upper-case characters.
  return static_cast<BYTE>(stroke.label);
}

void keyEvent(BYTE virtualKey, bool keyUp) { keybd_event(virtualKey, 0, keyUp ? KEYEVENTF_KEYUP : 0, 0); }

// A key with the modifiers of the stroke held around it.
void pressVirtualKey(BYTE virtualKey, bool shift, bool ctrl, bool alt) {
  const struct {
    bool held;
    BYTE key;
  } modifiers[] = {{shift, VK_SHIFT}, {ctrl, VK_CONTROL}, {alt, VK_MENU}};
  for (const auto& modifier : modifiers) {
    if (modifier.held) keyEvent(modifier.key, false);
  }
  keyEvent(virtualKey, false);
  keyEvent(virtualKey, true);
  for (const auto& modifier : modifiers) {
    if (modifier.held) keyEvent(modifier.key, true);
  }
}

class Win32Desktop : public Desktop {
 public:
  WindowHandle findWindow(const std::string& className, const std::string& title) override {
    return FindWindowW(widen(className).c_str(), widen(title).c_str());
  }

  WindowHandle firstWindowOfClass(const std::string& className) override {
    return FindWindowW(widen(className).c_str(), nullptr);
  }

  std::string windowTitle(WindowHandle window, int maxLength) override {
    std::wstring title(static_cast<size_t>(maxLength) + 1, L'\0');
    const int length = GetWindowTextW(handleOf(window), &title[0], maxLength + 1);
    title.resize(length > 0 ? static_cast<size_t>(length) : 0);
    return narrow(title);
  }

  void bringToTop(WindowHandle window) override {
    SetWindowPos(handleOf(window), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  }

  ProcessId windowProcess(WindowHandle window) override {
    DWORD process = 0;
    if (GetWindowThreadProcessId(handleOf(window), &process) == 0) return 0;
    return process;
  }

  bool makeForeground(WindowHandle window) override { return SetForegroundWindow(handleOf(window)) != FALSE; }

  ProcessId foregroundProcess() override {
    HWND front = GetForegroundWindow();
    return front != nullptr ? windowProcess(front) : 0;
  }

  bool processRunning(ProcessId process) override {
    if (process == 0) return false;
    const OwnedHandle handle(OpenProcess(SYNCHRONIZE, FALSE, process));
    return handle.get() != nullptr && WaitForSingleObject(handle.get(), 0) == WAIT_TIMEOUT;
  }

  void pressKey(const KeyStroke& stroke) override {
    pressVirtualKey(virtualKeyOf(stroke), stroke.shift, stroke.ctrl, stroke.alt);
  }

  bool typeText(const std::string& text, const std::function<bool()>& goOn) override {
    for (const char c : text) {
      if (!goOn()) return false;
      // Virtual key in the low byte, shift state in the high byte; -1 (no
      // key) makes key 255 with every modifier.
      const short key = VkKeyScanA(c);
      const int state = static_cast<signed char>((key >> 8) & 0xFF);
      pressVirtualKey(static_cast<BYTE>(key & 0xFF), (state & 1) != 0, (state & 2) != 0, (state & 4) != 0);
    }
    return true;
  }

  void pause(int milliseconds) override { Sleep(static_cast<DWORD>(milliseconds)); }

  int screenWidth() override { return GetSystemMetrics(SM_CXSCREEN); }

  void messageBox(const std::string& text, const std::string& caption, MessageIcon icon) override {
    UINT type = MB_OK;
    if (icon == MessageIcon::error) type |= MB_ICONERROR;
    if (icon == MessageIcon::exclamation) type |= MB_ICONEXCLAMATION;
    MessageBoxW(nullptr, widen(text).c_str(), widen(caption).c_str(), type);
  }

  void moveAndShow(WindowHandle window, int x, int y) override {
    SetWindowPos(handleOf(window), HWND_TOP, x, y, 0, 0, SWP_NOSIZE);
    ShowWindow(handleOf(window), SW_SHOW);
  }

  void hide(WindowHandle window) override { ShowWindow(handleOf(window), SW_HIDE); }
};

}  // namespace

Desktop& systemDesktop() {
  static Win32Desktop desktop;
  return desktop;
}

}  // namespace platform
