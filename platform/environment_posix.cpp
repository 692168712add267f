// Environment on POSIX.
#include "environment.h"

#include <cstdlib>

#include "files.h"

namespace platform {

bool getVariable(const std::string& name, std::string& value) {
  const char* found = std::getenv(name.c_str());
  if (found == nullptr) return false;
  value = found;
  return true;
}

void setVariable(const std::string& name, const std::string& value) {
  ::setenv(name.c_str(), value.c_str(), 1);
}

void prependToPath(const std::vector<std::string>& directories) {
  std::string path;
  for (const std::string& directory : directories) {
    if (!path.empty()) path += ":";
    path += nativePath(directory);
  }
  // An empty entry would put the current directory on the search path.
  std::string old;
  if (getVariable("PATH", old) && !old.empty()) path += ":" + old;
  setVariable("PATH", path);
}

}  // namespace platform
