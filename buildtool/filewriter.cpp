#include "buildtool/filewriter.h"

#include "platform/files.h"

namespace kestrel {

namespace {

// The new text goes beside the file and is renamed into its place, so that
// an editor reads the old text or the new one, never a part.
bool replaceWhole(const GeneratedFile& file) {
  if (platform::fileStamp(file.path)) {
    std::string bytes;
    bytes.reserve(file.text.size() + file.text.size() / 16);
    for (const char c : file.text) {
      if (c == '\n') bytes += '\r';  // as text mode writes it
      bytes += c;
    }
    return platform::replaceFileBytes(file.path, bytes);
  }
  const std::string pending = file.path + ".new";
  if (platform::writeTextFileWhole(pending, file.text) && platform::moveFile(pending, file.path)) return true;
  platform::deleteFile(pending);
  return false;
}

}  // namespace

bool writeBuildDirectory(const BuildDirectory& directory, bool rewriteAll, std::string* err) {
  for (const std::string& path : directory.directories) platform::createDirectory(path);
  for (const GeneratedFile& file : directory.files) {
    if ((!rewriteAll || file.forEditors) && platform::fileHoldsText(file.path, file.text)) continue;
    if (!(file.forEditors ? replaceWhole(file) : platform::writeTextFileWhole(file.path, file.text))) {
      *err = "Unable to write " + file.path;
      return false;
    }
  }
  return true;
}

}  // namespace kestrel
