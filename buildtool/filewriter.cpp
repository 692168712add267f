#include "buildtool/filewriter.h"

namespace kestrel {

bool writeBuildDirectory(ucl::Disk& disk, const BuildDirectory& directory, bool rewriteAll,
                         std::vector<std::string>* written, std::string* err) {
  for (const std::string& path : directory.directories) disk.createDirectory(path);
  for (const GeneratedFile& file : directory.files) {
    if (!rewriteAll && disk.holdsText(file.path, file.text)) continue;
    // Made whole beside its place, so that the make tool or an editor reads
    // the old text or the new one, never a part.
    if (!ucl::writeFile(disk, file.path, file.text, {ucl::LineEnds::crlf})) {
      *err = "Unable to write " + file.path;
      return false;
    }
    if (written != nullptr) written->push_back(file.path);
  }
  return true;
}

}  // namespace kestrel
