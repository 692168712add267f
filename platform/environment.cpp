// What an environment is the same on every system: find() decides which
// entry a name is.
#include "environment.h"

namespace platform {

std::optional<std::string> Environment::get(const std::string& name) const {
  const size_t index = find(name);
  if (index == entries_.size()) return std::nullopt;
  // The found entry's name is the one asked for, in some letter case.
  const std::string& entry = entries_[index];
  return entry.substr(entry.find('=', 1) + 1);
}

}  // namespace platform
