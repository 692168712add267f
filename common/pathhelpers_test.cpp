#include "common/pathhelpers.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

struct SplitCase {
  const char* path;
  const char* directory;
  const char* name;
  const char* title;
  const char* extension;
};

const SplitCase kSplitCases[] = {
    {"C:\\dir\\file.txt", "C:\\dir\\", "file.txt", "file", ".txt"},
    {"file.c", "", "file.c", "file", ".c"},
    {"a.tar.gz", "", "a.tar.gz", "a.tar", ".gz"},
    {"C:\\my.dir\\file", "C:\\my.dir\\", "file", "file", ""},
    {"C:\\dir\\", "C:\\dir\\", "", "", ""},
    {"name.", "", "name.", "name", "."},
    {"dir\\.profile", "dir\\", ".profile", "", ".profile"},
    {".profile", "", ".profile", ".profile", ".profile"},
    {"\\x", "\\", "x", "x", ""},
    {"src/Util.ASM", "", "src/Util.ASM", "src/Util", ".ASM"},  // "/" is no separator
    {"lib.d\\readme", "lib.d\\", "readme", "readme", ""},
    {"", "", "", "", ""},
};

TEST(PathSplitting, TableOfPaths) {
  for (const SplitCase& c : kSplitCases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(ucl::fileDirectory(c.path), c.directory);
    EXPECT_EQ(ucl::fileName(c.path), c.name);
    EXPECT_EQ(ucl::fileTitle(c.path), c.title);
    EXPECT_EQ(ucl::fileExtension(c.path), c.extension);
  }
}

struct RelativeCase {
  const char* base;
  const char* target;
  bool dotPrefix;
  const char* expected;
};

const RelativeCase kRelativeCases[] = {
    {"C:\\Proj\\Build", "C:\\proj\\Src", false, "..\\Src\\"},
    {"C:\\p\\x\\y", "C:\\p", false, "..\\..\\"},
    {"C:\\SDK", "c:\\sdk\\Work\\App", false, "Work\\App\\"},
    {"C:\\SDK", "c:\\sdk\\Work\\App", true, ".\\Work\\App\\"},
    {"C:\\proj\\", "C:\\proj", true, ".\\"},
    {"C:\\", "C:\\x", false, "x\\"},
    {"C:\\foo\\bar", "C:\\foobar\\x", false, "..\\..\\foobar\\x\\"},
    {"C:\\a", "D:\\a", false, nullptr},
    {"C:\\a", "a", false, nullptr},
    {"C:\\PVSDK", "C:\\PVSDK\\C\\demo\\", false, "C\\demo\\"},
    {"\\sdk", "\\sdk\\C\\demo", false, "C\\demo\\"},  // no drive on either side
    {"C:\\x\\", "C:\\x", false, ""},                  // the same directory
    {"C:\\a\\b", "C:\\A\\B\\Sub", true, ".\\Sub\\"},
};

TEST(RelativePath, TableOfPaths) {
  for (const RelativeCase& c : kRelativeCases) {
    SCOPED_TRACE(std::string(c.base) + " -> " + c.target);
    const std::optional<std::string> relative = ucl::relativePath(c.base, c.target, c.dotPrefix);
    if (c.expected == nullptr) {
      EXPECT_EQ(relative, std::nullopt);  // different drives
    } else {
      EXPECT_EQ(relative, c.expected);
    }
  }
}

TEST(DriveLetter, PrefixRules) {
  EXPECT_EQ(ucl::driveLetter("c:\\x"), 'C');
  EXPECT_EQ(ucl::driveLetter("D:"), 'D');
  EXPECT_EQ(ucl::driveLetter("c"), 0);
  EXPECT_EQ(ucl::driveLetter("\\\\server\\share"), 0);
  EXPECT_EQ(ucl::driveLetter("1:x"), '1');  // the first character is not tested for a letter
}

TEST(RemoveTrailingBackslash, RemovesOnlyOne) {
  std::string path = "C:\\x\\\\";
  ucl::removeTrailingBackslash(path);
  EXPECT_EQ(path, "C:\\x\\");
  std::string empty;
  ucl::removeTrailingBackslash(empty);
  EXPECT_EQ(empty, "");
  std::string plain = "C:\\x";
  ucl::removeTrailingBackslash(plain);
  EXPECT_EQ(plain, "C:\\x");
}

TEST(CaseMapping, OnlyAsciiLettersChangeAndLengthStays) {
  const std::string mixed = std::string("Ab1\\Z") + static_cast<char>(0xC4) + "x";
  EXPECT_EQ(ucl::lowerCase(mixed), std::string("ab1\\z") + static_cast<char>(0xC4) + "x");
  EXPECT_EQ(ucl::upperCase(mixed), std::string("AB1\\Z") + static_cast<char>(0xC4) + "X");
  std::string inPlace = "H\\App.H";
  ucl::toLower(inPlace);
  EXPECT_EQ(inPlace, "h\\app.h");
  ucl::toUpper(inPlace);
  EXPECT_EQ(inPlace, "H\\APP.H");
}

TEST(CharToString, NulGivesEmptyString) {
  EXPECT_EQ(ucl::charToString('\0'), "");
  EXPECT_EQ(ucl::charToString('P'), "P");
}

TEST(IntToString, RadixTable) {
  struct Case {
    int value;
    int radix;
    const char* expected;
  } const cases[] = {
      {0, 10, "0"},          {100, 10, "100"},        {-5, 10, "-5"},
      {INT_MAX, 10, "2147483647"}, {INT_MIN, 10, "-2147483648"},
      {255, 16, "ff"},       {-1, 16, "ffffffff"},    {5, 2, "101"},
      {35, 36, "z"},         {7, 1, ""},              {7, 37, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ucl::intToString(c.value, c.radix), c.expected) << c.value << " radix " << c.radix;
  }
}

}  // namespace
