// The shell's file copy on POSIX: a recursive copy with the meaning of the
// Windows shell's, for lists of paths in the system's spelling.
#include "shell.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

#include "files.h"
#include "pathspelling.h"

namespace platform {

namespace {

bool hasWildcard(const std::string& name) { return name.find_first_of("*?") != std::string::npos; }

// Creates a directory and every missing one above it (native spelling).
bool makeDirectories(const std::string& native) { return createDirectories(hostToWindowsPath(native)); }

bool copyFile(const std::string& from, const std::string& to) {
  const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  struct stat info;
  const mode_t mode = ::fstat(in, &info) == 0 ? (info.st_mode & 0777) : 0666;
  const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
  if (out < 0) {
    ::close(in);
    return false;
  }
  bool ok = true;
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(in, buffer, sizeof buffer);
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    for (ssize_t done = 0; done < got;) {
      const ssize_t put = ::write(out, buffer + done, static_cast<size_t>(got - done));
      if (put < 0) {
        if (errno == EINTR) continue;
        ok = false;
        break;
      }
      done += put;
    }
    if (!ok) break;
  }
  ::close(in);
  if (::close(out) != 0) ok = false;
  return ok;
}

bool copyEntry(const std::string& from, const std::string& to);

bool copyDirectoryContents(const std::string& from, const std::string& to) {
  if (!makeDirectories(to)) return false;
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(from.c_str()), ::closedir);
  if (!dir) return false;
  bool ok = true;
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (!copyEntry(from + "/" + name, to + "/" + name)) ok = false;
  }
  return ok;
}

bool copyEntry(const std::string& from, const std::string& to) {
  struct stat info;
  if (::stat(from.c_str(), &info) != 0) return false;
  if (S_ISDIR(info.st_mode)) return copyDirectoryContents(from, to);
  return copyFile(from, to);
}

}  // namespace

bool shellCopy(const std::vector<std::string>& sources, const std::string& destinationPath) {
  if (sources.empty() || destinationPath.empty()) return false;
  const std::string destination = windowsToHostPath(destinationPath);

  bool ok = true;
  for (const std::string& source : sources) {
    const std::string native = windowsToHostPath(source);
    const size_t slash = native.find_last_of('/');
    const std::string directory = slash == std::string::npos ? "." : native.substr(0, slash);
    const std::string name = slash == std::string::npos ? native : native.substr(slash + 1);
    if (!hasWildcard(name)) {
      if (!makeDirectories(destination) || !copyEntry(native, destination + "/" + name)) ok = false;
      continue;
    }
    if (!isDirectory(hostToWindowsPath(directory.empty() ? "/" : directory))) return false;
    if (!makeDirectories(destination)) return false;
    for (const std::string& match : findFiles(hostToWindowsPath(directory + "/" + name))) {
      if (match == "." || match == "..") continue;
      if (!copyEntry(directory + "/" + match, destination + "/" + match)) ok = false;
    }
  }
  return ok;
}

}  // namespace platform
