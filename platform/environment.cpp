// The parts of the environment layer that both hosts share.
#include "environment.h"

#include <cstdlib>

namespace platform {

std::optional<std::string> variable(const std::string& name) {
  const char* found = std::getenv(name.c_str());
  if (found == nullptr) return std::nullopt;
  return std::string(found);
}

bool getVariable(const std::string& name, std::string& value) {
  std::optional<std::string> found = variable(name);
  if (!found) return false;
  value = *found;
  return true;
}

}  // namespace platform
