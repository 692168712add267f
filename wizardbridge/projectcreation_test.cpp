// Creating a project from the templates beside the bridge.
#include "wizardbridge/projectcreation.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/codepages.h"
#include "platform/files.h"
#include "testing/idetree.h"
#include "wizardbridge/projectname.h"

namespace {

namespace fs = std::filesystem;
using plovertest::IdeTree;
using testsupport::crlf;
using testsupport::programPath;
using testsupport::Spelling;
using testsupport::fileExists;
using testsupport::readFile;
using testsupport::writeFile;

TEST(ProjectNames, OnlyNamesThatStayInsideTheCDirectoryAndWindowsCanHold) {
  std::string problem;
  for (const char* name : {"demo", "my project", "a.b", "COM10", "LPT0", "CONSOLE", "nul_x", ".hidden"}) {
    EXPECT_TRUE(plover::checkProjectName(name, &problem)) << name;
  }
  for (const char* name : {"", ".", "..", "..\\x", "a\\b", "a/b", "C:x", "\\root", "/root", "a<b", "a>b", "a\"b",
                           "a|b", "a?b", "a*b", "tab\tname", "\x1f", "trail.", "...", "trail ", "NUL", "con", "Aux",
                           "prn", "con.txt", "COM1", "com9.c", "LPT1", "lpt9.tar.gz"}) {
    EXPECT_FALSE(plover::checkProjectName(name, &problem)) << name;
  }
}

TEST(ProjectNames, CharactersBeyondAsciiAreJudgedAsCharacters) {
  std::string problem;
  // Each of these ends in the byte 5C in Shift-JIS; in UTF-8 no byte is "\\".
  for (const char* name : {"\xE8\xA1\xA8\xE7\xA4\xBA", "\xE3\x82\xBD\xE3\x83\x95\xE3\x83\x88", "\xE8\x83\xBD",
                           "\xC3\x9C" "bung", "\xc3\xa4pfel"}) {
    // Refused only where the ANSI code page cannot hold the name.
    EXPECT_EQ(plover::checkProjectName(name, &problem), platform::utf8ToAnsi(name).has_value()) << name;
  }
  EXPECT_EQ(plover::xmlEscaped("R&D <\"1\"> 'x'"), "R&amp;D &lt;&quot;1&quot;&gt; &apos;x&apos;");
}

TEST(ProjectTemplate, PercentAndTheNextCharacterBecomeTheName) {
  struct Case {
    const char* name;
    std::string templateBytes;
    std::string expected;  // bytes on disk
  } const cases[] = {
      {"one placeholder", "<project name=\"%N\"/>\n", "<project name=\"demo\"/>\r\n"},
      {"any character after %", "%a%%%\"x", "demodemodemox"},
      {"two in a row give the name once", "[%%]", "[demo]"},
      {"% at the very end", "end%", "enddemo"},
      {"% before a line end takes it", "a%\nb\n", "ademob\r\n"},
      {"no placeholder: a copy with CR LF", "a\nb\r\nc", "a\r\nb\r\nc"},
      {"empty template", "", ""},
      {"Ctrl-Z ends the text", "a%N\x1a%N", "ademo"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testsupport::TempDir dir;
    writeFile(dir / "template.cbx", c.templateBytes);
    std::FILE* in = platform::openTextFile(programPath(Spelling::product, dir / "template.cbx"), "r");
    std::FILE* out = platform::openTextFile(programPath(Spelling::product, dir / "demo.cbx"), "w");
    ASSERT_NE(in, nullptr);
    ASSERT_NE(out, nullptr);
    EXPECT_TRUE(plover::copyProjectTemplate(in, out, "demo"));
    EXPECT_TRUE(platform::closeFile(out));
    platform::closeFile(in);
    EXPECT_TRUE(testsupport::sameBytes(c.expected, readFile(dir / "demo.cbx")));
  }
}

class CreateProject : public ::testing::Test {
 public:
  void SetUp() override {
    writeFile(tree_.templatesDir() + "/projapp.cbx", crlf("<project name=\"%N\">\n  <file path=\"C/main.c\"/>\n</project>\n"));
    writeFile(tree_.templatesDir() + "/projapp/C/main.c", "int main;\r\n");
    writeFile(tree_.templatesDir() + "/projapp/H/deep/inner.h", "inner\r\n");
    writeFile(tree_.templatesDir() + "/projapp/MENUICON/icon.bmp", std::string("BM\0\x01\xff", 5));
    writeFile(tree_.templatesDir() + "/projapp/proj.cbx.local", "local\r\n");
    writeFile(tree_.templatesDir() + "/projlib.cbx", "library %N\n");
    writeFile(tree_.templatesDir() + "/projlib/C/lib.c", "lib\r\n");
    fs::create_directories(tree_.sdkDir() + "/C");
    tree_.writeSettings(sdk());
  }

  std::string sdk() const { return programPath(Spelling::product, tree_.sdkDir()); }
  std::string project(const std::string& relative) const { return tree_.sdkDir() + "/C/" + relative; }
  bool create(const std::string& name, bool library) {
    std::string directory;
    std::string err;
    return plover::createPv2Project(tree_.moduleDirectory(), name, library, &directory, &err);
  }
  size_t entriesBelow(const std::string& path) const {
    size_t count = 0;
    for (auto it = fs::recursive_directory_iterator(path); it != fs::recursive_directory_iterator(); ++it) ++count;
    return count;
  }

  IdeTree tree_;
};

TEST_F(CreateProject, ApplicationFromItsTemplates) {
  ASSERT_TRUE(create("demo", false));
  EXPECT_TRUE(testsupport::sameBytes(crlf("<project name=\"demo\">\n  <file path=\"C/main.c\"/>\n</project>\n"),
                                     readFile(project("demo/demo.cbx"))));
  EXPECT_EQ(readFile(project("demo/C/main.c")), "int main;\r\n");
  EXPECT_EQ(readFile(project("demo/H/deep/inner.h")), "inner\r\n");
  EXPECT_EQ(readFile(project("demo/MENUICON/icon.bmp")), std::string("BM\0\x01\xff", 5));
  EXPECT_EQ(readFile(project("demo/demo.cbx.local")), "local\r\n");
  EXPECT_FALSE(fileExists(project("demo/proj.cbx.local")));
  EXPECT_FALSE(fileExists(project("demo/C/lib.c")));
}

TEST_F(CreateProject, LibraryFromItsTemplates) {
  ASSERT_TRUE(create("mylib", true));
  EXPECT_EQ(readFile(project("mylib/mylib.cbx")), "library mylib\r\n");
  EXPECT_EQ(readFile(project("mylib/C/lib.c")), "lib\r\n");
  EXPECT_FALSE(fileExists(project("mylib/C/main.c")));
  EXPECT_FALSE(fileExists(project("mylib/mylib.cbx.local")));
}

TEST_F(CreateProject, ExistingProjectIsOverwrittenAndAnExistingLocalFileStays) {
  writeFile(project("demo/demo.cbx"), "old project");
  writeFile(project("demo/C/main.c"), "old source");
  writeFile(project("demo/C/own.c"), "kept");
  writeFile(project("demo/demo.cbx.local"), "own local settings");
  ASSERT_TRUE(create("demo", false));
  EXPECT_EQ(readFile(project("demo/C/main.c")), "int main;\r\n");
  EXPECT_EQ(readFile(project("demo/C/own.c")), "kept");
  EXPECT_NE(readFile(project("demo/demo.cbx")), "old project");
  // The rename does not replace: both files stay.
  EXPECT_EQ(readFile(project("demo/demo.cbx.local")), "own local settings");
  EXPECT_EQ(readFile(project("demo/proj.cbx.local")), "local\r\n");
}

TEST_F(CreateProject, MissingDirectoriesAboveTheProjectAreCreated) {
  fs::remove_all(tree_.sdkDir());
  ASSERT_TRUE(create("demo", false));
  EXPECT_TRUE(fileExists(project("demo/demo.cbx")));
  EXPECT_TRUE(fileExists(project("demo/C/main.c")));
}

TEST_F(CreateProject, UnsafeNamesCreateNothing) {
  fs::create_directories(tree_.sdkDir() + "/C/inner");
  const size_t ideEntries = entriesBelow(tree_.path("ide"));
  for (const std::string& name : {std::string(""), std::string("."), std::string(".."), std::string("..\\escape"),
                                  std::string("inner\\nested"), std::string("inner/nested"), std::string("D:demo"),
                                  std::string("a?b"), std::string("a*b"), std::string("NUL"), std::string("con.txt"),
                                  std::string("trail."), std::string(300, 'n')}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(create(name, false));
    EXPECT_EQ(entriesBelow(tree_.sdkDir()), 2u);  // C and C/inner
    EXPECT_EQ(entriesBelow(tree_.path("ide")), ideEntries);
  }
}

TEST_F(CreateProject, EveryPathMustStayBelowWindowsLimit) {
  // The longest path here is <name>.cbx.local in the project directory.
  const auto longestPath = [this](size_t nameLength) {
    return sdk().size() + 3 + 2 * nameLength + 11;
  };
  size_t fits = 1;
  while (longestPath(fits + 1) < 260) ++fits;
  EXPECT_FALSE(create(std::string(fits + 1, 'x'), false));
  EXPECT_EQ(entriesBelow(tree_.sdkDir()), 1u);
  EXPECT_TRUE(create(std::string(fits, 'x'), false));
  EXPECT_TRUE(fileExists(project(std::string(fits, 'x') + "/H/deep/inner.h")));
  // Windows counts characters, not the bytes of their UTF-8.
  const std::string character = platform::utf8ToAnsi("\xC3\xA9") ? "\xC3\xA9" : "\xE8\xA1\xA8";  // é or 表
  std::string wide;
  for (size_t i = 0; i < fits; ++i) wide += character;
  EXPECT_TRUE(create(wide, false));
}

TEST_F(CreateProject, EmptySdkPathCreatesNothing) {
  const std::string name = "pvtest-" + fs::path(tree_.path("")).parent_path().filename().string();
  for (const char* settings : {"[PV2SDK Paths]\nSDKPath=\n", "[PV2SDK Paths]\n", "[Other]\nSDKPath=x\n"}) {
    tree_.writeSettingsText(settings);
    EXPECT_FALSE(create(name, false)) << settings;
  }
  fs::remove(tree_.settingsFile());
  EXPECT_FALSE(create(name, false));
  const std::string rootProject = programPath(Spelling::product, "/") + "C" + programPath(Spelling::product, "/") + name;
  EXPECT_FALSE(platform::isDirectory(rootProject));
  EXPECT_EQ(entriesBelow(tree_.sdkDir()), 1u);
}

TEST_F(CreateProject, NoProjectFileMeansFalse) {
  struct Case {
    const char* name;
    void (*breakIt)(CreateProject&);
  } const cases[] = {
      {"template project file missing", [](CreateProject& t) { fs::remove(t.tree_.templatesDir() + "/projapp.cbx"); }},
      {"project file cannot be created",
       [](CreateProject& t) { fs::create_directories(t.project("demo/demo.cbx")); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.breakIt(*this);
    EXPECT_FALSE(create("demo", false));
    // The rest of the work is done all the same.
    EXPECT_EQ(readFile(project("demo/C/main.c")), "int main;\r\n");
    EXPECT_TRUE(fileExists(project("demo/demo.cbx.local")));
    fs::remove_all(project("demo"));
  }
}

TEST_F(CreateProject, FailedCopyMeansFalse) {
  fs::remove_all(tree_.templatesDir() + "/projlib");
  EXPECT_FALSE(create("mylib", true));
  EXPECT_EQ(readFile(project("mylib/mylib.cbx")), "library mylib\r\n");
}

}  // namespace
