// Where the bridge lies and where the PV2 SDK is: the start of every
// operation of the bridge.
#pragma once

#include <optional>
#include <string>

#include "platform/module.h"

namespace plover {

// Kept from the library's entry point so that files are found beside the
// library and not beside the host program.
void setModuleHandle(platform::ModuleHandle module);
platform::ModuleHandle moduleHandle();

// The settings file of the IDE's PV SDK tool set, relative to the bridge.
std::string settingsFilePath(const std::string& moduleDirectory);

// Key "SDKPath" of section "PV2SDK Paths" of the settings file, exactly as
// stored; empty when the file, the section or the key is missing: what the
// wizard gets. The file is read anew on every call.
std::string readPv2SdkPath(const std::string& moduleDirectory);
// The same, where an empty value counts as missing too: false when it is
// missing, with a one-line message in err that names what is missing and
// the file.
bool requirePv2SdkPath(const std::string& moduleDirectory, std::string* sdkPath, std::string* err);

}  // namespace plover
