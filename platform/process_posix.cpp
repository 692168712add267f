// Process start on POSIX, with the command-line conventions of Windows.
#include "process.h"

#include <spawn.h>
#include <sys/wait.h>

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

}  // namespace platform
