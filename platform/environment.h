// The process environment, which started programs inherit.
#pragma once

#include <string>
#include <vector>

namespace platform {

// False when the variable is not set.
bool getVariable(const std::string& name, std::string& value);

// Sets a variable for this process and every program it starts afterwards.
void setVariable(const std::string& name, const std::string& value);

// Puts directories in front of PATH, in the order given, each followed by
// the platform's list separator (";" on Windows, ":" on POSIX, where the
// directories are also written with slashes), then the old value of PATH.
void prependToPath(const std::vector<std::string>& directories);

}  // namespace platform
