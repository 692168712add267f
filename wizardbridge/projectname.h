// Which names a new PV project may have: names that stay inside the SDK's
// C directory and that Windows can hold as a directory and file name.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace plover {

// Windows' limit for a path, its terminating NUL included (MAX_PATH), and
// for a directory, which must leave room for an 8.3 file name in it.
constexpr std::size_t kPathLimit = 260;
constexpr std::size_t kDirectoryPathLimit = 248;

// Why a project cannot have this name, or nothing when it can. Refused:
// the empty name, "." and "..", names holding \ / : < > " | ? * or a
// control character, names ending in a dot or a blank, and Windows' device
// names (CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9, in any letter
// case, with or without an extension), and names the system's ANSI code
// page cannot hold. The rules judge characters: the name is UTF-8, whose
// bytes beyond ASCII are never one of those characters.
std::optional<std::string> projectNameProblem(const std::string& name);

// Why the paths a project creation would make cannot be held by Windows,
// or nothing when they can: every directory below kDirectoryPathLimit and
// every file below kPathLimit characters (UTF-16 units, as Windows counts).
std::optional<std::string> projectPathProblem(const std::vector<std::string>& directories,
                                              const std::vector<std::string>& files);

}  // namespace plover
