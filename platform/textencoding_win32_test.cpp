// How each code page is converted: the flags the system takes for it.
#include <gtest/gtest.h>

#include "platform/textencoding.h"
#include "platform/win32.h"

namespace {

TEST(TextEncodingWin32, FlagsThatEachCodePageTakes) {
  using platform::CodePageConversion;
  const DWORD noBestFit = WC_NO_BEST_FIT_CHARS, strict = MB_ERR_INVALID_CHARS;
  struct Case {
    UINT codePage;
    DWORD toBytesFlags;
    bool reportsDefault, checksRoundTrip;
    DWORD strictFromBytesFlags;
  } const cases[] = {
      {65001, WC_ERR_INVALID_CHARS, false, false, strict},
      {1252, noBestFit, true, true, strict},
      {932, noBestFit, true, true, strict},
      {50220, 0, false, true, 0},
      {50229, 0, false, true, 0},
      {57004, 0, false, true, 0},
      {65000, 0, false, true, 0},
      {42, 0, false, true, 0},
      {54936, 0, false, true, strict},
  };
  for (const Case& c : cases) {
    const CodePageConversion conversion = platform::codePageConversion(c.codePage);
    EXPECT_EQ(conversion.codePage, c.codePage);
    EXPECT_EQ(conversion.toBytesFlags, c.toBytesFlags) << c.codePage;
    EXPECT_EQ(conversion.reportsDefault, c.reportsDefault) << c.codePage;
    EXPECT_EQ(conversion.checksRoundTrip, c.checksRoundTrip) << c.codePage;
    EXPECT_EQ(conversion.strictFromBytesFlags, c.strictFromBytesFlags) << c.codePage;
  }
  // The ANSI and OEM code pages are chosen for by their numbers.
  for (const auto& [given, resolved] : {std::pair<UINT, UINT>{CP_ACP, GetACP()}, {CP_OEMCP, GetOEMCP()}}) {
    const CodePageConversion conversion = platform::codePageConversion(given);
    const CodePageConversion expected = platform::codePageConversion(resolved);
    EXPECT_EQ(conversion.codePage, resolved);
    EXPECT_EQ(conversion.toBytesFlags, expected.toBytesFlags) << resolved;
    EXPECT_EQ(conversion.reportsDefault, expected.reportsDefault) << resolved;
  }
}

TEST(TextEncodingWin32, UnicodeCodePagesHoldNamesBeyondAscii) {
  const std::string name = "C\\\xC3\xBC" "ber\xE8\xA1\xA8.c";  // C\über表.c
  EXPECT_EQ(platform::utf8ToCodePage(name, 65001), name);
  // UTF-7 refuses the look-alike flag, and so did every name.
  EXPECT_EQ(platform::utf8ToCodePage("\xE8\xA1\xA8.c", 65000), "+iGg-.c");
  // 表 is B1 ED in GB18030, not "?" (Wine has no GB18030).
  if (IsValidCodePage(54936)) {
    EXPECT_EQ(platform::utf8ToCodePage("\xE8\xA1\xA8", 54936), "\xB1\xED");
  }
}

}  // namespace
