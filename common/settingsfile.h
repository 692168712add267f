// The settings file both tools read: its two SDK sections and their keys,
// read through the INI reader so that a missing value is reported with the
// file, the section and the key in the same words by both, and edited line
// by line by the same rules, in the file's own encoding.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "common/inifile.h"

namespace ucl {

enum class Sdk { pv2, pv3 };

// The four keys of the settings file, in the order they are listed.
enum class SdkKey { pv2Sdk, pv2Compiler, pv3Sdk, pv3Compiler };
inline constexpr SdkKey kSdkKeys[] = {SdkKey::pv2Sdk, SdkKey::pv2Compiler, SdkKey::pv3Sdk, SdkKey::pv3Compiler};

SdkKey sdkPathKey(Sdk sdk);
SdkKey compilerPathKey(Sdk sdk);
const char* sectionName(SdkKey key);
const char* keyName(SdkKey key);
// "[PV2SDK Paths] SDKPath", as messages and plover settings name a key.
std::string describeKey(SdkKey key);

// The four directories by key; nothing for a key that is not in the file
// (or, for a command's options, not given).
struct SdkDirectories {
  std::array<std::optional<std::string>, 4> byKey;

  std::optional<std::string>& operator[](SdkKey key) { return byKey[static_cast<size_t>(key)]; }
  const std::optional<std::string>& operator[](SdkKey key) const { return byKey[static_cast<size_t>(key)]; }
  // The directory, or empty when there is none.
  std::string valueOr(SdkKey key) const { return (*this)[key].value_or(std::string()); }
};

// The two directories of one SDK that a build uses; a compiler path that is
// missing from the file stays missing.
struct SdkPaths {
  std::string sdkPath;
  std::optional<std::string> compilerPath;
};

class SettingsFile {
 public:
  // Reads the file; one that cannot be read holds no values.
  explicit SettingsFile(std::string path);

  // The key's value; false when the file, the section or the key is
  // missing, with a one-line message in err that says which.
  bool value(SdkKey key, std::string* value, std::string* err) const;
  // The value where there is one; nothing, and no reason, otherwise.
  std::optional<std::string> lookup(SdkKey key) const;
  SdkDirectories directories() const;
  // What a build of the SDK reads: false, with the message, without the
  // SDK's SDKPath. A missing CompilerPath is left out of paths and its
  // message goes to compilerMissing, for the part of the build that needs it.
  bool sdkPaths(Sdk sdk, SdkPaths* paths, std::string* compilerMissing, std::string* err) const;

  // The file's path in quotes, spelt for the host, as messages name it.
  std::string quotedPath() const;

 private:
  std::string path_;
  bool read_;
  IniFile values_;
};

// Sets the directories given in the lines of a settings file as read (raw
// bytes, without line ends), by the reader's rules, keeping every other
// line byte for byte: a missing key is added at the end of its section, a
// missing section at the end of the file. The new values go in the file's
// own encoding: a file in the ANSI code page stays in it, a UTF-8 one stays
// UTF-8, and one of ASCII only becomes UTF-8 where a value is beyond ASCII.
// False, lines unchanged, with the reason, when a directory holds "=" or a
// line end, or a character the file's code page cannot hold.
bool setSdkDirectories(std::vector<std::string>& lines, const SdkDirectories& changes, const std::string& fileName,
                       std::string* err);

// The same edit on a settings file's bytes, changing only the bytes of the
// lines it sets: a file in UTF-16 (with its byte order mark, either byte
// order) stays UTF-16; what follows a Ctrl-Z, which the reader does not
// read, is kept as it is (a new value goes before it, where the reader
// sees it); each line keeps its own line end, a new one takes the file's
// first (CR LF in a file without one), and a file without a line end after
// its last line gets none.
bool editSettingsBytes(const std::string& bytes, const SdkDirectories& changes, const std::string& fileName,
                       std::string* edited, std::string* err);

// Writes the directories given into the settings file (one that does not
// exist is created) as editSettingsBytes edits it, with the safe write: a
// failure leaves the old file whole, and a file that is a symbolic link
// is written at the file it names, the link kept.
// False, with the reason, when the file cannot be read or written or a
// directory cannot be held.
bool writeSdkDirectories(const std::string& path, const SdkDirectories& changes, std::string* err);

}  // namespace ucl
