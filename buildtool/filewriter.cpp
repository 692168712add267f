#include "buildtool/filewriter.h"

#include "platform/files.h"

bool writeBuildDirectory(const BuildDirectory& directory, std::string* err) {
  for (const std::string& path : directory.directories) platform::createDirectory(path);
  for (const GeneratedFile& file : directory.files) {
    const std::string bytes = platform::textModeBytes(file.text);
    if (platform::fileHolds(file.path, bytes)) continue;
    if (!platform::writeWholeFile(file.path, bytes)) {
      *err = "Unable to write " + file.path;
      return false;
    }
  }
  return true;
}
