// kestrel's driver: one build from command line to exit code. The only
// part of kestrel that reports, and only to the reporter it is handed.
#pragma once

#include <string>
#include <vector>

#include "buildtool/makerunner.h"
#include "buildtool/reporter.h"
#include "common/disk.h"

namespace kestrel {

// Runs kestrel with the arguments after the program's name, the settings
// file given (in the system's spelling), on the disk given, starting every
// make tool through the runner. Returns the exit code: 0 for success and
// for a usage request, else 1.
int runKestrel(const std::vector<std::string>& arguments, const std::string& settingsFile, ucl::Disk& disk,
               MakeRunner& makeRunner, Reporter& reporter);

}  // namespace kestrel
