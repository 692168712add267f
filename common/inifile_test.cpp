#include "common/inifile.h"

#include <gtest/gtest.h>

#include "testing/testsupport.h"

namespace {

using testsupport::crlf;
using testsupport::readFile;
using testsupport::sameBytes;
using testsupport::TempDir;
using testsupport::writeFile;

ucl::IniFile readIni(const TempDir& dir, const std::string& text) {
  writeFile(dir / "in.ini", text);
  ucl::IniFile ini;
  EXPECT_TRUE(ini.read(dir / "in.ini"));
  return ini;
}

TEST(IniFileLines, KeyAndValueRules) {
  struct Case {
    const char* line;
    const char* key;
    const char* value;
  } const cases[] = {
      {"a=b", "a", "b"},           {"a=b=c", "a", "c"},        {"SDKPath = C:\\x", "SDKPath ", " C:\\x"},
      {"noequals", "", "noequals"}, {"k=", "k", ""},           {"=v", "", "v"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ucl::IniFile::keyOf(c.line), c.key) << c.line;
    EXPECT_EQ(ucl::IniFile::valueOf(c.line), c.value) << c.line;
  }
}

TEST(IniFileRead, SectionsAndLinesAsStored) {
  TempDir dir;
  const ucl::IniFile ini = readIni(dir,
                                   "dropped=before any header\r\n"
                                   "  [GENERAL]  \r\n"
                                   "   ProjectName=demo  \r\n"
                                   "x\r\n"
                                   "x=\r\n"
                                   "    \r\n"
                                   "; a comment stays\r\n"
                                   "[GENERAL] x\r\n"
                                   "[ spaced name ]\r\n"
                                   "\tTab=kept\r\n"
                                   "[]\r\n"
                                   "last=no line end");
  ASSERT_EQ(ini.sections.size(), 3u);
  EXPECT_EQ(ini.sections[0].name, "GENERAL");
  const std::vector<std::string> general = {"ProjectName=demo  ", "x=", "", "; a comment stays", "[GENERAL] x"};
  EXPECT_EQ(ini.sections[0].lines, general);
  EXPECT_EQ(ini.sections[1].name, " spaced name ");
  EXPECT_EQ(ini.sections[1].lines, std::vector<std::string>{"\tTab=kept"});
  EXPECT_EQ(ini.sections[2].name, "");
  EXPECT_EQ(ini.sections[2].lines, std::vector<std::string>{"last=no line end"});
}

TEST(IniFileRead, NoHeaderGivesEmptyStoreAndTrue) {
  TempDir dir;
  const ucl::IniFile ini = readIni(dir, "a=b\r\nc=d\r\n");
  EXPECT_TRUE(ini.sections.empty());
}

TEST(IniFileRead, MissingFileEmptiesTheStore) {
  TempDir dir;
  ucl::IniFile ini = readIni(dir, "[S]\r\nk=v\r\n");
  ASSERT_EQ(ini.sections.size(), 1u);
  EXPECT_FALSE(ini.read(dir / "missing.ini"));
  EXPECT_TRUE(ini.sections.empty());
}

TEST(IniFileLookup, ReadingFormsFindFirstAndCreateNothing) {
  TempDir dir;
  const ucl::IniFile ini = readIni(dir,
                                   "[PV2SDK Paths]\r\n"
                                   "SDKPath =C:\\spaced\r\n"
                                   "SDKPath=C:\\PVSDK\r\n"
                                   "SDKPath=C:\\second\r\n"
                                   "[PV2SDK Paths]\r\n"
                                   "CompilerPath=C:\\other\r\n");
  EXPECT_EQ(ini.lookup("PV2SDK Paths", "SDKPath"), "C:\\PVSDK");
  // The key is looked for in the first section of that name only.
  EXPECT_EQ(ini.lookup("PV2SDK Paths", "CompilerPath"), std::nullopt);
  ASSERT_NE(ini.findSection("PV2SDK Paths"), nullptr);
  EXPECT_EQ(ini.findSection("PV2SDK Paths")->lookup("CompilerPath"), std::nullopt);
  // Section names are case-sensitive.
  EXPECT_EQ(ini.findSection("pv2sdk paths"), nullptr);
  EXPECT_EQ(ini.lookup("pv2sdk paths", "SDKPath"), std::nullopt);
  EXPECT_EQ(ini.sections.size(), 2u);  // nothing added by a failed lookup
  EXPECT_EQ(ini.sections[0].lines.size(), 3u);
}

TEST(IniFileLookup, CreatingFormsAddWhatIsMissing) {
  TempDir dir;
  ucl::IniFile ini = readIni(dir, "[GENERAL]\r\nProjectName=old\r\n\r\n[OTHER]\r\nk=v\r\n");
  ini["GENERAL"]["ProjectName"] = "demo";
  ini["GENERAL"]["CurrentDir"] = "C:\\a=b";
  EXPECT_EQ(std::string(ini["GENERAL"]["CurrentDir"]), "b");  // the value starts after the last "="
  ini["CSGROUP5"]["CHIPFILE3"] = "x.BIN";
  EXPECT_EQ(std::string(ini["NEW"]["missing"]), "");
  ASSERT_TRUE(ini.write(dir / "out.ini"));
  EXPECT_TRUE(sameBytes(crlf("[GENERAL]\nProjectName=demo\nCurrentDir=C:\\a=b\n\n"
                             "[OTHER]\nk=v\n\n"
                             "[CSGROUP5]\nCHIPFILE3=x.BIN\n\n"
                             "[NEW]\nmissing=\n\n"),
                        readFile(dir / "out.ini")));
}

TEST(IniFileWrite, WrittenFileReadsBackTheSame) {
  TempDir dir;
  ucl::IniFile ini;
  ini["GENERAL"]["ProjectName"] = "demo";
  ini["GENERAL"]["CurrentDir"] = "C:\\x\\";
  ini["CSGROUP5"]["CHIPFILE3"] = "a.BIN";
  ASSERT_TRUE(ini.write(dir / "project.cpj"));
  EXPECT_EQ(readFile(dir / "project.cpj"),
            "[GENERAL]\r\nProjectName=demo\r\nCurrentDir=C:\\x\\\r\n\r\n[CSGROUP5]\r\nCHIPFILE3=a.BIN\r\n\r\n");
  ucl::IniFile back;
  ASSERT_TRUE(back.read(dir / "project.cpj"));
  ASSERT_EQ(back.sections.size(), 2u);
  EXPECT_EQ(back.sections[0].lines, ini.sections[0].lines);
  EXPECT_EQ(back.sections[1].lines, ini.sections[1].lines);
}

TEST(IniFileWrite, NulBytesInNamesAndLinesAreWrittenWhole) {
  TempDir dir;
  ucl::IniFile ini;
  const std::string name("a\0b", 3);
  ini[name].lines.push_back(std::string("k=\0v", 4));
  ASSERT_TRUE(ini.write(dir / "zero.ini"));
  EXPECT_EQ(readFile(dir / "zero.ini"), std::string("[a\0b]\r\nk=\0v\r\n\r\n", 15));
}

TEST(IniFileWrite, FailsWhereTheFileCannotBeCreated) {
  TempDir dir;
  ucl::IniFile ini;
  ini["S"]["k"] = "v";
  EXPECT_FALSE(ini.write(dir / "missing-dir/x.ini"));
}

TEST(IniFileCopy, CopyIsIndependent) {
  ucl::IniFile original;
  original["S"]["k"] = "v";
  ucl::IniFile copy = original;
  copy["S"]["k"] = "changed";
  EXPECT_EQ(std::string(original["S"]["k"]), "v");
  EXPECT_EQ(std::string(copy["S"]["k"]), "changed");
}

}  // namespace
