// The editor's files: their JSON text, and writing that never replaces a
// file the user has.
#include "wizardbridge/editorfiles.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/pathspelling.h"
#include "testing/testsupport.h"

namespace {

namespace fs = std::filesystem;
using testsupport::readFile;

TEST(VscodeFiles, TasksRunKestrelAndPloverWithTheTitleQuotedForJson) {
  const std::vector<plover::EditorFile> files = plover::vscodeFiles("C:\\CBX\\k.exe", "/ide/bin/plover", "my \"demo\"");
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[0].path, ".vscode\\tasks.json");
  const std::string& tasks = files[0].text;
  const auto task = [&](const std::string& label) {
    const size_t at = tasks.find("\"label\": \"" + label + "\"");
    return at == std::string::npos ? std::string() : tasks.substr(at, tasks.find('\n', tasks.find("\"args\"", at)) - at);
  };
  EXPECT_NE(task("Build (debug)").find("\"command\": \"C:\\\\CBX\\\\k.exe\",\n      \"args\": [\"-d\", \"my \\\"demo\\\"\"]"),
            std::string::npos) << tasks;
  EXPECT_NE(task("Build (release)").find("\"command\": \"C:\\\\CBX\\\\k.exe\",\n      \"args\": [\"my \\\"demo\\\"\"]"),
            std::string::npos) << tasks;
  EXPECT_NE(task("Run in the simulator").find("\"command\": \"/ide/bin/plover\",\n      \"args\": [\"run\", \"${workspaceFolder}\"]"),
            std::string::npos) << tasks;
  EXPECT_EQ(files[1].path, ".vscode\\settings.json");
  EXPECT_NE(files[1].text.find("\"C_Cpp.default.compileCommands\": \"${workspaceFolder}/compile_commands.json\""),
            std::string::npos);
}

TEST(EditorFiles, WrittenWhereMissingAndKeptWhereTheyExist) {
  testsupport::TempDir dir;
  const std::string project = testsupport::programPath(testsupport::Spelling::product, dir.path());
  std::string err;
  auto outcome = plover::writeEditorFiles(project, {{"d\\a.json", "1\n"}, {"d\\b.json", "2\n"}}, &err);
  ASSERT_TRUE(outcome) << err;
  EXPECT_EQ(outcome->written, (std::vector<std::string>{"d\\a.json", "d\\b.json"}));
  EXPECT_EQ(readFile(dir / "d/a.json"), "1\r\n");
  testsupport::writeFile(dir / "d/a.json", "mine");
  fs::remove(dir / "d/b.json");
  fs::create_directory(dir / "d/c.json");
  outcome = plover::writeEditorFiles(project, {{"d\\a.json", "1\n"}, {"d\\b.json", "2\n"}, {"d\\c.json", "3\n"}}, &err);
  ASSERT_TRUE(outcome) << err;
  EXPECT_EQ(outcome->written, (std::vector<std::string>{"d\\b.json"}));
  EXPECT_EQ(outcome->kept, (std::vector<std::string>{"d\\a.json", "d\\c.json"}));
  EXPECT_EQ(readFile(dir / "d/a.json"), "mine");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir / "d"), fs::directory_iterator()), 3);  // nothing left beside
  testsupport::writeFile(dir / "e", "a file where a directory belongs");
  EXPECT_FALSE(plover::writeEditorFiles(project, {{"e\\x.json", "1\n"}}, &err));
  EXPECT_EQ(err, "Error: Unable to write '" + platform::windowsToHostPath(project + "\\e\\x.json") + "'");
}

}  // namespace
