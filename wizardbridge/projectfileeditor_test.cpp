// The editor's decisions: where an entry goes, how it is written, what
// counts as listed, and that every other byte stays.
#include "wizardbridge/projectfileeditor.h"

#include <gtest/gtest.h>

#include "common/projectfile.h"
#include "common/textencoding.h"
#include "platform/codepages.h"
#include "platform/files.h"
#include "testing/testsupport.h"

namespace {

using plover::addProjectFileEntry;
using plover::removeProjectFileEntry;

const std::string kTemplate =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<project>\n"
    "  <property category=\"pvsdk\" name=\"model\" value=\"2\"/>\n"
    "  <node name=\"game\" type=\"Folder\">\n"
    "    <node name=\"Sources\" type=\"Folder\">\n"
    "      <file path=\"C/main.c\"/>\n"
    "    </node>\n"
    "    <node name=\"Headers\" type=\"Folder\">\n"
    "      <file path=\"H/main.h\"/>\n"
    "    </node>\n"
    "  </node>\n"
    "</project>\n";

// The text with the line inserted after the line that starts with after.
std::string withLineAfter(const std::string& text, const std::string& after, const std::string& line) {
  const size_t at = text.find('\n', text.find(after)) + 1;
  return text.substr(0, at) + line + text.substr(at);
}

std::string added(const std::string& bytes, const std::string& path) {
  std::string result;
  std::string err;
  EXPECT_TRUE(addProjectFileEntry(bytes, path, &result, &err)) << err;
  return result;
}

std::string removed(const std::string& bytes, const std::string& path) {
  std::string result;
  std::string err;
  EXPECT_TRUE(removeProjectFileEntry(bytes, path, &result, &err)) << err;
  return result;
}

TEST(ProjectFileEditor, EachKindGoesToItsGroupOrAfterTheRootsEntries) {
  EXPECT_EQ(added(kTemplate, "C\\sprites.c"),
            withLineAfter(kTemplate, "      <file path=\"C/main.c\"", "      <file path=\"C/sprites.c\"/>\n"));
  EXPECT_EQ(added(kTemplate, "H\\sprites.h"),
            withLineAfter(kTemplate, "      <file path=\"H/main.h\"", "      <file path=\"H/sprites.h\"/>\n"));
  // No group "Libraries" and no entry of the root: after its last child.
  EXPECT_EQ(added(kTemplate, "lib\\x.LIB"), withLineAfter(kTemplate, "  </node>\n</project>", "  <file path=\"lib/x.LIB\"/>\n"));
  // An entry of the root: after it, whatever groups come later.
  const std::string rootEntry = withLineAfter(kTemplate, "  <property", "  <file path='readme.txt'/>\n");
  EXPECT_EQ(added(rootEntry, "notes.txt"), withLineAfter(rootEntry, "  <file path='readme.txt'", "  <file path='notes.txt'/>\n"));
}

TEST(ProjectFileEditor, WrittenAsTheEntriesBesideIt) {
  // Byte order mark, CR LF, tabs, single quotes, backslashes, comments:
  // exactly one line more, and removing gives the bytes back.
  const std::string windows =
      "\xEF\xBB\xBF<?xml version='1.0'?>\r\n<!-- c -->\r\n<project>\r\n\t<property name='a' value='1'/>\r\n"
      "\t<node name='Sources'>\r\n\t\t<file path='C\\main.c'/><!-- main -->\r\n\t\t<file path='C\\util.c'/>\r\n"
      "\t</node>\r\n</project>";
  const std::string expected = withLineAfter(windows, "\t\t<file path='C\\util.c'", "\t\t<file path='C\\a&amp;&apos;&lt;b.c'/>\r\n");
  EXPECT_EQ(added(windows, "C\\a&'<b.c"), expected);
  EXPECT_EQ(ucl::parseProjectFile(expected), (std::vector<std::string>{"C\\main.c", "C\\util.c", "C\\a&'<b.c"}));
  EXPECT_EQ(removed(expected, "c/A&'<B.C"), windows);

  // Beside an element that shares its line: on the same line, no line end.
  const std::string oneLine = "<project><file path=\"a.c\"/></project>";
  EXPECT_EQ(added(oneLine, "b.c"), "<project><file path=\"a.c\"/><file path=\"b.c\"/></project>");
  EXPECT_EQ(removed(added(oneLine, "b.c"), "b.c"), oneLine);
}

TEST(ProjectFileEditor, GroupsWithoutChildrenAreOpenedOneStepIn) {
  EXPECT_EQ(added("<project>\n  <node name=\"Sources\">\n  </node>\n</project>\n", "a.c"),
            "<project>\n  <node name=\"Sources\">\n    <file path=\"a.c\"/>\n  </node>\n</project>\n");
  EXPECT_EQ(added("<project>\r\n\t<node name=\"Sources\"/>\r\n</project>", "a.c"),
            "<project>\r\n\t<node name=\"Sources\">\r\n\t\t<file path=\"a.c\"/>\r\n\t</node>\r\n</project>");
  EXPECT_EQ(added("<project/>", "a.c"), "<project>\n  <file path=\"a.c\"/>\n</project>");
  EXPECT_EQ(added("<project></project>", "a.c"), "<project>\n  <file path=\"a.c\"/>\n</project>");
}

TEST(ProjectFileEditor, ListedIsRegardlessOfLetterCaseAndSeparator) {
  std::string result;
  std::string err;
  for (const char* same : {"c\\MAIN.C", "C/main.c", ".\\C\\main.c", "C//main.c"}) {
    EXPECT_FALSE(addProjectFileEntry(kTemplate, same, &result, &err)) << same;
    EXPECT_EQ(err, "Error: 'C/main.c' is in the project already");
  }
  EXPECT_TRUE(addProjectFileEntry(kTemplate, "C\\main.cc", &result, &err));
  EXPECT_FALSE(removeProjectFileEntry(kTemplate, "C\\nothere.c", &result, &err));
  EXPECT_EQ(err, "Error: 'C\\nothere.c' is not in the project");
}

TEST(ProjectFileEditor, RemovesEveryMatchWithItsContentAndOnlyLinesItHeldAlone) {
  const std::string text =
      "<project>\n  <file path=\"a.c\">\n    <property name=\"x\"/>\n  </file>\n"
      "  <node name=\"g\"><file path=\"A.C\"/><file path=\"b.c\"/></node>\n  <file path=\"c.c\"/>\n</project>\n";
  EXPECT_EQ(removed(text, "a.c"),
            "<project>\n  <node name=\"g\"><file path=\"b.c\"/></node>\n  <file path=\"c.c\"/>\n</project>\n");
}

TEST(ProjectFileEditor, RefusesOtherEncodingsAndDamagedFiles) {
  std::string result;
  std::string err;
  EXPECT_FALSE(addProjectFileEntry("<?xml version=\"1.0\" encoding=\"windows-1252\"?><project/>", "a.c", &result, &err));
  EXPECT_EQ(err, "Error: The project file is written in 'windows-1252'; only UTF-8 project files can be changed");
  EXPECT_FALSE(removeProjectFileEntry("\xFF\xFE<\0p\0", "a.c", &result, &err));
  EXPECT_EQ(err, "Error: The project file is written in UTF-16; only UTF-8 project files can be changed");
  EXPECT_TRUE(addProjectFileEntry("<?xml version='1.0' encoding = 'utf-8' ?><project/>", "a.c", &result, &err));
  for (const char* damaged : {"<project>", "<project><file path=\"a\" path=\"b\"/></project>", "<other/>", ""}) {
    EXPECT_FALSE(addProjectFileEntry(damaged, "a.c", &result, &err)) << damaged;
    EXPECT_EQ(err, "Error: Wrong format in .cbx file");
  }
  for (const char* bad : {"", "a\tb.c", "a\nb.c"}) EXPECT_FALSE(addProjectFileEntry(kTemplate, bad, &result, &err)) << bad;
}

TEST(ProjectFileEditor, GroupsNestedToAnyDepth) {
  std::string body;
  for (int i = 0; i < 10000; ++i) body += "<node name=\"Sources\">";
  body += "<file path=\"deep.c\"/>";
  for (int i = 0; i < 10000; ++i) body += "</node>";
  const std::string text = "<project>" + body + "</project>";
  std::vector<std::string> entries;
  std::string err;
  ASSERT_TRUE(plover::projectFileEntries(text, &entries, &err));
  EXPECT_EQ(entries, std::vector<std::string>{"deep.c"});
  // The first "Sources" is the outermost, which holds no entry of its own.
  const std::string after = added(text, "a.c");
  EXPECT_EQ(ucl::parseProjectFile(after), (std::vector<std::string>{"deep.c", "a.c"}));
  EXPECT_EQ(removed(after, "a.c"), text);
}

// A code page that holds U+0000 to U+00FF as single bytes, as 1252 holds
// the letters used here, so that the decisions are the same on every system.
std::string latin1ToUtf8(const std::string& bytes) {
  std::string out;
  for (const char c : bytes) ucl::appendUtf8(static_cast<unsigned char>(c), out);
  return out;
}
std::optional<std::string> utf8ToLatin1(const std::string& utf8) {
  std::string out;
  for (size_t i = 0; i < utf8.size(); ++i) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    if (lead < 0x80) {
      out += utf8[i];
    } else if ((lead == 0xC2 || lead == 0xC3) && i + 1 < utf8.size()) {
      out += static_cast<char>(((lead & 0x03) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3F));
    } else {
      return std::nullopt;
    }
  }
  return out;
}
const plover::AnsiConversion kLatin1{latin1ToUtf8, utf8ToLatin1};

