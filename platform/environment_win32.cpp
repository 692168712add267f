// Environment on Windows: the C runtime's copy and the Win32 one, which
// CreateProcess passes on. Names do not depend on letter case; the system
// keeps the variables sorted by name and inserts a new one in its place.
//
// A copy for a child holds the Win32 environment in UTF-8, so that every
// variable kestrel leaves alone reaches the child exactly, whatever its
// characters; what kestrel reads and sets goes through the ANSI code page,
// as getenv and SetEnvironmentVariableA do.
#include "environment.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <memory>

#include "win32.h"

namespace platform {

namespace {

std::wstring toWide(const std::string& text, UINT codePage) {
  if (text.empty()) return std::wstring();
  const int length = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

std::string fromWide(const std::wstring& wide, UINT codePage) {
  if (wide.empty()) return std::string();
  const int length =
      WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), text.data(), length, nullptr, nullptr);
  return text;
}

std::string ansiToUtf8(const std::string& ansi) { return fromWide(toWide(ansi, CP_ACP), CP_UTF8); }
std::string utf8ToAnsi(const std::string& utf8) { return fromWide(toWide(utf8, CP_UTF8), CP_ACP); }

// The name part of an entry; entries that begin with "=" are the system's
// own (the drives' current directories) and have none.
std::wstring nameOf(const std::string& entry) {
  if (entry.empty() || entry[0] == '=') return std::wstring();
  return toWide(entry.substr(0, entry.find('=')), CP_UTF8);
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
  std::unique_ptr<wchar_t, BOOL(WINAPI*)(LPWCH)> block(GetEnvironmentStringsW(), FreeEnvironmentStringsW);
  if (!block) return environment;
  for (const wchar_t* entry = block.get(); *entry != L'\0'; entry += std::wcslen(entry) + 1) {
    environment.entries_.push_back(fromWide(entry, CP_UTF8));
  }
  return environment;
}

size_t Environment::find(const std::string& name) const {
  const std::wstring wanted = toWide(name, CP_ACP);
  for (size_t i = 0; i < entries_.size(); ++i) {
    const std::wstring own = nameOf(entries_[i]);
    if (!own.empty() && _wcsicmp(wanted.c_str(), own.c_str()) == 0) return i;
  }
  return entries_.size();
}

std::optional<std::string> Environment::get(const std::string& name) const {
  const size_t index = find(name);
  if (index == entries_.size()) return std::nullopt;
  const std::string& entry = entries_[index];
  return utf8ToAnsi(entry.substr(entry.find('=') + 1));
}

void Environment::set(const std::string& name, const std::string& value) {
  const std::string entry = ansiToUtf8(name) + "=" + ansiToUtf8(value);
  const size_t index = find(name);
  if (index != entries_.size()) {
    entries_[index] = entry;
    return;
  }
  const std::wstring wanted = toWide(name, CP_ACP);
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
