// plover's commands on the project's file list: files, add and remove.
#pragma once

#include <string>
#include <vector>

#include "wizardbridge/commandline.h"

namespace plover {

// Each takes the words after its command's name and gives the exit code
// as runCommand does.
int listProjectFiles(const std::vector<std::string>& words, CommandContext& context);
int addProjectFiles(const std::vector<std::string>& words, CommandContext& context);
int removeProjectFiles(const std::vector<std::string>& words, CommandContext& context);

}  // namespace plover
