// File layer on the Windows API and the C runtime's own text mode.
#include "files.h"

#include <algorithm>
#include <string>

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

bool replaceFileBytes(const std::string& path, const std::string& bytes) {
  const DWORD attributes = GetFileAttributesW(widen(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return false;
  // Not every rename refuses a read-only target (Wine's replaces it): it is
  // refused here, as any other write to it is.
  if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) return false;
  std::string temporary;
  HANDLE file = INVALID_HANDLE_VALUE;
  for (int attempt = 0; file == INVALID_HANDLE_VALUE && attempt < 100; ++attempt) {
    temporary = path + "." + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(attempt) + ".tmp";
    file = CreateFileW(widen(temporary).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) return false;
  }
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  for (size_t done = 0; ok && done < bytes.size();) {
    const DWORD piece = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data() + done, piece, &written, nullptr) || written == 0) ok = false;
    done += written;
  }
  if (ok && !FlushFileBuffers(file)) ok = false;
  if (!CloseHandle(file)) ok = false;
  if (ok && !MoveFileExW(widen(temporary).c_str(), widen(path).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) ok = false;
  if (!ok) DeleteFileW(widen(temporary).c_str());
  return ok;
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

std::optional<FileStamp> fileStamp(const std::string& path) {
  const std::wstring wide = widen(path);
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  const auto joined = [](DWORD high, DWORD low) {
    return static_cast<long long>((static_cast<unsigned long long>(high) << 32) | low);
  };
  if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    // The attributes are the link's own: the compiler reads its target,
    // which an opened handle is.
    const HANDLE file = CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION target;
    const bool read = GetFileInformationByHandle(file, &target) != 0;
    CloseHandle(file);
    if (!read) return std::nullopt;
    data.dwFileAttributes = target.dwFileAttributes;
    data.nFileSizeHigh = target.nFileSizeHigh;
    data.nFileSizeLow = target.nFileSizeLow;
    data.ftLastWriteTime = target.ftLastWriteTime;
  }
  if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return std::nullopt;
  return FileStamp{joined(data.nFileSizeHigh, data.nFileSizeLow),
                   joined(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime)};
}

bool lookupsFoldLetterCase() { return true; }

bool pathFitsTheSystem(const std::string& path) {
  // UTF-8 never takes fewer bytes than UTF-16 takes units.
  return path.size() < MAX_PATH || widen(path).size() < MAX_PATH;
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
