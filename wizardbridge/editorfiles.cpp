#include "wizardbridge/editorfiles.h"

#include "common/pathhelpers.h"
#include "common/textencoding.h"
#include "platform/files.h"
#include "platform/pathspelling.h"
#include "wizardbridge/commandline.h"
#include "wizardbridge/idelayout.h"

namespace plover {

namespace {

// @KESTREL@, @PLOVER@ and @TITLE@ stand for JSON strings. The tasks run in
// the folder the editor has open, the project directory.
const char* const kVscodeTasks = R"json({
  "version": "2.0.0",
  "tasks": [
    {
      "label": "Build (debug)",
      "type": "process",
      "command": @KESTREL@,
      "args": ["-d", @TITLE@],
      "options": { "cwd": "${workspaceFolder}" },
      "group": { "kind": "build", "isDefault": true },
      "problemMatcher": []
    },
    {
      "label": "Build (release)",
      "type": "process",
      "command": @KESTREL@,
      "args": [@TITLE@],
      "options": { "cwd": "${workspaceFolder}" },
      "group": "build",
      "problemMatcher": []
    },
    {
      "label": "Run in the simulator",
      "type": "process",
      "command": @PLOVER@,
      "args": ["run", "${workspaceFolder}"],
      "problemMatcher": []
    }
  ]
}
)json";

const char* const kVscodeSettings = R"json({
  "C_Cpp.default.compileCommands": "${workspaceFolder}/compile_commands.json"
}
)json";

void replaceAll(std::string& text, const std::string& marker, const std::string& value) {
  for (size_t at = text.find(marker); at != std::string::npos; at = text.find(marker, at + value.size())) {
    text.replace(at, marker.size(), value);
  }
}

bool exists(const std::string& path) { return platform::fileStamp(path) || platform::isDirectory(path); }

}  // namespace

bool isKnownEditor(const std::string& editor) { return editor == "vscode"; }

std::vector<EditorFile> vscodeFiles(const std::string& kestrelProgram, const std::string& ploverProgram,
                                    const std::string& projectTitle) {
  std::string tasks = kVscodeTasks;
  replaceAll(tasks, "@KESTREL@", ucl::jsonString(kestrelProgram));
  replaceAll(tasks, "@PLOVER@", ucl::jsonString(ploverProgram));
  replaceAll(tasks, "@TITLE@", ucl::jsonString(projectTitle));
  return {{".vscode\\tasks.json", tasks}, {".vscode\\settings.json", kVscodeSettings}};
}

std::vector<EditorFile> editorFilesFor(const std::string& editor, const std::string& moduleDirectory,
                                       const std::string& projectTitle) {
  if (!isKnownEditor(editor)) return {};
  const auto program = [&](const std::string& path) {
    const std::string whole = platform::programFileName(moduleDirectory + path);
    return platform::windowsToHostPath(wholePath(whole).value_or(whole));
  };
  return vscodeFiles(program(kKestrelProgram), program("plover"), projectTitle);
}

bool writeEditorFiles(const std::string& projectDirectory, const std::vector<EditorFile>& files,
                      EditorFilesWritten* outcome, std::string* err) {
  for (const EditorFile& file : files) {
    const std::string path = projectDirectory + "\\" + file.path;
    if (exists(path)) {
      outcome->kept.push_back(file.path);
      continue;
    }
    platform::createDirectories(ucl::fileDirectory(path));
    // Beside it first, then renamed: a file that appeared meanwhile is
    // never replaced, and an editor never reads half of it.
    platform::TempFile::Options options;
    options.lineEnds = platform::LineEnds::crlf;
    options.replace = false;
    if (!platform::writeFileSafely(path, file.text, options)) {
      *err = "Error: Unable to write '" + platform::windowsToHostPath(path) + "'";
      return false;
    }
    outcome->written.push_back(file.path);
  }
  return true;
}

}  // namespace plover
