// The one place where kestrel writes its build directory.
#pragma once

#include <string>
#include <vector>

#include "buildtool/backend.h"
#include "common/disk.h"

namespace kestrel {

// Creates the directories in order (one that exists is the normal case, and
// one that cannot be created shows when a file in it cannot be written),
// then brings each file to its text as text mode writes it. A file that
// already holds exactly those bytes is left alone, time stamp and all,
// unless rewriteAll is set: then every file is written, so that the make
// tool sees all of them as new. Any other file is written whole; written,
// when given, gets the paths of those written, in order. Stops at
// the first file that cannot be written: false, with "Unable to write " and
// its path in err. Files before it stay as written; those after it are not
// touched.
bool writeBuildDirectory(ucl::Disk& disk, const BuildDirectory& directory, bool rewriteAll,
                         std::vector<std::string>* written, std::string* err);

}  // namespace kestrel
