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

}  // namespace platform
