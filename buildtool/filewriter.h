// The one place where kestrel writes its build directory.
#pragma once

#include <string>

#include "buildtool/backend.h"

// Creates the directories in order (one that exists is the normal case, and
// one that cannot be created shows when a file in it cannot be written),
// then writes each file whole in text mode. Stops at the first file that
// cannot be written: false, with "Unable to write " and its path in err.
// Files written before it stay; those after it are not touched.
bool writeBuildDirectory(const BuildDirectory& directory, std::string* err);
