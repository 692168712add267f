// The libraries of the PV2 SDK that the wizard offers for a new project.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace plover {

// The library name of a directory entry: the file name without its final
// ".lib" (lower case only). Nothing for other names and for the SDK's
// standard C library, "libc.lib".
std::optional<std::string> libraryName(const std::string& fileName);

// The names of the libraries in SDK\C\Com_Lib\S, in the order of the
// directory search; none for an empty SDK path.
std::vector<std::string> listPv2SdkLibraries(const std::string& sdkPath);

}  // namespace plover
