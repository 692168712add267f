// Reading the project file: which files reach the back end, and in what order.
#include <gtest/gtest.h>

#include <cstdio>

#include "buildtool/buildtool.h"
#include "testing/testsupport.h"

namespace {

using testsupport::ScopedCurrentDirectory;
using testsupport::TempDir;
using testsupport::writeFile;

// Records every call the reader makes on a back end.
class RecordingBackEnd : public BuildTool {
 public:
  using BuildTool::BuildTool;
  bool writeMakefiles() override {
    calls.push_back("write");
    return true;
  }
  void addSourceFile(const std::string& path) override { calls.push_back("source " + path); }
  void addHeaderFile(const std::string& path) override { calls.push_back("header " + path); }
  void addLibrary(const std::string& path) override { calls.push_back("library " + path); }
  bool runBuild() override { return true; }

  std::vector<std::string> calls;
};

class ProjectReader : public ::testing::Test {
 protected:
  // Writes a project file with the given body inside <project>.
  void project(const std::string& name, const std::string& body) {
    writeFile(dir_ / name, "<?xml version=\"1.0\"?>\n<project>\n" + body + "</project>\n");
  }

  // Reads the project as kestrel does for the project-file argument.
  bool read(const std::string& argument) {
    info_.projectFile = argument;
    ::testing::internal::CaptureStderr();
    const bool result = backEnd_.readProject();
    errors_ = ::testing::internal::GetCapturedStderr();
    return result;
  }

  TempDir dir_;
  ScopedCurrentDirectory inDir_{dir_.path()};
  BuildInfo info_;
  RecordingBackEnd backEnd_{ucl::IniFile(), &info_};
  std::string errors_;
};

TEST_F(ProjectReader, HandsFilesOverInReverseDocumentOrder) {
  project("demo.cbx",
          "<file path=\"a.c\"/><file path=\"b.c\"/>"
          "<node><node><file path=\"deep/x.H\"/></node></node>"
          "<other><file path=\"hidden.c\"/></other>"
          "<file/>"
          "<file path=\"src/Util.ASM\"/><file path=\"s\\m.a86\"/><file path=\"Main.C\"/>"
          "<file path=\"lib.d/readme\"/><file path=\"main.cpp\"/><file path=\"x.inc\"/>"
          "<file path=\"L/extra.LIB\"/><!-- <file path=\"comment.c\"/> -->text"
          "<file path=\"a&amp;b&#x41;.c\"/><file path=\"d\xe9j\xe0/\xfc.c\"/>");
  ASSERT_TRUE(read("demo"));
  const std::vector<std::string> expected = {
      "source d\xe9j\xe0\\\xfc.c", "source a&bA.c",    "library L\\extra.LIB", "source Main.C",
      "source s\\m.a86",           "source src\\Util.ASM", "header deep\\x.H",  "source b.c",
      "source a.c",                "write"};
  EXPECT_EQ(backEnd_.calls, expected);
  EXPECT_EQ(errors_, "");
}

TEST_F(ProjectReader, ExampleProjectFile) {
  writeFile(dir_ / "demo.cbx", testsupport::readFile(std::string(TESTDATA_DIR) + "/pv2/demo.cbx"));
  ASSERT_TRUE(read("demo"));
  const std::vector<std::string> expected = {"library lib\\extra.lib", "header inc\\more.h", "header H\\app.h",
                                             "source c\\util.c", "source c\\main.c", "write"};
  EXPECT_EQ(backEnd_.calls, expected);
}

TEST_F(ProjectReader, ProjectWithoutFilesStillWritesMakefiles) {
  project("empty.cbx", "");
  ASSERT_TRUE(read("empty"));
  EXPECT_EQ(backEnd_.calls, std::vector<std::string>{"write"});
}

TEST_F(ProjectReader, NamesAndFallback) {
  struct Case {
    const char* argument;
    const char* programName;  // given with -n, or empty
    const char* projectFile;
    const char* expectedProgram;
  } const cases[] = {
      {"demo", "", "demo", "demo"},
      {"demo.pvmak", "", "demo", "demo"},
      {"D:\\elsewhere\\demo.cbx", "", "demo", "demo"},
      {"missing", "", "other", "other"},  // any project file of the directory stands in
      {"", "", "other", "other"},         // no argument: the search for any project file
      {"demo", "given", "demo", "given"},
  };
  project("other.cbx", "");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.argument);
    project("demo.cbx", "");
    if (std::string(c.argument) == "missing" || std::string(c.argument).empty()) std::remove("demo.cbx");
    info_ = BuildInfo();
    info_.programName = c.programName;
    ASSERT_TRUE(read(c.argument));
    EXPECT_EQ(info_.projectFile, c.projectFile);
    EXPECT_EQ(info_.programName, c.expectedProgram);
  }
}

TEST_F(ProjectReader, NoProjectFile) {
  writeFile(dir_ / "demo.txt", "<project/>");
  info_.programName = "kept";
  EXPECT_FALSE(read("demo"));
  EXPECT_EQ(errors_, "Unable to find project file\n");
  EXPECT_EQ(info_.projectFile, "");
  EXPECT_EQ(info_.programName, "kept");
  EXPECT_TRUE(backEnd_.calls.empty());
}

TEST_F(ProjectReader, BadProjectFilesAreWrongFormat) {
  const std::string binary("\x00\x01\xff\xfe<project>\x00", 11);
  struct Case {
    const char* name;
    std::string content;
  } const cases[] = {
      {"empty", ""},
      {"blank", "  \r\n\t"},
      {"not xml", "project"},
      {"other root", "<workspace><file path=\"a.c\"/></workspace>"},
      {"truncated", "<project><file path=\"a.c\"/><node><file pa"},
      {"unclosed", "<project><file path=\"a.c\"/>"},
      {"binary", binary},
      {"case of the root", "<Project><file path=\"a.c\"/></Project>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    writeFile(dir_ / "demo.cbx", c.content);
    backEnd_.calls.clear();
    EXPECT_FALSE(read("demo"));
    EXPECT_EQ(errors_, "Error: Wrong format in .cbx file\n");
    EXPECT_TRUE(backEnd_.calls.empty());
    EXPECT_EQ(info_.projectFile, "demo");
  }
}

TEST_F(ProjectReader, ProjectFileThatIsADirectory) {
  testsupport::writeFile(dir_ / "demo.cbx/inside.txt", "x");
  EXPECT_FALSE(read("demo"));
  EXPECT_EQ(errors_, "Error: Wrong format in .cbx file\n");
}

TEST_F(ProjectReader, DeeplyNestedGroupsAreWalked) {
  // Deeper than a parser may nest: no crash, and either every file or a
  // clear format error.
  for (const int depth : {90, 5000}) {
    std::string body;
    for (int i = 0; i < depth; ++i) body += "<node>";
    body += "<file path=\"deep.c\"/>";
    for (int i = 0; i < depth; ++i) body += "</node>";
    project("demo.cbx", body);
    backEnd_.calls.clear();
    const bool result = read("demo");
    if (result) {
      EXPECT_EQ(backEnd_.calls, (std::vector<std::string>{"source deep.c", "write"})) << depth;
    } else {
      EXPECT_EQ(errors_, "Error: Wrong format in .cbx file\n") << depth;
    }
  }
}

}  // namespace