TEST(ProjectFileEditor, AnAnsiFileIsEditedInItsOwnEncoding) {
  // Not UTF-8 (the byte FC is "\xC3\xBC" in UTF-8), so read in the code page.
  const std::string ansi =
      "<project>\n  <node name=\"Sources\">\n    <file path=\"C/\xFC" "ber.c\"/>\n"
      "    <file path=\"C/&#228;.c\"/>\n  </node>\n</project>\n";
  std::vector<std::string> entries;
  std::string result;
  std::string err;
  ASSERT_TRUE(plover::projectFileEntries(ansi, &entries, &err, kLatin1));
  EXPECT_EQ(entries, (std::vector<std::string>{"C/\xC3\xBC" "ber.c", "C/\xC3\xA4.c"}));

  ASSERT_TRUE(addProjectFileEntry(ansi, "C\\gr\xC3\xB6\xC3\x9F" "e.c", &result, &err, kLatin1)) << err;
  EXPECT_EQ(result, withLineAfter(ansi, "    <file path=\"C/&#228;", "    <file path=\"C/gr\xF6\xDF" "e.c\"/>\n"));
  ASSERT_TRUE(removeProjectFileEntry(ansi, "c\\\xC3\xBC" "BER.C", &result, &err, kLatin1)) << err;
  EXPECT_EQ(result, "<project>\n  <node name=\"Sources\">\n    <file path=\"C/&#228;.c\"/>\n  </node>\n</project>\n");

  EXPECT_FALSE(addProjectFileEntry(ansi, "C\\\xC3\xBC" "ber.c", &result, &err, kLatin1));
  EXPECT_EQ(err, "Error: 'C/\xC3\xBC" "ber.c' is in the project already");
  EXPECT_FALSE(addProjectFileEntry(ansi, "C\\\xE8\xA1\xA8.c", &result, &err, kLatin1));
  EXPECT_EQ(err, "Error: File name 'C\\\xE8\xA1\xA8.c' cannot be written in this system's code page, "
                 "in which the project file is read");
  // Taking out the only byte that is not UTF-8 would turn "\xC3\xA4" (two
  // characters in the code page) into one: refused, as is the reverse.
  const std::string mixed = "<project><file path=\"\xFC.c\"/><file path=\"\xC3\xA4.c\"/></project>";
  EXPECT_FALSE(removeProjectFileEntry(mixed, "\xC3\xBC.c", &result, &err, kLatin1));
  EXPECT_EQ(err, "Error: The change would alter how the project file's other names are read; it is left as it was");
  EXPECT_FALSE(addProjectFileEntry(kTemplate, "C\\\xFC.c", &result, &err, kLatin1));
  EXPECT_EQ(err, "Error: The change would alter how the project file's other names are read; it is left as it was");

  if (platform::ansiCodePage() == 1252) {
    // And kestrel's own reader reads the name added as it was given.
    ASSERT_TRUE(addProjectFileEntry(ansi, "C\\gr\xC3\xB6\xC3\x9F" "e.c", &result, &err));
    EXPECT_EQ(ucl::parseProjectFile(ucl::projectFileTextAsUtf8(result)),
              (std::vector<std::string>{"C\\\xC3\xBC" "ber.c", "C\\\xC3\xA4.c", "C\\gr\xC3\xB6\xC3\x9F" "e.c"}));
  }
}

TEST(ProjectFileEditor, WritesOnlyOverTheBytesItEdited) {
  testsupport::TempDir dir;
  const std::string file = dir / "demo.cbx";
  std::string err;
  testsupport::writeFile(file, "saved by another program");
  EXPECT_FALSE(plover::replaceEditedProjectFile(file, "read", "edited", &err));
  EXPECT_EQ(err, "Error: '" + platform::windowsToHostPath(file) +
                     "' was changed by another program while it was edited; it is left as that program wrote it");
  EXPECT_EQ(testsupport::readFile(file), "saved by another program");
  testsupport::writeFile(file, "read");
  EXPECT_TRUE(plover::replaceEditedProjectFile(file, "read", "edited", &err)) << err;
  EXPECT_EQ(testsupport::readFile(file), "edited");
  EXPECT_EQ(platform::findFiles(dir / "*").size(), 3u);  // ".", ".." and the file alone
}

}  // namespace
