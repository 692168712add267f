// Module path on the Windows API.
#include "module.h"

#include <vector>

#include "win32.h"

namespace platform {

std::string modulePath(ModuleHandle module) {
  HMODULE handle = static_cast<HMODULE>(const_cast<void*>(module));
  // GetModuleFileNameW cuts the name to the buffer: grow until it fits.
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameW(handle, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return std::string();
    if (length < buffer.size()) return narrow(std::wstring(buffer.data(), length));
    if (buffer.size() >= 32768) return std::string();
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace platform
