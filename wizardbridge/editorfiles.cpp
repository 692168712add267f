#include "wizardbridge/editorfiles.h"

#include <pugixml.hpp>

#include <algorithm>
#include <map>
#include <optional>

#include "common/pathhelpers.h"
#include "common/textencoding.h"
#include "platform/files.h"
#include "platform/pathspelling.h"
#include "wizardbridge/commandline.h"
#include "wizardbridge/idelayout.h"

namespace plover {

namespace {

// @KESTREL@ and @PLOVER@ stand for JSON strings, @DEBUG@ and @RELEASE@ for
// the builds' arguments as JSON strings. The tasks run in
// the folder the editor has open, the project directory.
const char* const kVscodeTasks = R"json({
  "version": "2.0.0",
  "tasks": [
    {
      "label": "Build (debug)",
      "type": "process",
      "command": @KESTREL@,
      "args": [@DEBUG@],
      "options": { "cwd": "${workspaceFolder}" },
      "group": { "kind": "build", "isDefault": true },
      "problemMatcher": []
    },
    {
      "label": "Build (release)",
      "type": "process",
      "command": @KESTREL@,
      "args": [@RELEASE@],
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

ProjectBuilds projectBuilds(const std::string& projectFileBytes, const std::string& projectTitle) {
  ProjectBuilds builds{{"-d", projectTitle}, {projectTitle}, true};
  pugi::xml_document document;
  const std::string text = ucl::projectFileTextAsUtf8(projectFileBytes);
  if (!document.load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_utf8)) return builds;
  // Each configuration's key and arguments, by its category.
  std::map<std::string, std::pair<std::string, std::optional<std::string>>> configurations;
  for (const pugi::xml_node property : document.child("project").children("property")) {
    const std::string category = property.attribute("category").value();
    if (category.compare(0, 13, "build.config.") != 0) continue;
    const std::string name = property.attribute("name").value();
    if (name == "key") configurations[category].first = property.attribute("value").value();
    if (name == "arguments") configurations[category].second = property.attribute("value").value();
  }
  for (const auto& [category, configuration] : configurations) {
    const auto& [key, arguments] = configuration;
    if (!arguments || (key != "Debug_Build" && key != "Release_Build")) continue;
    std::vector<std::string>& words = key == "Debug_Build" ? builds.debug : builds.release;
    words.clear();
    // The options lead; what follows them names the project, blanks and all.
    size_t at = arguments->find_first_not_of(" \t");
    while (at != std::string::npos && at + 1 < arguments->size() && ((*arguments)[at] == '-' || (*arguments)[at] == '/')) {
      const size_t end = std::min(arguments->find_first_of(" \t", at), arguments->size());
      words.push_back(arguments->substr(at, end - at));
      at = arguments->find_first_not_of(" \t", end);
    }
    std::string name = at == std::string::npos ? projectTitle : arguments->substr(at);
    name.erase(name.find_last_not_of(" \t") + 1);
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"') name = name.substr(1, name.size() - 2);
    words.push_back(name.empty() ? projectTitle : name);
  }
  // What the debug build makes is what the simulator would run; a later
  // option overrides an earlier one, as kestrel reads them.
  bool library = false;
  bool pv3 = false;
  for (const std::string& word : builds.debug) {
    if (word.size() < 2 || (word[0] != '-' && word[0] != '/')) continue;
    if (word[1] == 'l') library = word.size() == 2 || word[2] != '-';
    if (word[1] == 'p') pv3 = word.substr(2) == "3";
  }
  builds.runsInTheSimulator = !library && !pv3;
  return builds;
}

std::vector<EditorFile> vscodeFiles(const std::string& kestrelProgram, const std::string& ploverProgram,
                                    const ProjectBuilds& builds) {
  const auto jsonList = [](const std::vector<std::string>& words) {
    std::string list;
    for (const std::string& word : words) list += (list.empty() ? "" : ", ") + ucl::jsonString(word);
    return list;
  };
  std::string tasks = kVscodeTasks;
  if (!builds.runsInTheSimulator) {
    // The last task, with the comma before it.
    const size_t label = tasks.find("\"label\": \"Run in the simulator\"");
    const size_t from = tasks.rfind("},", label) + 1;
    tasks.erase(from, tasks.find("\n    }", label) + 6 - from);
  }
  replaceAll(tasks, "@KESTREL@", ucl::jsonString(kestrelProgram));
  replaceAll(tasks, "@PLOVER@", ucl::jsonString(ploverProgram));
  replaceAll(tasks, "@DEBUG@", jsonList(builds.debug));
  replaceAll(tasks, "@RELEASE@", jsonList(builds.release));
  return {{".vscode\\tasks.json", tasks}, {".vscode\\settings.json", kVscodeSettings}};
}

std::vector<EditorFile> editorFilesFor(const std::string& editor, const std::string& moduleDirectory,
                                       const ProjectBuilds& builds) {
  if (!isKnownEditor(editor)) return {};
  const auto program = [&](const std::string& path) {
    const std::string whole = platform::programFileName(moduleDirectory + path);
    return platform::windowsToHostPath(wholePath(whole).value_or(whole));
  };
  return vscodeFiles(program(kKestrelProgram), program("plover"), builds);
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
