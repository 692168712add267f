#include "wizardbridge/bridge.h"

#include <atomic>

#include "common/moduledirectory.h"
#include "common/settingsfile.h"
#include "wizardbridge/idelayout.h"

namespace plover {

namespace {

// Written at every entry-point notification, always with the same value.
std::atomic<platform::ModuleHandle> storedModule{nullptr};

}  // namespace

void setModuleHandle(platform::ModuleHandle module) { storedModule.store(module); }

platform::ModuleHandle moduleHandle() { return storedModule.load(); }

std::string moduleDirectory() { return ucl::moduleDirectory(moduleHandle()); }

std::string settingsFilePath(const std::string& moduleDirectory) {
  return moduleDirectory + kSettingsFile;
}

namespace {

const char* const kSection = "PV2SDK Paths";
const char* const kKey = "SDKPath";

}  // namespace

std::string readPv2SdkPath(const std::string& moduleDirectory) {
  return ucl::SettingsFile(settingsFilePath(moduleDirectory)).value(kSection, kKey, nullptr).value_or("");
}

std::optional<std::string> requirePv2SdkPath(const std::string& moduleDirectory, std::string* err) {
  const ucl::SettingsFile settings(settingsFilePath(moduleDirectory));
  std::optional<std::string> value = settings.value(kSection, kKey, err);
  if (value && value->empty()) {
    *err = std::string("Error: Key '") + kKey + "' in section [" + kSection + "] of settings file " +
           settings.quotedPath() + " is empty";
    return std::nullopt;
  }
  return value;
}

}  // namespace plover
