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

// A JSON string: quotes, backslashes and control characters escaped.
void appendString(std::string& text, const std::string& value) {
  static const char hex[] = "0123456789abcdef";
  text += '"';
  for (const char c : ucl::validUtf8(value)) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      text += '\\';
      text += c;
    } else if (byte < 0x20) {
      text += "\\u00";
      text += hex[byte >> 4];
      text += hex[byte & 0xF];
    } else {
      text += c;
    }
  }
  text += '"';
}

// A path as a JSON string, whole and spelt for the host, after the prefix.
void appendPath(std::string& text, const std::string& projectDirectory, const std::string& prefix,
                const std::string& path) {
  const std::string whole = isWhole(path) ? path : projectDirectory + "\\" + path;
  appendString(text, prefix + platform::windowsToHostPath(whole));
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
    options += ", ";
    appendString(options, "-D" + definition);
  }
  std::string directory;
  appendString(directory, platform::windowsToHostPath(projectDirectory));
  std::string compiler;
  appendString(compiler, inputs.compiler);

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
