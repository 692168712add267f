#include "wizardbridge/projectfilecommands.h"

#include <algorithm>
#include <optional>

#include "common/pathhelpers.h"
#include "common/projectfile.h"
#include "platform/files.h"
#include "platform/pathspelling.h"
#include "wizardbridge/projectfileeditor.h"
#include "wizardbridge/projectname.h"

namespace plover {

namespace {

// The words of a command: "-p PROJECT" and the operands.
struct Words {
  std::optional<std::string> project;
  std::vector<std::string> operands;
};

std::optional<Words> splitWords(const std::vector<std::string>& words) {
  Words split;
  for (size_t i = 0; i < words.size(); ++i) {
    if (words[i] == "-p" && i + 1 < words.size() && !split.project) {
      split.project = words[++i];
    } else if (!words[i].empty() && words[i][0] == '-') {
      return std::nullopt;
    } else {
      split.operands.push_back(words[i]);
    }
  }
  return split;
}

}  // namespace

bool findProject(const std::optional<std::string>& given, Project* found, std::string* err) {
  const std::optional<std::string> whole = wholePath(given.value_or("."));
  const std::string shown = given.value_or(".");
  if (!whole) {
    *err = "Error: Unable to find directory '" + shown + "'";
    return false;
  }
  Project& project = *found;
  if (!platform::isDirectory(*whole) && ucl::lowerCase(ucl::fileExtension(*whole)) == ".cbx") {
    project.directory = ucl::fileDirectory(*whole);
    ucl::removeTrailingBackslash(project.directory);
    const std::vector<std::string> files = platform::findFiles(*whole);
    if (files.empty()) {
      *err = "Error: Unable to find project file '" + shown + "'";
      return false;
    }
    project.file = project.directory + "\\" + ucl::projectFileToRead(files.front());
    return true;
  }
  if (!platform::isDirectory(*whole)) {
    *err = "Error: Unable to find directory '" + shown + "'";
    return false;
  }
  project.directory = *whole;
  // Names found only by their short form ("demo.cbxbak") are not project files.
  std::vector<std::string> files = platform::findFiles(*whole + "\\*.cbx");
  files.erase(std::remove_if(files.begin(), files.end(),
                             [](const std::string& name) { return ucl::projectFileToRead(name) != name; }),
              files.end());
  if (files.empty()) {
    *err = "Error: Unable to find project file in '" + platform::windowsToHostPath(*whole) + "'";
    return false;
  }
  if (files.size() > 1) {
    std::string names;
    for (const std::string& name : files) names += (names.empty() ? "" : ", ") + name;
    *err = "Error: Several project files in '" + platform::windowsToHostPath(*whole) + "' (" + names +
           "): name one with -p " + platform::windowsToHostPath(*whole + "\\NAME.cbx");
    return false;
  }
  project.file = *whole + "\\" + files.front();
  return true;
}

namespace {

bool readProject(const Project& project, std::string* bytes, std::string* err) {
  std::optional<std::string> read = platform::readWholeFile(project.file);
  if (!read) {
    *err = "Error: Wrong format in .cbx file";
    return false;
  }
  *bytes = std::move(*read);
  return true;
}

// A file operand as a path relative to the project's directory, in the
// system's Windows spelling; a relative operand is taken from the project's
// directory. Refused: a path Windows cannot hold, a directory, and a file
// on another drive.
bool entryPath(const Project& project, const std::string& operand, std::string* relativePath, std::string* err) {
  std::string path = platform::slashesToBackslashes(platform::hostToWindowsPath(operand));
  const bool absolute = (!path.empty() && path[0] == '\\') || ucl::driveLetter(path) != 0;
  if (!absolute) path = project.directory + "\\" + path;
  const std::optional<std::string> whole = wholePath(path);
  if (!whole || ucl::fileName(*whole).empty() || platform::isDirectory(*whole)) {
    *err = "Error: '" + operand + "' names no file";
    return false;
  }
  const std::optional<std::string> directory = ucl::relativePath(project.directory, ucl::fileDirectory(*whole), false);
  if (!directory) {
    *err = "Error: '" + operand + "' is on another drive than the project";
    return false;
  }
  const std::string relative = *directory + ucl::fileName(*whole);
  size_t start = 0;
  while (start < relative.size()) {
    size_t end = relative.find('\\', start);
    if (end == std::string::npos) end = relative.size();
    const std::string component = relative.substr(start, end - start);
    std::string problem;
    if (component != ".." && !checkProjectName(component, &problem)) {
      *err = "Error: Unsafe file name '" + operand + "': " + problem;
      return false;
    }
    start = end + 1;
  }
  std::string problem;
  if (!checkProjectPaths({}, {*whole}, &problem)) {
    *err = "Error: Unsafe file name '" + operand + "': " + problem;
    return false;
  }
  *relativePath = relative;
  return true;
}

// Applies the edit for each operand in turn and writes the project file
// once, safely; nothing is written when one operand is refused.
template <typename Edit>
int changeProject(const std::vector<std::string>& words, CommandContext& context, bool adding, Edit edit) {
  const std::optional<Words> split = splitWords(words);
  if (!split || split->operands.empty()) return usageExit(context);
  std::string err;
  Project project;
  if (!findProject(split->project, &project, &err)) return fail(context, err);
  std::string original;
  if (!readProject(project, &original, &err)) return fail(context, err);
  std::string bytes = original;
  std::vector<std::string> notes;
  for (const std::string& operand : split->operands) {
    std::string path;
    if (!entryPath(project, operand, &path, &err)) return fail(context, err);
    std::string edited;
    if (!edit(bytes, platform::windowsToHostPath(path), &edited, &err, systemAnsiConversion())) {
      return fail(context, err);
    }
    bytes = std::move(edited);
    if (adding && platform::findFiles(project.directory + "\\" + path).empty()) {
      notes.push_back("Note: '" + platform::windowsToHostPath(path) + "' does not exist yet; it is listed all the same");
    }
  }
  if (bytes != original && !replaceEditedProjectFile(project.file, original, bytes, &err)) {
    return fail(context, err);
  }
  for (const std::string& note : notes) context.err << note << '\n';
  return 0;
}

}  // namespace

int listProjectFiles(const std::vector<std::string>& words, CommandContext& context) {
  const std::optional<Words> split = splitWords(words);
  if (!split || !split->operands.empty()) return usageExit(context);
  std::string err;
  Project project;
  if (!findProject(split->project, &project, &err)) return fail(context, err);
  std::string bytes;
  if (!readProject(project, &bytes, &err)) return fail(context, err);
  std::vector<std::string> entries;
  if (!projectFileEntries(bytes, &entries, &err)) return fail(context, err);
  for (const std::string& entry : entries) context.out << entry << '\n';
  return 0;
}

int addProjectFiles(const std::vector<std::string>& words, CommandContext& context) {
  return changeProject(words, context, true, addProjectFileEntry);
}

int removeProjectFiles(const std::vector<std::string>& words, CommandContext& context) {
  return changeProject(words, context, false, removeProjectFileEntry);
}

}  // namespace plover
