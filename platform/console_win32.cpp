// Standard output and error on Windows: a console gets UTF-16, a pipe or a
// file bytes in a code page.
#include <cstdio>

#include "console.h"
#include "codepages.h"
#include "win32.h"

namespace platform {

namespace {

class WindowsConsole : public ConsoleSystem {
 public:
  bool isConsole(StandardStream stream) override {
    DWORD mode = 0;
    return GetConsoleMode(handle(stream), &mode) != 0;
  }
  unsigned consoleOutputCodePage() override { return GetConsoleOutputCP(); }
  unsigned ansiCodePage() override { return GetACP(); }
  std::optional<std::string> inCodePage(const std::string& character, unsigned codePage) override {
    return utf8ToCodePage(character, codePage);
  }
  void writeToConsole(StandardStream stream, const std::string& utf8) override {
    // What the C library still holds goes first; the console takes "\r\n".
    std::fflush(file(stream));
    std::wstring wide;
    for (wchar_t c : widen(utf8)) {
      if (c == L'\n') wide += L'\r';
      wide += c;
    }
    DWORD written = 0;
    WriteConsoleW(handle(stream), wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
  }
  void writeBytes(StandardStream stream, const std::string& bytes) override {
    // Through the C library, whose text mode ends lines with "\r\n" as before.
    std::fwrite(bytes.data(), 1, bytes.size(), file(stream));
    std::fflush(file(stream));
  }

 private:
  static HANDLE handle(StandardStream stream) {
    return GetStdHandle(stream == StandardStream::output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
  }
  static std::FILE* file(StandardStream stream) { return stream == StandardStream::output ? stdout : stderr; }
};

}  // namespace

ConsoleSystem& systemConsole() {
  static WindowsConsole console;
  return console;
}

}  // namespace platform
