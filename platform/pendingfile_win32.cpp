#include "pendingfile.h"

#include <algorithm>

#include "win32.h"

namespace platform {

bool PendingFile::open() {
  const DWORD attributes = GetFileAttributesW(widen(path_).c_str());
  replacing_ = attributes != INVALID_FILE_ATTRIBUTES;
  // Not every rename refuses a read-only target (Wine's replaces it).
  if (replacing_ && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0) return false;
  HANDLE file = INVALID_HANDLE_VALUE;
  for (int attempt = 0; file == INVALID_HANDLE_VALUE && attempt < 100; ++attempt) {
    temporary_ = path_ + "." + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(attempt) + ".tmp";
    file = CreateFileW(widen(temporary_).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
  }
  if (file == INVALID_HANDLE_VALUE) {
    temporary_.clear();
    return false;
  }
  handle_ = file;
  return true;
}

bool PendingFile::write(std::string_view bytes) {
  while (handle_ != nullptr && !failed_ && !bytes.empty()) {
    const DWORD piece = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 20));
    DWORD written = 0;
    if (!WriteFile(static_cast<HANDLE>(handle_), bytes.data(), piece, &written, nullptr) || written == 0) failed_ = true;
    bytes.remove_prefix(written);
  }
  return handle_ != nullptr && !failed_;
}

bool PendingFile::keep() {
  if (handle_ == nullptr) return false;
  bool ok = !failed_ && (!replacing_ || FlushFileBuffers(static_cast<HANDLE>(handle_)));
  if (!CloseHandle(static_cast<HANDLE>(handle_))) ok = false;
  handle_ = nullptr;
  const DWORD flags = replacing_ ? MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH : 0;
  if (ok) ok = MoveFileExW(widen(temporary_).c_str(), widen(path_).c_str(), flags) != 0;
  if (!ok) DeleteFileW(widen(temporary_).c_str());
  temporary_.clear();
  return ok;
}

void PendingFile::discard() {
  if (handle_ != nullptr) CloseHandle(static_cast<HANDLE>(handle_));
  handle_ = nullptr;
  if (!temporary_.empty()) DeleteFileW(widen(temporary_).c_str());
  temporary_.clear();
}

}  // namespace platform
