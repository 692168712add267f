// Path spelling shared by both implementations of the file layer.
#include "files.h"

#include <algorithm>

namespace platform {

std::string nativePath(const std::string& path) {
#ifdef _WIN32
  return path;
#else
  std::string result = path;
  std::replace(result.begin(), result.end(), '\\', '/');
  return result;
#endif
}

std::string systemPath(const std::string& nativeSpelling) {
#ifdef _WIN32
  return nativeSpelling;
#else
  std::string result = nativeSpelling;
  std::replace(result.begin(), result.end(), '/', '\\');
  return result;
#endif
}

bool createDirectories(const std::string& path) {
  for (size_t slash = path.find('\\', 1); slash != std::string::npos; slash = path.find('\\', slash + 1)) {
    const std::string parent = path.substr(0, slash);
    // A drive ("C:") is no directory to create.
    if (parent.back() != ':' && !isDirectory(parent)) createDirectory(parent);
  }
  createDirectory(path);
  return isDirectory(path);
}

}  // namespace platform
