// The shell's file copy on the Windows API.
#include "shell.h"

#include "win32.h"

#include <shellapi.h>

#include "files.h"

namespace platform {

namespace {

// Whether the directory of every source exists.
bool sourceDirectoriesExist(const std::vector<std::string>& sources) {
  for (const std::string& source : sources) {
    const size_t separator = source.find_last_of("\\/");
    if (separator != std::string::npos && separator > 0 && !isDirectory(source.substr(0, separator))) return false;
  }
  return true;
}

// The shell's form of a list: each path followed by a NUL, one more NUL
// after the last.
std::wstring doubleNulList(const std::vector<std::string>& paths) {
  std::wstring list;
  for (const std::string& path : paths) {
    list += widen(path);
    list += L'\0';
  }
  list += L'\0';
  return list;
}

}  // namespace

bool shellCopy(const std::vector<std::string>& sources, const std::string& destination) {
  // A pattern in a missing directory copies nothing, yet some versions of
  // the shell report success for it.
  if (!sourceDirectoriesExist(sources)) return false;
  const std::wstring sourceList = doubleNulList(sources);
  const std::wstring destinationList = doubleNulList({destination});
  SHFILEOPSTRUCTW operation;
  ZeroMemory(&operation, sizeof operation);
  operation.hwnd = nullptr;
  operation.wFunc = FO_COPY;
  operation.pFrom = sourceList.c_str();
  operation.pTo = destinationList.c_str();
  operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR;
  // Whether the user aborted is not asked: no dialog is ever shown.
  return SHFileOperationW(&operation) == 0;
}

}  // namespace platform
