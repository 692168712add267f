// The files that let an editor other than the IDE build and run a PV
// project: its build tasks, and where it finds kestrel's compilation
// database (compile_commands.json).
#pragma once

#include <string>
#include <vector>

namespace plover {

struct EditorFile {
  std::string path;  // below the project directory, in the system's Windows spelling
  std::string text;  // with LF line ends, written in text mode
};

// The editors plover writes files for: "vscode".
bool isKnownEditor(const std::string& editor);

// What the project's two builds hand kestrel, as the project file stores
// them, and whether the simulator runs what they make.
struct ProjectBuilds {
  std::vector<std::string> debug;
  std::vector<std::string> release;
  bool runsInTheSimulator = true;  // a PV2 application
};

// The builds of the project file's bytes: each configuration's stored
// "arguments" (Debug_Build, Release_Build), its options as words and the
// project name after them as one word (the title where there is none). A
// project file that stores none builds as the wizard's application does.
// A library (-l) or a PV3 project (-p3) is not run in the simulator.
ProjectBuilds projectBuilds(const std::string& projectFileBytes, const std::string& projectTitle);

// Visual Studio Code's .vscode\tasks.json ("Build (debug)", "Build
// (release)": kestrel with the builds' arguments; "Run in the simulator":
// plover run, where the simulator runs the project) and
// .vscode\settings.json, for the programs given (whole paths spelt for the
// host).
std::vector<EditorFile> vscodeFiles(const std::string& kestrelProgram, const std::string& ploverProgram,
                                    const ProjectBuilds& builds);

// What writing the files did; each file as its path below the project.
struct EditorFilesWritten {
  std::vector<std::string> written;
  std::vector<std::string> kept;  // there already, and left as they were
};

// Writes each file that does not exist yet into the project directory,
// creating the directories it needs; a file that exists is never replaced.
// False on the first file that cannot be written, with a one-line message
// in err; the files before it stay written (and are in outcome).
bool writeEditorFiles(const std::string& projectDirectory, const std::vector<EditorFile>& files,
                      EditorFilesWritten* outcome, std::string* err);

// The editor's files for a project of the IDE tree that this program lies
// in (its bin directory, ending in a backslash).
std::vector<EditorFile> editorFilesFor(const std::string& editor, const std::string& moduleDirectory,
                                       const ProjectBuilds& builds);

}  // namespace plover
