// Process start on the Windows API.
#include "process.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "win32.h"

namespace platform {

namespace {

// CreateProcessW with the command line in a writable copy of its own (the
// call may write into it), as long as the line is, and a start-up record
// that is all zero but its size. A null program and environment block leave
// the search and the environment to the system.
bool createProcess(const std::string& program, const std::string& commandLine, bool inheritHandles, DWORD flags,
                   void* environmentBlock, const std::string& directory, PROCESS_INFORMATION& info) {
  STARTUPINFOW startup;
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  ZeroMemory(&info, sizeof info);
  std::wstring line = widen(commandLine);
  const std::wstring wideProgram = widen(program);
  const std::wstring wideDirectory = widen(directory);
  return CreateProcessW(program.empty() ? nullptr : wideProgram.c_str(), line.data(), nullptr, nullptr,
                        inheritHandles ? TRUE : FALSE, flags, environmentBlock,
                        directory.empty() ? nullptr : wideDirectory.c_str(), &startup, &info) != 0;
}

std::string directoryOf(const std::string& path) { return path.substr(0, path.rfind('\\') + 1); }

// CreateProcess looks a bare program name up with our own PATH; the child's
// PATH must count instead. Same order: the directory of this program, the
// current one, the system's, the Windows directory, then PATH. Empty when
// the first word is not a bare name or is not found; the system then
// searches as it always does.
std::string findProgram(const std::string& commandLine, const Environment& environment) {
  std::string name;
  if (!commandLine.empty() && commandLine[0] == '"') {
    name = commandLine.substr(1, commandLine.find('"', 1) - 1);
  } else {
    name = commandLine.substr(0, commandLine.find_first_of(" \t"));
  }
  if (name.empty() || name.find_first_of("\\/:") != std::string::npos) return std::string();

  // As CreateProcess does: ".exe" is added to a name without an extension.
  if (name.find('.') == std::string::npos) name += ".exe";

  wchar_t buffer[MAX_PATH];
  std::string searchPath;
  if (GetModuleFileNameW(nullptr, buffer, MAX_PATH) != 0) searchPath += directoryOf(narrow(buffer)) + ";";
  searchPath += ".;";
  if (GetSystemDirectoryW(buffer, MAX_PATH) != 0) searchPath += narrow(buffer) + ";";
  if (GetWindowsDirectoryW(buffer, MAX_PATH) != 0) searchPath += narrow(buffer) + "\\System;" + narrow(buffer) + ";";
  searchPath += environment.get("PATH").value_or("");

  for (size_t start = 0; start <= searchPath.size();) {
    const size_t semicolon = std::min(searchPath.find(';', start), searchPath.size());
    std::string directory = searchPath.substr(start, semicolon - start);
    start = semicolon + 1;
    if (directory.empty()) continue;
    if (directory.back() != '\\' && directory.back() != '/') directory += '\\';
    const std::string candidate = directory + name;
    const DWORD attributes = GetFileAttributesW(widen(candidate).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return candidate;
  }
  return std::string();
}

}  // namespace

ProcessOutcome runAndWait(const std::string& commandLine, const Environment& environment) {
  ProcessOutcome outcome;
  // The block, in UTF-16 as the entries are kept lossless in UTF-8: every
  // "NAME=value" with its NUL, then one more NUL.
  std::vector<wchar_t> block;
  for (const std::string& entry : environment.entries()) {
    const int length = MultiByteToWideChar(CP_UTF8, 0, entry.data(), static_cast<int>(entry.size()), nullptr, 0);
    const size_t start = block.size();
    block.resize(start + static_cast<size_t>(length));
    MultiByteToWideChar(CP_UTF8, 0, entry.data(), static_cast<int>(entry.size()), block.data() + start, length);
    block.push_back(L'\0');
  }
  block.push_back(L'\0');
  if (environment.entries().empty()) block.push_back(L'\0');
  const std::string program = findProgram(commandLine, environment);

  // The started program writes into the same console: ours goes first.
  std::fflush(nullptr);
  PROCESS_INFORMATION info;
  if (!createProcess(program, commandLine, true,
                     CREATE_DEFAULT_ERROR_MODE | NORMAL_PRIORITY_CLASS | CREATE_UNICODE_ENVIRONMENT, block.data(),
                     std::string(), info)) {
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
  if (!createProcess(std::string(), programPath, false, NORMAL_PRIORITY_CLASS, nullptr, currentDirectory, info)) {
    return false;
  }
  // The program is never waited for: both handles go at once.
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  return true;
}

}  // namespace platform
