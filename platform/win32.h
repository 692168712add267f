// The one way the project includes the Windows API, and the owner of its
// kernel handles.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>

namespace platform {

// The programs' UTF-8 as UTF-16 for the wide calls of the Windows API, and
// back (textencoding_win32.cpp). Text that is not UTF-8 gives empty text.
std::wstring widen(const std::string& utf8);
std::string narrow(const std::wstring& wide);

// Closes a kernel handle (process, thread, event) when it goes out of scope.
class OwnedHandle {
 public:
  explicit OwnedHandle(HANDLE handle) : handle_(handle) {}
  ~OwnedHandle() {
    if (handle_ != nullptr) CloseHandle(handle_);
  }
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

}  // namespace platform
