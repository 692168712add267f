// The settings file's edits: the reader's line rules, the encoding the new
// values go in, and the safe write.
#include "common/settingsfile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

#include "common/textencoding.h"
#include "platform/codepages.h"
#include "testing/testsupport.h"

namespace {

using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;
using ucl::SdkKey;

ucl::SdkDirectories changes(std::initializer_list<std::pair<SdkKey, std::string>> values) {
  ucl::SdkDirectories directories;
  for (const auto& [key, value] : values) directories[key] = value;
  return directories;
}

TEST(SetSdkDirectories, ChangesOnlyTheKeysLineByTheReadersRules) {
  // The byte order mark is no part of the first section's header.
  std::vector<std::string> lines = {"\xEF\xBB\xBF[PV2SDK Paths]", "; SDKPath=commented", "SDKPath =blank key",
                                    "  SDKPath=C:\\old", "", "[PV3SDK Paths]", "x", "", "[PV2SDK Paths]",
                                    "SDKPath=second"};
  std::string err;
  ASSERT_TRUE(ucl::setSdkDirectories(lines,
                                     changes({{SdkKey::pv2Sdk, "C:\\new\\\\"},
                                              {SdkKey::pv2Compiler, "C:\\LSIC86"},
                                              {SdkKey::pv3Sdk, ""}}),
                                     "Settings.ini", &err))
      << err;
  const std::vector<std::string> expected = {
      "\xEF\xBB\xBF[PV2SDK Paths]", "; SDKPath=commented", "SDKPath =blank key", "  SDKPath=C:\\new",
      "CompilerPath=C:\\LSIC86", "", "[PV3SDK Paths]", "SDKPath=", "x", "", "[PV2SDK Paths]", "SDKPath=second"};
  EXPECT_EQ(lines, expected);

  // A missing section goes at the end, after an empty line.
  std::vector<std::string> none = {"; nothing yet"};
  ASSERT_TRUE(ucl::setSdkDirectories(none, changes({{SdkKey::pv3Compiler, "C:\\SHC"}}), "Settings.ini", &err));
  EXPECT_EQ(none, (std::vector<std::string>{"; nothing yet", "", "[PV3SDK Paths]", "CompilerPath=C:\\SHC"}));
}

// The new value goes in the encoding the reader takes the file in, so that
// the whole file reads back in one.
TEST(SetSdkDirectories, NewValuesGoInTheFilesOwnEncoding) {
  const std::string muell = "C:\\M\xC3\xBCll";                  // ü in UTF-8
  const std::string japanese = "C:\\\xE6\x97\xA5\xE6\x9C\xAC";  // 日本
  const std::string ansiComment = "; J\xFCrgen";               // ü in code page 1252
  struct Case {
    const char* name;
    std::string comment;  // the file's only other line
    std::string value;
    std::string written;  // the value's bytes in the file; empty: refused
  };
  const std::optional<std::string> muellInAnsi = platform::utf8ToAnsi(muell);
  ASSERT_TRUE(muellInAnsi);
  const std::vector<Case> cases = {
      {"ASCII file, value beyond ASCII", "; plain", muell, muell},
      {"UTF-8 file", "; J\xC3\xBCrgen", muell, muell},
      {"file with a byte order mark", "\xEF\xBB\xBF; plain", muell, muell},
      {"ANSI file", ansiComment, muell, *muellInAnsi},
      {"ANSI file, value its code page cannot hold", ansiComment, japanese,
       platform::utf8ToAnsi(japanese).value_or("")},
      {"ANSI file, ASCII value", ansiComment, "C:\\PVSDK", "C:\\PVSDK"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<std::string> before = {c.comment, "[PV2SDK Paths]", "SDKPath=old"};
    std::vector<std::string> lines = before;
    std::string err;
    const bool set = ucl::setSdkDirectories(lines, changes({{SdkKey::pv2Sdk, c.value}}), "Settings.ini", &err);
    if (c.written.empty()) {
      EXPECT_FALSE(set);
      EXPECT_EQ(lines, before);
      EXPECT_NE(err.find("cannot be written in this system's code page"), std::string::npos) << err;
      continue;
    }
    ASSERT_TRUE(set) << err;
    EXPECT_EQ(lines, (std::vector<std::string>{c.comment, "[PV2SDK Paths]", "SDKPath=" + c.written}));

    // Read back as kestrel and plover read it: the value as given.
    TempDir dir;
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    writeFile(dir / "Settings.ini", text);
    EXPECT_EQ(ucl::SettingsFile(dir / "Settings.ini").lookup(SdkKey::pv2Sdk).value_or("(none)"), c.value);
  }

  std::vector<std::string> lines = {"[PV2SDK Paths]"};
  std::string err;
  EXPECT_FALSE(ucl::setSdkDirectories(lines, changes({{SdkKey::pv2Sdk, "C:\\a=b"}}), "Settings.ini", &err));
  EXPECT_EQ(lines, std::vector<std::string>{"[PV2SDK Paths]"});
}

// Only the bytes of the lines set change; everything else stays as it was.
TEST(EditSettingsBytes, KeepsEveryOtherByte) {
  const auto le = [](const std::string& text) { return "\xFF\xFE" + ucl::utf8ToUtf16(text, false); };
  const auto be = [](const std::string& text) { return "\xFE\xFF" + ucl::utf8ToUtf16(text, true); };
  struct Case {
    const char* name;
    std::string bytes;
    std::string edited;
  };
  const std::string after = "\x1A[PV3SDK Paths]\r\nSDKPath=C:\\PV3\r\n\xFF";
  const Case cases[] = {
      {"UTF-16LE", le("[PV2SDK Paths]\r\nSDKPath=C:\\old\r\n; \xC3\xBC\r\n"),
       le("[PV2SDK Paths]\r\nSDKPath=C:\\M\xC3\xBCll\r\n; \xC3\xBC\r\nCompilerPath=C:\\LSIC86\r\n")},
      {"UTF-16BE", be("[PV2SDK Paths]\nSDKPath=C:\\old"), be("[PV2SDK Paths]\nSDKPath=C:\\M\xC3\xBCll\nCompilerPath=C:\\LSIC86")},
      {"after a Ctrl-Z", "[PV2SDK Paths]\r\nSDKPath=C:\\old\r\n" + after,
       "[PV2SDK Paths]\r\nSDKPath=C:\\M\xC3\xBCll\r\nCompilerPath=C:\\LSIC86\r\n" + after},
      {"LF, no final line end", "[PV2SDK Paths]\nSDKPath=C:\\old", "[PV2SDK Paths]\nSDKPath=C:\\M\xC3\xBCll\nCompilerPath=C:\\LSIC86"},
      {"each line its own end", "; a\r\n[PV2SDK Paths]\nSDKPath=C:\\old\r\r\nX=1\n",
       "; a\r\n[PV2SDK Paths]\nSDKPath=C:\\M\xC3\xBCll\r\r\nX=1\nCompilerPath=C:\\LSIC86\r\n"},
      {"no line end at all", "; a", "; a\r\n\r\n[PV2SDK Paths]\r\nSDKPath=C:\\M\xC3\xBCll\r\nCompilerPath=C:\\LSIC86"},
  };
  for (const Case& c : cases) {
    std::string edited;
    std::string err;
    ASSERT_TRUE(ucl::editSettingsBytes(c.bytes, changes({{SdkKey::pv2Sdk, "C:\\M\xC3\xBCll"}, {SdkKey::pv2Compiler, "C:\\LSIC86"}}),
                                       "Settings.ini", &edited, &err))
        << c.name << ": " << err;
    EXPECT_TRUE(testsupport::sameBytes(c.edited, edited)) << c.name;
    // Setting what is there already changes no byte.
    std::string again;
    ASSERT_TRUE(ucl::editSettingsBytes(c.edited, changes({{SdkKey::pv2Sdk, "C:\\M\xC3\xBCll"}}), "Settings.ini", &again, &err));
    EXPECT_TRUE(testsupport::sameBytes(c.edited, again)) << c.name;
  }
}

// The file is replaced whole or not at all, and nothing is left beside it.
TEST(WriteSdkDirectories, WritesWholeOrLeavesTheOldFile) {
  TempDir dir;
  const std::string path = dir / "Settings.ini";
  const std::string old = "[PV2SDK Paths]\r\nSDKPath=C:\\old\r\n; mine\r\n";
  writeFile(path, old);
  std::string err;
  ASSERT_TRUE(ucl::writeSdkDirectories(path, changes({{SdkKey::pv2Compiler, "C:\\LSIC86"}}), &err)) << err;
  EXPECT_EQ(readFile(path), "[PV2SDK Paths]\r\nSDKPath=C:\\old\r\n; mine\r\nCompilerPath=C:\\LSIC86\r\n");

  // Read-only: refused, as Windows refuses it.
  writeFile(path, old);
  ::chmod(path.c_str(), 0444);
  EXPECT_FALSE(ucl::writeSdkDirectories(path, changes({{SdkKey::pv2Sdk, "C:\\new"}}), &err));
  EXPECT_NE(err.find("Error: Unable to write settings file '"), std::string::npos) << err;
  ::chmod(path.c_str(), 0644);
  EXPECT_EQ(readFile(path), old);
  // A refused value leaves the file too.
  EXPECT_FALSE(ucl::writeSdkDirectories(path, changes({{SdkKey::pv2Sdk, "C:\\a=b"}}), &err));
  EXPECT_EQ(readFile(path), old);
  std::size_t entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 1u);

  // A file that is not there is made.
  const std::string fresh = dir / "new.ini";
  ASSERT_TRUE(ucl::writeSdkDirectories(fresh, changes({{SdkKey::pv3Sdk, "C:\\PV3"}}), &err)) << err;
  EXPECT_EQ(readFile(fresh), "[PV3SDK Paths]\r\nSDKPath=C:\\PV3\r\n");
}

}  // namespace
