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
  if (RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, opened.receive(),
                      nullptr) != ERROR_SUCCESS) {
    return false;
  }
  // REG_SZ data includes its terminating NUL.
  return RegSetValueExA(opened.get(), valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                        static_cast<DWORD>(data.size() + 1)) == ERROR_SUCCESS;
}

bool readUserString(const std::string& key, const std::string& valueName, std::string& data) {
  RegistryKey opened;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_QUERY_VALUE, opened.receive()) != ERROR_SUCCESS) {
    return false;
  }
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExA(opened.get(), valueName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      type != REG_SZ) {
    return false;
  }
  std::vector<char> buffer(size + 1, '\0');
  if (RegQueryValueExA(opened.get(), valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                       &size) != ERROR_SUCCESS) {
    return false;
  }
  data.assign(buffer.data());
  return true;
}

}  // namespace platform
