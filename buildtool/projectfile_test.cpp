// Reading the project file: which files it lists, and in what order.
#include "buildtool/projectfile.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "testing/testsupport.h"

namespace {

using testsupport::ScopedCurrentDirectory;
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
  const Files expected = {"a.c", "b.c", "deep\\x.H", "src\\Util.ASM", "L\\extra.LIB", "a&bA.c", "d\xe9j\xe0\\\xfc.c"};
  EXPECT_EQ(readProjectFile("demo.cbx"), expected);
}

TEST_F(ProjectFile, ExampleAndEmptyProjects) {
  const Files example = {"c\\main.c", "c\\util.c", "H\\app.h", "readme.txt", "inc\\more.h", "src\\main.cpp", "lib\\extra.lib"};
  EXPECT_EQ(readProjectFile(std::string(TESTDATA_DIR) + "/pv2/demo.cbx"), example);
  project("empty.cbx", "");
  EXPECT_EQ(readProjectFile("empty.cbx"), Files());
}

TEST_F(ProjectFile, KindsByExtension) {
  const std::pair<const char*, FileKind> cases[] = {
      {"Main.C", FileKind::source},       {"s\\m.a86", FileKind::source}, {"x.ASM", FileKind::source},
      {"x.H", FileKind::header},          {"L\\extra.LIB", FileKind::library}, {"lib.d\\readme", FileKind::other},
      {"main.cpp", FileKind::other},      {"x.inc", FileKind::other},     {"dir.c\\name", FileKind::other},
  };
  for (const auto& [path, kind] : cases) EXPECT_EQ(fileKind(path), kind) << path;
}

TEST_F(ProjectFile, FoundByTitleOrAnyInTheDirectory) {
  struct Case {
    const char* title;
    bool demoThere;
    const char* found;
  } const cases[] = {
      {"demo", true, "demo"},
      {"missing", true, nullptr},  // any project file of the directory stands in
      {"", false, "other"},        // no title: the search for any project file
  };
  project("other.cbx", "");
  for (const Case& c : cases) {
    project("demo.cbx", "");
    if (!c.demoThere) std::remove("demo.cbx");
    const std::optional<std::string> found = findProjectFile(c.title);
    ASSERT_TRUE(found.has_value()) << c.title;
    if (c.found != nullptr) {
      EXPECT_EQ(*found, c.found);
    } else {
      EXPECT_TRUE(*found == "demo" || *found == "other") << *found;
    }
  }
  std::remove("demo.cbx");
  std::remove("other.cbx");
  writeFile(dir_ / "demo.txt", "<project/>");
  EXPECT_EQ(findProjectFile("demo"), std::nullopt);
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
  };
  for (const Case& c : cases) {
    writeFile(dir_ / "demo.cbx", c.content);
    EXPECT_EQ(readProjectFile("demo.cbx"), std::nullopt) << c.name;
  }
  EXPECT_EQ(readProjectFile("missing.cbx"), std::nullopt);
  writeFile(dir_ / "dir.cbx/inside.txt", "x");
  EXPECT_EQ(readProjectFile("dir.cbx"), std::nullopt);  // a directory
}

TEST_F(ProjectFile, DeeplyNestedGroupsAreWalked) {
  const int depth = 90;
  std::string body;
  for (int i = 0; i < depth; ++i) body += "<node>";
  body += "<file path=\"deep.c\"/>";
  for (int i = 0; i < depth; ++i) body += "</node>";
  project("demo.cbx", body);
  EXPECT_EQ(readProjectFile("demo.cbx"), Files{"deep.c"});
}

}  // namespace
