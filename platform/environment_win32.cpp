// Environment on Windows: the C runtime's copy and the Win32 one, together.
#include "environment.h"

#include <cstdlib>

#include "win32.h"

namespace platform {

bool getVariable(const std::string& name, std::string& value) {
  const char* found = std::getenv(name.c_str());
  if (found == nullptr) return false;
  value = found;
  return true;
}

void setVariable(const std::string& name, const std::string& value) {
  // putenv keeps the C runtime's copy current; CreateProcess passes on the
  // Win32 environment, which SetEnvironmentVariableA sets.
  const std::string assignment = name + "=" + value;
  _putenv(assignment.c_str());
  SetEnvironmentVariableA(name.c_str(), value.c_str());
}

void prependToPath(const std::vector<std::string>& directories) {
  std::string path;
  for (const std::string& directory : directories) path += directory + ";";
  std::string old;
  if (getVariable("PATH", old)) path += old;
  setVariable("PATH", path);
}

}  // namespace platform
