// Starting programs and waiting for them.
#pragma once

#include <string>

#include "environment.h"

namespace platform {

struct ProcessOutcome {
  bool started = false;
  // The program's exit code; on POSIX a program ended by a signal reports
  // 128 + the signal number, as shells do.
  unsigned long exitCode = 0;
};

// Starts a command line the way the build tool starts its make tool: the
// first word names the program, found by the platform's search order with
// the directories of the PATH of the environment given; the program gets
// that environment, shares the console and inherits the handles and the
// current directory. Waits without a time limit for its end.
//
// On POSIX the line is split at blanks into words; a word may be enclosed in
// double quotes to hold blanks. The program word has its backslashes turned
// into slashes and is looked up like execvp; the other words pass unchanged.
ProcessOutcome runAndWait(const std::string& commandLine, const Environment& environment);
// The same with a copy of this process's environment.
ProcessOutcome runAndWait(const std::string& commandLine);

// Starts a program without waiting for it: the program path, unquoted, is
// the whole command line (no arguments); no handles are inherited; the
// program runs in the directory given. True when the process was created.
// On POSIX the program is started through a short-lived intermediate
// process, so that it leaves no zombie behind in the caller.
bool startDetached(const std::string& programPath, const std::string& currentDirectory);

}  // namespace platform
