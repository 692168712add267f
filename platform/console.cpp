// The console writer's decisions, shared by both systems.
#include "console.h"

#include <streambuf>

namespace platform {

namespace {

constexpr unsigned kUtf8CodePage = 65001;

bool isAscii(const std::string& text) {
  for (unsigned char c : text) {
    if (c >= 0x80) return false;
  }
  return true;
}

// The length of the UTF-8 character that starts with this byte; 1 for a
// byte that starts none (it is then written as "?").
size_t characterLength(unsigned char lead) {
  if (lead >= 0xF0 && lead < 0xF8) return 4;
  if (lead >= 0xE0) return lead < 0xF0 ? 3 : 1;
  if (lead >= 0xC2) return 2;
  return 1;
}

// Whether every byte beyond ASCII belongs to a whole UTF-8 character.
bool isUtf8(const std::string& text) {
  for (size_t at = 0; at < text.size();) {
    const size_t length = characterLength(static_cast<unsigned char>(text[at]));
    if (length == 1 && static_cast<unsigned char>(text[at]) >= 0x80) return false;
    if (at + length > text.size()) return false;
    for (size_t i = 1; i < length; ++i) {
      if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80) return false;
    }
    at += length;
  }
  return true;
}

// The text in the code page, character by character: "?" where one has no place.
std::string convertForCodePage(ConsoleSystem& system, const std::string& utf8, unsigned codePage) {
  std::string bytes;
  for (size_t at = 0; at < utf8.size();) {
    const unsigned char lead = static_cast<unsigned char>(utf8[at]);
    if (lead < 0x80) {
      bytes += utf8[at++];
      continue;
    }
    // A character cut short ends where its continuation bytes end.
    size_t length = 1;
    while (length < characterLength(lead) && at + length < utf8.size() &&
           (static_cast<unsigned char>(utf8[at + length]) & 0xC0) == 0x80) {
      ++length;
    }
    const std::optional<std::string> converted = system.inCodePage(utf8.substr(at, length), codePage);
    bytes += converted ? *converted : std::string("?");
    at += length;
  }
  return bytes;
}

// Collects what is written to it and hands it on line by line.
class ConsoleBuffer : public std::streambuf {
 public:
  explicit ConsoleBuffer(StandardStream stream) : stream_(stream) {}

 protected:
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    pending_ += traits_type::to_char_type(c);
    if (c == '\n') writePending();
    return c;
  }
  std::streamsize xsputn(const char* text, std::streamsize count) override {
    for (std::streamsize i = 0; i < count; ++i) overflow(traits_type::to_int_type(text[i]));
    return count;
  }
  int sync() override {
    writePending();
    return 0;
  }

 private:
  void writePending() {
    if (pending_.empty()) return;
    writeConsoleText(systemConsole(), stream_, pending_);
    pending_.clear();
  }

  StandardStream stream_;
  std::string pending_;
};

}  // namespace

void writeConsoleText(ConsoleSystem& system, StandardStream stream, const std::string& utf8) {
  if (isAscii(utf8)) return system.writeBytes(stream, utf8);
  const bool console = system.isConsole(stream);
  if (console && isUtf8(utf8)) return system.writeToConsole(stream, utf8);
  // A console shows bytes in its output code page. A pipe or file is read
  // in the ANSI one, as the system's strings are, even by a program that
  // gave this one a hidden console whose output code page is the OEM one.
  unsigned codePage = console ? system.consoleOutputCodePage() : 0;
  if (codePage == 0) codePage = system.ansiCodePage();
  if (codePage == kUtf8CodePage) return system.writeBytes(stream, utf8);
  system.writeBytes(stream, convertForCodePage(system, utf8, codePage));
}

std::ostream& consoleOut() {
  static ConsoleBuffer buffer(StandardStream::output);
  static std::ostream stream(&buffer);
  return stream;
}

std::ostream& consoleErr() {
  static ConsoleBuffer buffer(StandardStream::error);
  static std::ostream stream(&buffer);
  return stream;
}

}  // namespace platform
