// Text encodings on POSIX: the programs' UTF-8 is the system's own.
#include "codepages.h"

namespace platform {

namespace {
constexpr unsigned kUtf8 = 65001;
}

unsigned ansiCodePage() { return kUtf8; }

std::optional<std::string> codePageToUtf8(const std::string& bytes, unsigned codePage) {
  if (codePage != kUtf8) return std::nullopt;
  return bytes;
}

std::optional<std::string> utf8ToCodePage(const std::string& utf8, unsigned codePage) {
  if (codePage != kUtf8) return std::nullopt;
  return utf8;
}

std::string ansiToUtf8(const std::string& ansi) { return ansi; }

std::optional<std::string> utf8ToAnsi(const std::string& utf8) { return utf8; }

}  // namespace platform
