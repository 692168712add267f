#include "platform/console.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// Records what the writer asks of the system; holds a few characters of
// code pages 932, 1252 and 850.
class RecordingConsole : public platform::ConsoleSystem {
 public:
  bool console = false;
  unsigned consoleCodePage = 0, ansi = 1252;
  std::string written;

  bool isConsole(platform::StandardStream) override { return console; }
  unsigned consoleOutputCodePage() override { return consoleCodePage; }
  unsigned ansiCodePage() override { return ansi; }
  std::optional<std::string> inCodePage(const std::string& character, unsigned codePage) override {
    static const std::map<std::pair<unsigned, std::string>, std::string> kPlaces = {
        {{932, "\xE8\xA1\xA8"}, "\x95\x5C"}, {{932, "\xE3\x82\xBD"}, "\x83\x5C"},
        {{1252, "\xC3\xBC"}, "\xFC"}, {{1252, "\xE2\x82\xAC"}, "\x80"},
        {{1252, "\xC3\xA9"}, "\xE9"}, {{850, "\xC3\xA9"}, "\x82"}};
    const auto place = kPlaces.find({codePage, character});
    if (place == kPlaces.end()) return std::nullopt;
    return place->second;
  }
  void writeToConsole(platform::StandardStream stream, const std::string& utf8) override {
    written += (stream == platform::StandardStream::error ? "err wide:" : "out wide:") + utf8;
  }
  void writeBytes(platform::StandardStream stream, const std::string& bytes) override {
    written += (stream == platform::StandardStream::error ? "err bytes:" : "out bytes:") + bytes;
  }
};

TEST(ConsoleWriter, ConsoleGetsTheTextWholeAndPipesTheirCodePage) {
  const std::string hyou = "\xE8\xA1\xA8", ue = "\xC3\xBC";
  struct Case {
    bool console;
    unsigned consoleCodePage, ansi;
    std::string text, expected;
  } cases[] = {
      // ASCII as it comes, whatever the code page or the stream.
      {true, 932, 932, "Error: Unknown option '-q'\n", "err bytes:Error: Unknown option '-q'\n"},
      {false, 0, 932, "plain\n", "err bytes:plain\n"},
      // A console takes UTF-16: the text is handed on whole.
      {true, 1252, 1252, "'-q" + hyou + "'\n", "err wide:'-q" + hyou + "'\n"},
      // A pipe or file: the ANSI code page, whatever console the program
      // has (a hidden one, OEM 850 or 932, or none); "?" for what does not fit.
      {false, 850, 1252, "caf\xC3\xA9\n", "err bytes:caf\xE9\n"},
      {false, 932, 1252, "'-q" + hyou + "'\n", "err bytes:'-q?'\n"},
      {false, 0, 932, "'-q" + hyou + "'\n", "err bytes:'-q\x95\x5C'\n"},
      {false, 0, 1252, "C/" + ue + "ber.c " + hyou + "\n", "err bytes:C/\xFC" "ber.c ?\n"},
      {false, 1252, 65001, "C/" + hyou + ".c\n", "err bytes:C/" + hyou + ".c\n"},
      // Bytes that are no UTF-8 become "?", to a console too, one for each,
      // and the rest goes in the console's own code page.
      {true, 932, 1252, "a\xFF\xE8\xA1" "b " + hyou + "\n", "err bytes:a??b \x95\x5C\n"},
  };
  for (const Case& c : cases) {
    RecordingConsole system;
    system.console = c.console;
    system.consoleCodePage = c.consoleCodePage;
    system.ansi = c.ansi;
    platform::writeConsoleText(system, platform::StandardStream::error, c.text);
    EXPECT_EQ(system.written, c.expected) << c.text;
  }
}

}  // namespace
