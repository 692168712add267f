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
  return _wfopen(widen(path).c_str(), widen(textMode).c_str());
}

std::FILE* openBinaryFile(const std::string& path, const char* mode) {
  return _wfopen(widen(path).c_str(), widen(mode).c_str());
}

bool createDirectory(const std::string& path) {
  return CreateDirectoryW(widen(path).c_str(), nullptr) != 0;
}

bool deleteFile(const std::string& path) { return DeleteFileW(widen(path).c_str()) != 0; }

bool moveFile(const std::string& from, const std::string& to) {
  return MoveFileW(widen(from).c_str(), widen(to).c_str()) != 0;
}

bool isDirectory(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(widen(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::vector<std::string> findFiles(const std::string& pattern) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW data;
  FindHandle search(FindFirstFileW(widen(pattern).c_str(), &data));
  if (!search.valid()) return names;
  do {
    names.push_back(narrow(data.cFileName));
  } while (FindNextFileW(search.get(), &data));
  return names;
}

std::optional<std::string> shortPath(const std::string& path) {
  const std::wstring wide = widen(path);
  const DWORD length = GetShortPathNameW(wide.c_str(), nullptr, 0);
  if (length == 0) return std::nullopt;
  std::wstring buffer(length, L'\0');
  const DWORD written = GetShortPathNameW(wide.c_str(), buffer.data(), length);
  if (written == 0 || written >= length) return std::nullopt;
  buffer.resize(written);
  return narrow(buffer);
}

}  // namespace platform
