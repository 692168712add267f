// File layer on Linux. Text mode is emulated with a glibc cookie stream
// (fopencookie) so that every file reads and writes exactly as under the
// Windows C runtime.
#include "files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <climits>
#include <cerrno>
#include <cstring>
#include <memory>

namespace platform {

namespace {

constexpr char kCtrlZ = 0x1A;

FileStamp stampOf(const struct stat& info) {
  return FileStamp{static_cast<long long>(info.st_size),
                   static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec};
}

struct TextCookie {
  std::FILE* raw;
  bool ended;  // a Ctrl-Z was met: the file ends there for good
};

ssize_t readText(void* cookie, char* buffer, size_t size) {
  auto* text = static_cast<TextCookie*>(cookie);
  size_t produced = 0;
  while (produced == 0 && !text->ended) {
    const size_t got = std::fread(buffer, 1, size, text->raw);
    if (got == 0) return std::ferror(text->raw) ? -1 : 0;
    for (size_t i = 0; i < got; ++i) {
      const char c = buffer[i];
      if (c == kCtrlZ) {
        text->ended = true;
        break;
      }
      if (c != '\r') buffer[produced++] = c;
    }
  }
  return static_cast<ssize_t>(produced);
}

ssize_t writeText(void* cookie, const char* buffer, size_t size) {
  auto* text = static_cast<TextCookie*>(cookie);
  // Whole runs between line feeds, each line feed as CR LF.
  const char* next = buffer;
  const char* const end = buffer + size;
  while (next < end) {
    const char* lineFeed = static_cast<const char*>(std::memchr(next, '\n', static_cast<size_t>(end - next)));
    const size_t plain = static_cast<size_t>((lineFeed != nullptr ? lineFeed : end) - next);
    if (std::fwrite(next, 1, plain, text->raw) != plain) return 0;
    next += plain;
    if (lineFeed != nullptr) {
      if (std::fwrite("\r\n", 1, 2, text->raw) != 2) return 0;
      ++next;
    }
  }
  return static_cast<ssize_t>(size);
}

int closeText(void* cookie) {
  std::unique_ptr<TextCookie> text(static_cast<TextCookie*>(cookie));
  bool ok = std::ferror(text->raw) == 0;
  if (std::fclose(text->raw) != 0) ok = false;
  return ok ? 0 : -1;
}

bool sameLetter(char a, char b) {
  // Windows matches names without regard to letter case.
  return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}

// Wildcard match with "*" and "?"; linear backtracking to the latest "*".
bool matchesPattern(const char* pattern, const char* name) {
  const char* star = nullptr;
  const char* resume = nullptr;
  while (*name != '\0') {
    if (*pattern == '*') {
      star = pattern++;
      resume = name;
    } else if (*pattern != '\0' && (*pattern == '?' || sameLetter(*pattern, *name))) {
      ++pattern;
      ++name;
    } else if (star != nullptr) {
      pattern = star + 1;
      name = ++resume;
    } else {
      return false;
    }
  }
  while (*pattern == '*') ++pattern;
  return *pattern == '\0';
}

// As on Windows, a final ".*" may also match nothing: "*.*" matches every
// name, "name.*" matches "name" too.
bool isAscii(const char* text) {
  for (; *text != '\0'; ++text) {
    if (static_cast<unsigned char>(*text) >= 0x80) return false;
  }
  return true;
}

bool matchesWindowsPattern(const std::string& pattern, const char* name) {
  // Letters beyond ASCII are compared in one case, as Windows compares them.
  if (!isAscii(pattern.c_str()) || !isAscii(name)) {
    const std::string foldedName = foldedLetterCase(name);
    const std::string foldedPattern = foldedLetterCase(pattern);
    if (foldedPattern != pattern || foldedName != name) return matchesWindowsPattern(foldedPattern, foldedName.c_str());
  }
  if (matchesPattern(pattern.c_str(), name)) return true;
  const size_t size = pattern.size();
  return size >= 2 && pattern.compare(size - 2, 2, ".*") == 0 &&
         matchesPattern(pattern.substr(0, size - 2).c_str(), name);
}

// fopen, but like the Windows C runtime it does not open a directory.
std::FILE* openFile(const std::string& path, const char* mode) {
  std::FILE* file = std::fopen(windowsToHostPath(path).c_str(), mode);
  struct stat info;
  if (file != nullptr && (::fstat(::fileno(file), &info) != 0 || S_ISDIR(info.st_mode))) {
    std::fclose(file);
    return nullptr;
  }
  return file;
}

}  // namespace

std::FILE* openTextFile(const std::string& path, const char* mode) {
  const bool writing = mode[0] == 'w';
  std::FILE* raw = openFile(path, writing ? "wb" : "rb");
  if (raw == nullptr) return nullptr;
  auto* cookie = new TextCookie{raw, false};
  cookie_io_functions_t functions{};
  functions.read = readText;
  functions.write = writeText;
  functions.close = closeText;
  std::FILE* file = fopencookie(cookie, writing ? "w" : "r", functions);
  if (file == nullptr) {
    std::fclose(raw);
    delete cookie;
  }
  return file;
}

std::FILE* openBinaryFile(const std::string& path, const char* mode) { return openFile(path, mode); }

std::optional<std::string> readWholeFile(const std::string& path, FileStamp* stamp) {
  // A run reads thousands of small sources: straight through the
  // descriptor, sized by fstat, with none of a stream's seeks and stats.
  const int fd = ::open(windowsToHostPath(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat info;
  if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    ::close(fd);
    return std::nullopt;
  }
  if (stamp != nullptr) *stamp = stampOf(info);
  const bool regular = S_ISREG(info.st_mode);
  const size_t size = regular && info.st_size > 0 ? static_cast<size_t>(info.st_size) : 0;
  std::optional<std::string> read(std::in_place);
  std::string& bytes = *read;
  // One byte more than the file, so that a file that did not grow is seen
  // whole in one read, and for a caller that ends the bytes with a NUL.
  bytes.resize(size + 1);
  size_t total = 0;
  bool failed = false;
  for (;;) {
    if (total == bytes.size()) bytes.resize(bytes.size() < 65536 ? 65536 : bytes.size() * 2);
    const size_t wanted = bytes.size() - total;
    const ssize_t got = ::read(fd, bytes.data() + total, wanted);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      failed = true;
      break;
    }
    total += static_cast<size_t>(got);
    // A regular file that gave its size and then less than asked has
    // ended; anything else (a pipe, a device) ends only with a read of
    // nothing.
    if (got == 0 || (regular && total >= size && static_cast<size_t>(got) < wanted)) break;
  }
  if (::close(fd) != 0 || failed) return std::nullopt;
  bytes.resize(total);
  return read;
}

namespace {

std::string hostDirectoryOf(const std::string& hostPath) {
  const size_t slash = hostPath.rfind('/');
  return slash == std::string::npos ? "." : slash == 0 ? "/" : hostPath.substr(0, slash);
}

// The host path with its links followed, each relative one from its own
// directory; nothing for a loop (as the system gives up: after 40).
std::optional<std::string> resolvedHostLinks(std::string path) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    std::string link(PATH_MAX, '\0');
    const ssize_t size = ::readlink(path.c_str(), link.data(), link.size());
    if (size < 0 || static_cast<size_t>(size) >= link.size()) return std::nullopt;
    link.resize(static_cast<size_t>(size));
    path = link[0] == '/' ? link : hostDirectoryOf(path) + "/" + link;
  }
  return std::nullopt;
}

}  // namespace

