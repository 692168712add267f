// The command line on POSIX: argv as the system hands it over.
#include "arguments.h"

namespace platform {

std::vector<std::string> programArguments(int argc, char** argv) {
  if (argc <= 1) return {};
  return std::vector<std::string>(argv + 1, argv + argc);
}

}  // namespace platform
