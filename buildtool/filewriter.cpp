#include "buildtool/filewriter.h"

#include <cstdio>

#include "platform/files.h"

namespace {

bool writeTextFile(const std::string& path, const std::string& text) {
  std::FILE* file = platform::openTextFile(path, "w");
  if (file == nullptr) return false;
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  // A full disk shows at the latest when the file is closed.
  return platform::closeFile(file) && written;
}

}  // namespace

bool writeBuildDirectory(const BuildDirectory& directory, std::string* err) {
  for (const std::string& path : directory.directories) platform::createDirectory(path);
  for (const GeneratedFile& file : directory.files) {
    if (!writeTextFile(file.path, file.text)) {
      *err = "Unable to write " + file.path;
      return false;
    }
  }
  return true;
}
