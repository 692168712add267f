// On Windows the host's spelling is the system's.
#include "pathspelling.h"

namespace platform {

std::string windowsToHostPath(const std::string& windowsPath) { return windowsPath; }

std::string hostToWindowsPath(const std::string& hostPath) { return hostPath; }

std::string programFileName(const std::string& name) { return name + ".exe"; }

}  // namespace platform
