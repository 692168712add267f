// Stand-in for the SDK make tools (kmmake, hmake) in tests. It appends what
// it was started with to a log: its own name, the command line (verbatim on
// Windows), each argument, the working directory and the environment the
// build tool prepares. A kmmake leaves a make.i behind as the real one does.
//
// STANDIN_LOG names the log (default: standin.log in the working directory);
// STANDIN_EXIT_CODE, when set, is the exit code to end with; STANDIN_CRASH
// makes it end abnormally instead: "segv" (an invalid memory access),
// "abort", or "kill" (killed by a signal it cannot catch, POSIX only).
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#ifdef _WIN32
#include "platform/win32.h"
#else
#include <unistd.h>
#endif

namespace {

std::string currentDirectory() {
#ifdef _WIN32
  char buffer[32768];
  const DWORD length = GetCurrentDirectoryA(sizeof buffer, buffer);
  return std::string(buffer, length);
#else
  char buffer[4096];
  return getcwd(buffer, sizeof buffer) != nullptr ? std::string(buffer) : std::string();
#endif
}

#ifdef _WIN32
LONG WINAPI endWithoutDebugger(EXCEPTION_POINTERS*) { return EXCEPTION_EXECUTE_HANDLER; }
#endif

std::string toolName(const char* argv0) {
  std::string name = argv0;
  const size_t slash = name.find_last_of("\\/");
  if (slash != std::string::npos) name = name.substr(slash + 1);
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos) name = name.substr(0, dot);
  return name;
}

}  // namespace

int main(int argc, char** argv) {
  const char* logName = std::getenv("STANDIN_LOG");
  std::FILE* log = std::fopen(logName != nullptr ? logName : "standin.log", "ab");
  if (log == nullptr) return 99;

  const std::string name = toolName(argv[0]);
  std::fprintf(log, "tool=%s\n", name.c_str());
#ifdef _WIN32
  std::fprintf(log, "commandline=%s\n", GetCommandLineA());
#endif
  for (int i = 1; i < argc; ++i) std::fprintf(log, "arg=%s\n", argv[i]);
  std::fprintf(log, "cwd=%s\n", currentDirectory().c_str());
  for (const char* variable : {"PATH", "SHC_INC", "SHC_LIB", "SHC_TMP"}) {
    const char* value = std::getenv(variable);
    std::fprintf(log, "%s%s%s\n", variable, value != nullptr ? "=" : " unset", value != nullptr ? value : "");
  }
  std::fprintf(log, "end\n");
  std::fclose(log);

  if (name == "kmmake") {
    if (std::FILE* marker = std::fopen("make.i", "wb")) std::fclose(marker);
  }
  if (const char* crash = std::getenv("STANDIN_CRASH")) {
    const std::string how = crash;
#ifdef _WIN32
    // Ends with the exception's code, without a crash dialog or debugger
    // that would wait for someone to close it.
    SetUnhandledExceptionFilter(endWithoutDebugger);
#endif
    if (how == "segv") *static_cast<volatile int*>(nullptr) = 1;
    if (how == "abort") std::abort();
#ifndef _WIN32
    if (how == "kill") std::raise(SIGKILL);
#endif
  }
  const char* exitCode = std::getenv("STANDIN_EXIT_CODE");
  return exitCode != nullptr ? std::atoi(exitCode) : 0;
}
