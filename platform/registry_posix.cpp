// String values of the registry on POSIX, kept in a text file that stands
// in for the registry (see registry.h for its place and format).
#include "registry.h"

#include "files.h"
#include "pathspelling.h"

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <vector>

namespace platform {

namespace {

std::string configDirectory() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config != nullptr && config[0] == '/') return std::string(config) + "/pvtools";
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] == '\0') return std::string();
  return std::string(home) + "/.config/pvtools";
}

// The stand-in's own directory is private to the user, as the registry's
// branch of the user is.
bool makeConfigDirectory(const std::string& directory) {
  if (isDirectory(hostToWindowsPath(directory))) return true;
  return createDirectories(hostToWindowsPath(directory)) && ::chmod(directory.c_str(), 0700) == 0;
}

std::string sectionOf(const std::string& key) { return "[HKEY_CURRENT_USER\\" + key + "]"; }

std::vector<std::string> readLines(const std::string& file) {
  std::vector<std::string> lines;
  std::ifstream in(file);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();  // written back with the file's own line ends
    lines.push_back(line);
  }
  return lines;
}

bool isSection(const std::string& line) { return !line.empty() && line.front() == '['; }

}  // namespace

bool writeUserString(const std::string& key, const std::string& valueName, const std::string& data) {
  const std::string directory = configDirectory();
  if (directory.empty() || !makeConfigDirectory(directory)) return false;
  const std::string file = directory + "/registry.ini";
  std::vector<std::string> lines = readLines(file);

  const std::string section = sectionOf(key);
  const std::string entry = valueName + "=" + data;
  size_t at = 0;
  while (at < lines.size() && lines[at] != section) ++at;
  if (at == lines.size()) {
    lines.push_back(section);
    lines.push_back(entry);
  } else {
    size_t line = at + 1;
    bool replaced = false;
    for (; line < lines.size() && !isSection(lines[line]); ++line) {
      if (lines[line].compare(0, valueName.size() + 1, valueName + "=") == 0) {
        lines[line] = entry;
        replaced = true;
        break;
      }
    }
    if (!replaced) {
      while (line > at + 1 && lines[line - 1].empty()) --line;  // before the blank lines ending the section
      lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(line), entry);
    }
  }

  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return writeFileSafely(hostToWindowsPath(file), text, {LineEnds::asGiven, true});
}

std::optional<std::string> readUserString(const std::string& key, const std::string& valueName) {
  const std::string directory = configDirectory();
  if (directory.empty()) return std::nullopt;
  const std::vector<std::string> lines = readLines(directory + "/registry.ini");
  const std::string section = sectionOf(key);
  bool inKey = false;
  for (const std::string& line : lines) {
    if (isSection(line)) {
      inKey = line == section;
    } else if (inKey && line.compare(0, valueName.size() + 1, valueName + "=") == 0) {
      return line.substr(valueName.size() + 1);
    }
  }
  return std::nullopt;
}

}  // namespace platform
