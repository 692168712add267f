// The "Exit SIM" window on the Windows API: its class, its button, and the
// thread with the message loop that owns it.
#include "wizardbridge/exitwindow.h"

#include "platform/win32.h"

namespace plover {

namespace {

const wchar_t* const kExitWindowClass = L"SIMExitWindowClass";
const int kExitButtonId = 101;

// The "Exit SIM" button; set when the window is created, cleared when it is
// closed.
HWND exitButton = nullptr;

// Handed to the window thread; valid only until it sets readyEvent.
struct ExitWindowStart {
  ExitButtonListener* listener;
  HANDLE readyEvent;
  HWND window;  // null when the thread gave up
};

LRESULT CALLBACK exitWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: {
      const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lParam);
      exitButton = CreateWindowExW(0, L"button", L"Exit SIM", WS_CHILD | WS_VISIBLE, 8, 8, 144, 25, window,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(kExitButtonId)),
                                   creation->hInstance, nullptr);
      return 0;
    }
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == kExitButtonId) {
        auto* listener = reinterpret_cast<ExitButtonListener*>(GetWindowLongPtrW(window, 0));
        if (listener != nullptr) listener->exitButtonPressed();
      }
      return 0;
    case WM_CLOSE: {
      HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window, GWLP_HINSTANCE));
      if (exitButton != nullptr) {
        DestroyWindow(exitButton);
        exitButton = nullptr;
      }
      DestroyWindow(window);
      UnregisterClassW(kExitWindowClass, instance);
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

// Gives up: the launching call stops waiting before the user is told.
DWORD giveUp(ExitWindowStart* start, const wchar_t* text) {
  start->window = nullptr;
  SetEvent(start->readyEvent);
  MessageBoxW(nullptr, text, L"Error!", MB_ICONEXCLAMATION | MB_OK);
  return 0;
}

DWORD WINAPI exitWindowThread(LPVOID parameter) {
  auto* start = static_cast<ExitWindowStart*>(parameter);
  // The class belongs to the host program, not to this library.
  HINSTANCE instance = GetModuleHandleW(nullptr);

  WNDCLASSEXW windowClass;
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
  if (!RegisterClassExW(&windowClass)) return giveUp(start, L"Window Registration Failed!");

  // Made hidden, not shown and hidden at once: under Wine without a window
  // manager hiding a shown window waits two seconds for one, and all that
  // time the window stood at its place of creation without its button,
  // where a click on it was lost.
  HWND window = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kExitWindowClass, L"SIMExitWindow",
                                WS_POPUP | WS_CAPTION | WS_SYSMENU, kExitWindowLeft, kExitWindowTop,
                                167, 64, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) {
    // Unregistered again, so that a later launch can try anew.
    UnregisterClassW(kExitWindowClass, instance);
    return giveUp(start, L"Window Creation Failed!");
  }
  SetWindowLongPtrW(window, 0, reinterpret_cast<LONG_PTR>(start->listener));

  // Hidden before the launching call may move and show it.
  ShowWindow(window, SW_HIDE);
  UpdateWindow(window);
  start->window = window;
  SetEvent(start->readyEvent);

  // Messages of this window only; retrieval fails once it is destroyed.
  MSG message;
  ZeroMemory(&message, sizeof message);
  while (GetMessageW(&message, window, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<DWORD>(message.wParam);
}

class Win32ExitWindow : public ExitWindowOpener {
 public:
  platform::WindowHandle open(ExitButtonListener& listener) override {
    platform::OwnedHandle readyEvent(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (readyEvent.get() == nullptr) return nullptr;
    ExitWindowStart start{&listener, readyEvent.get(), nullptr};
    DWORD id = 0;
    platform::OwnedHandle thread(CreateThread(nullptr, 0, exitWindowThread, &start, 0, &id));
    if (thread.get() == nullptr) return nullptr;
    // The thread sets the event when its window exists or when it gives up;
    // its end counts as well, so the wait cannot outlast it.
    const HANDLE waitFor[] = {readyEvent.get(), thread.get()};
    WaitForMultipleObjects(2, waitFor, FALSE, INFINITE);
    if (WaitForSingleObject(readyEvent.get(), 0) != WAIT_OBJECT_0) return nullptr;
    return start.window;
  }
};

}  // namespace

ExitWindowOpener& systemExitWindow() {
  static Win32ExitWindow window;
  return window;
}

bool simulatorRunsHere() { return true; }

}  // namespace plover