bool TempFile::create(const std::string& path, const Options& options, TempFile* file) {
  file->discard();
  const std::optional<std::string> target = resolvedHostLinks(windowsToHostPath(path));
  if (!target) return false;
  struct stat info;
  unsigned mode = 0;
  if (::stat(target->c_str(), &info) == 0) {
    if (!S_ISREG(info.st_mode)) return false;
    // A file its owner may not write is read-only, as Windows refuses to
    // replace one; the rename would not ask.
    if ((info.st_mode & S_IWUSR) == 0) return false;
    mode = info.st_mode & 07777;
  }
  static unsigned created = 0;
  std::string temporary;
  int fd = -1;
  for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
    temporary = *target + "." + std::to_string(::getpid()) + "-" + std::to_string(created++) + ".tmp";
    // A new file gets what the umask leaves of 0666, as any file made.
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode != 0 ? mode : 0666);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;
  if (mode != 0 && ::fchmod(fd, mode) != 0) {
    ::close(fd);
    ::unlink(temporary.c_str());
    return false;
  }
  file->target_ = hostToWindowsPath(*target);
  file->temporary_ = hostToWindowsPath(temporary);
  file->options_ = options;
  file->failed_ = false;
  file->buffer_.clear();
  file->fd_ = fd;
  file->mode_ = mode;
  file->open_ = true;
  file->chooseLineEnds();
  return true;
}

