// Process start on POSIX, with the command-line conventions of Windows.
#include "process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <vector>

extern char** environ;

namespace platform {

namespace {

std::vector<std::string> splitCommandLine(const std::string& commandLine) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  bool quoted = false;
  for (const char c : commandLine) {
    if (c == '"') {
      quoted = !quoted;
      inWord = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) words.push_back(word);
  return words;
}

}  // namespace

ProcessOutcome runAndWait(const std::string& commandLine) {
  ProcessOutcome outcome;
  std::vector<std::string> words = splitCommandLine(commandLine);
  if (words.empty()) return outcome;
  std::replace(words[0].begin(), words[0].end(), '\\', '/');

  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  // The started program writes into the same terminal: ours goes first.
  std::fflush(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return outcome;
  outcome.started = true;

  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return outcome;
  }
  if (WIFEXITED(status)) {
    outcome.exitCode = static_cast<unsigned long>(WEXITSTATUS(status));
  } else if (WIFSIGNALED(status)) {
    outcome.exitCode = 128ul + static_cast<unsigned long>(WTERMSIG(status));
  }
  return outcome;
}

bool startDetached(const std::string& programPath, const std::string& currentDirectory) {
  // Everything the children need is prepared here: after fork they call
  // only async-signal-safe functions.
  std::string program = programPath;
  std::replace(program.begin(), program.end(), '\\', '/');
  std::string directory = currentDirectory;
  std::replace(directory.begin(), directory.end(), '\\', '/');
  char* argv[] = {program.data(), nullptr};
  const long openMax = sysconf(_SC_OPEN_MAX);

  // The grandchild reports a failed chdir or exec through the pipe; a pipe
  // closed by a successful exec reads as nothing.
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) return false;

  std::fflush(nullptr);
  const pid_t child = fork();
  if (child < 0) {
    close(report[0]);
    close(report[1]);
    return false;
  }
  if (child == 0) {
    const pid_t grandchild = fork();
    if (grandchild == 0) {
      setsid();
      // No handles are inherited but the standard ones and the report pipe.
      const unsigned keep = static_cast<unsigned>(report[1]);
      if (keep > 3 && close_range(3, keep - 1, 0) != 0) {
        for (unsigned fd = 3; fd < keep; ++fd) close(static_cast<int>(fd));
      }
      if (close_range(keep + 1, ~0u, 0) != 0) {
        for (long fd = keep + 1; fd < openMax; ++fd) close(static_cast<int>(fd));
      }
      int error = 0;
      if (chdir(directory.c_str()) != 0) {
        error = errno;
      } else {
        execve(argv[0], argv, environ);
        error = errno;
      }
      ssize_t ignored = write(report[1], &error, sizeof error);
      (void)ignored;
      _exit(127);
    }
    _exit(grandchild < 0 ? 1 : 0);
  }

  close(report[1]);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  int error = 0;
  ssize_t got;
  do {
    got = read(report[0], &error, sizeof error);
  } while (got < 0 && errno == EINTR);
  close(report[0]);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 && got == 0;
}

}  // namespace platform
