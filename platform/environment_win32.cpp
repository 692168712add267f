// Environment on Windows: the C runtime's copy and the Win32 one, which
// CreateProcess passes on. Names do not depend on letter case; the system
// keeps the variables sorted by name and inserts a new one in its place.
#include "environment.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include "win32.h"

namespace platform {

namespace {

// Compares a name with the name part of an entry, ignoring letter case.
int compareName(const std::string& name, const std::string& entry) {
  const size_t equals = entry.find('=', 1);
  const std::string entryName = entry.substr(0, equals);
  return _stricmp(name.c_str(), entryName.c_str());
}

}  // namespace

void setVariable(const std::string& name, const std::string& value) {
  // putenv keeps the C runtime's copy current; CreateProcess passes on the
  // Win32 environment, which SetEnvironmentVariableA sets.
  const std::string assignment = name + "=" + value;
  _putenv(assignment.c_str());
  SetEnvironmentVariableA(name.c_str(), value.c_str());
}

Environment Environment::ofThisProcess() {
  Environment environment;
  std::unique_ptr<char, BOOL(WINAPI*)(LPCH)> block(GetEnvironmentStringsA(), FreeEnvironmentStringsA);
  if (!block) return environment;
  for (const char* entry = block.get(); *entry != '\0'; entry += std::strlen(entry) + 1) {
    environment.entries_.emplace_back(entry);
  }
  return environment;
}

size_t Environment::find(const std::string& name) const {
  for (size_t i = 0; i < entries_.size(); ++i) {
    // Entries that begin with "=" are the system's own (drive directories).
    if (!entries_[i].empty() && entries_[i][0] != '=' && compareName(name, entries_[i]) == 0) return i;
  }
  return entries_.size();
}

void Environment::set(const std::string& name, const std::string& value) {
  const size_t index = find(name);
  if (index != entries_.size()) {
    entries_[index] = name + "=" + value;
    return;
  }
  size_t place = 0;
  while (place < entries_.size() &&
         (entries_[place].empty() || entries_[place][0] == '=' || compareName(name, entries_[place]) > 0)) {
    ++place;
  }
  entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(place), name + "=" + value);
}

void Environment::prependToPath(const std::vector<std::string>& directories) {
  std::string path;
  for (const std::string& directory : directories) path += directory + ";";
  if (const std::optional<std::string> old = get("PATH")) path += *old;
  set("PATH", path);
}

}  // namespace platform
