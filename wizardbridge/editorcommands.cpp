#include "wizardbridge/editorcommands.h"

#include <algorithm>
#include <optional>

#include "common/pathhelpers.h"
#include "platform/files.h"
#include "platform/pathspelling.h"
#include "wizardbridge/editorfiles.h"
#include "wizardbridge/projectcreation.h"
#include "wizardbridge/projectfilecommands.h"

namespace plover {

namespace {

// Writes the editor's files into the project, with its builds as its
// project file stores them; the kept ones are noted, the written ones
// listed on out when asked.
int addEditorFiles(const std::string& editor, const std::string& directory, const std::string& projectFile,
                   bool listWritten, CommandContext& context) {
  const ProjectBuilds builds =
      projectBuilds(platform::readWholeFile(projectFile).value_or(std::string()), ucl::fileTitle(projectFile));
  std::string err;
  EditorFilesWritten outcome;
  if (!writeEditorFiles(directory, editorFilesFor(editor, context.moduleDirectory, builds), &outcome, &err)) {
    return fail(context, err);
  }
  for (const std::string& path : outcome.kept) {
    context.err << "Note: '" << platform::windowsToHostPath(path) << "' exists already; it is left as it was\n";
  }
  if (listWritten) {
    for (const std::string& path : outcome.written) context.out << platform::windowsToHostPath(path) << '\n';
  }
  return 0;
}

std::string unknownEditor(const std::string& editor) {
  return "Error: Unknown editor '" + editor + "'; plover writes the files of vscode";
}

}  // namespace

bool editorRequested(const std::vector<std::string>& words) {
  return std::find(words.begin(), words.end(), "--editor") != words.end();
}

int newProjectForEditor(const std::vector<std::string>& words, CommandContext& context) {
  std::optional<std::string> name;
  std::optional<std::string> editor;
  bool library = false;
  for (size_t i = 0; i < words.size(); ++i) {
    if (words[i] == "--editor" && i + 1 < words.size() && !editor) {
      editor = words[++i];
    } else if (words[i] == "-l") {
      library = true;
    } else if (words[i].empty() || words[i][0] == '-' || name) {
      return usageExit(context);
    } else {
      name = words[i];
    }
  }
  if (!name || !editor) return usageExit(context);
  if (!isKnownEditor(*editor)) return fail(context, unknownEditor(*editor));
  std::string directory;
  std::string err;
  if (!createPv2Project(context.moduleDirectory, *name, library, &directory, &err)) return fail(context, err);
  context.out << platform::windowsToHostPath(directory) << '\n';
  return addEditorFiles(*editor, directory, directory + "\\" + *name + ".cbx", false, context);
}

int editorCommand(const std::vector<std::string>& words, CommandContext& context) {
  if (words.empty() || words.size() > 2 || (words.size() == 2 && !words[1].empty() && words[1][0] == '-')) {
    return usageExit(context);
  }
  if (!isKnownEditor(words[0])) return fail(context, unknownEditor(words[0]));
  std::string err;
  Project project;
  if (!findProject(words.size() == 2 ? std::optional<std::string>(words[1]) : std::nullopt, &project, &err)) {
    return fail(context, err);
  }
  return addEditorFiles(words[0], project.directory, project.file, true, context);
}

}  // namespace plover
