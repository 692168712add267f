// The program's own command line, in UTF-8.
#pragma once

#include <string>
#include <vector>

namespace platform {

// The arguments after the program's name. On Windows they come from the
// wide command line, so that no character is lost to the ANSI code page;
// on POSIX they are argv as it is.
std::vector<std::string> programArguments(int argc, char** argv);

}  // namespace platform
