// String values of the registry on the Windows API.
#include "registry.h"

#include <vector>

#include "win32.h"

namespace platform {

namespace {

class RegistryKey {
 public:
  RegistryKey() = default;
  ~RegistryKey() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  HKEY* receive() { return &key_; }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

}  // namespace

bool writeUserString(const std::string& key, const std::string& valueName, const std::string& data) {
  RegistryKey opened;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, widen(key).c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, opened.receive(),
                      nullptr) != ERROR_SUCCESS) {
    return false;
  }
  // REG_SZ data includes its terminating NUL.
  const std::wstring wide = widen(data);
  return RegSetValueExW(opened.get(), widen(valueName).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()),
                        static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

std::optional<std::string> readUserString(const std::string& key, const std::string& valueName) {
  RegistryKey opened;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, widen(key).c_str(), 0, KEY_QUERY_VALUE, opened.receive()) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  const std::wstring wideName = widen(valueName);
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExW(opened.get(), wideName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      type != REG_SZ) {
    return std::nullopt;
  }
  std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
  if (RegQueryValueExW(opened.get(), wideName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                       &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return narrow(buffer.data());
}

}  // namespace platform
