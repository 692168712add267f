// Process start on the Windows API.
#include "process.h"

#include <cstdio>
#include <vector>

#include "win32.h"

namespace platform {

namespace {

// CreateProcessA with the command line in a writable copy of its own (the
// call may write into it), as long as the line is, and a start-up record
// that is all zero but its size.
bool createProcess(const std::string& commandLine, bool inheritHandles, DWORD flags, const char* directory,
                   PROCESS_INFORMATION& info) {
  STARTUPINFOA startup;
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  ZeroMemory(&info, sizeof info);
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  return CreateProcessA(nullptr, line.data(), nullptr, nullptr, inheritHandles ? TRUE : FALSE, flags, nullptr,
                        directory, &startup, &info) != 0;
}

}  // namespace

ProcessOutcome runAndWait(const std::string& commandLine) {
  ProcessOutcome outcome;
  // The started program writes into the same console: ours goes first.
  std::fflush(nullptr);
  PROCESS_INFORMATION info;
  if (!createProcess(commandLine, true, CREATE_DEFAULT_ERROR_MODE | NORMAL_PRIORITY_CLASS, nullptr, info)) {
    return outcome;
  }
  OwnedHandle process(info.hProcess);
  OwnedHandle thread(info.hThread);
  outcome.started = true;
  WaitForSingleObject(process.get(), INFINITE);
  DWORD code = 0;
  if (GetExitCodeProcess(process.get(), &code)) outcome.exitCode = code;
  return outcome;
}

bool startDetached(const std::string& programPath, const std::string& currentDirectory) {
  PROCESS_INFORMATION info;
  if (!createProcess(programPath, false, NORMAL_PRIORITY_CLASS, currentDirectory.c_str(), info)) return false;
  // The program is never waited for: both handles go at once.
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  return true;
}

}  // namespace platform
