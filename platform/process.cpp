// What starting programs is the same on every system.
#include "process.h"

namespace platform {

ProcessOutcome runAndWait(const std::string& commandLine) {
  return runAndWait(commandLine, Environment::ofThisProcess());
}

}  // namespace platform
