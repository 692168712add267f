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

struct Project {
  std::string directory;  // whole, without a final backslash
  std::string file;       // whole
};

// The project file as kestrel finds it in the directory given (or the
// current one), or the one named; a directory holding several is refused,
// since the first the search finds need not be the one the user builds.
std::optional<Project> findProject(const std::optional<std::string>& given, std::string* err) {
  const std::optional<std::string> whole = wholePath(given.value_or("."));
  const std::string shown = given.value_or(".");
  if (!whole) {
    *err = "Error: Unable to find directory '" + shown + "'";
    return std::nullopt;
  }
  Project project;
  if (!platform::isDirectory(*whole) && ucl::lowerCase(ucl::fileExtension(*whole)) == ".cbx") {
    project.directory = ucl::fileDirectory(*whole);
    ucl::removeTrailingBackslash(project.directory);
    const std::vector<std::string> found = platform::findFiles(*whole);
    if (found.empty()) {
      *err = "Error: Unable to find project file '" + shown + "'";
      return std::nullopt;
    }
    project.file = project.directory + "\\" + ucl::projectFileToRead(found.front());
    return project;
  }
  if (!platform::isDirectory(*whole)) {
    *err = "Error: Unable to find directory '" + shown + "'";
    return std::nullopt;
  }
  project.directory = *whole;
  // Names found only by their short form ("demo.cbxbak") are not project files.
  std::vector<std::string> found = platform::findFiles(*whole + "\\*.cbx");
  found.erase(std::remove_if(found.begin(), found.end(),
                             [](const std::string& name) { return ucl::projectFileToRead(name) != name; }),
              found.end());
  if (found.empty()) {
    *err = "Error: Unable to find project file in '" + platform::windowsToHostPath(*whole) + "'";
    return std::nullopt;
  }
  if (found.size() > 1) {
    std::string names;
    for (const std::string& name : found) names += (names.empty() ? "" : ", ") + name;
    *err = "Error: Several project files in '" + platform::windowsToHostPath(*whole) + "' (" + names +
           "): name one with -p " + platform::windowsToHostPath(*whole + "\\NAME.cbx");
    return std::nullopt;
  }
  project.file = *whole + "\\" + found.front();
  return project;
}

std::optional<std::string> readProject(const Project& project, std::string* err) {
  std::optional<std::string> bytes = platform::readWholeFile(project.file);
  if (!bytes) *err = "Error: Wrong format in .cbx file";
  return bytes;
}

// A file operand as a path relative to the project's directory, in the
// system's Windows spelling; a relative operand is taken from the project's
// directory. Refused: a path Windows cannot hold, a directory, and a file
// on another drive.
std::optional<std::string> entryPath(const Project& project, const std::string& operand, std::string* err) {
  std::string path = platform::slashesToBackslashes(platform::hostToWindowsPath(operand));
  const bool absolute = (!path.empty() && path[0] == '\\') || ucl::driveLetter(path) != 0;
  if (!absolute) path = project.directory + "\\" + path;
  const std::optional<std::string> whole = wholePath(path);
  if (!whole || ucl::fileName(*whole).empty() || platform::isDirectory(*whole)) {
    *err = "Error: '" + operand + "' names no file";
    return std::nullopt;
  }
  const std::optional<std::string> directory = ucl::relativePath(project.directory, ucl::fileDirectory(*whole), false);
  if (!directory) {
    *err = "Error: '" + operand + "' is on another drive than the project";
    return std::nullopt;
  }
  const std::string relative = *directory + ucl::fileName(*whole);
  size_t start = 0;
  while (start < relative.size()) {
    size_t end = relative.find('\\', start);
    if (end == std::string::npos) end = relative.size();
    const std::string component = relative.substr(start, end - start);
    if (component != "..") {
      if (const std::optional<std::string> problem = projectNameProblem(component)) {
        *err = "Error: Unsafe file name '" + operand + "': " + *problem;
        return std::nullopt;
      }
    }
    start = end + 1;
  }
  if (const std::optional<std::string> problem = projectPathProblem({}, {*whole})) {
    *err = "Error: Unsafe file name '" + operand + "': " + *problem;
    return std::nullopt;
  }
  return relative;
}

// Applies the edit for each operand in turn and writes the project file
// once, safely; nothing is written when one operand is refused.
template <typename Edit>
int changeProject(const std::vector<std::string>& words, CommandContext& context, bool adding, Edit edit) {
  const std::optional<Words> split = splitWords(words);
  if (!split || split->operands.empty()) return usageExit(context);
  std::string err;
  const std::optional<Project> project = findProject(split->project, &err);
  if (!project) return fail(context, err);
  std::optional<std::string> bytes = readProject(*project, &err);
  if (!bytes) return fail(context, err);
  const std::string original = *bytes;
  std::vector<std::string> notes;
  for (const std::string& operand : split->operands) {
    const std::optional<std::string> path = entryPath(*project, operand, &err);
    if (!path) return fail(context, err);
    bytes = edit(*bytes, platform::windowsToHostPath(*path), &err);
    if (!bytes) return fail(context, err);
    if (adding && platform::findFiles(project->directory + "\\" + *path).empty()) {
      notes.push_back("Note: '" + platform::windowsToHostPath(*path) + "' does not exist yet; it is listed all the same");
    }
  }
  if (*bytes != original && !platform::replaceFileBytes(project->file, *bytes)) {
    return fail(context, "Error: Unable to write '" + platform::windowsToHostPath(project->file) +
                                "'; it is left as it was");
  }
  for (const std::string& note : notes) context.err << note << '\n';
  return 0;
}

}  // namespace

int listProjectFiles(const std::vector<std::string>& words, CommandContext& context) {
  const std::optional<Words> split = splitWords(words);
  if (!split || !split->operands.empty()) return usageExit(context);
  std::string err;
  const std::optional<Project> project = findProject(split->project, &err);
  if (!project) return fail(context, err);
  const std::optional<std::string> bytes = readProject(*project, &err);
  if (!bytes) return fail(context, err);
  const std::optional<std::vector<std::string>> entries = projectFileEntries(*bytes, &err);
  if (!entries) return fail(context, err);
  for (const std::string& entry : *entries) context.out << entry << '\n';
  return 0;
}

int addProjectFiles(const std::vector<std::string>& words, CommandContext& context) {
  return changeProject(words, context, true, addProjectFileEntry);
}

int removeProjectFiles(const std::vector<std::string>& words, CommandContext& context) {
  return changeProject(words, context, false, removeProjectFileEntry);
}

}  // namespace plover
