// plover's commands on the project's file list: files, add and remove.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "wizardbridge/commandline.h"

namespace plover {

struct Project {
  std::string directory;  // whole, without a final backslash
  std::string file;       // whole
};

// The project file as kestrel finds it in the directory given (or the
// current one), or the one named; a directory holding several is refused,
// since the first the search finds need not be the one the user builds.
// False when there is none, with a one-line message in err.
bool findProject(const std::optional<std::string>& given, Project* found, std::string* err);

// Each takes the words after its command's name and gives the exit code
// as runCommand does.
int listProjectFiles(const std::vector<std::string>& words, CommandContext& context);
int addProjectFiles(const std::vector<std::string>& words, CommandContext& context);
int removeProjectFiles(const std::vector<std::string>& words, CommandContext& context);

}  // namespace plover
