// The compilation database (compile_commands.json) that editors and
// language servers read: how the make tool's compiler sees each C source.
#pragma once

#include <string>
#include <vector>

#include "buildtool/backend.h"

namespace kestrel {

inline constexpr char kCompileCommandsFile[] = "compile_commands.json";

// The database's JSON text: one entry per source, in the order given, with
// the project directory, the file, and the arguments (the compiler, "-I"
// for each include directory, "-D" for each definition, the file). Paths
// come whole, a relative one taken from the project directory (in the
// system's Windows spelling), and are spelt for the host. The text is
// UTF-8 throughout: a byte that is not becomes U+FFFD.
std::string compileCommandsText(const std::string& projectDirectory, const CompilerInputs& inputs);

// The database of a run in the current directory, the project directory,
// as a file for editors.
GeneratedFile compileCommandsFile(const CompilerInputs& inputs);

}  // namespace kestrel
