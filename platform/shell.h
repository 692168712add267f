// The shell's file copy: whole directories with their contents, without
// questions and without a progress window.
#pragma once

#include <string>

namespace platform {

// Copies every source into the destination directory. Both are lists of
// paths, each followed by a NUL, with one more NUL after the last; the
// last component of a source may hold "*" and "?" ("*.*" matches every
// name). Existing files are overwritten, missing destination directories
// are created, and matching directories are copied with their contents.
// True when the copy succeeded.
bool shellCopy(const std::string& sourceList, const std::string& destinationList);

}  // namespace platform
