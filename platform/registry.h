// String values under the current user's key of the registry.
//
// POSIX has no registry: a text file stands in for it,
// $XDG_CONFIG_HOME/pvtools/registry.ini (without XDG_CONFIG_HOME,
// $HOME/.config/pvtools/registry.ini). Each key is a section named by its
// full path, each value a line of name "=" data:
//
//   [HKEY_CURRENT_USER\Software\Vendor\Program\RecentFiles]
//   4=\home\user\work\file.txt
#pragma once

#include <optional>
#include <string>

namespace platform {

// Writes a string value, creating the key when it is missing. False when
// the key cannot be created or opened, or the value cannot be written.
bool writeUserString(const std::string& key, const std::string& valueName, const std::string& data);

// Reads a string value; nothing when the key or the value is missing.
std::optional<std::string> readUserString(const std::string& key, const std::string& valueName);

}  // namespace platform
