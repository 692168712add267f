#include "common/disk.h"

#include <cstdio>
#include <utility>

namespace ucl {

namespace {

class RealPendingFile : public PendingFile {
 public:
  explicit RealPendingFile(platform::TempFile file) : file_(std::move(file)) {}
  bool append(std::string_view bytes) override { return file_.append(bytes); }
  bool keep() override { return file_.keep(); }
  bool keep(const std::string& name) override { return file_.keep(name); }
  void discard() override { file_.discard(); }

 private:
  platform::TempFile file_;
};

class RealFileReader : public FileReader {
 public:
  explicit RealFileReader(std::FILE* file) : file_(file) {}
  ~RealFileReader() override { close(); }
  size_t read(char* into, size_t size) override { return file_ == nullptr ? 0 : std::fread(into, 1, size, file_); }
  bool close() override { return file_ == nullptr || platform::closeFile(std::exchange(file_, nullptr)); }

 private:
  std::FILE* file_;
};

}  // namespace

std::optional<std::string> RealDisk::read(const std::string& path) { return platform::readWholeFile(path); }
std::optional<std::string> RealDisk::readStamped(const std::string& path, FileStamp* stamp) {
  return platform::readWholeFile(path, stamp);
}

std::unique_ptr<FileReader> RealDisk::open(const std::string& path) {
  std::FILE* file = platform::openBinaryFile(path, "rb");
  if (file == nullptr) return nullptr;
  return std::make_unique<RealFileReader>(file);
}

bool RealDisk::holdsText(const std::string& path, std::string_view text) { return platform::fileHoldsText(path, text); }

std::optional<FileStamp> RealDisk::stamp(const std::string& path) { return platform::fileStamp(path); }

std::vector<std::string> RealDisk::list(const std::string& pattern) { return platform::findFiles(pattern); }

bool RealDisk::foldsLetterCase() const { return platform::lookupsFoldLetterCase(); }

bool RealDisk::takesPath(const std::string& path) const { return platform::pathFitsTheSystem(path); }

std::unique_ptr<PendingFile> RealDisk::create(const std::string& path, const WriteOptions& options) {
  platform::TempFile file;
  if (!platform::TempFile::create(path, options, &file)) return nullptr;
  return std::make_unique<RealPendingFile>(std::move(file));
}

bool RealDisk::createDirectory(const std::string& path) { return platform::createDirectory(path); }

bool RealDisk::remove(const std::string& path) { return platform::deleteFile(path); }

bool RealDisk::move(const std::string& from, const std::string& to) { return platform::moveFile(from, to); }

bool writeFile(Disk& disk, const std::string& path, std::string_view bytes, const WriteOptions& options) {
  const std::unique_ptr<PendingFile> file = disk.create(path, options);
  if (file == nullptr) return false;
  if (!file->append(bytes)) {
    file->discard();
    return false;
  }
  return file->keep();
}

platform::LetterCaseFinder letterCaseFinder(Disk& disk) {
  return platform::LetterCaseFinder([&disk](const std::string& pattern) { return disk.list(pattern); },
                                    disk.foldsLetterCase());
}

}  // namespace ucl
