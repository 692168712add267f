// plover settings and plover check: the settings file written through the
// tools' own reader and writer, and the check of the directories it names
// (the installer runs both through plover.exe).
#pragma once

#include <string>
#include <vector>

#include "common/settingsfile.h"
#include "wizardbridge/commandline.h"

namespace plover {

enum class Finding { Good, NotSet, Warning, Error };

struct CheckLine {
  Finding finding;
  std::string text;
};

// What the builds and the simulator would find in the directories: at least
// one line for each key; errors for a pair that is set but incomplete and
// when no pair is set at all, a warning for a missing simulator.
std::vector<CheckLine> checkSdkDirectories(const ucl::SdkDirectories& directories);

int settingsCommand(const std::vector<std::string>& words, CommandContext& context);
int checkCommand(const std::vector<std::string>& words, CommandContext& context);

}  // namespace plover
