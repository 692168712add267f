// The library's entry point on Windows: it keeps the module handle, so that
// the bridge finds its files beside its own DLL.
#include "platform/win32.h"
#include "wizardbridge/bridge.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD, LPVOID) {
  plover::setModuleHandle(instance);
  return TRUE;
}
