// Standard output and error on POSIX: UTF-8, the bytes as they are.
#include <cstdio>

#include "console.h"

namespace platform {

namespace {

class PosixConsole : public ConsoleSystem {
 public:
  bool isConsole(StandardStream) override { return false; }
  unsigned consoleOutputCodePage() override { return 65001; }
  unsigned ansiCodePage() override { return 65001; }
  std::optional<std::string> inCodePage(const std::string& character, unsigned) override { return character; }
  void writeToConsole(StandardStream stream, const std::string& utf8) override { writeBytes(stream, utf8); }
  void writeBytes(StandardStream stream, const std::string& bytes) override {
    std::FILE* file = stream == StandardStream::output ? stdout : stderr;
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fflush(file);
  }
};

}  // namespace

ConsoleSystem& systemConsole() {
  static PosixConsole console;
  return console;
}

}  // namespace platform