bool TempFile::writeOut(const char* bytes, size_t size) {
  for (size_t done = 0; done < size;) {
    const ssize_t written = ::write(fd_, bytes + done, size - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    done += static_cast<size_t>(written);
  }
  return true;
}

bool TempFile::finishWriting() {
  bool ok = flushBuffer() && ::fsync(fd_) == 0;
  if (::close(fd_) != 0) ok = false;
  fd_ = -1;
  return ok;
}

void TempFile::closeAndRemove() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  ::unlink(windowsToHostPath(temporary_).c_str());
}

bool TempFile::keep(const std::string& name) {
  if (!open_) return false;
  const std::string temporary = windowsToHostPath(temporary_);
  const std::string destination = windowsToHostPath(name);
  bool ok = finishWriting() && !failed_;
  if (ok && options_.replace) {
    ok = std::rename(temporary.c_str(), destination.c_str()) == 0;
  } else if (ok) {
    // Never onto a file that appeared meanwhile; by a second name where
    // the file system cannot rename so.
    ok = ::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, destination.c_str(), RENAME_NOREPLACE) == 0;
    if (!ok && errno == EINVAL) ok = ::link(temporary.c_str(), destination.c_str()) == 0;
  }
  ::unlink(temporary.c_str());  // left after a failure or a link
  open_ = false;
  if (!ok) return false;
  // The rename itself reaches the disk with the directory.
  const int dir = ::open(hostDirectoryOf(destination).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

bool createDirectory(const std::string& path) {
  return ::mkdir(windowsToHostPath(path).c_str(), 0777) == 0;
}

bool deleteFile(const std::string& path) {
  const std::string native = windowsToHostPath(path);
  struct stat info;
  if (::lstat(native.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return false;
  return ::unlink(native.c_str()) == 0;
}

bool moveFile(const std::string& from, const std::string& to) {
  const std::string target = windowsToHostPath(to);
  // MoveFile never replaces an existing target.
  struct stat info;
  if (::lstat(target.c_str(), &info) == 0) return false;
  return std::rename(windowsToHostPath(from).c_str(), target.c_str()) == 0;
}

bool isDirectory(const std::string& path) {
  struct stat info;
  return ::stat(windowsToHostPath(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::optional<FileStamp> fileStamp(const std::string& path) {
  struct stat info;
  if (::stat(windowsToHostPath(path).c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return std::nullopt;
  return stampOf(info);
}

bool pathFitsTheSystem(const std::string& path) { return path.size() < PATH_MAX; }

bool lookupsFoldLetterCase() { return false; }

std::vector<std::string> findFiles(const std::string& pattern) {
  std::vector<std::string> names;
  const std::string native = windowsToHostPath(pattern);
  const size_t slash = native.rfind('/');
  std::string directory = slash == std::string::npos ? "." : native.substr(0, slash + 1);
  const std::string namePattern = slash == std::string::npos ? native : native.substr(slash + 1);
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(directory.c_str()), ::closedir);
  if (!dir) return names;
  while (const dirent* entry = ::readdir(dir.get())) {
    if (matchesWindowsPattern(namePattern, entry->d_name)) names.push_back(entry->d_name);
  }
  return names;
}

std::optional<std::string> shortPath(const std::string& path) {
  struct stat info;
  if (::stat(windowsToHostPath(path).c_str(), &info) != 0) return std::nullopt;
  return path;
}

}  // namespace platform
