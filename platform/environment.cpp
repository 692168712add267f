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

std::optional<std::string> Environment::get(const std::string& name) const {
  const size_t index = find(name);
  if (index == entries_.size()) return std::nullopt;
  return entries_[index].substr(name.size() + 1);
}

}  // namespace platform
