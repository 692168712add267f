// File layer on the Windows API and the C runtime's own text mode.
#include "files.h"

#include "win32.h"

namespace platform {

namespace {

class FindHandle {
 public:
  explicit FindHandle(HANDLE handle) : handle_(handle) {}
  ~FindHandle() {
    if (valid()) FindClose(handle_);
  }
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

}  // namespace

std::FILE* openTextFile(const std::string& path, const char* mode) {
  const std::string textMode = std::string(mode) + "t";
  return std::fopen(path.c_str(), textMode.c_str());
}

std::FILE* openBinaryFile(const std::string& path, const char* mode) {
  return std::fopen(path.c_str(), mode);
}

bool createDirectory(const std::string& path) {
  return CreateDirectoryA(path.c_str(), nullptr) != 0;
}

bool deleteFile(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

bool moveFile(const std::string& from, const std::string& to) {
  return MoveFileA(from.c_str(), to.c_str()) != 0;
}

bool isDirectory(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::optional<FileStamp> fileStamp(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return std::nullopt;
  }
  const auto wide = [](DWORD high, DWORD low) {
    return static_cast<long long>((static_cast<unsigned long long>(high) << 32) | low);
  };
  return FileStamp{wide(data.nFileSizeHigh, data.nFileSizeLow),
                   wide(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime)};
}

std::vector<std::string> findFiles(const std::string& pattern) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  FindHandle search(FindFirstFileA(pattern.c_str(), &data));
  if (!search.valid()) return names;
  do {
    names.push_back(data.cFileName);
  } while (FindNextFileA(search.get(), &data));
  return names;
}

}  // namespace platform
