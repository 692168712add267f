// The parts of the file layer that both hosts share.
#include "files.h"

namespace platform {

bool closeFile(std::FILE* file) {
  bool ok = std::ferror(file) == 0;
  if (std::fclose(file) != 0) ok = false;
  return ok;
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

std::string nativePath(const std::string& path) { return windowsToHostPath(path); }

std::string systemPath(const std::string& nativeSpelling) { return hostToWindowsPath(nativeSpelling); }

}  // namespace platform
