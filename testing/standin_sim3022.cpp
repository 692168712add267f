// Stand-in for the PV simulator SIM3022 in tests: a Windows program whose
// main window has class "TMainForm" and title "SIM3022". It logs every key
// it receives, with the modifiers held, to keys.log in its working
// directory ("46 alt", "0D"), opens the file registered as recent file 4
// on Alt+F, R, 4 as the simulator does (its title then names the file),
// and closes on Alt+F4. Its window shows what it has logged, so that a
// picture of the screen tells what it received. With the argument
// "bystander" it is another program instead, one that must get no key: class
// and title "Bystander", log bystander.log, at (660, 300), opening nothing.
#include <cstdio>
#include <string>

#include "platform/win32.h"

namespace {

std::FILE* keyLog = nullptr;
bool bystander = false;
int menuState = 0;  // 1 after Alt+F, 2 after Alt+F R
std::string shownLog = "Stand-in simulator of the tests, keys received:\r\n";

void logLine(const std::string& line) {
  std::fprintf(keyLog, "%s\n", line.c_str());
  std::fflush(keyLog);
  shownLog += (line.compare(0, 7, "opened ") == 0 ? "\r\n" + line + "\r\n" : line + "  ");
}

void paint(HWND window) {
  PAINTSTRUCT painting;
  HDC context = BeginPaint(window, &painting);
  RECT area;
  GetClientRect(window, &area);
  InflateRect(&area, -8, -8);
  DrawTextA(context, shownLog.c_str(), -1, &area, DT_WORDBREAK | DT_NOPREFIX);
  EndPaint(window, &painting);
}

std::string recentFile() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\CASIO\\SIM3022\\RecentFiles", 0, KEY_QUERY_VALUE, &key) !=
      ERROR_SUCCESS) {
    return std::string();
  }
  char data[1024] = "";
  DWORD size = sizeof data - 1;
  DWORD type = 0;
  const bool ok = RegQueryValueExA(key, "4", nullptr, &type, reinterpret_cast<BYTE*>(data), &size) == ERROR_SUCCESS;
  RegCloseKey(key);
  return ok ? std::string(data) : std::string();
}

void keyDown(HWND window, WPARAM key) {
  if (key == VK_SHIFT || key == VK_CONTROL || key == VK_MENU) return;
  const bool shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
  const bool ctrl = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
  const bool alt = (GetKeyState(VK_MENU) & 0x8000) != 0;
  char line[64];
  std::snprintf(line, sizeof line, "%02X%s%s%s", static_cast<unsigned>(key), shift ? " shift" : "",
                ctrl ? " ctrl" : "", alt ? " alt" : "");
  logLine(line);

  if (bystander) {
    menuState = 0;
  } else if (key == 'F' && alt && !shift && !ctrl) {
    menuState = 1;
  } else if (key == 'R' && menuState == 1 && !alt) {
    menuState = 2;
  } else if (key == '4' && menuState == 2 && !alt) {
    menuState = 0;
    const std::string file = recentFile();
    logLine("opened " + file);
    SetWindowTextA(window, ("SIM3022 - " + file).c_str());
  } else {
    menuState = 0;
  }
  if (key == VK_F4 && alt) PostMessageA(window, WM_CLOSE, 0, 0);
}

LRESULT CALLBACK mainFormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      keyDown(window, wParam);
      InvalidateRect(window, nullptr, TRUE);
      return 0;
    case WM_PAINT:
      paint(window);
      return 0;
    // No menu bar and no beeps: the keys are all the stand-in wants.
    case WM_KEYUP:
    case WM_SYSKEYUP:
    case WM_CHAR:
    case WM_SYSCHAR:
      return 0;
    case WM_CLOSE:
      logLine("closed");
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  bystander = std::string(commandLine) == "bystander";
  const char* const name = bystander ? "Bystander" : "TMainForm";
  keyLog = std::fopen(bystander ? "bystander.log" : "keys.log", "a");
  if (keyLog == nullptr) return 1;
  logLine("started");

  WNDCLASSA windowClass;
  ZeroMemory(&windowClass, sizeof windowClass);
  windowClass.lpfnWndProc = mainFormProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
  windowClass.lpszClassName = name;
  if (!RegisterClassA(&windowClass)) return 1;
  HWND window = CreateWindowA(name, bystander ? "Bystander" : "SIM3022", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                              bystander ? 660 : 0, bystander ? 300 : 0, bystander ? 500 : 640, 480, nullptr, nullptr,
                              instance, nullptr);
  if (window == nullptr) return 1;

  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  std::fclose(keyLog);
  return 0;
}
