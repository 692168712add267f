// The parts of the file layer that both hosts share.
#include "files.h"

namespace platform {

bool closeFile(std::FILE* file) {
  bool ok = std::ferror(file) == 0;
  if (std::fclose(file) != 0) ok = false;
  return ok;
}

bool readWholeFile(const std::string& path, std::string* bytes) {
  std::FILE* file = openBinaryFile(path, "rb");
  if (file == nullptr) return false;
  bytes->clear();
  if (std::fseek(file, 0, SEEK_END) == 0) {
    const long size = std::ftell(file);
    if (size > 0) bytes->reserve(static_cast<size_t>(size));
    std::rewind(file);
  }
  char buffer[65536];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes->append(buffer, got);
  return closeFile(file);
}

bool writeWholeFile(const std::string& path, const std::string& bytes) {
  std::FILE* file = openBinaryFile(path, "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  // A full disk shows at the latest when the file is closed.
  return closeFile(file) && written;
}

bool createDirectories(const std::string& path) {
  for (size_t slash = path.find('\\', 1); slash != std::string::npos; slash = path.find('\\', slash + 1)) {
    const std::string parent = path.substr(0, slash);
    // A drive ("C:") is no directory to create.
    if (parent.back() != ':' && !isDirectory(parent)) createDirectory(parent);
  }
  createDirectory(path);
  return isDirectory(path);
}

std::string nativePath(const std::string& path) { return windowsToHostPath(path); }

std::string systemPath(const std::string& nativeSpelling) { return hostToWindowsPath(nativeSpelling); }

}  // namespace platform
