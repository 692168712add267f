#include "fuzz/fuzzsupport.h"

#include <unistd.h>

#include <fstream>
#include <sstream>

namespace fuzzsupport {

const std::string& scratchDirectory() {
  static const std::string directory = [] {
    const char* temporary = std::getenv("TMPDIR");
    std::string name = std::string(temporary != nullptr && *temporary != '\0' ? temporary : "/tmp") + "/pvfuzz-XXXXXX";
    if (mkdtemp(name.data()) == nullptr || chdir(name.c_str()) != 0) std::abort();
    return name;
  }();
  return directory;
}

void writeBytes(const std::string& path, const uint8_t* data, size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

std::string readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

}  // namespace fuzzsupport
