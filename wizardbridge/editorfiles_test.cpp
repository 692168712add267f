// The editor's files: their JSON text, and writing that never replaces a
// file the user has.
#include "wizardbridge/editorfiles.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/pathspelling.h"
#include "testing/testsupport.h"

namespace {

namespace fs = std::filesystem;

// Which task runs what is read back end to end; here, the quoting.
TEST(VscodeFiles, ProgramsAndTitleQuotedForJson) {
  const auto files = plover::vscodeFiles("C:\\CBX\\k.exe", "/ide/bin/plover", {{"-d", "my \"demo\""}, {"x"}, true});
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[0].path, ".vscode\\tasks.json");
  EXPECT_NE(files[0].text.find("\"command\": \"C:\\\\CBX\\\\k.exe\",\n      \"args\": [\"-d\", \"my \\\"demo\\\"\"]"),
            std::string::npos) << files[0].text;
  EXPECT_EQ(files[1].path, ".vscode\\settings.json");
}

// The builds come from the project file as the wizard stored them.
TEST(VscodeFiles, BuildsFollowTheProjectFile) {
  const auto project = [](const std::string& debug, const std::string& release) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<project>\n"
           "  <property category=\"build.config.0\" name=\"key\" value=\"Debug_Build\"/>\n"
           "  <property category=\"build.config.0\" name=\"arguments\" value=\"" + debug + "\"/>\n"
           "  <property category=\"build.config.1\" name=\"key\" value=\"Release_Build\"/>\n"
           "  <property category=\"build.config.1\" name=\"arguments\" value=\"" + release + "\"/>\n</project>\n";
  };
  using Words = std::vector<std::string>;
  struct Case {
    const char* name;
    std::string bytes;
    Words debug;
    Words release;
    bool run;
  };
  const Case cases[] = {
      {"application", project("-d demo", "demo"), {"-d", "demo"}, {"demo"}, true},
      {"library, its title with blanks", project("-d -l my lib", "-l my  lib "), {"-d", "-l", "my lib"},
       {"-l", "my  lib"}, false},
      {"PV3", project("-d -p3 &amp;x", "-p3 &amp;x"), {"-d", "-p3", "&x"}, {"-p3", "&x"}, false},
      {"options only, and turned off again", project("-d -l -l-", "-p3 -p2"), {"-d", "-l", "-l-", "t"},
       {"-p3", "-p2", "t"}, true},
      {"no arguments stored", "<project/>", {"-d", "t"}, {"t"}, true},
  };
  for (const Case& c : cases) {
    const plover::ProjectBuilds builds = plover::projectBuilds(c.bytes, "t");
    EXPECT_EQ(builds.debug, c.debug) << c.name;
    EXPECT_EQ(builds.release, c.release) << c.name;
    EXPECT_EQ(builds.runsInTheSimulator, c.run) << c.name;
    const std::string tasks = plover::vscodeFiles("k", "p", builds)[0].text;
    EXPECT_EQ(tasks.find("Run in the simulator") != std::string::npos, c.run) << c.name;
    EXPECT_EQ(tasks.substr(tasks.size() - 12), "    }\n  ]\n}\n") << c.name << tasks;
  }
}

// Written and kept files are seen end to end; here, what is in the way.
TEST(EditorFiles, ADirectoryIsKeptAndAFileInTheWayOfOneFails) {
  testsupport::TempDir dir;
  const std::string project = testsupport::programPath(testsupport::Spelling::product, dir.path());
  fs::create_directories(dir / "d/a.json");
  testsupport::writeFile(dir / "e", "a file where a directory belongs");
  std::string err;
  plover::EditorFilesWritten outcome;
  ASSERT_TRUE(plover::writeEditorFiles(project, {{"d\\a.json", "1\n"}, {"d\\b.json", "2\n"}}, &outcome, &err)) << err;
  EXPECT_EQ(outcome.kept, (std::vector<std::string>{"d\\a.json"}));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir / "d"), fs::directory_iterator()), 2);  // nothing left beside
  EXPECT_FALSE(plover::writeEditorFiles(project, {{"e\\x.json", "1\n"}}, &outcome, &err));
  EXPECT_EQ(err, "Error: Unable to write '" + platform::windowsToHostPath(project + "\\e\\x.json") + "'");
}

}  // namespace
