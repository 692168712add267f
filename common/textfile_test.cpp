#include "common/textfile.h"

#include <gtest/gtest.h>

#include "common/pathhelpers.h"
#include "platform/files.h"
#include "testing/testsupport.h"

namespace {

using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

struct ReadCase {
  const char* name;
  std::string bytes;
  std::vector<std::string> lines;
};

TEST(TextFileRead, LinesOfTable) {
  const ReadCase cases[] = {
      {"empty", "", {}},
      {"no line end", "a", {"a"}},
      {"crlf", "a\r\n", {"a"}},
      {"crlf twice", "a\r\n\r\n", {"a", ""}},
      {"only crlf", "\r\n", {""}},
      {"two lines", "a\r\nb", {"a", "b"}},
      {"bare lf", "a\nb\n", {"a", "b"}},
      {"lone cr dropped", "a\rb\r\n", {"ab"}},
      {"byte 0xff kept", "x\xffy\r\n", {"x\xffy"}},
      {"ctrl-z ends the file", "a\r\nb\x1a" "c\r\nd\r\n", {"a", "b"}},
  };
  TempDir dir;
  for (const ReadCase& c : cases) {
    SCOPED_TRACE(c.name);
    writeFile(dir / "in.txt", c.bytes);
    ucl::TextFile file;
    ASSERT_TRUE(file.read(dir / "in.txt"));
    EXPECT_EQ(file.lines, c.lines);
  }
}

TEST(TextFileRead, MissingFileEmptiesAndFails) {
  TempDir dir;
  ucl::TextFile file;
  file.lines = {"old"};
  EXPECT_FALSE(file.read(dir / "missing.txt"));
  EXPECT_TRUE(file.lines.empty());
}

TEST(TextFileWrite, WritesCrLfLineEnds) {
  TempDir dir;
  ucl::TextFile file;
  file.lines = {"a", "b"};
  ASSERT_TRUE(file.write(dir / "out.txt"));
  EXPECT_EQ(readFile(dir / "out.txt"), "a\r\nb\r\n");

  file.lines.clear();
  ASSERT_TRUE(file.write(dir / "out.txt"));
  EXPECT_EQ(readFile(dir / "out.txt"), "");
}

TEST(TextFileWrite, FailsWhereTheFileCannotBeCreated) {
  TempDir dir;
  ucl::TextFile file;
  file.lines = {"a"};
  EXPECT_FALSE(file.write(dir / "no-such-dir/out.txt"));
}

TEST(TextFileWrite, RoundTripKeepsEveryByteButCr) {
  TempDir dir;
  ucl::TextFile file;
  std::string all;
  for (int c = 1; c < 256; ++c) {
    if (c != '\n' && c != '\r' && c != 0x1a) all += static_cast<char>(c);
  }
  file.lines = {all, "", "end"};
  ASSERT_TRUE(file.write(dir / "bytes.txt"));
  ucl::TextFile back;
  ASSERT_TRUE(back.read(dir / "bytes.txt"));
  EXPECT_EQ(back.lines, file.lines);
}

TEST(ReadLine, ReportsEndOfFileWithPartialLine) {
  TempDir dir;
  writeFile(dir / "in.txt", "one\r\ntwo");
  std::FILE* stream = platform::openTextFile(dir / "in.txt", "r");
  ASSERT_NE(stream, nullptr);
  std::string line;
  EXPECT_FALSE(ucl::readLine(stream, line));
  EXPECT_EQ(line, "one");
  EXPECT_TRUE(ucl::readLine(stream, line));
  EXPECT_EQ(line, "two");
  EXPECT_TRUE(ucl::readLine(stream, line));
  EXPECT_EQ(line, "");
  platform::closeFile(stream);
}

#ifndef _WIN32
TEST(TextFileWrite, FullDiskIsReportedAsFailure) {
  ucl::TextFile file;
  file.lines = {std::string(100000, 'x')};
  EXPECT_FALSE(file.write("/dev/full"));
}
#endif

}  // namespace
