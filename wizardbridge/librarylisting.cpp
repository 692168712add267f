#include "wizardbridge/librarylisting.h"

#include "common/sdklayout.h"
#include "platform/files.h"

namespace plover {

std::optional<std::string> libraryName(const std::string& fileName) {
  const size_t length = fileName.size();
  // The search pattern also matches upper-case extensions, and on Windows
  // longer ones through their short names: only ".lib" itself counts.
  if (length < 4 || fileName.compare(length - 4, 4, ".lib") != 0) return std::nullopt;
  if (fileName == ucl::pv2::kCLibrary) return std::nullopt;
  return fileName.substr(0, length - 4);
}

std::vector<std::string> listPv2SdkLibraries(const std::string& sdkPath) {
  std::vector<std::string> names;
  // Without an SDK path the search would look at the root of the drive.
  if (sdkPath.empty()) return names;
  for (const std::string& entry : platform::findFiles(ucl::inDirectory(sdkPath, ucl::pv2::kLibraries) + "\\S\\*.lib")) {
    if (std::optional<std::string> name = libraryName(entry)) names.push_back(std::move(*name));
  }
  return names;
}

}  // namespace plover
