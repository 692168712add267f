// A file's new bytes written piece by piece beside it, then put in its
// place whole or dropped, so that a reader sees the old bytes or the new
// ones, never a part.
#pragma once

#include <string>
#include <string_view>
#include <utility>

namespace platform {

class PendingFile {
 public:
  explicit PendingFile(std::string path) : path_(std::move(path)) {}
  ~PendingFile() { discard(); }
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  // Creates the new file beside the target: its name is the target's with
  // a number and ".tmp" added. False when the target is a directory or
  // read-only (on POSIX, one its owner may not write), or the new file
  // cannot be made. A replaced file's permissions are kept where the
  // system has them.
  bool open();
  // False when the bytes could not all be written; the file then cannot
  // be kept.
  bool write(std::string_view bytes);
  // Puts the new bytes in the target's place. A target that existed is
  // replaced by a rename after the bytes reached the disk, so that a
  // failure at any point leaves the old one whole. False, with nothing
  // left beside it, when that failed.
  bool keep();
  // Removes the new file, if any; the target stays as it was.
  void discard();

 private:
  std::string path_;
  std::string temporary_;
  bool replacing_ = false;  // the target existed when the file was opened
  bool failed_ = false;
#ifdef _WIN32
  void* handle_ = nullptr;
#else
  int fd_ = -1;
#endif
};

}  // namespace platform
