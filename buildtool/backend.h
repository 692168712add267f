// What kestrel's back ends describe: the files of a build directory and
// the make runs. The driver writes and starts; a back end does neither.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "buildtool/options.h"
#include "common/settingsfile.h"

namespace kestrel {

// A generated file: its text with LF line ends, written in text mode.
struct GeneratedFile {
  std::string path;
  std::string text;
};

// The directories to create (parents first) and the files to write in them,
// in the order they are written.
struct BuildDirectory {
  std::vector<std::string> directories;
  std::vector<GeneratedFile> files;
};

// What a make tool needs in its environment beyond kestrel's own.
struct EnvironmentChanges {
  std::vector<std::string> pathInFront;  // directories in front of PATH, in order
  // Set in this order. The values are directories, in the system's Windows
  // spelling; the tool gets them spelt for the host, as PATH.
  std::vector<std::pair<std::string, std::string>> variables;
};

struct MakeRun {
  std::string commandLine;
  std::string toolName;  // for messages
  EnvironmentChanges environment;
  std::string removeAfterwards;  // a file the tool leaves behind, removed after it ran; or empty
};

// What the make tool's compiler is given for the project's C sources.
struct CompilerInputs {
  std::string compiler;                         // the SDK compiler's own name
  std::vector<std::string> sources;             // as the project names them, in the makefile's order
  std::vector<std::string> includeDirectories;  // in the order the compiler searches them
  std::vector<std::string> definitions;         // NAME or NAME=value, in the order the compiler gets them
  std::vector<std::string> optionFiles = {};    // files of further options it reads (PV3's SUBCOM)
};

// The values of the back end's settings section.
using ucl::SdkPaths;

struct BackEnd {
  ucl::Sdk sdk;  // whose section of the settings file it reads
  const char* buildDirectory;  // below the project directory: "PV2BUILD" or "PV3BUILD"
  // PV3 writes the compiler's directory into its makefile; PV2 needs it
  // only to run kmmake.
  bool makefilesNeedCompilerPath;
  BuildDirectory (*makefiles)(const BuildOptions& options, const SdkPaths& settings,
                              const std::vector<std::string>& projectFiles);
  // The runs in order; each one only when the one before could be started.
  std::vector<MakeRun> (*makeRuns)(const BuildOptions& options, const SdkPaths& settings);
  // The directories in which the compiler looks for included headers, in
  // its order, as the makefiles and the make run's environment name them.
  std::vector<std::string> (*includeDirectories)(const SdkPaths& settings);
  CompilerInputs (*compilerInputs)(const BuildOptions& options, const SdkPaths& settings,
                                   const std::vector<std::string>& projectFiles);
  // The files the makefiles hand to the compiler, the linker or the tools
  // of the link step that make compares by time alone (a prerequisite) or
  // not at all (an option's file, a library of the link line): an edit that
  // keeps the time, or an older copy put back, must still rebuild. Headers
  // the sources include are the include scan's.
  std::vector<std::string> (*makeInputs)(const BuildOptions& options, const SdkPaths& settings,
                                         const std::vector<std::string>& projectFiles);
};

// The back end of the PV model (2 or 3); null for another model.
const BackEnd* backEndFor(int pvModel);

}  // namespace kestrel
