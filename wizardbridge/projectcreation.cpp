#include "wizardbridge/projectcreation.h"

#include "common/textfile.h"
#include "platform/files.h"
#include "platform/shell.h"
#include "wizardbridge/bridge.h"

namespace plover {

namespace {

bool writeProjectFile(const std::string& templatePath, const std::string& projectFilePath,
                      const std::string& name) {
  std::FILE* templateFile = platform::openTextFile(templatePath, "r");
  if (templateFile == nullptr) return false;
  std::FILE* projectFile = platform::openTextFile(projectFilePath, "w");
  if (projectFile == nullptr) {
    platform::closeFile(templateFile);
    return false;
  }
  bool written = copyProjectTemplate(templateFile, projectFile, name);
  if (!platform::closeFile(projectFile)) written = false;
  platform::closeFile(templateFile);
  return written;
}

}  // namespace

bool isSafeProjectName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find_first_of("\\/:") == std::string::npos;
}

bool copyProjectTemplate(std::FILE* templateFile, std::FILE* projectFile, const std::string& name) {
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

bool createPVSDKProject(const std::string& bridgeDirectory, const std::string& projectName, bool library) {
  // A name that leaves the C directory, or an SDK path that would put the
  // project at the root of the drive, must not create or overwrite anything.
  if (!isSafeProjectName(projectName)) return false;
  const std::string templateDirectory =
      bridgeDirectory + (library ? "..\\templates\\PVSDK\\projlib\\*.*" : "..\\templates\\PVSDK\\projapp\\*.*");
  const std::string sdkPath = readPv2SdkPath(bridgeDirectory);
  if (sdkPath.empty()) return false;
  const std::string projectDirectory = sdkPath + "\\C\\" + projectName;

  // The result is not needed: what matters is whether the project file can be written.
  platform::createDirectories(projectDirectory);

  const std::string templateProjectFile =
      bridgeDirectory + (library ? "..\\templates\\PVSDK\\projlib.cbx" : "..\\templates\\PVSDK\\projapp.cbx");
  const bool projectFileWritten =
      writeProjectFile(templateProjectFile, projectDirectory + "\\" + projectName + ".cbx", projectName);

  const bool copied = platform::shellCopy({templateDirectory}, projectDirectory);

  // No local settings file in the template, or one of the new name already
  // there: both files stay as they are.
  platform::moveFile(projectDirectory + "\\proj.cbx.local", projectDirectory + "\\" + projectName + ".cbx.local");

  // The wizard opens the project file next: true must mean it is there.
  return copied && projectFileWritten;
}

}  // namespace plover
