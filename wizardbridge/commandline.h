// plover's command line: the wizard's operations from a command prompt, a
// second front end over the same bridge functions as the JNI exports.
#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "wizardbridge/simulator.h"

namespace plover {

extern const char* const kUsageText;

// The usage text, with the settings file's path spelt as the host spells it.
std::string usageText();

// What a command works with besides its words.
struct CommandContext {
  std::string moduleDirectory;  // the program's own directory, ending in a backslash
  SimulatorControl& simulator;
  bool simulatorRunsHere;
  std::function<bool()> interrupted;  // the user asked to stop waiting
  std::ostream& out;
  std::ostream& err;
};

// How a command ends when it is refused or fails: the message as one line
// on err, and exit code 1.
int fail(CommandContext& context, const std::string& message);
// How a command ends when its words are not a command: the usage text on
// err, and exit code 2.
int usageExit(CommandContext& context);

// Runs one command (the words after the program's name) and gives the exit
// code: 0 done; 1 refused or failed, with one line on err saying why; 2 not
// a command, with the usage text on err.
int runCommand(const std::vector<std::string>& words, CommandContext& context);

// The path as a whole path in the system's Windows spelling, without a
// final backslash; nothing when the system cannot tell.
std::optional<std::string> wholePath(const std::string& path);

}  // namespace plover
