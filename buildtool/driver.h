// kestrel's driver: one build from command line to exit code. The only
// part of kestrel that prints, and only to the streams it is handed.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "buildtool/makerunner.h"

namespace kestrel {

// Runs kestrel with the arguments after the program's name, the settings
// file given (in the system's spelling), starting every make tool through
// the runner. Each message is one line, flushed at once: the IDE shows the
// output as it comes. Returns the exit code: 0 for success and for a usage
// request, else 1.
int runKestrel(const std::vector<std::string>& arguments, const std::string& settingsFile, MakeRunner& makeRunner,
               std::ostream& out, std::ostream& err);

}  // namespace kestrel
