// Module path on Linux: /proc/self/exe for the executable, dladdr for a
// library.
#include "module.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <memory>
#include <vector>

#include "pathspelling.h"

namespace platform {

namespace {

std::string executablePath() {
  std::vector<char> buffer(PATH_MAX);
  for (;;) {
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0) return std::string();
    if (static_cast<size_t>(length) < buffer.size()) return std::string(buffer.data(), length);
    buffer.resize(buffer.size() * 2);
  }
}

std::string libraryPath(ModuleHandle address) {
  Dl_info info;
  if (::dladdr(address, &info) == 0 || info.dli_fname == nullptr) return std::string();
  std::unique_ptr<char, void (*)(void*)> resolved(::realpath(info.dli_fname, nullptr), ::free);
  return resolved ? std::string(resolved.get()) : std::string(info.dli_fname);
}

}  // namespace

std::string modulePath(ModuleHandle module) {
  return hostToWindowsPath(module == nullptr ? executablePath() : libraryPath(module));
}

}  // namespace platform
