// The directory of the running program or of a loaded library, where each
// product finds the files installed beside it.
#pragma once

#include <string>

#include "platform/module.h"

namespace ucl {

// Directory of the module's file (null: the running executable), ending in
// a backslash; empty when the system cannot give the module's file name.
std::string moduleDirectory(platform::ModuleHandle module);

}  // namespace ucl
