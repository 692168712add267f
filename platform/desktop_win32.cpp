// The desktop on the Windows API, with the exit window's thread, class and
// window procedure.
#include "desktop.h"

#include "win32.h"

namespace platform {

namespace {

const char* const kExitWindowClass = "SIMExitWindowClass";
const int kExitButtonId = 101;

// The "Exit SIM" button; set when the window is created, cleared when it is
// closed.
HWND exitButton = nullptr;

HWND handleOf(WindowHandle window) { return static_cast<HWND>(const_cast<void*>(window)); }

// Handed to the window thread; valid only until it sets readyEvent.
struct ExitWindowStart {
  ExitWindowListener* listener;
  HANDLE readyEvent;
  HWND window;  // null when the thread gave up
};

LRESULT CALLBACK exitWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: {
      const auto* creation = reinterpret_cast<const CREATESTRUCTA*>(lParam);
      exitButton = CreateWindowExA(0, "button", "Exit SIM", WS_CHILD | WS_VISIBLE, 8, 8, 144, 25, window,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(kExitButtonId)),
                                   creation->hInstance, nullptr);
      return 0;
    }
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == kExitButtonId) {
        auto* listener = reinterpret_cast<ExitWindowListener*>(GetWindowLongPtrA(window, 0));
        if (listener != nullptr) listener->exitButtonPressed();
      }
      return 0;
    case WM_CLOSE: {
      HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
      if (exitButton != nullptr) {
        DestroyWindow(exitButton);
        exitButton = nullptr;
      }
      DestroyWindow(window);
      UnregisterClassA(kExitWindowClass, instance);
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

// Gives up: the launching call stops waiting before the user is told.
DWORD giveUp(ExitWindowStart* start, const char* text) {
  start->window = nullptr;
  SetEvent(start->readyEvent);
  MessageBoxA(nullptr, text, "Error!", MB_ICONEXCLAMATION | MB_OK);
  return 0;
}

DWORD WINAPI exitWindowThread(LPVOID parameter) {
  auto* start = static_cast<ExitWindowStart*>(parameter);
  // The class belongs to the host program, not to this library.
  HINSTANCE instance = GetModuleHandleA(nullptr);

  WNDCLASSEXA windowClass;
  ZeroMemory(&windowClass, sizeof windowClass);
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = 0;
  windowClass.lpfnWndProc = exitWindowProc;
  windowClass.cbClsExtra = 0;
  windowClass.cbWndExtra = sizeof(LONG_PTR);
  windowClass.hInstance = instance;
  windowClass.hIcon = nullptr;
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  windowClass.lpszMenuName = nullptr;
  windowClass.lpszClassName = kExitWindowClass;
  windowClass.hIconSm = nullptr;
  if (!RegisterClassExA(&windowClass)) return giveUp(start, "Window Registration Failed!");

  HWND window = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kExitWindowClass, "SIMExitWindow",
                                WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 643, 22, 167, 64, nullptr,
                                nullptr, instance, nullptr);
  if (window == nullptr) {
    // Unregistered again, so that a later launch can try anew.
    UnregisterClassA(kExitWindowClass, instance);
    return giveUp(start, "Window Creation Failed!");
  }
  SetWindowLongPtrA(window, 0, reinterpret_cast<LONG_PTR>(start->listener));

  // Hidden before the launching call may move and show it.
  ShowWindow(window, SW_HIDE);
  UpdateWindow(window);
  start->window = window;
  SetEvent(start->readyEvent);

  // Messages of this window only; retrieval fails once it is destroyed.
  MSG message;
  ZeroMemory(&message, sizeof message);
  while (GetMessageA(&message, window, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<DWORD>(message.wParam);
}

class Win32Desktop : public Desktop {
 public:
  WindowHandle findWindow(const std::string& className, const std::string& title) override {
    return FindWindowA(className.c_str(), title.c_str());
  }

  WindowHandle firstWindowOfClass(const std::string& className) override {
    return FindWindowA(className.c_str(), nullptr);
  }

  std::string windowTitle(WindowHandle window, int maxLength) override {
    std::string title(static_cast<size_t>(maxLength) + 1, '\0');
    const int length = GetWindowTextA(handleOf(window), &title[0], maxLength + 1);
    title.resize(length > 0 ? static_cast<size_t>(length) : 0);
    return title;
  }

  void bringToTop(WindowHandle window) override {
    SetWindowPos(handleOf(window), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  }

  void keyEvent(int virtualKey, bool keyUp) override {
    keybd_event(static_cast<BYTE>(virtualKey), 0, keyUp ? KEYEVENTF_KEYUP : 0, 0);
  }

  short keyForCharacter(char character) override { return VkKeyScanA(character); }

  void pause(int milliseconds) override { Sleep(static_cast<DWORD>(milliseconds)); }

  int screenWidth() override { return GetSystemMetrics(SM_CXSCREEN); }

  void messageBox(const std::string& text, const std::string& caption, MessageIcon icon) override {
    UINT type = MB_OK;
    if (icon == MessageIcon::error) type |= MB_ICONERROR;
    if (icon == MessageIcon::exclamation) type |= MB_ICONEXCLAMATION;
    MessageBoxA(nullptr, text.c_str(), caption.c_str(), type);
  }

  bool openExitWindow(ExitWindowListener& listener, WindowHandle& window, std::uint32_t& threadId) override {
    OwnedHandle readyEvent(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (readyEvent.get() == nullptr) return false;
    ExitWindowStart start{&listener, readyEvent.get(), nullptr};
    DWORD id = 0;
    OwnedHandle thread(CreateThread(nullptr, 0, exitWindowThread, &start, 0, &id));
    if (thread.get() == nullptr) return false;
    // The thread sets the event when its window exists or when it gives up;
    // its end counts as well, so the wait cannot outlast it.
    const HANDLE waitFor[] = {readyEvent.get(), thread.get()};
    WaitForMultipleObjects(2, waitFor, FALSE, INFINITE);
    if (WaitForSingleObject(readyEvent.get(), 0) != WAIT_OBJECT_0 || start.window == nullptr) return false;
    window = start.window;
    threadId = id;
    return true;
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
