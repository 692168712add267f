// Environment on Windows: the C runtime's copy and the Win32 one, which
// CreateProcess passes on. Names do not depend on letter case; the system
// keeps the variables sorted by name and inserts a new one in its place.
//
// Every variable is read and set through the wide calls, so that it
// reaches a child exactly, whatever its characters.
#include "environment.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <memory>

#include "win32.h"

namespace platform {

namespace {

// The name part of an entry; entries that begin with "=" are the system's
// own (the drives' current directories) and have none.
std::wstring nameOf(const std::string& entry) {
  if (entry.empty() || entry[0] == '=') return std::wstring();
  return widen(entry.substr(0, entry.find('=')));
}

}  // namespace

std::optional<std::string> variable(const std::string& name) {
  const wchar_t* found = _wgetenv(widen(name).c_str());
  if (found == nullptr) return std::nullopt;
  return narrow(found);
}

void setVariable(const std::string& name, const std::string& value) {
  // _wputenv keeps the C runtime's copy current; CreateProcess passes on
  // the Win32 environment, which SetEnvironmentVariableW sets.
  _wputenv(widen(name + "=" + value).c_str());
  SetEnvironmentVariableW(widen(name).c_str(), widen(value).c_str());
}

Environment Environment::ofThisProcess() {
  Environment environment;
  std::unique_ptr<wchar_t, BOOL(WINAPI*)(LPWCH)> block(GetEnvironmentStringsW(), FreeEnvironmentStringsW);
  if (!block) return environment;
  for (const wchar_t* entry = block.get(); *entry != L'\0'; entry += std::wcslen(entry) + 1) {
    environment.entries_.push_back(narrow(entry));
  }
  return environment;
}

size_t Environment::find(const std::string& name) const {
  const std::wstring wanted = widen(name);
  for (size_t i = 0; i < entries_.size(); ++i) {
    const std::wstring own = nameOf(entries_[i]);
    if (!own.empty() && _wcsicmp(wanted.c_str(), own.c_str()) == 0) return i;
  }
  return entries_.size();
}

void Environment::set(const std::string& name, const std::string& value) {
  const std::string entry = name + "=" + value;
  const size_t index = find(name);
  if (index != entries_.size()) {
    entries_[index] = entry;
    return;
  }
  const std::wstring wanted = widen(name);
  size_t place = 0;
  while (place < entries_.size()) {
    const std::wstring own = nameOf(entries_[place]);
    if (!own.empty() && _wcsicmp(wanted.c_str(), own.c_str()) < 0) break;
    ++place;
  }
  entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(place), entry);
}

void Environment::prependToPath(const std::vector<std::string>& directories) {
  std::string path;
  for (const std::string& directory : directories) path += directory + ";";
  if (const std::optional<std::string> old = get("PATH")) path += *old;
  set("PATH", path);
}

}  // namespace platform
