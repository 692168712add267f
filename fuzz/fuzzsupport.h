// Shared by the fuzz targets: a scratch directory of the process, whole-file
// writing and reading, and a check that stops the run when it fails.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzzsupport {

// A directory of this process under $TMPDIR (or /tmp), made the current
// directory.
const std::string& scratchDirectory();

void writeBytes(const std::string& path, const uint8_t* data, size_t size);
std::string readBytes(const std::string& path);

}  // namespace fuzzsupport

// Unlike assert, also active in optimised builds.
#define FUZZ_CHECK(condition)                                                     \
  do {                                                                            \
    if (!(condition)) {                                                           \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                               \
    }                                                                             \
  } while (0)
