#include "wizardbridge/projectname.h"

#include <cctype>

namespace plover {

namespace {

bool isDeviceName(const std::string& name) {
  // Windows opens the device whatever extension follows: "con.txt" is CON.
  std::string base = name.substr(0, name.find('.'));
  for (char& c : base) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL") return true;
  return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
         base[3] >= '1' && base[3] <= '9';
}

}  // namespace

std::optional<std::string> projectNameProblem(const std::string& name) {
  if (name.empty()) return std::string("the name is empty");
  if (name == "." || name == "..") return "'" + name + "' names no new directory";
  for (const char c : name) {
    if (static_cast<unsigned char>(c) < 32) return std::string("the name holds a control character");
    if (std::string("\\/:<>\"|?*").find(c) != std::string::npos) {
      return std::string("the name holds '") + c + "', which Windows does not allow in a file name";
    }
  }
  const char last = name.back();
  if (last == '.' || last == ' ') return std::string("the name ends in a dot or a blank");
  if (isDeviceName(name)) return "the name '" + name + "' is a device name of Windows";
  return std::nullopt;
}

std::optional<std::string> projectPathProblem(const std::vector<std::string>& directories,
                                              const std::vector<std::string>& files) {
  for (const std::string& directory : directories) {
    if (directory.size() >= kDirectoryPathLimit) {
      return "the directory '" + directory + "' would reach Windows' limit of " +
             std::to_string(kDirectoryPathLimit) + " characters";
    }
  }
  for (const std::string& file : files) {
    if (file.size() >= kPathLimit) {
      return "the file '" + file + "' would reach Windows' limit of " + std::to_string(kPathLimit) +
             " characters";
    }
  }
  return std::nullopt;
}

}  // namespace plover
