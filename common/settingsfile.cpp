#include "common/settingsfile.h"

#include "platform/pathspelling.h"

namespace ucl {

SettingsFile::SettingsFile(std::string path) : path_(std::move(path)) { read_ = values_.read(path_); }

std::optional<std::string> SettingsFile::value(const std::string& section, const std::string& key,
                                               std::string* err) const {
  const IniFile::Section* found = values_.findSection(section);
  if (found != nullptr) {
    if (std::optional<std::string> value = found->lookup(key)) return value;
  }
  if (err == nullptr) return std::nullopt;
  const std::string wanted = "key '" + key + "' in section [" + section + "]";
  if (!read_) {
    *err = "Error: Unable to read settings file " + quotedPath() + ", which must hold " + wanted;
  } else if (found == nullptr) {
    *err = "Error: No section [" + section + "] with key '" + key + "' in settings file " + quotedPath();
  } else {
    *err = "Error: No " + wanted + " of settings file " + quotedPath();
  }
  return std::nullopt;
}

std::string SettingsFile::quotedPath() const { return "'" + platform::windowsToHostPath(path_) + "'"; }

}  // namespace ucl
