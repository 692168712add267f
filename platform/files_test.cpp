// The file layer on both targets: directory search, moves, deletes.
#include "platform/files.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "testing/testsupport.h"

namespace {

namespace fs = std::filesystem;
using testsupport::fileExists;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

std::vector<std::string> sorted(std::vector<std::string> names) {
  std::sort(names.begin(), names.end());
  return names;
}

TEST(FindFiles, PatternsMatchLikeWindows) {
  TempDir dir;
  for (const char* name : {"demo.cbx", "Other.CBX", "demo.cbx.local", "x.lib", "libc.lib", "a.b.c", "noext"}) {
    writeFile(dir / name, "");
  }
  struct Case {
    const char* pattern;
    std::vector<std::string> names;
  } const cases[] = {
      {"demo.cbx", {"demo.cbx"}},
      {"DEMO.CBX", {"demo.cbx"}},  // letter case does not matter
      {"*.cbx", {"Other.CBX", "demo.cbx"}},
      {"*.lib", {"libc.lib", "x.lib"}},
      {"?.lib", {"x.lib"}},
      {"*ext", {"noext"}},
      {"missing.cbx", {}},
      {"d*o*.c*x", {"demo.cbx"}},
      {"*.*", {".", "..", "Other.CBX", "a.b.c", "demo.cbx", "demo.cbx.local", "libc.lib", "noext", "x.lib"}},
      {"noext.*", {"noext"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(sorted(platform::findFiles(dir.path() + "\\" + c.pattern)), c.names) << c.pattern;
  }
  EXPECT_TRUE(platform::findFiles(dir.path() + "\\no-such-dir\\*.cbx").empty());
}

TEST(FoldedLetterCase, TheLettersOfTheCodePages) {
  const std::pair<const char*, const char*> cases[] = {
      {"MAIN.h", "main.h"},
      {"\xC3\x9C" "ber \xC3\x80\xC3\x9E \xC3\x97 \xC3\x9F", "\xC3\xBC" "ber \xC3\xA0\xC3\xBE \xC3\x97 \xC3\x9F"},  // Ü À Þ, not × ß
      {"\xC5\xA0\xC5\x92\xC5\xBD\xC5\xB8 \xC4\xB9", "\xC5\xA1\xC5\x93\xC5\xBE\xC3\xBF \xC4\xBA"},        // Š Œ Ž Ÿ Ĺ
      {"\xCE\xA9\xCE\x86 \xD0\x96\xD0\x81", "\xCF\x89\xCE\xAC \xD0\xB6\xD1\x91"},                        // Ω Ά Ж Ё
      {"\xEF\xBC\xA1 \xE8\xA1\xA8", "\xEF\xBD\x81 \xE8\xA1\xA8"},                                            // Ａ, not 表
      {"\xFC" "BER \xC3", "\xFC" "ber \xC3"},                                                           // not UTF-8
      {"\xD2\x90 \xC6\xA0 \xC6\xAF", "\xD2\x91 \xC6\xA1 \xC6\xB0"},                                    // Ґ Ơ Ư
      {"\xCE\xA3 \xCF\x82", "\xCF\x83 \xCF\x83"},                                                    // Σ ς as σ
  };
  for (const auto& [name, folded] : cases) EXPECT_EQ(platform::foldedLetterCase(name), folded) << name;
  // Beyond the table only the system can match letters.
  for (const char* name : {"main.h", "\xD2\x91.h", "\xE8\xA1\xA8.h", "\xEF\xBD\xB1.h"}) {  // ґ 表 ｱ
    EXPECT_TRUE(platform::foldKnowsEveryLetter(name)) << name;
  }
  for (const char* name : {"\xD4\xB1.h", "\xC7\x85.h", "\xE1\xBA\xA1.h", "\xF0\x90\x90\x80", "\xC3.h"}) {  // Ա ǅ ạ 𐐀
    EXPECT_FALSE(platform::foldKnowsEveryLetter(name)) << name;
  }
}

// Ґ the table folds; Ա only the system can match: where its lookup folds,
// it finds the file, elsewhere the absence is not sure.
TEST(LetterCaseFinder, ANameBeyondTheFoldIsNeverAnsweredAbsentFromAGuess) {
  TempDir dir;
  const std::string at = platform::hostToWindowsPath(dir.path()) + "\\";
  ASSERT_TRUE(platform::writeFileSafely(at + "\xD2\x91.h", "") && platform::writeFileSafely(at + "\xD5\xA1.h", ""));
  platform::LetterCaseFinder finder;
  EXPECT_TRUE(finder.mayExist(at + "\xD2\x90.h") && finder.find(at + "\xD2\x90.h"));
  EXPECT_FALSE(finder.mayExist(at + "x.h"));
  EXPECT_TRUE(finder.absenceIsSure(at + "x.h"));
  const bool folds = platform::lookupsFoldLetterCase();
  EXPECT_TRUE(finder.mayExist(at + "\xD4\xB1.h"));
  EXPECT_EQ(platform::fileStamp(at + "\xD4\xB1.h").has_value(), folds);
  EXPECT_EQ(finder.absenceIsSure(at + "\xD4\xB1.h"), folds);
  EXPECT_EQ(finder.absenceIsSure(at + "\xD4\xB1\\x.h"), folds);
}

TEST(FileStamp, ALinkGivesItsTargetsStamp) {
  TempDir dir;
  writeFile(dir / "target.h", "twelve bytes");
  fs::last_write_time(dir / "target.h", fs::last_write_time(dir / "target.h") - std::chrono::hours(5));
  std::error_code failed;
  fs::create_symlink("target.h", dir / "link.h", failed);
  if (failed == std::errc::function_not_supported) GTEST_SKIP() << "this system makes no symbolic links";
  ASSERT_FALSE(failed) << failed.message();
  const std::optional<platform::FileStamp> link = platform::fileStamp(dir.path() + "\\link.h");
  ASSERT_TRUE(link);
  EXPECT_EQ(link->size, 12);
  EXPECT_EQ(link->modified, platform::fileStamp(dir.path() + "\\target.h")->modified);
  platform::FileStamp read;
  ASSERT_TRUE(platform::readWholeFile(dir.path() + "\\link.h", &read));
  EXPECT_EQ(read.size, 12);
  EXPECT_EQ(read.modified, link->modified);
}

TEST(FindFiles, LongPatternWithManyStarsEndsQuickly) {
  TempDir dir;
  writeFile(dir / std::string(200, 'a'), "");
  const std::string pattern = "*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*b";
  EXPECT_TRUE(platform::findFiles(dir.path() + "\\" + pattern).empty());
}

TEST(MoveFile, NeverReplacesAnExistingTarget) {
  TempDir dir;
  writeFile(dir / "from.txt", "from");
  writeFile(dir / "to.txt", "to");
  EXPECT_FALSE(platform::moveFile(dir / "from.txt", dir / "to.txt"));
  EXPECT_EQ(readFile(dir / "to.txt"), "to");
  EXPECT_TRUE(fileExists(dir / "from.txt"));
  EXPECT_TRUE(platform::moveFile(dir / "from.txt", dir / "new.txt"));
  EXPECT_EQ(readFile(dir / "new.txt"), "from");
  EXPECT_FALSE(fileExists(dir / "from.txt"));
}

TEST(DeleteFile, FilesOnly) {
  TempDir dir;
  writeFile(dir / "make.i", "x");
  EXPECT_TRUE(platform::deleteFile(dir / "make.i"));
  EXPECT_FALSE(fileExists(dir / "make.i"));
  EXPECT_FALSE(platform::deleteFile(dir / "make.i"));
  ASSERT_TRUE(platform::createDirectory(dir / "sub"));
  EXPECT_FALSE(platform::deleteFile(dir / "sub"));
  EXPECT_TRUE(platform::isDirectory(dir / "sub"));
}

TEST(CreateDirectory, OnlyTheLastLevel) {
  TempDir dir;
  EXPECT_FALSE(platform::createDirectory(dir / "a/b"));
  EXPECT_TRUE(platform::createDirectory(dir / "a"));
  EXPECT_FALSE(platform::createDirectory(dir / "a"));  // there already
  EXPECT_TRUE(platform::createDirectory(dir.path() + "\\a\\b"));
  EXPECT_TRUE(platform::isDirectory(dir / "a/b"));
}

TEST(CreateDirectories, MissingParentsToo) {
  TempDir dir;
  const std::string deep = dir.path() + "\\a\\b\\c";
  EXPECT_TRUE(platform::createDirectories(deep));
  EXPECT_TRUE(platform::isDirectory(dir / "a/b/c"));
  EXPECT_TRUE(platform::createDirectories(deep));  // there already
  writeFile(dir / "file", "x");
  EXPECT_FALSE(platform::createDirectories(dir.path() + "\\file\\sub"));
}

TEST(OpenFile, DirectoriesAreNotFiles) {
  TempDir dir;
  EXPECT_EQ(platform::openTextFile(dir.path(), "r"), nullptr);
  EXPECT_EQ(platform::openBinaryFile(dir.path(), "rb"), nullptr);
}

TEST(ReadWholeFile, EveryByteOfAFileAndNothingOfAnythingElse) {
  TempDir dir;
  const std::string large(200000, 'x');  // larger than one piece of a read
  const std::pair<const char*, std::string> files[] = {
      {"empty", ""}, {"bytes", std::string("a\r\nb\x1A" "c\0d\n", 9)}, {"large", large + "\r\nend"}};
  for (const auto& [name, bytes] : files) {
    writeFile(dir / name, bytes);
    EXPECT_EQ(platform::readWholeFile(dir / name), bytes) << name;
    // Stamped as fileStamp stamps it: a record of the read must match the
    // next run's look at the file.
    fs::last_write_time(dir / name, fs::last_write_time(dir / name) - std::chrono::hours(3));
    platform::FileStamp stamp;
    EXPECT_EQ(platform::readWholeFile(dir / name, &stamp), bytes) << name;
    EXPECT_EQ(stamp.size, platform::fileStamp(dir / name)->size) << name;
    EXPECT_EQ(stamp.modified, platform::fileStamp(dir / name)->modified) << name;
  }
}

TEST(TextMode, WritingTurnsLineFeedsIntoCrLf) {
  TempDir dir;
  std::FILE* file = platform::openTextFile(dir / "t.txt", "w");
  ASSERT_NE(file, nullptr);
  std::fputs("a\nb\r\n\n", file);
  ASSERT_TRUE(platform::closeFile(file));
  EXPECT_EQ(readFile(dir / "t.txt"), "a\r\nb\r\r\n\r\n");
}

TEST(TempFile, KeptWholeOrNotAtAllAndNothingLeftBeside) {
  TempDir dir;
  writeFile(dir / "demo.cbx", "old bytes, longer than the new");
  const std::string bytes("new\r\n\x1A\0x", 8);  // as bytes, not in text mode
  ASSERT_TRUE(platform::writeFileSafely(dir / "demo.cbx", bytes));
  EXPECT_EQ(readFile(dir / "demo.cbx"), bytes);
  // In pieces; discarded; a directory or a read-only file in the place.
  platform::TempFile file;
  ASSERT_TRUE(platform::TempFile::create(dir / "demo.cbx", &file));
  EXPECT_TRUE(file.append("never"));
  file.discard();
  EXPECT_FALSE(file.keep());
  EXPECT_EQ(readFile(dir / "demo.cbx"), bytes);
  ASSERT_TRUE(platform::createDirectory(dir / "dir.cbx"));
  EXPECT_FALSE(platform::writeFileSafely(dir / "dir.cbx", "x"));
  writeFile(dir / "ro.cbx", "kept");
  ASSERT_EQ(::chmod((dir / "ro.cbx").c_str(), 0444), 0);
  EXPECT_FALSE(platform::writeFileSafely(dir / "ro.cbx", "x"));
  ::chmod((dir / "ro.cbx").c_str(), 0644);
  EXPECT_EQ(readFile(dir / "ro.cbx"), "kept");
  // Not onto a file that appeared meanwhile, when asked so.
  platform::TempFile::Options onlyNew;
  onlyNew.replace = false;
  ASSERT_TRUE(platform::TempFile::create(dir / "late.json", onlyNew, &file));
  writeFile(dir / "late.json", "the user's");
  EXPECT_FALSE(file.keep());
  EXPECT_EQ(readFile(dir / "late.json"), "the user's");
  EXPECT_EQ(sorted(platform::findFiles(dir / "*")),
            (std::vector<std::string>{".", "..", "demo.cbx", "dir.cbx", "late.json", "ro.cbx"}));
}

TEST(TempFile, LineEndsAsAsked) {
  TempDir dir;
  struct Case {
    const char* name;
    platform::LineEnds lineEnds;
    bool likeTarget;
    const char* target;  // nullptr: none
    const char* written;
  };
  const Case cases[] = {
      {"as given", platform::LineEnds::asGiven, false, "x\r\n", "a\nb\r\n"},
      {"text mode", platform::LineEnds::crlf, false, "x\n", "a\r\nb\r\r\n"},
      {"like an LF target", platform::LineEnds::crlf, true, "x\ny\r\n", "a\nb\r\n"},
      {"like a CR LF target", platform::LineEnds::asGiven, true, "x\r\ny\n", "a\r\nb\r\r\n"},
      {"a target without one", platform::LineEnds::asGiven, true, "x", "a\nb\r\n"},
      {"no target", platform::LineEnds::crlf, true, nullptr, "a\r\nb\r\r\n"},
  };
  for (const Case& c : cases) {
    const std::string path = dir / (std::string(c.name) + ".txt");
    if (c.target != nullptr) writeFile(path, c.target);
    platform::TempFile::Options options;
    options.lineEnds = c.lineEnds;
    options.likeTarget = c.likeTarget;
    platform::TempFile file;
    ASSERT_TRUE(platform::TempFile::create(path, options, &file)) << c.name;
    EXPECT_TRUE(file.append("a\n") && file.append("b\r\n")) << c.name;
    ASSERT_TRUE(file.keep()) << c.name;
    EXPECT_EQ(readFile(path), c.written) << c.name;
  }
}

#ifndef _WIN32
TEST(TempFile, WritesWhereALinkPointsAndKeepsThePermissions) {
  TempDir dir;
  std::filesystem::create_directories(dir / "real");
  writeFile(dir / "real/Settings.ini", "old");
  ASSERT_EQ(::chmod((dir / "real/Settings.ini").c_str(), 0640), 0);
  std::filesystem::create_symlink("real/Settings.ini", dir / "hop");
  std::filesystem::create_symlink(dir / "hop", dir / "Settings.ini");
  ASSERT_TRUE(platform::writeFileSafely(dir.path() + "\\Settings.ini", "new"));
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "Settings.ini"));
  EXPECT_EQ(readFile(dir / "real/Settings.ini"), "new");
  struct stat info;
  ASSERT_EQ(::stat((dir / "real/Settings.ini").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "real"), std::filesystem::directory_iterator()), 1);
  // A loop of links cannot be written.
  std::filesystem::create_symlink(dir / "loop", dir / "loop");
  EXPECT_FALSE(platform::writeFileSafely(dir.path() + "\\loop", "x"));
}
#endif

}  // namespace
