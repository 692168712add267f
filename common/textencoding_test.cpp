// Which encoding outside texts are read in, and Java's modified UTF-8.
#include "common/textencoding.h"

#include <gtest/gtest.h>

#include "common/inifile.h"
#include "platform/codepages.h"
#include "testing/testsupport.h"

namespace {

const std::string kUber = "\xC3\xBC" "ber.c";  // über.c in UTF-8

TEST(TextEncoding, AsciiOnlyWithNoByteFromTheHighHalf) {
  for (size_t at = 0; at < 19; ++at) {
    std::string text(19, 'a');
    EXPECT_TRUE(ucl::isAscii(text.substr(0, at)));
    text[at] = '\x80';
    EXPECT_FALSE(ucl::isAscii(text)) << at;
  }
}

TEST(ProjectFileEncoding, UtfIsDecodedAndEverythingElseIsAnsi) {
  const std::string utf8 = "<project><file path=\"C/" + kUber + "\"/></project>";
  EXPECT_EQ(ucl::projectFileTextAsUtf8(utf8), utf8);
  EXPECT_EQ(ucl::projectFileTextAsUtf8("\xEF\xBB\xBF" + utf8), "\xEF\xBB\xBF" + utf8);
  // UTF-16 with and without a byte order mark, both byte orders.
  const std::string little("\xFF\xFE<\0?\0x\0\xFC\0=\0\x3D\xD8\x00\xDE", 16);
  EXPECT_EQ(ucl::projectFileTextAsUtf8(little), "<?x\xC3\xBC=\xF0\x9F\x98\x80");
  EXPECT_EQ(ucl::projectFileTextAsUtf8(std::string("\0<\0?\0x\x88\x68\x79\x3A", 10)), "<?x\xE8\xA1\xA8\xE7\xA4\xBA");
  // Not UTF-8 throughout, or declared otherwise: the ANSI code page, whose
  // conversion back gives the very bytes again.
  const std::string latin = "<project><file path=\"C/\xFC" "ber.c\"/></project>";
  const std::string declared = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><project><file path=\"" + kUber + "\"/>";
  for (const std::string& bytes : {latin, declared}) {
    EXPECT_EQ(ucl::projectFileTextAsUtf8(bytes), platform::ansiToUtf8(bytes));
    if (platform::ansiCodePage() == 1252 || platform::ansiCodePage() == 65001) {
      EXPECT_EQ(platform::utf8ToAnsi(ucl::projectFileTextAsUtf8(bytes)), std::optional<std::string>(bytes));
    }
  }
}

TEST(ModifiedUtf8, BothWays) {
  // NUL, a character of three bytes and one beyond U+FFFF (two surrogates).
  const std::string utf8("a\0\xE8\xA1\xA8\xF0\x9F\x98\x80", 9);
  const std::string modified("a\xC0\x80\xE8\xA1\xA8\xED\xA0\xBD\xED\xB8\x80", 12);
  EXPECT_EQ(ucl::utf8ToModifiedUtf8(utf8), modified);
  EXPECT_EQ(ucl::modifiedUtf8ToUtf8(modified), utf8);
  // Bytes that are no UTF-8, and a lone surrogate, never reach Java or a path.
  EXPECT_EQ(ucl::utf8ToModifiedUtf8("\xFC"), "\xEF\xBF\xBD");
  EXPECT_EQ(ucl::modifiedUtf8ToUtf8("\xED\xA0\xBDx"), "\xEF\xBF\xBDx");
  EXPECT_TRUE(ucl::isValidUtf8(utf8));
  EXPECT_FALSE(ucl::isValidUtf8("\xED\xA0\xBD"));
  EXPECT_FALSE(ucl::isValidUtf8("\xC0\x80"));
}

TEST(Utf16, FromUtf8WithSurrogatesAndReplacements) {
  // A, ü, U+1F600 as a surrogate pair, and a byte that is not UTF-8.
  EXPECT_EQ(ucl::utf8ToUtf16Le("A\xC3\xBC\xF0\x9F\x98\x80\xFC"),
            std::string("A\0\xFC\0\x3D\xD8\x00\xDE\xFD\xFF", 10));
}

TEST(SettingsFileEncoding, MarkOrValidUtf8IsUtf8AndTheRestAnsi) {
  testsupport::TempDir dir;
  const auto sdkPath = [&](const std::string& text) {
    testsupport::writeFile(dir / "Settings.ini", text);
    ucl::IniFile ini;
    EXPECT_TRUE(ini.read(dir / "Settings.ini"));
    return ini.lookup("PV2", "SDKPath").value_or("(none)");
  };
  EXPECT_EQ(sdkPath("\xEF\xBB\xBF[PV2]\r\nSDKPath=C:\\" + kUber + "\r\n"), "C:\\" + kUber);
  EXPECT_EQ(sdkPath("[PV2]\r\nSDKPath=C:\\" + kUber + "\r\n"), "C:\\" + kUber);
  EXPECT_EQ(sdkPath("[PV2]\r\nSDKPath=C:\\\xFC\r\n"), platform::ansiToUtf8("C:\\\xFC"));
}

}  // namespace
