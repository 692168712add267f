// The I/O floor of one kestrel run, for scripts/bench: reads the project
// file whole, reads or looks at the files a run must see (sources, headers,
// the makefiles a second run compares), creates the build directories,
// writes the same number of bytes to each output file and starts the same
// make tool, with nothing else, and nothing of the C++ library, so that it
// starts as fast as a program can.
// Usage: bench_floor PROJECT TOOL [ITEM | @LIST]...
// where an ITEM is DIRECTORY/ (create), SIZE:FILE (write), <FILE (read
// whole) or ?FILE (size and time), and a LIST file holds one ITEM a line.
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace {

// The whole file into a buffer that grows; the caller frees it.
char* readWhole(const char* path, size_t* size) {
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return nullptr;
  size_t capacity = 1 << 16;
  size_t total = 0;
  char* bytes = static_cast<char*>(std::malloc(capacity));
  for (size_t got; (got = std::fread(bytes + total, 1, capacity - total, file)) > 0;) {
    total += got;
    if (total == capacity) bytes = static_cast<char*>(std::realloc(bytes, capacity *= 2));
  }
  std::fclose(file);
  *size = total;
  return bytes;
}

bool doItem(const char* item) {
  const size_t length = std::strlen(item);
  if (length == 0) return true;
  if (item[length - 1] == '/') {
    mkdir(item, 0777);
    return true;
  }
  if (item[0] == '<') {
    char buffer[1 << 16];
    const int fd = open(item + 1, O_RDONLY);
    if (fd < 0) return false;
    while (read(fd, buffer, sizeof buffer) > 0) {
    }
    close(fd);
    return true;
  }
  if (item[0] == '?') {
    struct stat info;
    return stat(item + 1, &info) == 0;
  }
  const char* colon = std::strchr(item, ':');
  if (colon == nullptr) return false;
  const size_t size = std::strtoul(item, nullptr, 10);
  char* content = static_cast<char*>(std::malloc(size + 1));
  std::memset(content, 'x', size);
  std::FILE* out = std::fopen(colon + 1, "wb");
  const bool written = out != nullptr && std::fwrite(content, 1, size, out) == size && std::fclose(out) == 0;
  std::free(content);
  return written;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  size_t size = 0;
  char* project = readWhole(argv[1], &size);
  if (project == nullptr) return 1;
  std::free(project);

  for (int i = 3; i < argc; ++i) {
    if (argv[i][0] != '@') {
      if (!doItem(argv[i])) return 1;
      continue;
    }
    char* list = readWhole(argv[i] + 1, &size);
    if (list == nullptr) return 1;
    list = static_cast<char*>(std::realloc(list, size + 1));
    list[size] = '\0';
    for (char* line = list; *line != '\0';) {
      char* end = std::strchr(line, '\n');
      if (end != nullptr) *end = '\0';
      if (!doItem(line)) return 1;
      if (end == nullptr) break;
      line = end + 1;
    }
    std::free(list);
  }

  char* toolArgv[] = {argv[2], nullptr};
  pid_t pid;
  if (posix_spawnp(&pid, argv[2], nullptr, nullptr, toolArgv, environ) != 0) return 1;
  int status = 0;
  waitpid(pid, &status, 0);
  return 0;
}
