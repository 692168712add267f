// Stand-in for the IDE's Java wizard on Windows, for the demo: loads
// plover.dll as the Java virtual machine does, runs a built program in the
// simulator through the exported runPVSDKProject, and then closes the
// simulator again with a click on the "Exit SIM" button, as a user would.
//
//   wizardhost PLOVER_DLL PROJECT PROJECT_DIRECTORY true|false
//
// Prints what it saw, one "key: value" line each; exit code 0 when the
// simulator ran and was closed by the button.
#include <jni.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/win32.h"

namespace {

// The two JNI functions runPVSDKProject uses; a jstring is a std::string*.
const char* JNICALL getStringUTFChars(JNIEnv*, jstring string, jboolean* isCopy) {
  if (isCopy != nullptr) *isCopy = JNI_FALSE;
  return reinterpret_cast<std::string*>(string)->c_str();
}

void JNICALL releaseStringUTFChars(JNIEnv*, jstring, const char*) {}

using RunFunction = jboolean(JNICALL*)(JNIEnv*, jclass, jstring, jstring, jboolean);

template <typename Condition>
bool waitFor(Condition condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    Sleep(25);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: wizardhost PLOVER_DLL PROJECT PROJECT_DIRECTORY true|false\n");
    return 2;
  }
  HMODULE bridge = LoadLibraryA(argv[1]);
  if (bridge == nullptr) {
    std::printf("load: failed (%lu)\n", GetLastError());
    return 1;
  }
  const auto run = reinterpret_cast<RunFunction>(reinterpret_cast<void*>(
      GetProcAddress(bridge, "Java_com_velmora_opentools_casiopv_addinwiz_AddInJNIComm_runPVSDKProject")));
  if (run == nullptr) {
    std::printf("export: not found\n");
    return 1;
  }

  JNINativeInterface_ functions;
  std::memset(&functions, 0, sizeof functions);
  functions.GetStringUTFChars = getStringUTFChars;
  functions.ReleaseStringUTFChars = releaseStringUTFChars;
  JNIEnv env;
  env.functions = &functions;
  std::string project = argv[2];
  std::string directory = argv[3];
  const bool debug = std::strcmp(argv[4], "true") == 0;

  const bool found = run(&env, nullptr, reinterpret_cast<jstring>(&project), reinterpret_cast<jstring>(&directory),
                         debug ? JNI_TRUE : JNI_FALSE) != JNI_FALSE;
  std::printf("runPVSDKProject: %s\n", found ? "true (simulator window found)" : "false");
  if (!found) return 1;

  HWND exitWindow = nullptr;
  waitFor([&] { return (exitWindow = FindWindowA("SIMExitWindowClass", "SIMExitWindow")) != nullptr; });
  HWND button = exitWindow != nullptr ? FindWindowExA(exitWindow, nullptr, "button", "Exit SIM") : nullptr;
  if (button == nullptr) {
    std::printf("exit window: not found\n");
    return 1;
  }
  RECT place;
  GetWindowRect(exitWindow, &place);
  std::printf("exit window: \"SIMExitWindow\" at (%ld, %ld), %ld x %ld, %s, button \"Exit SIM\"\n", place.left,
              place.top, place.right - place.left, place.bottom - place.top,
              (GetWindowLongA(exitWindow, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0 ? "always on top" : "not on top");

  // With WIZARDHOST_HOLD set to a file name, the host makes that file and
  // waits until it is gone before it clicks, so that a picture of the
  // screen can be taken meanwhile.
  if (const char* hold = std::getenv("WIZARDHOST_HOLD")) {
    if (std::FILE* ready = std::fopen(hold, "w")) std::fclose(ready);
    waitFor([&] { return GetFileAttributesA(hold) == INVALID_FILE_ATTRIBUTES; });
  }

  // A click in the middle of the button.
  RECT area;
  GetWindowRect(button, &area);
  SetCursorPos((area.left + area.right) / 2, (area.top + area.bottom) / 2);
  mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
  mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
  const bool closed = waitFor([] { return FindWindowA("TMainForm", nullptr) == nullptr; });
  std::printf("Exit SIM clicked: simulator %s, exit window %s\n", closed ? "closed" : "still running",
              IsWindowVisible(exitWindow) ? "shown" : "hidden");
  std::fflush(stdout);
  // The exit window's thread belongs to the bridge; the process ends here.
  ExitProcess(closed ? 0 : 1);
}
