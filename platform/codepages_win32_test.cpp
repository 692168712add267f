// How each code page is converted: the flags the system takes for it.
#include <gtest/gtest.h>

#include <tuple>

#include "platform/codepages.h"
#include "platform/win32.h"

namespace {

std::tuple<UINT, DWORD, bool, bool, DWORD> conversionOf(UINT codePage) {
  const platform::CodePageConversion c = platform::codePageConversion(codePage);
  return {c.codePage, c.toBytesFlags, c.reportsDefault, c.checksRoundTrip, c.strictFromBytesFlags};
}

TEST(CodePagesWin32, FlagsThatEachCodePageTakes) {
  const DWORD noBestFit = WC_NO_BEST_FIT_CHARS, strict = MB_ERR_INVALID_CHARS, none = 0;
  EXPECT_EQ(conversionOf(65001), std::make_tuple(65001u, DWORD(WC_ERR_INVALID_CHARS), false, false, strict));
  EXPECT_EQ(conversionOf(1252), std::make_tuple(1252u, noBestFit, true, true, strict));
  EXPECT_EQ(conversionOf(932), std::make_tuple(932u, noBestFit, true, true, strict));
  EXPECT_EQ(conversionOf(50220), std::make_tuple(50220u, none, false, true, none));
  EXPECT_EQ(conversionOf(65000), std::make_tuple(65000u, none, false, true, none));
  EXPECT_EQ(conversionOf(54936), std::make_tuple(54936u, none, false, true, strict));
  EXPECT_EQ(conversionOf(CP_ACP), conversionOf(GetACP()));
  EXPECT_EQ(conversionOf(CP_OEMCP), conversionOf(GetOEMCP()));
}

TEST(CodePagesWin32, UnicodeCodePagesHoldNamesBeyondAscii) {
  EXPECT_EQ(platform::utf8ToCodePage("C\\\xC3\xBC" "ber\xE8\xA1\xA8.c", 65001), "C\\\xC3\xBC" "ber\xE8\xA1\xA8.c");
  // UTF-7 refuses the look-alike flag, and so did every name.
  EXPECT_EQ(platform::utf8ToCodePage("\xE8\xA1\xA8.c", 65000), "+iGg-.c");
  // 表 is B1 ED in GB18030, not "?" (Wine has no GB18030).
  if (IsValidCodePage(54936)) { EXPECT_EQ(platform::utf8ToCodePage("\xE8\xA1\xA8", 54936), "\xB1\xED"); }
}

}  // namespace
