// plover settings and plover check: the settings file written through the
// tools' own reader and writer, and the check of the directories it names
// (the installer runs both through plover.exe).
#pragma once

#include <string>
#include <vector>

#include "wizardbridge/commandline.h"

namespace plover {

// The four directories of the settings file, as stored.
struct SdkDirectories {
  std::string pv2Sdk;
  std::string pv2Compiler;
  std::string pv3Sdk;
  std::string pv3Compiler;
};

enum class Finding { Good, NotSet, Warning, Error };

struct CheckLine {
  Finding finding;
  std::string text;
};

// What the builds and the simulator would find in the directories: at least
// one line for each key; errors for a pair that is set but incomplete and
// when no pair is set at all, a warning for a missing simulator.
std::vector<CheckLine> checkSdkDirectories(const SdkDirectories& directories);

// Sets key in the first section of that name among a settings file's lines,
// by the settings file's own rules (the key ends at the first "=", leading
// blanks do not count), keeping every other line; a missing key is added at
// the end of its section, a missing section at the end of the file.
void setSettingsValue(std::vector<std::string>& lines, const std::string& section, const std::string& key,
                      const std::string& value);

int settingsCommand(const std::vector<std::string>& words, CommandContext& context);
int checkCommand(const std::vector<std::string>& words, CommandContext& context);

}  // namespace plover
