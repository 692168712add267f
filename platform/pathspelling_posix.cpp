// On POSIX the file system separates with slashes.
#include "pathspelling.h"

namespace platform {

std::string windowsToHostPath(const std::string& windowsPath) { return backslashesToSlashes(windowsPath); }

std::string hostToWindowsPath(const std::string& hostPath) { return slashesToBackslashes(hostPath); }

std::string programFileName(const std::string& name) { return name; }

}  // namespace platform
