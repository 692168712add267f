#include "pendingfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "pathspelling.h"

namespace platform {

bool PendingFile::open() {
  const std::string target = windowsToHostPath(path_);
  struct stat info;
  mode_t mode = 0666;
  replacing_ = ::stat(target.c_str(), &info) == 0;
  if (replacing_) {
    // A rename would not ask whether the file may be written.
    if (!S_ISREG(info.st_mode) || (info.st_mode & S_IWUSR) == 0) return false;
    mode = info.st_mode & 07777;
  }
  for (int attempt = 0; fd_ < 0 && attempt < 100; ++attempt) {
    temporary_ = target + "." + std::to_string(::getpid()) + "-" + std::to_string(attempt) + ".tmp";
    fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd_ < 0 && errno != EEXIST) break;
  }
  if (fd_ < 0) return false;
  // The umask must not narrow the permissions of the file replaced.
  if (replacing_ && ::fchmod(fd_, mode) != 0) failed_ = true;
  return true;
}

bool PendingFile::write(std::string_view bytes) {
  while (fd_ >= 0 && !failed_ && !bytes.empty()) {
    const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) failed_ = true;
    else bytes.remove_prefix(static_cast<size_t>(written));
  }
  return fd_ >= 0 && !failed_;
}

bool PendingFile::keep() {
  if (fd_ < 0) return false;
  bool ok = !failed_ && (!replacing_ || ::fsync(fd_) == 0);
  if (::close(fd_) != 0) ok = false;
  fd_ = -1;
  const std::string target = windowsToHostPath(path_);
  if (ok && replacing_) {
    ok = std::rename(temporary_.c_str(), target.c_str()) == 0;
  } else if (ok) {
    // As a new file: never in place of one made meanwhile.
    struct stat info;
    ok = ::lstat(target.c_str(), &info) != 0 && std::rename(temporary_.c_str(), target.c_str()) == 0;
  }
  if (!ok) ::unlink(temporary_.c_str());
  temporary_.clear();
  return ok;
}

void PendingFile::discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temporary_.empty()) ::unlink(temporary_.c_str());
  temporary_.clear();
}

}  // namespace platform
