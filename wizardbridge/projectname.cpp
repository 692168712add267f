#include "wizardbridge/projectname.h"

#include <cctype>

#include "platform/codepages.h"

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

// The length Windows counts for a path: UTF-16 units, two for a character
// beyond U+FFFF (a lead byte from F0 on), none for UTF-8's continuation bytes.
size_t windowsLength(const std::string& path) {
  size_t length = 0;
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte & 0xC0) != 0x80) length += byte >= 0xF0 ? 2 : 1;
  }
  return length;
}

}  // namespace

bool checkProjectName(const std::string& name, std::string* err) {
  const auto refuse = [&](const std::string& reason) {
    *err = reason;
    return false;
  };
  if (name.empty()) return refuse("the name is empty");
  if (name == "." || name == "..") return refuse("'" + name + "' names no new directory");
  for (const char c : name) {
    if (static_cast<unsigned char>(c) < 32) return refuse("the name holds a control character");
    if (std::string("\\/:<>\"|?*").find(c) != std::string::npos) {
      return refuse(std::string("the name holds '") + c + "', which Windows does not allow in a file name");
    }
  }
  const char last = name.back();
  if (last == '.' || last == ' ') return refuse("the name ends in a dot or a blank");
  if (isDeviceName(name)) return refuse("the name '" + name + "' is a device name of Windows");
  // The makefiles and the simulator's project name the project in the ANSI
  // code page; a name that it cannot hold would build and run another one.
  if (!platform::utf8ToAnsi(name)) return refuse("the name cannot be written in this system's code page");
  return true;
}

bool checkProjectPaths(const std::vector<std::string>& directories, const std::vector<std::string>& files,
                       std::string* err) {
  for (const std::string& directory : directories) {
    if (windowsLength(directory) >= kDirectoryPathLimit) {
      *err = "the directory '" + directory + "' would reach Windows' limit of " +
             std::to_string(kDirectoryPathLimit) + " characters";
      return false;
    }
  }
  for (const std::string& file : files) {
    if (windowsLength(file) >= kPathLimit) {
      *err = "the file '" + file + "' would reach Windows' limit of " + std::to_string(kPathLimit) + " characters";
      return false;
    }
  }
  return true;
}

}  // namespace plover
