#include "wizardbridge/bridge.h"

#include <atomic>

#include "common/settingsfile.h"
#include "wizardbridge/idelayout.h"

namespace plover {

namespace {

// Written at every entry-point notification, always with the same value.
std::atomic<platform::ModuleHandle> storedModule{nullptr};

}  // namespace

void setModuleHandle(platform::ModuleHandle module) { storedModule.store(module); }

platform::ModuleHandle moduleHandle() { return storedModule.load(); }

std::string settingsFilePath(const std::string& moduleDirectory) {
  return moduleDirectory + kSettingsFile;
}

std::string readPv2SdkPath(const std::string& moduleDirectory) {
  return ucl::SettingsFile(settingsFilePath(moduleDirectory)).lookup(ucl::SdkKey::pv2Sdk).value_or("");
}

bool requirePv2SdkPath(const std::string& moduleDirectory, std::string* sdkPath, std::string* err) {
  const ucl::SettingsFile settings(settingsFilePath(moduleDirectory));
  std::string value;
  if (!settings.value(ucl::SdkKey::pv2Sdk, &value, err)) return false;
  if (value.empty()) {
    *err = std::string("Error: Key '") + ucl::keyName(ucl::SdkKey::pv2Sdk) + "' in section [" +
           ucl::sectionName(ucl::SdkKey::pv2Sdk) + "] of settings file " + settings.quotedPath() + " is empty";
    return false;
  }
  *sdkPath = std::move(value);
  return true;
}

}  // namespace plover
