// plover files, add and remove end to end, with kestrel building what they
// list: natively, and plover.exe with kestrel.exe under Wine.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "testing/idetree.h"
#include "testing/processrun.h"

namespace {

namespace fs = std::filesystem;
using plovertest::IdeTree;
using testsupport::ProgramRun;
using testsupport::programPath;
using testsupport::Spelling;
using testsupport::readFile;
using testsupport::writeFile;

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The one line that after holds beyond before; empty when they differ
// otherwise.
std::string addedLine(const std::string& before, const std::string& after) {
  std::vector<std::string> old = linesOf(before);
  std::vector<std::string> now = linesOf(after);
  if (now.size() != old.size() + 1) return "";
  size_t i = 0;
  while (i < old.size() && old[i] == now[i]) ++i;
  const std::string line = now[i];
  now.erase(now.begin() + static_cast<std::ptrdiff_t>(i));
  return now == old ? line : "";
}

// The cycle of a user without the IDE, natively or under Wine: new, add,
// build, the same path again, remove.
class ProjectFileCycle : public ::testing::Test {
 protected:
  virtual ProgramRun plover(const std::vector<std::string>& arguments, const std::string& directory) = 0;
  virtual int kestrel(const std::string& directory) = 0;

  void cycle() {
    ASSERT_EQ(plover({"new", "game"}, tree_.path("")).exitCode, 0);
    const std::string project = tree_.sdkDir() + "/C/game";
    const std::string file = project + "/game.cbx";
    const std::string original = readFile(file);
    writeFile(project + "/C/sprites.c", "int sprite;\n");

    ProgramRun run = plover({"add", "C/sprites.c"}, project);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(addedLine(original, readFile(file)), "      <file path=\"C/sprites.c\"/>\r");
    EXPECT_EQ(plover({"files"}, project).out, "C/main.c\nC/sprites.c\nH/main.h\nMENUICON/icon.bmp\nMENUICON/licon.bmp\n");
    ASSERT_EQ(kestrel(project), 0);
    EXPECT_NE(readFile(project + "/PV2BUILD/makefile").find("\\sprites.obj"), std::string::npos);

    const std::string added = readFile(file);
    run = plover({"add", "c\\SPRITES.C"}, project);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "Error: 'C/sprites.c' is in the project already\n");
    EXPECT_EQ(readFile(file), added);

    EXPECT_EQ(plover({"remove", "C/sprites.c"}, project).exitCode, 0);
    EXPECT_EQ(readFile(file), original);
    run = plover({"remove", "C/sprites.c"}, project);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("is not in the project"), std::string::npos) << run.err;
    EXPECT_EQ(readFile(file), original);
  }

  IdeTree tree_;
};

class ProjectFileCommands : public ProjectFileCycle {
 protected:
  void SetUp() override {
    tree_.installShippedTemplates();
    fs::copy_file(PLOVER_PROGRAM, fs::path(tree_.nativeModuleDirectory()) / "plover");
    tree_.writeSettings(programPath(Spelling::product, tree_.sdkDir()));
    tree_.installBuildTool(PLOVER_KESTREL, PLOVER_STANDIN_KMMAKE);
  }
  ProgramRun plover(const std::vector<std::string>& arguments, const std::string& directory) override {
    return plover(arguments, directory, false);
  }
  ProgramRun plover(const std::vector<std::string>& arguments, const std::string& directory, bool unprivileged) {
    std::vector<std::string> argv = {tree_.nativeModuleDirectory() + "/plover"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return testsupport::runProgram(argv, directory, {}, unprivileged);
  }
  int kestrel(const std::string& directory) override { return tree_.runBuildTool(directory, "-d game"); }
};

TEST_F(ProjectFileCommands, NewAddBuildRemove) { cycle(); }

TEST_F(ProjectFileCommands, DamagedFileAndUnwritableDirectoryLeaveTheFileWhole) {
  const std::string project = tree_.path("p");
  const std::string damaged = "<project><file path=\"a.c\"/>\n";
  writeFile(project + "/p.cbx", damaged);
  ProgramRun run = plover({"add", "b.c"}, project);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "Error: Wrong format in .cbx file\n");
  EXPECT_EQ(readFile(project + "/p.cbx"), damaged);

  // The file itself may be written, its directory not: the new file
  // cannot be made beside it.
  const std::string whole = "<project>\n  <file path=\"a.c\"/>\n</project>\n";
  writeFile(project + "/p.cbx", whole);
  fs::permissions(project + "/p.cbx", fs::perms::all);
  fs::permissions(project, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                               fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
  run = plover({"add", "b.c"}, project, geteuid() == 0);
  fs::permissions(project, fs::perms::all);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "Error: Unable to write '" + project + "/p.cbx'; it is left as it was\n");
  EXPECT_EQ(readFile(project + "/p.cbx"), whole);
  EXPECT_EQ(std::distance(fs::directory_iterator(project), fs::directory_iterator()), 1);
}

TEST_F(ProjectFileCommands, SeveralProjectFilesAskForOneByName) {
  const std::string project = tree_.path("p");
  writeFile(project + "/a.cbx", "<project><file path=\"a.c\"/></project>");
  writeFile(project + "/b.cbx", "<project><file path=\"b.c\"/></project>");
  const ProgramRun run = plover({"files"}, project);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err.find("Error: Several project files in '" + project + "' ("), 0u) << run.err;
  EXPECT_EQ(plover({"files", "-p", "p"}, tree_.path("")).exitCode, 1);
  EXPECT_EQ(plover({"files", "-p", "p/B.CBX"}, tree_.path("")).out, "b.c\n");
}

class ProjectFileCommandsUnderWine : public ProjectFileCycle {
 protected:
  void SetUp() override {
    const std::string missing = testsupport::windowsProgramMissing(PLOVER_WIN32_PROGRAM);
    if (!missing.empty()) GTEST_SKIP() << missing;
    tree_.installShippedTemplates();
    fs::copy_file(PLOVER_WIN32_PROGRAM, fs::path(tree_.nativeModuleDirectory()) / "plover.exe");
    tree_.writeSettings(programPath(Spelling::wine, tree_.sdkDir()));
    tree_.installBuildTool(PLOVER_WIN32_KESTREL, std::string(PLOVER_WIN32_STANDINS) + "/kmmake.exe");
  }
  ProgramRun underWine(const std::vector<std::string>& argv, const std::string& directory) {
    std::vector<std::string> command = {WINE_RUN};
    command.insert(command.end(), argv.begin(), argv.end());
    ProgramRun run = testsupport::runProgram(command, directory);
    run.out = testsupport::withoutCr(run.out);
    run.err = testsupport::withoutCr(run.err);
    return run;
  }
  ProgramRun plover(const std::vector<std::string>& arguments, const std::string& directory) override {
    std::vector<std::string> argv = {tree_.nativeModuleDirectory() + "/plover.exe"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return underWine(argv, directory);
  }
  int kestrel(const std::string& directory) override {
    return underWine({tree_.path("ide/toolsets/PVSDK/kestrel.exe"), "-d", "game"}, directory).exitCode;
  }
};

TEST_F(ProjectFileCommandsUnderWine, NewAddBuildRemove) { cycle(); }

}  // namespace
