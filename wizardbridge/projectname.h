// Which names a new PV project may have: names that stay inside the SDK's
// C directory and that Windows can hold as a directory and file name.
#pragma once

#include <string>
#include <vector>

namespace plover {

// Windows' limit for a path, its terminating NUL included (MAX_PATH), and
// for a directory, which must leave room for an 8.3 file name in it.
constexpr std::size_t kPathLimit = 260;
constexpr std::size_t kDirectoryPathLimit = 248;

// Whether a project can have this name; false, with the reason in err
// (a phrase, for the caller's sentence), when it cannot. Refused:
// the empty name, "." and "..", names holding \ / : < > " | ? * or a
// control character, names ending in a dot or a blank, and Windows' device
// names (CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9, in any letter
// case, with or without an extension), and names the system's ANSI code
// page cannot hold. The rules judge characters: the name is UTF-8, whose
// bytes beyond ASCII are never one of those characters.
bool checkProjectName(const std::string& name, std::string* err);

// Whether Windows can hold the paths a project creation would make: every
// directory below kDirectoryPathLimit and every file below kPathLimit
// characters (UTF-16 units, as Windows counts); false, with the reason in
// err (a phrase), when it cannot.
bool checkProjectPaths(const std::vector<std::string>& directories, const std::vector<std::string>& files,
                       std::string* err);

}  // namespace plover
