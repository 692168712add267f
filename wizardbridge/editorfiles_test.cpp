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
  const auto files = plover::vscodeFiles("C:\\CBX\\k.exe", "/ide/bin/plover", "my \"demo\"");
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[0].path, ".vscode\\tasks.json");
  EXPECT_NE(files[0].text.find("\"command\": \"C:\\\\CBX\\\\k.exe\",\n      \"args\": [\"-d\", \"my \\\"demo\\\"\"]"),
            std::string::npos) << files[0].text;
  EXPECT_EQ(files[1].path, ".vscode\\settings.json");
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
