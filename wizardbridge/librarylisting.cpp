#include "wizardbridge/librarylisting.h"

#include "platform/files.h"

namespace plover {

bool libraryName(const std::string& fileName, std::string& name) {
  const size_t length = fileName.size();
  // The search pattern also matches upper-case extensions, and on Windows
  // longer ones through their short names: only ".lib" itself counts.
  if (length < 4 || fileName.compare(length - 4, 4, ".lib") != 0) return false;
  if (fileName == "libc.lib") return false;
  name = fileName.substr(0, length - 4);
  return true;
}

std::vector<std::string> listPv2SdkLibraries(const std::string& sdkPath) {
  std::vector<std::string> names;
  // Without an SDK path the search would look at the root of the drive.
  if (sdkPath.empty()) return names;
  for (const std::string& entry : platform::findFiles(sdkPath + "\\C\\Com_Lib\\S\\*.lib")) {
    std::string name;
    if (libraryName(entry, name)) names.push_back(name);
  }
  return names;
}

}  // namespace plover
