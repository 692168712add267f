// plover's commands for editors other than the IDE: "new ... --editor
// EDITOR" and "editor EDITOR [DIRECTORY]".
#pragma once

#include <string>
#include <vector>

#include "wizardbridge/commandline.h"

namespace plover {

// True when the words of "new" ask for an editor's files.
bool editorRequested(const std::vector<std::string>& words);

// Each takes the words after its command's name and gives the exit code
// as runCommand does. "new" with "--editor EDITOR" makes the project as
// without it, then adds the editor's files; "editor" adds them to the
// project in DIRECTORY (or the current directory), keeping every file that
// exists.
int newProjectForEditor(const std::vector<std::string>& words, CommandContext& context);
int editorCommand(const std::vector<std::string>& words, CommandContext& context);

}  // namespace plover
