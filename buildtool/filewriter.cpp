#include "buildtool/filewriter.h"

#include "platform/files.h"

namespace kestrel {

bool writeBuildDirectory(const BuildDirectory& directory, bool rewriteAll, std::string* err) {
  for (const std::string& path : directory.directories) platform::createDirectory(path);
  for (const GeneratedFile& file : directory.files) {
    if (!rewriteAll && platform::fileHoldsText(file.path, file.text)) continue;
    // Made whole beside its place, so that the make tool or an editor reads
    // the old text or the new one, never a part.
    if (!platform::writeFileSafely(file.path, file.text, {platform::LineEnds::crlf})) {
      *err = "Unable to write " + file.path;
      return false;
    }
  }
  return true;
}

}  // namespace kestrel
