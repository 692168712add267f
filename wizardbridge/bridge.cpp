#include "wizardbridge/bridge.h"

#include <atomic>

#include "common/inifile.h"
#include "common/moduledirectory.h"
#include "common/textfile.h"

namespace plover {

namespace {

// Written at every entry-point notification, always with the same value.
std::atomic<platform::ModuleHandle> storedModule{nullptr};

}  // namespace

void setModuleHandle(platform::ModuleHandle module) { storedModule.store(module); }

platform::ModuleHandle moduleHandle() { return storedModule.load(); }

std::string bridgeDirectory() { return ucl::moduleDirectory(moduleHandle()); }

std::string settingsFilePath(const std::string& bridgeDirectory) {
  return bridgeDirectory + "..\\toolsets\\PVSDK\\Settings.ini";
}

std::optional<std::string> lookupPv2SdkPath(const std::string& bridgeDirectory) {
  ucl::IniFile settings;
  // A missing file leaves the store empty: the key is then not there.
  settings.read(settingsFilePath(bridgeDirectory));
  return settings.lookup("PV2SDK Paths", "SDKPath");
}

std::string readPv2SdkPath(const std::string& bridgeDirectory) {
  return lookupPv2SdkPath(bridgeDirectory).value_or("");
}

}  // namespace plover
