#include "buildtool/filewriter.h"

#include "platform/files.h"

namespace kestrel {

bool writeBuildDirectory(const BuildDirectory& directory, bool rewriteAll, std::string* err) {
  for (const std::string& path : directory.directories) platform::createDirectory(path);
  for (const GeneratedFile& file : directory.files) {
    if (!rewriteAll && platform::fileHoldsText(file.path, file.text)) continue;
    if (!platform::writeTextFileWhole(file.path, file.text)) {
      *err = "Unable to write " + file.path;
      return false;
    }
  }
  return true;
}

}  // namespace kestrel
