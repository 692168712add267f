// The conversions between the programs' UTF-8 and the code pages outside.
#include "platform/codepages.h"

#include <gtest/gtest.h>

namespace {

constexpr unsigned kUtf8 = 65001;

// Windows knows every code page whatever its own; POSIX knows only UTF-8.
bool codePagesAvailable() { return platform::ansiCodePage() != kUtf8; }

TEST(CodePages, BothWays) {
  if (!codePagesAvailable()) GTEST_SKIP() << "no code pages besides UTF-8 on this system";
  struct Case {
    unsigned codePage;
    const char* utf8;
    const char* bytes;
  } const cases[] = {
      {932, "\xE8\xA1\xA8\xE7\xA4\xBA", "\x95\x5C\x8E\xA6"},          // 表示, the second byte a backslash
      {932, "\xE3\x82\xBD\xE3\x83\x95\xE3\x83\x88.c", "\x83\x5C\x83\x74\x83\x67.c"},  // ソフト.c
      {1252, "C\\\xC3\xBC" "ber.c", "C\\\xFC" "ber.c"},                  // über.c
      {1252, "plain ASCII", "plain ASCII"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::utf8ToCodePage(c.utf8, c.codePage), std::optional<std::string>(c.bytes)) << c.utf8;
    EXPECT_EQ(platform::codePageToUtf8(c.bytes, c.codePage), std::optional<std::string>(c.utf8)) << c.utf8;
  }
}

TEST(CodePages, CharactersWithoutAnExactPlaceAreRefused) {
  if (!codePagesAvailable()) GTEST_SKIP() << "no code pages besides UTF-8 on this system";
  // 表 has no place in 1252; ü has none in 932.
  EXPECT_EQ(platform::utf8ToCodePage("C\\\xE8\xA1\xA8.c", 1252), std::nullopt);
  EXPECT_EQ(platform::utf8ToCodePage("\xC3\xBC" "ber.c", 932), std::nullopt);
  // Best fit would write "a" for U+0101 (a with macron) and "A" for the
  // full-width Ａ in 1252.
  EXPECT_EQ(platform::utf8ToCodePage("\xC4\x81", 1252), std::nullopt);
  EXPECT_EQ(platform::utf8ToCodePage("\xEF\xBC\xA1", 1252), std::nullopt);
  // Bytes that are not UTF-8 are no text to convert.
  EXPECT_EQ(platform::utf8ToCodePage("\xFC" "ber", 1252), std::nullopt);
}

}  // namespace
