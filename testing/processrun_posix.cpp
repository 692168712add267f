#include "testing/processrun.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace testsupport {

namespace {

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

}  // namespace

namespace {

constexpr uid_t kNobody = 65534;

// Whether argv[0] is the Wine runner, so that a Windows program starts.
bool startsUnderWine(const std::vector<std::string>& argv) {
  const std::string suffix = "/wine-run";
  const std::string& program = argv.front();
  return program.size() >= suffix.size() && program.compare(program.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The environment every program under test starts with, whatever the caller
// of the tests has: a UTF-8 locale (one whose ANSI code page is 1252 for a
// Windows program, since Wine takes the code page from it), UTC and no
// message language. A test names another locale in its own variables.
void pinEnvironment(bool windowsProgram) {
  std::vector<std::string> localeNames;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string name(*entry, std::string(*entry).find('='));
    if (name.rfind("LC_", 0) == 0) localeNames.push_back(name);
  }
  for (const std::string& name : localeNames) unsetenv(name.c_str());
  unsetenv("LANGUAGE");
  const char* locale = windowsProgram ? "en_US.UTF-8" : "C.UTF-8";
  setenv("LANG", locale, 1);
  setenv("LC_ALL", locale, 1);
  setenv("TZ", "UTC", 1);
}

}  // namespace

namespace {

ProgramRun runOnce(const std::vector<std::string>& argv, const std::string& directory,
                   const std::map<std::string, std::string>& environment, bool unprivileged) {
  ProgramRun run;
  char outName[] = "/tmp/pvrun-out-XXXXXX";
  char errName[] = "/tmp/pvrun-err-XXXXXX";
  const int outFd = mkstemp(outName);
  const int errFd = mkstemp(errName);
  if (outFd < 0 || errFd < 0) return run;

  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(outFd, 1);
    dup2(errFd, 2);
    if (unprivileged && geteuid() == 0) {
      if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0) _exit(125);
    }
    if (chdir(directory.c_str()) != 0) _exit(126);
    pinEnvironment(startsUnderWine(argv));
    for (const auto& [name, value] : environment) {
      if (value.empty()) unsetenv(name.c_str());
      else setenv(name.c_str(), value.c_str(), 1);
    }
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
  close(outFd);
  close(errFd);
  run.out = slurp(outName);
  run.err = slurp(errName);
  unlink(outName);
  unlink(errName);
  return run;
}

}  // namespace

// On a loaded machine Wine now and then ends a start with a non-zero code
// and no output at all, which our programs never do when they fail: such a
// start is made once more, and said. (The silent installer fails without
// a word; its second start fails the same way.)
ProgramRun runProgram(const std::vector<std::string>& argv, const std::string& directory,
                      const std::map<std::string, std::string>& environment, bool unprivileged) {
  ProgramRun run = runOnce(argv, directory, environment, unprivileged);
  if (startsUnderWine(argv) && run.exitCode != 0 && run.out.empty() && run.err.empty()) {
    const std::string& program = argv.size() > 1 ? argv[1] : argv[0];
    std::fprintf(stderr, "%s ended with %d and printed nothing: started again\n", program.c_str(), run.exitCode);
    run = runOnce(argv, directory, environment, unprivileged);
  }
  return run;
}

std::string withoutCr(const std::string& text) {
  std::string result;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    result += text[i];
  }
  return result;
}

}  // namespace testsupport
