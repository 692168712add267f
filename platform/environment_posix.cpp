// Environment on POSIX: names are exact, and setenv puts a new variable at
// the end of the list.
#include "environment.h"

#include <cstdlib>

#include "pathspelling.h"

extern char** environ;

namespace platform {

std::optional<std::string> variable(const std::string& name) {
  const char* found = std::getenv(name.c_str());
  if (found == nullptr) return std::nullopt;
  return std::string(found);
}

void setVariable(const std::string& name, const std::string& value) {
  ::setenv(name.c_str(), value.c_str(), 1);
}

Environment Environment::ofThisProcess() {
  Environment environment;
  for (char** entry = environ; *entry != nullptr; ++entry) environment.entries_.emplace_back(*entry);
  return environment;
}

size_t Environment::find(const std::string& name) const {
  for (size_t i = 0; i < entries_.size(); ++i) {
    const std::string& entry = entries_[i];
    if (entry.size() > name.size() && entry[name.size()] == '=' && entry.compare(0, name.size(), name) == 0) return i;
  }
  return entries_.size();
}

void Environment::set(const std::string& name, const std::string& value) {
  const size_t index = find(name);
  if (index == entries_.size()) {
    entries_.push_back(name + "=" + value);
  } else {
    entries_[index] = name + "=" + value;
  }
}

void Environment::prependToPath(const std::vector<std::string>& directories) {
  std::string path;
  for (const std::string& directory : directories) {
    if (!path.empty()) path += ":";
    path += windowsToHostPath(directory);
  }
  // An empty entry would put the current directory on the search path.
  const std::optional<std::string> old = get("PATH");
  if (old && !old->empty()) path += ":" + *old;
  set("PATH", path);
}

}  // namespace platform
