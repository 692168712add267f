// How paths are spelt. The system speaks Windows paths (backslashes, drive
// letters): the IDE, project and settings files, every message. The host's
// file system on POSIX wants slashes. Every conversion goes through here.
#pragma once

#include <string>

namespace platform {

// A Windows path as the host's file system takes it: on POSIX the
// backslashes become slashes; on Windows the path is unchanged.
std::string windowsToHostPath(const std::string& windowsPath);

// A path the host gave us, in the system's Windows spelling: on POSIX the
// slashes become backslashes; on Windows the path is unchanged.
std::string hostToWindowsPath(const std::string& hostPath);

// A program's file name as the host spells it: "name.exe" on Windows, the
// name alone on POSIX.
std::string programFileName(const std::string& name);

// Plain text replacements, the same on every host.
std::string slashesToBackslashes(std::string path);
std::string backslashesToSlashes(std::string path);

}  // namespace platform
