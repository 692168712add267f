// Process start on Linux (close_range, pipe2), with the command-line
// conventions of Windows.
#include "process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

#include "pathspelling.h"

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

// Starts the program as execvp would find it, but through the PATH of the
// child's environment rather than ours.
bool spawnSearching(pid_t& pid, const std::string& program, char* const argv[], char* const envp[],
                    const Environment& environment) {
  if (program.find('/') != std::string::npos) {
    return posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, envp) == 0;
  }
  const std::string path = environment.get("PATH").value_or("/bin:/usr/bin");
  size_t start = 0;
  for (;;) {
    const size_t colon = path.find(':', start);
    const std::string directory = path.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
    const std::string candidate = (directory.empty() ? "." : directory) + "/" + program;
    const int error = posix_spawn(&pid, candidate.c_str(), nullptr, nullptr, argv, envp);
    if (error == 0) return true;
    if (error != ENOENT && error != ENOTDIR && error != EACCES) return false;
    if (colon == std::string::npos) return false;
    start = colon + 1;
  }
}

}  // namespace

ProcessOutcome runAndWait(const std::string& commandLine, const Environment& environment) {
  ProcessOutcome outcome;
  std::vector<std::string> words = splitCommandLine(commandLine);
  if (words.empty()) return outcome;
  words[0] = backslashesToSlashes(words[0]);

  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  std::vector<std::string> entries = environment.entries();
  std::vector<char*> envp;
  for (std::string& entry : entries) envp.push_back(entry.data());
  envp.push_back(nullptr);

  // The started program writes into the same terminal: ours goes first.
  std::fflush(nullptr);
  pid_t pid = 0;
  if (!spawnSearching(pid, words[0], argv.data(), envp.data(), environment)) return outcome;
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
  std::string program = backslashesToSlashes(programPath);
  const std::string directory = backslashesToSlashes(currentDirectory);
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
