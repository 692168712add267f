#include "common/settingsfile.h"

#include "common/textencoding.h"
#include "common/textfile.h"
#include "platform/files.h"
#include "platform/pathspelling.h"
#include "platform/textencoding.h"

namespace ucl {

namespace {

const char* const kPv2Section = "PV2SDK Paths";
const char* const kPv3Section = "PV3SDK Paths";

std::string quoted(const std::string& path) { return "'" + platform::windowsToHostPath(path) + "'"; }

// Sets one key among the lines by the reader's rules; see setSdkDirectories.
void setLine(std::vector<std::string>& lines, const std::string& section, const std::string& key,
             const std::string& value) {
  std::size_t header = 0;
  while (header < lines.size() && IniFile::sectionHeader(lines[header]) != section) ++header;
  if (header == lines.size()) {
    if (!lines.empty() && !lines.back().empty()) lines.push_back("");
    lines.push_back("[" + section + "]");
    lines.push_back(key + "=" + value);
    return;
  }
  std::size_t lastKept = header;
  for (std::size_t i = header + 1; i < lines.size() && !IniFile::sectionHeader(lines[i]); ++i) {
    const std::optional<std::string> kept = IniFile::keptLine(lines[i]);
    if (!kept) continue;
    lastKept = i;
    if (IniFile::keyOf(*kept) == key) {
      // The blanks before the key stay, and the value starts after the first "=".
      lines[i] = lines[i].substr(0, lines[i].size() - kept->size() + key.size() + 1) + value;
      return;
    }
  }
  lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(lastKept) + 1, key + "=" + value);
}

}  // namespace

SdkKey sdkPathKey(Sdk sdk) { return sdk == Sdk::pv2 ? SdkKey::pv2Sdk : SdkKey::pv3Sdk; }

SdkKey compilerPathKey(Sdk sdk) { return sdk == Sdk::pv2 ? SdkKey::pv2Compiler : SdkKey::pv3Compiler; }

const char* sectionName(SdkKey key) {
  return key == SdkKey::pv2Sdk || key == SdkKey::pv2Compiler ? kPv2Section : kPv3Section;
}

const char* keyName(SdkKey key) {
  return key == SdkKey::pv2Sdk || key == SdkKey::pv3Sdk ? "SDKPath" : "CompilerPath";
}

std::string describeKey(SdkKey key) { return std::string("[") + sectionName(key) + "] " + keyName(key); }

SettingsFile::SettingsFile(std::string path) : path_(std::move(path)) { read_ = values_.read(path_); }

std::optional<std::string> SettingsFile::lookup(SdkKey key) const {
  return values_.lookup(sectionName(key), keyName(key));
}

bool SettingsFile::value(SdkKey key, std::string* value, std::string* err) const {
  if (std::optional<std::string> found = lookup(key)) {
    *value = std::move(*found);
    return true;
  }
  const std::string section = sectionName(key);
  const std::string name = keyName(key);
  const std::string wanted = "key '" + name + "' in section [" + section + "]";
  if (!read_) {
    *err = "Error: Unable to read settings file " + quotedPath() + ", which must hold " + wanted;
  } else if (values_.findSection(section) == nullptr) {
    *err = "Error: No section [" + section + "] with key '" + name + "' in settings file " + quotedPath();
  } else {
    *err = "Error: No " + wanted + " of settings file " + quotedPath();
  }
  return false;
}

SdkDirectories SettingsFile::directories() const {
  SdkDirectories directories;
  for (SdkKey key : kSdkKeys) directories[key] = lookup(key);
  return directories;
}

bool SettingsFile::sdkPaths(Sdk sdk, SdkPaths* paths, std::string* compilerMissing, std::string* err) const {
  if (!value(sdkPathKey(sdk), &paths->sdkPath, err)) return false;
  std::string compiler;
  if (value(compilerPathKey(sdk), &compiler, compilerMissing)) {
    paths->compilerPath = std::move(compiler);
  } else {
    paths->compilerPath.reset();
  }
  return true;
}

std::string SettingsFile::quotedPath() const { return quoted(path_); }

bool setSdkDirectories(std::vector<std::string>& lines, const SdkDirectories& changes, const std::string& fileName,
                       std::string* err) {
  const IniFile::Encoding encoding = IniFile::encodingOf(lines);
  // The first line's byte order mark is no part of a section header.
  const bool marked = !lines.empty() && lines[0].compare(0, 3, "\xEF\xBB\xBF") == 0;
  std::vector<std::string> edited = lines;
  if (marked) edited[0].erase(0, 3);
  // A file of ASCII only takes the values as they are, in UTF-8, which the
  // reader then takes the whole file in.
  const bool inAnsi = encoding == IniFile::Encoding::ansi;
  for (SdkKey key : kSdkKeys) {
    if (!changes[key]) continue;
    std::string directory = *changes[key];
    // Paths are formed by appending "\name" to the value.
    while (directory.size() > 1 && (directory.back() == '\\' || directory.back() == '/')) directory.pop_back();
    // The value is read from after the last "=" of its line.
    if (directory.find_first_of("=\r\n") != std::string::npos) {
      *err = "Error: The directory '" + directory +
             "' holds '=' or a line end, which the settings file cannot hold: choose a directory without them";
      return false;
    }
    if (inAnsi && !isAscii(directory)) {
      std::optional<std::string> ansi = platform::utf8ToAnsi(directory);
      if (!ansi) {
        *err = "Error: The directory '" + directory + "' cannot be written in this system's code page, in which " +
               "settings file " + quoted(fileName) + " is written: choose a directory whose name it holds, or " +
               "save the file in UTF-8";
        return false;
      }
      directory = std::move(*ansi);
    }
    setLine(edited, sectionName(key), keyName(key), directory);
  }
  if (marked) edited[0].insert(0, "\xEF\xBB\xBF");
  lines = std::move(edited);
  return true;
}

bool writeSdkDirectories(const std::string& path, const SdkDirectories& changes, std::string* err) {
  const bool exists = platform::fileStamp(path).has_value();
  TextFile file;
  if (exists && !file.read(path)) {
    *err = "Error: Unable to read settings file " + quoted(path);
    return false;
  }
  if (!setSdkDirectories(file.lines, changes, path, err)) return false;
  // Text mode's line ends, as the file is read.
  std::string bytes;
  for (const std::string& line : file.lines) bytes += line + "\r\n";
  // A new file is made whole beside its place too: an empty one first, so
  // that the safe write has a file to replace.
  bool created = false;
  if (!exists) {
    std::FILE* empty = platform::openBinaryFile(path, "wb");
    created = empty != nullptr && platform::closeFile(empty);
  }
  if ((!exists && !created) || !platform::replaceFileBytes(path, bytes)) {
    if (created) platform::deleteFile(path);
    *err = "Error: Unable to write settings file " + quoted(path);
    return false;
  }
  return true;
}

}  // namespace ucl
