// Running a built program from a test on the Linux side, with its output
// captured: natively, or a Windows program under Wine.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace testsupport {

struct ProgramRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Runs argv[0] with the arguments in the directory given, with extra
// environment variables set (an empty value removes the variable). When
// unprivileged is set and the tests run as root, the program runs as the
// user nobody, so that permissions hold for it.
ProgramRun runProgram(const std::vector<std::string>& argv, const std::string& directory,
                      const std::map<std::string, std::string>& environment = {}, bool unprivileged = false);

// Text with every CR LF turned into LF (console output of Windows programs).
std::string withoutCr(const std::string& text);

}  // namespace testsupport
