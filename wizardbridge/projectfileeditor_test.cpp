// The editor's decisions: where an entry goes, how it is written, what
// counts as listed, and that every other byte stays.
#include "wizardbridge/projectfileeditor.h"

#include <gtest/gtest.h>

#include "common/projectfile.h"

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
  std::string err;
  const std::optional<std::string> result = addProjectFileEntry(bytes, path, &err);
  EXPECT_TRUE(result) << err;
  return result.value_or("");
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
  EXPECT_EQ(removeProjectFileEntry(expected, "c/A&'<B.C", nullptr), windows);

  // Beside an element that shares its line: on the same line, no line end.
  const std::string oneLine = "<project><file path=\"a.c\"/></project>";
  EXPECT_EQ(added(oneLine, "b.c"), "<project><file path=\"a.c\"/><file path=\"b.c\"/></project>");
  EXPECT_EQ(removeProjectFileEntry(added(oneLine, "b.c"), "b.c", nullptr), oneLine);
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
  std::string err;
  for (const char* same : {"c\\MAIN.C", "C/main.c", ".\\C\\main.c", "C//main.c"}) {
    EXPECT_FALSE(addProjectFileEntry(kTemplate, same, &err)) << same;
    EXPECT_EQ(err, "Error: 'C/main.c' is in the project already");
  }
  EXPECT_TRUE(addProjectFileEntry(kTemplate, "C\\main.cc", &err));
  EXPECT_FALSE(removeProjectFileEntry(kTemplate, "C\\nothere.c", &err));
  EXPECT_EQ(err, "Error: 'C\\nothere.c' is not in the project");
}

TEST(ProjectFileEditor, RemovesEveryMatchWithItsContentAndOnlyLinesItHeldAlone) {
  const std::string text =
      "<project>\n  <file path=\"a.c\">\n    <property name=\"x\"/>\n  </file>\n"
      "  <node name=\"g\"><file path=\"A.C\"/><file path=\"b.c\"/></node>\n  <file path=\"c.c\"/>\n</project>\n";
  EXPECT_EQ(removeProjectFileEntry(text, "a.c", nullptr),
            "<project>\n  <node name=\"g\"><file path=\"b.c\"/></node>\n  <file path=\"c.c\"/>\n</project>\n");
}

TEST(ProjectFileEditor, RefusesOtherEncodingsAndDamagedFiles) {
  std::string err;
  EXPECT_FALSE(addProjectFileEntry("<?xml version=\"1.0\" encoding=\"windows-1252\"?><project/>", "a.c", &err));
  EXPECT_EQ(err, "Error: The project file is written in 'windows-1252'; only UTF-8 project files can be changed");
  EXPECT_FALSE(removeProjectFileEntry("\xFF\xFE<\0p\0", "a.c", &err));
  EXPECT_EQ(err, "Error: The project file is written in UTF-16; only UTF-8 project files can be changed");
  EXPECT_TRUE(addProjectFileEntry("<?xml version='1.0' encoding = 'utf-8' ?><project/>", "a.c", &err));
  for (const char* damaged : {"<project>", "<project><file path=\"a\" path=\"b\"/></project>", "<other/>", ""}) {
    EXPECT_FALSE(addProjectFileEntry(damaged, "a.c", &err)) << damaged;
    EXPECT_EQ(err, "Error: Wrong format in .cbx file");
  }
  for (const char* bad : {"", "a\tb.c", "a\nb.c"}) EXPECT_FALSE(addProjectFileEntry(kTemplate, bad, &err)) << bad;
}

TEST(ProjectFileEditor, GroupsNestedToAnyDepth) {
  std::string body;
  for (int i = 0; i < 10000; ++i) body += "<node name=\"Sources\">";
  body += "<file path=\"deep.c\"/>";
  for (int i = 0; i < 10000; ++i) body += "</node>";
  const std::string text = "<project>" + body + "</project>";
  EXPECT_EQ(plover::projectFileEntries(text, nullptr), std::vector<std::string>{"deep.c"});
  // The first "Sources" is the outermost, which holds no entry of its own.
  const std::string after = added(text, "a.c");
  EXPECT_EQ(ucl::parseProjectFile(after), (std::vector<std::string>{"deep.c", "a.c"}));
  EXPECT_EQ(removeProjectFileEntry(after, "a.c", nullptr), text);
}

}  // namespace
