// Reading the project file: which files it lists, and in what order.
#include "common/projectfile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "platform/codepages.h"
#include "testing/testsupport.h"

namespace {

using namespace ucl;
using testsupport::ScopedCurrentDirectory;

RealDisk disk;
using testsupport::TempDir;
using testsupport::writeFile;

using Files = std::vector<std::string>;

class ProjectFile : public ::testing::Test {
 protected:
  // Writes a project file with the given body inside <project>.
  void project(const std::string& name, const std::string& body) {
    writeFile(dir_ / name, "<?xml version=\"1.0\"?>\n<project>\n" + body + "</project>\n");
  }

  TempDir dir_;
  ScopedCurrentDirectory inDir_{dir_.path()};
};

TEST_F(ProjectFile, ListsFilesInDocumentOrder) {
  project("demo.cbx",
          "<file path=\"a.c\"/><file path=\"b.c\"/>"
          "<node><node><file path=\"deep/x.H\"/></node></node>"
          "<other><file path=\"hidden.c\"/></other>"
          "<file/>"
          "<file path=\"src/Util.ASM\"/><file path=\"L/extra.LIB\"/><!-- <file path=\"comment.c\"/> -->text"
          "<file path=\"a&amp;b&#x41;.c\"/><file path=\"d\xe9j\xe0/\xfc.c\"/>");
  // Bytes that are not UTF-8 are the ANSI code page's, read into UTF-8.
  const Files expected = {"a.c", "b.c", "deep\\x.H", "src\\Util.ASM", "L\\extra.LIB", "a&bA.c",
                          platform::ansiToUtf8("d\xe9j\xe0\\\xfc.c")};
  EXPECT_EQ(readProjectFile(disk, "demo.cbx"), expected);
}

TEST_F(ProjectFile, ExampleAndEmptyProjects) {
  const Files example = {"c\\main.c", "c\\util.c", "H\\app.h", "readme.txt", "inc\\more.h", "src\\main.cpp", "lib\\extra.lib"};
  EXPECT_EQ(readProjectFile(disk, std::string(TESTDATA_DIR) + "/pv2/demo.cbx"), example);
  project("empty.cbx", "");
  EXPECT_EQ(readProjectFile(disk, "empty.cbx"), Files());
}

TEST_F(ProjectFile, KindsByExtension) {
  const std::pair<const char*, FileKind> cases[] = {
      {"Main.C", FileKind::source},       {"s\\m.a86", FileKind::source}, {"x.ASM", FileKind::source},
      {"x.H", FileKind::header},          {"L\\extra.LIB", FileKind::library}, {"lib.d\\readme", FileKind::other},
      {"main.cpp", FileKind::other},      {"x.inc", FileKind::other},     {"dir.c\\name", FileKind::other},
      {".c", FileKind::source},           {"x.cc", FileKind::other},      {"x.c.", FileKind::other},
      {"x.hl", FileKind::other},          {"x.li", FileKind::other},      {"x\xC3.c", FileKind::source},
  };
  for (const auto& [path, kind] : cases) EXPECT_EQ(fileKind(path), kind) << path;
}

TEST_F(ProjectFile, FoundByTitleOrAnyInTheDirectory) {
  struct Case {
    const char* title;
    bool demoThere;
    const char* found;
  } const cases[] = {
      {"demo", true, "demo.cbx"},
      {"missing", true, nullptr},  // any project file of the directory stands in
      {"", false, "other.cbx"},    // no title: the search for any project file
  };
  project("other.cbx", "");
  for (const Case& c : cases) {
    project("demo.cbx", "");
    if (!c.demoThere) std::remove("demo.cbx");
    const std::optional<std::string> found = findProjectFile(disk, c.title);
    ASSERT_TRUE(found.has_value()) << c.title;
    if (c.found != nullptr) {
      EXPECT_EQ(*found, c.found);
    } else {
      EXPECT_TRUE(*found == "demo.cbx" || *found == "other.cbx") << *found;
    }
  }
  std::remove("demo.cbx");
  std::remove("other.cbx");
  writeFile(dir_ / "demo.txt", "<project/>");
  EXPECT_EQ(findProjectFile(disk, "demo"), std::nullopt);
}

// A name found only by its short form is never read in place of title + ".cbx".
TEST(ProjectFileToRead, ABackupFoundByItsShortNameStandsForTheProjectFile) {
  EXPECT_EQ(projectFileToRead("Demo.CBX"), "Demo.CBX");
  EXPECT_EQ(projectFileToRead("demo.cbxbak"), "demo.cbx");
  EXPECT_EQ(projectFileToRead("demo.cbx~"), "demo.cbx");
}

TEST_F(ProjectFile, BadProjectFilesAreWrongFormat) {
  const std::string binary("\x00\x01\xff\xfe<project>\x00", 11);
  struct Case {
    const char* name;
    std::string content;
  } const cases[] = {
      {"empty", ""},
      {"blank", "  \r\n\t"},
      {"not xml", "project"},
      {"declaration only", "<?xml version=\"1.0\"?>\n"},
      {"other root", "<workspace><file path=\"a.c\"/></workspace>"},
      {"truncated", "<project><file path=\"a.c\"/><node><file pa"},
      {"unclosed", "<project><file path=\"a.c\"/>"},
      {"binary", binary},
      {"case of the root", "<Project><file path=\"a.c\"/></Project>"},
      {"text after the root", "<project><file path=\"a.c\"/></project>x"},
      {"text before the root", "x<project><file path=\"a.c\"/></project>"},
      {"an attribute twice", "<project><node><file path=\"a.c\" path=\"b.c\"/></node></project>"},
  };
  for (const Case& c : cases) {
    writeFile(dir_ / "demo.cbx", c.content);
    EXPECT_EQ(readProjectFile(disk, "demo.cbx"), std::nullopt) << c.name;
  }
  EXPECT_EQ(readProjectFile(disk, "missing.cbx"), std::nullopt);
  writeFile(dir_ / "dir.cbx/inside.txt", "x");
  EXPECT_EQ(readProjectFile(disk, "dir.cbx"), std::nullopt);  // a directory
}

TEST_F(ProjectFile, GroupsNestedToAnyDepth) {
  const int depth = 10000;
  std::string body;
  for (int i = 0; i < depth; ++i) body += "<node name=\"g\">";
  body += "<file path=\"deep/in.c\"/>";
  for (int i = 0; i < depth; ++i) body += "</node>";
  body += "<file path=\"after.c\"/>";
  EXPECT_EQ(parseProjectFile("<project>" + body + "</project>"), (Files{"deep\\in.c", "after.c"}));
}

TEST_F(ProjectFile, AnyWellFormedProlog) {
  const std::string project = "<project><file path=\"a.c\"/></project>";
  const std::string prologs[] = {
      "\xef\xbb\xbf<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n",
      "<?xml version=\"1.0\"?>\n<!-- made by the IDE -->\n<?ide version=\"2\"?>\n",
      "<!-- a comment --><?pi after the comment?><!-- and another -->\n",
      "<!DOCTYPE project>\n",
      "\xef\xbb\xbf",
  };
  for (const std::string& prolog : prologs) EXPECT_EQ(parseProjectFile(prolog + project), Files{"a.c"}) << prolog;
}

TEST(AttributeValue, ReferencesLineEndsAndEntities) {
  // Values as project files have always been read: numeric references up to
  // 0x1FFFFF in UTF-8 (the digits read in the C runtime's word sizes), the
  // value 0 ends the text, anything else that is no reference stays.
  const std::pair<const char*, const char*> cases[] = {
      {"&#65;", "A"},
      {"&#x41;", "A"},
      {"&#X41;", "&#X41;"},
      {"&#xe9;", "\xc3\xa9"},
      {"&#233;", "\xc3\xa9"},
      {"&#x20AC;", "\xe2\x82\xac"},
      {"&#x1F600;", "\xf0\x9f\x98\x80"},
      {"&#xD800;", "\xed\xa0\x80"},
      {"&#x110000;b", "\xf4\x90\x80\x80" "b"},
      {"&#128;", "\xc2\x80"},
      {"&#x0041;&#00065;", "AA"},
      {"&#x100000041;", "A"},
      {"a&#xFFFFFFFFF;b", "ab"},
      {"a&#99999999999;b", "ab"},
      {"a&#0;b", "a"},
      {"a&#x0;b", "a"},
      {"a&#;b", "a"},
      {"a&#x;b", "a"},
      {"&#x1x2;", "\x02"},
      {"&#12a;", "&#12a;"},
      {"&#-1;", "&#-1;"},
      {"&#xG;", "&#xG;"},
      {"&#65", "&#65"},
      {"a&#", "a#"},
      {"a&#b", "a&#b"},
      {"a&#10;b&#9;", "a\nb\t"},
      {"x&amp;y&#x41;z", "x&yAz"},
      {"&lt;&gt;&quot;&apos;", "<>\"'"},
      {"&amp", "&amp"},
      {"&ampx;", "&ampx;"},
      {"&unknown;", "&unknown;"},
      {"&", "&"},
      {"a<b>c", "a<b>c"},
      {"a\r\nb\rc\n\rd\ne", "a\nb\nc\nd\ne"},
      // Once the text is shorter than the raw value, an unknown entity used
      // to take stale characters ("x&ymunknown;z"); it is kept as written.
      {"x&amp;y&unknown;z", "x&y&unknown;z"},
      {"&amp;&amp", "&&amp"},
  };
  for (const auto& [raw, decoded] : cases) EXPECT_EQ(decodeAttributeValue(raw), decoded) << raw;
  // Through the whole reader as well.
  EXPECT_EQ(parseProjectFile("<project><file path=\"a&#x41;&amp;&#0;b\"/></project>"), Files{"aA&"});
}

TEST_F(ProjectFile, OutlineTellsWhereEachPartLies) {
  const std::string text =
      "\xEF\xBB\xBF<?xml version=\"1.0\"?>\r\n<!-- <file path=\"no\"/> -->\r\n<project a=\"x>y\">\r\n"
      " <file path='C/a.c'><x/></file>\r\n <node name=\"S&amp;\"><file path=\"b.c\"/></node><![CDATA[<file/>]]>\r\n"
      "</project>\r\n";
  const std::optional<ProjectFileOutline> outline = outlineProjectFile(text);
  ASSERT_TRUE(outline);
  ASSERT_EQ(outline->entries.size(), 2u);
  const auto part = [&](const ProjectFileElement& e) { return text.substr(e.begin, e.end - e.begin); };
  EXPECT_EQ(part(outline->entries[0]), "<file path='C/a.c'><x/></file>");
  EXPECT_EQ(part(outline->entries[1]), "<file path=\"b.c\"/>");
  EXPECT_EQ(outline->entries[0].path + outline->entries[0].quote + outline->entries[1].quote, "C/a.c'\"");
  ASSERT_EQ(outline->groups.size(), 2u);
  const ProjectFileGroup& root = outline->groups[0];
  const ProjectFileGroup& group = outline->groups[1];
  EXPECT_EQ(text.compare(root.begin, 9, "<project "), 0);
  EXPECT_EQ(text.substr(root.endTag, root.end - root.endTag), "</project>");
  EXPECT_EQ(root.lastEntry, 0u);
  EXPECT_EQ(root.lastChild, group.begin);
  EXPECT_EQ(group.lastChildEnd, outline->entries[1].end);
  EXPECT_EQ(group.name, "S&");
  EXPECT_EQ(group.lastEntry, 1u);
  EXPECT_FALSE(outlineProjectFile("<project><file path=\"a\"></project>"));
}

// The outline finds where elements end with a scan of its own, which must
// agree with the parser on every seed of the fuzz targets: the same files
// accepted, the same entries, each range an entry's whole element.
TEST(ProjectFileOutline, AgreesWithTheReaderOnTheFuzzCorpora) {
  size_t accepted = 0;
  for (const char* corpus : {"project", "projectfileedit"}) {
    for (const auto& seed : std::filesystem::directory_iterator(std::string(FUZZ_CORPUS_DIR) + "/" + corpus)) {
      std::string bytes = testsupport::readFile(seed.path().string());
      // An editing seed is a flags byte and a path ended by a NUL, then the file.
      if (std::string(corpus) == "projectfileedit") bytes.erase(0, bytes.find('\0', 1) + 1);
      SCOPED_TRACE(seed.path().string());
      const std::optional<Files> files = parseProjectFile(bytes);
      const std::optional<ProjectFileOutline> outline = outlineProjectFile(bytes);
      ASSERT_EQ(files.has_value(), outline.has_value());
      if (!files) continue;
      ++accepted;
      Files listed;
      for (const ProjectFileEntry& entry : outline->entries) {
        EXPECT_EQ(bytes.compare(entry.begin, 5, "<file"), 0);
        EXPECT_EQ(bytes[entry.end - 1], '>');
        listed.push_back(entry.path);
        std::replace(listed.back().begin(), listed.back().end(), '/', '\\');
      }
      EXPECT_EQ(listed, *files);
    }
  }
  EXPECT_GE(accepted, 10u);
}

}  // namespace
