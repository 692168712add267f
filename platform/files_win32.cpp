// File layer on the Windows API and the C runtime's own text mode.
#include "files.h"

#include <io.h>

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

long long joined(DWORD high, DWORD low) {
  return static_cast<long long>((static_cast<unsigned long long>(high) << 32) | low);
}

FileStamp stampOf(DWORD sizeHigh, DWORD sizeLow, FILETIME written) {
  return FileStamp{joined(sizeHigh, sizeLow), joined(written.dwHighDateTime, written.dwLowDateTime)};
}

}  // namespace

std::FILE* openTextFile(const std::string& path, const char* mode) {
  const std::string textMode = std::string(mode) + "t";
  return _wfopen(widen(path).c_str(), widen(textMode).c_str());
}

std::FILE* openBinaryFile(const std::string& path, const char* mode) {
  return _wfopen(widen(path).c_str(), widen(mode).c_str());
}

std::optional<std::string> readWholeFile(const std::string& path, FileStamp* stamp) {
  std::FILE* file = openBinaryFile(path, "rb");
  if (file == nullptr) return std::nullopt;
  if (stamp != nullptr) {
    // The opened file's, which for a link is its target's, as fileStamp's.
    BY_HANDLE_FILE_INFORMATION info;
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    if (handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      std::fclose(file);
      return std::nullopt;
    }
    *stamp = stampOf(info.nFileSizeHigh, info.nFileSizeLow, info.ftLastWriteTime);
  }
  std::optional<std::string> read(std::in_place);
  std::string& bytes = *read;
  // Straight into the string, sized by the file; a file that grows or a
  // device without a size is read on in pieces.
  long size = 0;
  if (std::fseek(file, 0, SEEK_END) == 0) size = std::ftell(file);
  std::rewind(file);
  // One byte more than the file, for a caller that ends the bytes with a NUL.
  bytes.reserve(size > 0 ? static_cast<size_t>(size) + 1 : 1);
  bytes.resize(size > 0 ? static_cast<size_t>(size) : 0);
  size_t total = std::fread(bytes.data(), 1, bytes.size(), file);
  if (total == bytes.size()) {
    char piece[65536];
    for (size_t got; (got = std::fread(piece, 1, sizeof piece, file)) > 0; total += got) bytes.append(piece, got);
  } else {
    bytes.resize(total);
  }
  if (!closeFile(file)) return std::nullopt;
  return read;
}

namespace {

// The file a symbolic link (or a chain of them) names, as the system
// resolves it; a path that is no link as it is, in its own spelling.
std::optional<std::string> resolvedLinks(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(widen(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return path;
  HANDLE file = CreateFileW(widen(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  std::wstring resolved(MAX_PATH, L'\0');
  DWORD length = GetFinalPathNameByHandleW(file, resolved.data(), static_cast<DWORD>(resolved.size()), 0);
  if (length >= resolved.size()) {
    resolved.resize(length + 1);
    length = GetFinalPathNameByHandleW(file, resolved.data(), static_cast<DWORD>(resolved.size()), 0);
  }
  CloseHandle(file);
  if (length == 0 || length >= resolved.size()) return std::nullopt;
  resolved.resize(length);
  // "\\?\C:\..." and "\\?\UNC\server\...", as other calls take them.
  if (resolved.compare(0, 8, L"\\\\?\\UNC\\") == 0) {
    resolved.replace(0, 8, L"\\\\");
  } else if (resolved.compare(0, 4, L"\\\\?\\") == 0) {
    resolved.erase(0, 4);
  }
  return narrow(resolved);
}

}  // namespace

bool TempFile::create(const std::string& path, const Options& options, TempFile* file) {
  file->discard();
  const std::optional<std::string> target = resolvedLinks(path);
  if (!target) return false;
  const DWORD attributes = GetFileAttributesW(widen(*target).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return false;
    // Not every rename refuses a read-only target (Wine's replaces it): it
    // is refused here, as any other write to it is.
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) return false;
  }
  static unsigned created = 0;
  std::string temporary;
  HANDLE handle = INVALID_HANDLE_VALUE;
  for (int attempt = 0; handle == INVALID_HANDLE_VALUE && attempt < 100; ++attempt) {
    temporary = *target + "." + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(created++) + ".tmp";
    handle = CreateFileW(widen(temporary).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
    if (handle == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) return false;
  }
  if (handle == INVALID_HANDLE_VALUE) return false;
  file->target_ = *target;
  file->temporary_ = temporary;
  file->options_ = options;
  file->failed_ = false;
  file->buffer_.clear();
  file->handle_ = handle;
  file->open_ = true;
  file->chooseLineEnds();
  return true;
}

bool TempFile::writeOut(const char* bytes, size_t size) {
  for (size_t done = 0; done < size;) {
    const DWORD piece = static_cast<DWORD>(std::min<size_t>(size - done, 1u << 20));
    DWORD written = 0;
    if (!WriteFile(handle_, bytes + done, piece, &written, nullptr) || written == 0) return false;
    done += written;
  }
  return true;
}

bool TempFile::finishWriting() {
  bool ok = flushBuffer() && FlushFileBuffers(handle_);
  if (!CloseHandle(handle_)) ok = false;
  handle_ = nullptr;
  return ok;
}

void TempFile::closeAndRemove() {
  if (handle_ != nullptr) CloseHandle(handle_);
  handle_ = nullptr;
  DeleteFileW(widen(temporary_).c_str());
}

bool TempFile::keep(const std::string& name) {
  if (!open_) return false;
  bool ok = finishWriting() && !failed_;
  // Without MOVEFILE_REPLACE_EXISTING a file that appeared meanwhile stays.
  const DWORD flags = MOVEFILE_WRITE_THROUGH | (options_.replace ? MOVEFILE_REPLACE_EXISTING : 0);
  if (ok) ok = MoveFileExW(widen(temporary_).c_str(), widen(name).c_str(), flags) != 0;
  if (!ok) DeleteFileW(widen(temporary_).c_str());
  open_ = false;
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
  return stampOf(data.nFileSizeHigh, data.nFileSizeLow, data.ftLastWriteTime);
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
