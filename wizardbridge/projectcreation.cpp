#include "wizardbridge/projectcreation.h"

#include "common/textfile.h"
#include "platform/files.h"
#include "platform/pathspelling.h"
#include "platform/shell.h"
#include "wizardbridge/bridge.h"
#include "wizardbridge/idelayout.h"
#include "wizardbridge/projectname.h"

namespace plover {

namespace {

std::string quoted(const std::string& path) { return "'" + platform::windowsToHostPath(path) + "'"; }

bool writeProjectFile(const std::string& templatePath, const std::string& projectFilePath, const std::string& name,
                      std::string* err) {
  std::FILE* templateFile = platform::openTextFile(templatePath, "r");
  if (templateFile == nullptr) {
    *err = "Error: Unable to read project template " + quoted(templatePath);
    return false;
  }
  std::FILE* projectFile = platform::openTextFile(projectFilePath, "w");
  if (projectFile == nullptr) {
    platform::closeFile(templateFile);
    *err = "Error: Unable to write " + quoted(projectFilePath);
    return false;
  }
  bool written = copyProjectTemplate(templateFile, projectFile, name);
  if (!platform::closeFile(projectFile)) written = false;
  platform::closeFile(templateFile);
  if (!written) *err = "Error: Unable to write " + quoted(projectFilePath);
  return written;
}

// The directories and files that copying the template directory would make
// in the project directory, the template's own directory included.
void listCopiedPaths(const std::string& templateDirectory, const std::string& projectDirectory,
                     std::vector<std::string>& directories, std::vector<std::string>& files) {
  directories.push_back(projectDirectory);
  for (const std::string& name : platform::findFiles(templateDirectory + "\\*.*")) {
    if (name == "." || name == "..") continue;
    const std::string source = templateDirectory + "\\" + name;
    if (platform::isDirectory(source)) {
      listCopiedPaths(source, projectDirectory + "\\" + name, directories, files);
    } else {
      files.push_back(projectDirectory + "\\" + name);
    }
  }
}

}  // namespace

std::string xmlEscaped(const std::string& text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&': escaped += "&amp;"; break;
      case '<': escaped += "&lt;"; break;
      case '>': escaped += "&gt;"; break;
      case '"': escaped += "&quot;"; break;
      case '\'': escaped += "&apos;"; break;
      default: escaped += c;
    }
  }
  return escaped;
}

bool copyProjectTemplate(std::FILE* templateFile, std::FILE* projectFile, const std::string& rawName) {
  // The templates are XML in UTF-8: the name goes in as XML text.
  const std::string name = xmlEscaped(rawName);
  for (;;) {
    const int c = ucl::readTextChar(templateFile);
    if (c == EOF) break;
    if (c == '%') {
      // The character after "%" is dropped, whatever it is; there is no
      // escape for a literal "%".
      ucl::readTextChar(templateFile);
      std::fwrite(name.data(), 1, name.size(), projectFile);
    } else {
      std::fputc(c, projectFile);
    }
  }
  return std::ferror(templateFile) == 0 && std::ferror(projectFile) == 0;
}

bool createPv2Project(const std::string& moduleDirectory, const std::string& projectName, bool library,
                        std::string* createdDirectory, std::string* err) {
  // A name that leaves the C directory, or an SDK path that would put the
  // project at the root of the drive, must not create or overwrite anything.
  std::string problem;
  if (!checkProjectName(projectName, &problem)) {
    *err = "Error: Unsafe project name '" + projectName + "': " + problem;
    return false;
  }
  const std::string templateDirectory =
      moduleDirectory + (library ? kLibraryTemplate : kApplicationTemplate);
  std::string sdkPath;
  if (!requirePv2SdkPath(moduleDirectory, &sdkPath, err)) return false;
  const std::string projectDirectory = sdkPath + "\\C\\" + projectName;

  // Windows cannot hold a longer path, and its shell copy fails on one
  // without telling: nothing is made for such a project.
  std::vector<std::string> directories;
  std::vector<std::string> files = {projectDirectory + "\\" + projectName + ".cbx",
                                    projectDirectory + "\\" + projectName + ".cbx.local"};
  listCopiedPaths(templateDirectory, projectDirectory, directories, files);
  if (!checkProjectPaths(directories, files, &problem)) {
    *err = "Error: Project name '" + projectName + "' too long: " + problem;
    return false;
  }
  *createdDirectory = projectDirectory;

  // The result is not needed: what matters is whether the project file can be written.
  platform::createDirectories(projectDirectory);

  const std::string templateProjectFile =
      moduleDirectory + (library ? kLibraryTemplate : kApplicationTemplate) + ".cbx";
  const bool projectFileWritten =
      writeProjectFile(templateProjectFile, projectDirectory + "\\" + projectName + ".cbx", projectName, err);

  const bool copied = platform::shellCopy({templateDirectory + "\\*.*"}, projectDirectory);
  // The project file's failure, the first, is the one reported.
  if (!copied && projectFileWritten) {
    *err = "Error: Unable to copy the project template " + quoted(templateDirectory) + " into " +
           quoted(projectDirectory);
  }

  // No local settings file in the template, or one of the new name already
  // there: both files stay as they are.
  platform::moveFile(projectDirectory + "\\proj.cbx.local", projectDirectory + "\\" + projectName + ".cbx.local");

  // The wizard opens the project file next: true must mean it is there.
  return copied && projectFileWritten;
}

}  // namespace plover
