// Process environments: this process's variables, and the environment a
// started program is handed, built from a copy of ours.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform {

// A variable of this process; nothing when it is not set.
std::optional<std::string> variable(const std::string& name);
// Sets a variable of this process and of every program it starts afterwards.
void setVariable(const std::string& name, const std::string& value);

// An environment for a program to be started, as "NAME=value" entries in
// the order the program receives them. Changing it changes nothing of the
// running process. Names follow the host's rules: on Windows letter case
// does not count and a new variable takes its sorted place, as the system
// keeps it; on POSIX a new variable goes at the end.
class Environment {
 public:
  static Environment ofThisProcess();

  std::optional<std::string> get(const std::string& name) const;
  void set(const std::string& name, const std::string& value);
  // Puts directories in front of PATH, in the order given, each followed by
  // the host's list separator (";" on Windows, ":" on POSIX, where the
  // directories are also written with slashes), then the old value of PATH.
  void prependToPath(const std::vector<std::string>& directories);

  // In UTF-8, as all text of the programs; on Windows the child gets them
  // in UTF-16, so that none is changed on its way.
  const std::vector<std::string>& entries() const { return entries_; }

 private:
  // The entry that sets the name, or entries_.size().
  size_t find(const std::string& name) const;

  std::vector<std::string> entries_;
};

}  // namespace platform
