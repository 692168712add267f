// The shell's file copy: whole directories with their contents, without
// questions and without a progress window.
#pragma once

#include <string>
#include <vector>

namespace platform {

// Copies every source into the destination directory. The last component
// of a source may hold "*" and "?" ("*.*" matches every name). Existing
// files are overwritten, missing destination directories are created, and
// matching directories are copied with their contents. True when the copy
// succeeded.
bool shellCopy(const std::vector<std::string>& sources, const std::string& destination);

}  // namespace platform
