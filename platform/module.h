// Where the running program or a loaded library lies.
#pragma once

#include <string>

namespace platform {

// On Windows an HMODULE; on POSIX any address inside the shared object
// (null stands for the running executable on both).
using ModuleHandle = const void*;

// Full path of the module's file in the system's spelling; empty when the
// system cannot tell.
std::string modulePath(ModuleHandle module);

}  // namespace platform
