// Process start on the Windows API.
#include "process.h"

#include <cstdio>
#include <vector>

#include "win32.h"

namespace platform {

namespace {

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

}  // namespace

ProcessOutcome runAndWait(const std::string& commandLine) {
  ProcessOutcome outcome;
  // The started program writes into the same console: ours goes first.
  std::fflush(nullptr);

  STARTUPINFOA startup;
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info;
  ZeroMemory(&info, sizeof info);

  // CreateProcessA may write into the command line, so it gets its own copy,
  // as long as the line is.
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');

  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE,
                      CREATE_DEFAULT_ERROR_MODE | NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                      &startup, &info)) {
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
  STARTUPINFOA startup;
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info;
  ZeroMemory(&info, sizeof info);
  std::vector<char> line(programPath.begin(), programPath.end());
  line.push_back('\0');
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr,
                      currentDirectory.c_str(), &startup, &info)) {
    return false;
  }
  // The program is never waited for: both handles go at once.
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  return true;
}

}  // namespace platform
