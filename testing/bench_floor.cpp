// The I/O floor of one kestrel run, for scripts/bench: reads the project
// file whole, creates the build directories, writes the same number of
// bytes to each output file and starts the same make tool, with nothing
// else, and nothing of the C++ library, so that it starts as fast as a
// program can. Usage: bench_floor PROJECT TOOL [DIRECTORY/ | SIZE:FILE]...
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

extern char** environ;

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  std::FILE* project = std::fopen(argv[1], "rb");
  if (project == nullptr) return 1;
  size_t capacity = 1 << 16;
  size_t total = 0;
  char* bytes = static_cast<char*>(std::malloc(capacity));
  for (size_t got; (got = std::fread(bytes + total, 1, capacity - total, project)) > 0;) {
    total += got;
    if (total == capacity) bytes = static_cast<char*>(std::realloc(bytes, capacity *= 2));
  }
  std::fclose(project);
  std::free(bytes);

  for (int i = 3; i < argc; ++i) {
    const size_t length = std::strlen(argv[i]);
    if (argv[i][length - 1] == '/') {
      mkdir(argv[i], 0777);
      continue;
    }
    char* colon = std::strchr(argv[i], ':');
    const size_t size = std::strtoul(argv[i], nullptr, 10);
    char* content = static_cast<char*>(std::malloc(size + 1));
    std::memset(content, 'x', size);
    std::FILE* out = std::fopen(colon + 1, "wb");
    if (out == nullptr || std::fwrite(content, 1, size, out) != size || std::fclose(out) != 0) return 1;
    std::free(content);
  }

  char* toolArgv[] = {argv[2], nullptr};
  pid_t pid;
  if (posix_spawnp(&pid, argv[2], nullptr, nullptr, toolArgv, environ) != 0) return 1;
  int status = 0;
  waitpid(pid, &status, 0);
  return 0;
}
