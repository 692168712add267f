// The parts of the environment layer that both hosts share.
#include "environment.h"

namespace platform {

bool getVariable(const std::string& name, std::string& value) {
  std::optional<std::string> found = variable(name);
  if (!found) return false;
  value = *found;
  return true;
}

}  // namespace platform
