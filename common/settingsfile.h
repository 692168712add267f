// A settings file as both tools read it: read whole once, remembering where
// it lies and whether it could be read, so that a missing value is reported
// with the file, the section and the key in the same words by both.
#pragma once

#include <optional>
#include <string>

#include "common/inifile.h"

namespace ucl {

class SettingsFile {
 public:
  // Reads the file; one that cannot be read holds no values.
  explicit SettingsFile(std::string path);

  // The key's value in the section; nothing when the file, the section or
  // the key is missing, with a one-line message in err (when given) that
  // says which.
  std::optional<std::string> value(const std::string& section, const std::string& key, std::string* err) const;

  // The file's path in quotes, spelt for the host, as messages name it.
  std::string quotedPath() const;

 private:
  std::string path_;
  bool read_;
  IniFile values_;
};

}  // namespace ucl
