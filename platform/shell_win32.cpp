// The shell's file copy on the Windows API.
#include "shell.h"

#include "win32.h"

#include <shellapi.h>

#include "files.h"

namespace platform {

namespace {

// Whether the directory of every source of the list exists.
bool sourceDirectoriesExist(const std::string& sourceList) {
  for (size_t begin = 0; begin < sourceList.size() && sourceList[begin] != '\0';) {
    size_t end = sourceList.find('\0', begin);
    if (end == std::string::npos) end = sourceList.size();
    const std::string source = sourceList.substr(begin, end - begin);
    const size_t separator = source.find_last_of("\\/");
    if (separator != std::string::npos && separator > 0 && !isDirectory(source.substr(0, separator))) return false;
    begin = end + 1;
  }
  return true;
}

}  // namespace

bool shellCopy(const std::string& sourceList, const std::string& destinationList) {
  // A pattern in a missing directory copies nothing, yet some versions of
  // the shell report success for it.
  if (!sourceDirectoriesExist(sourceList)) return false;
  SHFILEOPSTRUCTA operation;
  ZeroMemory(&operation, sizeof operation);
  operation.hwnd = nullptr;
  operation.wFunc = FO_COPY;
  operation.pFrom = sourceList.c_str();
  operation.pTo = destinationList.c_str();
  operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR;
  // Whether the user aborted is not asked: no dialog is ever shown.
  return SHFileOperationA(&operation) == 0;
}

}  // namespace platform
