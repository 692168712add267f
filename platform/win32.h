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
// back (codepages_win32.cpp). Text that is not UTF-8 gives empty text.
std::wstring widen(const std::string& utf8);
std::string narrow(const std::wstring& wide);

// How text goes into a code page and back (codepages_win32.cpp), chosen
// per code page: some refuse the flags that would report a missing
// character, and a round trip must then tell instead.
struct CodePageConversion {
  UINT codePage = 0;           // CP_ACP and CP_OEMCP resolved to their numbers
  DWORD toBytesFlags = 0;      // WideCharToMultiByte's
  bool reportsDefault = false;  // whether lpUsedDefaultChar may be passed
  bool checksRoundTrip = false;  // converted back, the text must be unchanged
  DWORD strictFromBytesFlags = 0;  // MultiByteToWideChar's for text that must be valid
};
CodePageConversion codePageConversion(UINT codePage);

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
