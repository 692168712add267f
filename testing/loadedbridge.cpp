#include "testing/loadedbridge.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#ifdef _WIN32
#include "platform/win32.h"
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace plovertest {

LoadedBridge& LoadedBridge::instance() {
  static LoadedBridge bridge;
  return bridge;
}

LoadedBridge::LoadedBridge() {
  tree_.installShippedTemplates();
  tree_.installBuildTool(PLOVER_KESTREL, PLOVER_STANDIN_KMMAKE);
  const std::string copy = (fs::path(tree_.nativeModuleDirectory()) / fs::path(PLOVER_LIBRARY).filename()).string();
  fs::copy_file(PLOVER_LIBRARY, copy, fs::copy_options::overwrite_existing);
#ifdef _WIN32
  library_ = LoadLibraryA(copy.c_str());
#else
  library_ = dlopen(copy.c_str(), RTLD_NOW | RTLD_LOCAL);
#endif
  if (library_ == nullptr) ADD_FAILURE() << "cannot load " << copy;
}

void* LoadedBridge::symbol(const std::string& name) const {
  if (library_ == nullptr) return nullptr;
#ifdef _WIN32
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library_), name.c_str()));
#else
  return dlsym(library_, name.c_str());
#endif
}

void* LoadedBridge::method(const char* name) const {
  void* address = symbol(std::string("Java_com_velmora_opentools_casiopv_addinwiz_AddInJNIComm_") + name);
  if (address == nullptr) ADD_FAILURE() << "no export for " << name;
  return address;
}

DebugMethod LoadedBridge::debugMethod() const { return reinterpret_cast<DebugMethod>(method("debugMethod")); }
NativeGetPV2SDKPath LoadedBridge::nativeGetPV2SDKPath() const {
  return reinterpret_cast<NativeGetPV2SDKPath>(method("nativeGetPV2SDKPath"));
}
CreatePVSDKProject LoadedBridge::createPVSDKProject() const {
  return reinterpret_cast<CreatePVSDKProject>(method("createPVSDKProject"));
}
GetPV2SDKLibraries LoadedBridge::getPV2SDKLibraries() const {
  return reinterpret_cast<GetPV2SDKLibraries>(method("getPV2SDKLibraries"));
}
RunPVSDKProject LoadedBridge::runPVSDKProject() const {
  return reinterpret_cast<RunPVSDKProject>(method("runPVSDKProject"));
}

#ifdef _WIN32

namespace {

BOOL CALLBACK collectChild(HWND child, LPARAM parameter) {
  auto* shown = reinterpret_cast<ShownMessage*>(parameter);
  char className[64] = "";
  GetClassNameA(child, className, sizeof className);
  if (lstrcmpiA(className, "Static") != 0) return TRUE;
  if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
    // A box without an icon may keep a hidden, empty icon control.
    if (IsWindowVisible(child) && SendMessageA(child, STM_GETICON, 0, 0) != 0) shown->icon = true;
    return TRUE;
  }
  char text[1024] = "";
  GetWindowTextA(child, text, sizeof text);
  if (text[0] != '\0') shown->text = text;
  return TRUE;
}

}  // namespace

ShownMessage messageShownBy(const std::function<void()>& call, const std::string& caption, int waitMilliseconds) {
  ShownMessage shown;
  std::thread watcher([&] {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMilliseconds);
    while (std::chrono::steady_clock::now() < deadline) {
      if (HWND box = FindWindowA("#32770", caption.c_str())) {
        // Give the box a moment to fill in its controls.
        Sleep(100);
        shown.appeared = true;
        shown.caption = caption;
        EnumChildWindows(box, collectChild, reinterpret_cast<LPARAM>(&shown));
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        return;
      }
      Sleep(20);
    }
  });
  call();
  watcher.join();
  return shown;
}

#ifdef __i386__
std::uint32_t callCountingStack(void* function, const std::uint32_t* arguments, std::uint32_t count,
                                std::uint32_t* bytesLeft) {
  std::uint32_t result;
  std::uint32_t left = count;
  asm volatile(
      "movl %%esp, %%edi\n\t"
      "1:\n\t"
      "testl %%ecx, %%ecx\n\t"
      "jz 2f\n\t"
      "pushl -4(%%esi,%%ecx,4)\n\t"
      "decl %%ecx\n\t"
      "jmp 1b\n\t"
      "2:\n\t"
      "call *%%ebx\n\t"
      "movl %%edi, %%ecx\n\t"
      "subl %%esp, %%ecx\n\t"
      "movl %%edi, %%esp\n\t"
      : "=a"(result), "+c"(left)
      : "b"(function), "S"(arguments)
      : "edi", "edx", "memory", "cc");
  *bytesLeft = left;
  return result;
}
#endif

#else

ShownMessage messageShownBy(const std::function<void()>& call, const std::string&, int) {
  ShownMessage shown;
  std::FILE* capture = std::tmpfile();
  std::fflush(stderr);
  const int saved = dup(2);
  dup2(fileno(capture), 2);
  call();
  std::fflush(stderr);
  dup2(saved, 2);
  close(saved);
  std::rewind(capture);
  std::string text;
  for (int c; (c = std::fgetc(capture)) != EOF;) text += static_cast<char>(c);
  std::fclose(capture);
  const size_t first = text.find('\n');
  if (first == std::string::npos) return shown;
  shown.appeared = true;
  shown.caption = text.substr(0, first);
  const size_t second = text.find('\n', first + 1);
  shown.text = text.substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1);
  return shown;
}

#endif

}  // namespace plovertest
