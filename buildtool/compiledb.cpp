#include "buildtool/compiledb.h"

#include <filesystem>
#include <system_error>

#include "common/pathhelpers.h"
#include "common/textencoding.h"
#include "platform/pathspelling.h"

namespace kestrel {

namespace {

bool isWhole(const std::string& path) {
  return (!path.empty() && (path[0] == '\\' || path[0] == '/')) || ucl::driveLetter(path) != 0;
}

// A path as a JSON string, whole and spelt for the host, after the prefix.
void appendPath(std::string& text, const std::string& projectDirectory, const std::string& prefix,
                const std::string& path) {
  const std::string whole = isWhole(path) ? path : projectDirectory + "\\" + path;
  text += ucl::jsonString(prefix + platform::windowsToHostPath(whole));
}

}  // namespace

std::string compileCommandsText(const std::string& projectDirectory, const CompilerInputs& inputs) {
  // What every entry shares, made once.
  std::string options;
  for (const std::string& directory : inputs.includeDirectories) {
    options += ", ";
    appendPath(options, projectDirectory, "-I", directory);
  }
  for (const std::string& definition : inputs.definitions) {
    options += ", " + ucl::jsonString("-D" + definition);
  }
  const std::string directory = ucl::jsonString(platform::windowsToHostPath(projectDirectory));
  const std::string compiler = ucl::jsonString(inputs.compiler);

  std::string text = "[";
  for (size_t i = 0; i < inputs.sources.size(); ++i) {
    std::string file;
    appendPath(file, projectDirectory, "", inputs.sources[i]);
    text += i == 0 ? "\n" : ",\n";
    text += "  {\n    \"directory\": " + directory + ",\n    \"file\": " + file + ",\n    \"arguments\": [";
    text += compiler + options + ", " + file + "]\n  }";
  }
  text += "\n]\n";
  return text;
}

GeneratedFile compileCommandsFile(const CompilerInputs& inputs) {
  std::error_code failed;
  // In UTF-8 on every host; "." (paths then relative) if the system cannot tell.
  const std::string directory = std::filesystem::current_path(failed).u8string();
  GeneratedFile file{kCompileCommandsFile,
                     compileCommandsText(failed ? "." : platform::hostToWindowsPath(directory), inputs)};
  file.forEditors = true;
  return file;
}

}  // namespace kestrel
