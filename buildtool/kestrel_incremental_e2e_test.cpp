// A second build writes the generated files all or none: all of them when
// anything the make tool cannot see changed (options, settings, headers),
// so that every object is rebuilt; none when nothing did. A file whose
// bytes differ from the disk is written either way.
#include "testing/kestrel_e2e.h"

#include <chrono>
#include <functional>

namespace {

using namespace e2e;

using Stamps = std::map<std::string, fs::file_time_type>;

// Sets the time stamps of the build directory's files an hour back, so that
// a rewrite shows, and returns them.
Stamps ageFiles(const std::string& directory) {
  Stamps stamps;
  for (const auto& entry : fs::directory_iterator(directory)) {
    if (!entry.is_regular_file()) continue;
    const fs::file_time_type aged = fs::last_write_time(entry.path()) - std::chrono::hours(1);
    fs::last_write_time(entry.path(), aged);
    stamps[entry.path().filename().string()] = aged;
  }
  return stamps;
}

// The names of the makefiles whose time stamps moved (kestrel's record
// left out).
std::vector<std::string> rewritten(const std::string& directory, const Stamps& before) {
  std::vector<std::string> names;
  for (const auto& [name, stamp] : before) {
    if (name.rfind("kestrel_deps_", 0) == 0) continue;
    if (!fs::exists(directory + "/" + name) || fs::last_write_time(directory + "/" + name) != stamp) {
      names.push_back(name);
    }
  }
  return names;
}

const std::vector<std::string> kPv2Makefiles{"MakeSDK.1", "MakeSDK.2", "makefile"};
const std::vector<std::string> kPv3Makefiles{"makefile.mak", "sources.def"};
const std::vector<std::string> kNone;

// Sources that include headers in all the ways the compiler finds them.
void writeSources(const std::string& project) {
  fs::create_directories(project + "/c");
  fs::create_directories(project + "/H");
  fs::create_directories(project + "/../shared");
  writeFile(project + "/c/main.c", "#include \"app.h\"\n#include \"..\\..\\shared\\util.h\"\nint main() {}\n");
  writeFile(project + "/H/app.h", "# include <extra.h> /* from H */\n");
  writeFile(project + "/H/extra.h", "#define EXTRA 1\n");
  writeFile(project + "/../shared/util.h", "#define UTIL 1\n");
}

// An edit that a header's size shows.
void edit(const std::string& path) { writeFile(path, readFile(path) + "/* edited */\n"); }

struct Change {
  const char* what;
  std::vector<std::string> arguments;        // of the second run
  std::function<void()> apply;               // before the second run, if any
};

TEST_F(KestrelPv2, WhatMakeCannotSeeRewritesEveryMakefile) {
  writeSources(projectDir_);
  const std::string build = projectDir_ + "/PV2BUILD";
  const Change changes[] = {
      {"-zs then -zp", {"-zp", "demo"}, nullptr},
      {"-D added", {"-DNEW", "-zs", "demo"}, nullptr},
      {"new CompilerPath", {"-zs", "demo"},
       [&] { writeSettings("[PV2SDK Paths]\nSDKPath=" + sdk_ + "\nCompilerPath=" + compiler_ + "2\n"); }},
      {"listed header", {"-zs", "demo"}, [&] { edit(projectDir_ + "/H/app.h"); }},
      {"header outside the project", {"-zs", "demo"}, [&] { edit(projectDir_ + "/../shared/util.h"); }},
      {"kestrel's record damaged", {"-zs", "demo"}, [&] { writeFile(build + "/kestrel_deps_rel.txt", "x"); }},
  };
  for (const Change& change : changes) {
    SCOPED_TRACE(change.what);
    fs::remove_all(build);
    writeSettings("[PV2SDK Paths]\nSDKPath=" + sdk_ + "\nCompilerPath=" + compiler_ + "\n");
    ASSERT_EQ(run({"-zs", "demo"}, environment_).exitCode, 0);
    const Stamps before = ageFiles(build);
    if (change.apply) change.apply();
    EXPECT_EQ(run(change.arguments, environment_).exitCode, 0);
    EXPECT_EQ(rewritten(build, before), kPv2Makefiles);
  }
  // Asked to explain, the run says why, a line for each decision.
  std::map<std::string, std::string> explaining = environment_;
  explaining["KESTREL_EXPLAIN"] = "1";
  edit(projectDir_ + "/H/app.h");
  const testsupport::ProgramRun explained = run({"-zs", "demo"}, explaining);
  EXPECT_NE(explained.err.find("kestrel explain: every makefile is written: the header H\\app.h changed\n"),
            std::string::npos)
      << explained.err;
}

TEST_F(KestrelPv2, UnchangedInputsLeaveEveryMakefileAlone) {
  writeSources(projectDir_);
  const std::string build = projectDir_ + "/PV2BUILD";
  ASSERT_EQ(run({"-d", "demo"}, environment_).exitCode, 0);
  const std::string bytes = readFile(build + "/makefile");
  Stamps before = ageFiles(build);
  ASSERT_EQ(before.size(), 4u);  // the makefiles and kestrel's record
  fs::remove(log_);
  auto result = run({"-d", "demo"}, environment_);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(rewritten(build, before), kNone);
  EXPECT_EQ(readFile(build + "/makefile"), bytes);
  EXPECT_EQ(starts().size(), 1u);  // the make tool still runs

  // A C source edited alone is for the make tool to see.
  writeFile(projectDir_ + "/c/main.c", readFile(projectDir_ + "/c/main.c") + "int more;\n");
  EXPECT_EQ(run({"-d", "demo"}, environment_).exitCode, 0);
  EXPECT_EQ(rewritten(build, before), kNone);

  // Each configuration keeps its own record: switching between them
  // rewrites nothing once both were built.
  ASSERT_EQ(run({"demo"}, environment_).exitCode, 0);
  before = ageFiles(build);
  for (const char* configuration : {"-d", "-r", "-d"}) {
    SCOPED_TRACE(configuration);
    EXPECT_EQ(run({configuration, "demo"}, environment_).exitCode, 0);
    EXPECT_EQ(rewritten(build, before), kNone);
  }
}

TEST_F(KestrelPv2, RunWithoutMakefilesLeavesNoRecordToTrust) {
  writeSources(projectDir_);
  const std::string build = projectDir_ + "/PV2BUILD";
  ASSERT_EQ(run({"-zs", "demo"}, environment_).exitCode, 0);
  const Stamps before = ageFiles(build);
  EXPECT_EQ(run({"-m-", "-zp", "demo"}, environment_).exitCode, 0);
  EXPECT_EQ(rewritten(build, before), kNone);
  EXPECT_FALSE(fs::exists(build + "/kestrel_deps_rel.txt"));
  EXPECT_EQ(run({"-zs", "demo"}, environment_).exitCode, 0);
  EXPECT_EQ(rewritten(build, before), kPv2Makefiles);
}

TEST_F(KestrelPv2, ChangedTextIsAlwaysWritten) {
  const std::string build = projectDir_ + "/PV2BUILD";
  const std::string project = readFile(projectDir_ + "/demo.cbx");
  ASSERT_EQ(run({"demo"}, environment_).exitCode, 0);
  const std::string whole = readFile(build + "/makefile");

  // A new source in the project file.
  Stamps before = ageFiles(build);
  std::string withSource = project;
  writeFile(projectDir_ + "/demo.cbx", withSource.insert(withSource.rfind("</project>"), "<file path=\"c/new.c\"/>\n"));
  EXPECT_EQ(run({"demo"}, environment_).exitCode, 0);
  EXPECT_EQ(rewritten(build, before), std::vector<std::string>{"makefile"});
  EXPECT_NE(readFile(build + "/makefile").find("new.obj"), std::string::npos);

  // A damaged makefile.
  writeFile(projectDir_ + "/demo.cbx", project);
  ASSERT_EQ(run({"demo"}, environment_).exitCode, 0);
  writeFile(build + "/makefile", whole.substr(0, whole.size() / 2));
  before = ageFiles(build);
  EXPECT_EQ(run({"demo"}, environment_).exitCode, 0);
  EXPECT_EQ(rewritten(build, before), std::vector<std::string>{"makefile"});
  EXPECT_EQ(readFile(build + "/makefile"), whole);
}

TEST_F(KestrelPv3, EveryHeaderASourceReachesCounts) {
  if (target().underWine) GTEST_SKIP() << "the header search is the same code on both targets";
  writeSources(projectDir_);
  fs::rename(projectDir_ + "/c", projectDir_ + "/C");
  writeFile(projectDir_ + "/H/demo.h", "#define DEMO\n");
  const std::string build = projectDir_ + "/PV3BUILD";
  const Change changes[] = {
      {"nothing changed", {"-p3", "demo"}, nullptr},
      {"C source edited alone", {"-p3", "demo"}, [&] { edit(projectDir_ + "/C/main.c"); }},
      {"listed header", {"-p3", "demo"}, [&] { edit(projectDir_ + "/H/demo.h"); }},
      {"unlisted header in the project", {"-p3", "demo"}, [&] { edit(projectDir_ + "/H/extra.h"); }},
      {"header outside the project", {"-p3", "demo"}, [&] { edit(projectDir_ + "/../shared/util.h"); }},
      {"new CompilerPath", {"-p3", "demo"}, [&] {
         fs::create_directories(compilerOnDisk_ + "2/bin");
         fs::copy_file(compilerOnDisk_ + "/bin/hmake", compilerOnDisk_ + "2/bin/hmake");
         writeSettings("[PV3SDK Paths]\nSDKPath=" + sdk_ + "\nCompilerPath=" + compiler_ + "2\n");
       }},
      {"-D added", {"-p3", "-DNEW", "demo"}, nullptr},
  };
  for (const Change& change : changes) {
    SCOPED_TRACE(change.what);
    fs::remove_all(build);
    writeSettings("[PV3SDK Paths]\nSDKPath=" + sdk_ + "\nCompilerPath=" + compiler_ + "\n");
    ASSERT_EQ(run({"-p3", "demo"}, environment_).exitCode, 0);
    const Stamps before = ageFiles(build);
    if (change.apply) change.apply();
    fs::remove(log_);
    EXPECT_EQ(run(change.arguments, environment_).exitCode, 0);
    const bool unchanged = change.apply == nullptr && change.arguments.size() == 2;
    const bool sourceOnly = std::string(change.what) == "C source edited alone";
    EXPECT_EQ(rewritten(build, before), unchanged || sourceOnly ? kNone : kPv3Makefiles);
    EXPECT_NE(logged("arg"), "(not logged)");  // hmake runs either way
  }
}

// What neither the make tool nor the makefiles' text shows: PV3's library
// list, on which the link depends through no file; an include after the end
// of a comment; a source put back as an older copy.
TEST_F(KestrelPv3, LibrariesHiddenIncludesAndOlderCopiesRewriteTheMakefiles) {
  writeSources(projectDir_);
  fs::rename(projectDir_ + "/c", projectDir_ + "/C");
  writeFile(projectDir_ + "/C/main.c", "/* a comment\n   over two lines */ #include \"hidden.h\"\nint main() {}\n");
  writeFile(projectDir_ + "/H/hidden.h", "#define HIDDEN\n");
  const std::string build = projectDir_ + "/PV3BUILD";
  const std::string project = readFile(projectDir_ + "/demo.cbx");
  std::string withLibrary = project;
  withLibrary.insert(withLibrary.rfind("</project>"), "<file path=\"lib/extra.lib\"/>\n");
  const std::string source = projectDir_ + "/C/main.c";
  const std::string original = readFile(source);
  const fs::file_time_type originalTime = fs::last_write_time(source) - std::chrono::hours(2);
  fs::last_write_time(source, originalTime);
  ASSERT_EQ(run({"-p3", "demo"}, environment_).exitCode, 0);
  const Change changes[] = {
      {"library added", {"-p3", "demo"}, [&] { writeFile(projectDir_ + "/demo.cbx", withLibrary); }},
      {"library removed", {"-p3", "demo"}, [&] { writeFile(projectDir_ + "/demo.cbx", project); }},
      {"header after a comment", {"-p3", "demo"}, [&] { edit(projectDir_ + "/H/hidden.h"); }},
      {"source edited", {"-p3", "demo"}, [&] { edit(source); }},
      {"older copy put back", {"-p3", "demo"}, [&] {
         writeFile(source, original);
         fs::last_write_time(source, originalTime);
       }},
      {"nothing changed", {"-p3", "demo"}, nullptr},
  };
  for (const Change& change : changes) {
    SCOPED_TRACE(change.what);
    const Stamps before = ageFiles(build);
    if (change.apply) change.apply();
    const auto result = run(change.arguments, environment_);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    const bool moves = change.apply != nullptr && std::string(change.what) != "source edited";
    EXPECT_EQ(rewritten(build, before), moves ? kPv3Makefiles : kNone);
  }
  EXPECT_EQ(readFile(build + "/makefile.mak").find("extra.lib"), std::string::npos);
}

// An include the scan cannot follow (a macro that expands to another):
// every run rewrites, and says why once.
TEST_F(KestrelPv2, IncludeFromAMacroRewritesOnEveryRun) {
  writeSources(projectDir_);
  writeFile(projectDir_ + "/c/main.c",
            "#define HEADER APP_H\n#define APP_H \"app.h\"\n#include HEADER\n#include HEADER\n");
  const std::string build = projectDir_ + "/PV2BUILD";
  ASSERT_EQ(run({"demo"}, environment_).exitCode, 0);
  for (int i = 0; i < 2; ++i) {
    const Stamps before = ageFiles(build);
    const auto result = run({"demo"}, environment_);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err,
              "Note: c\\main.c: #include HEADER names no header that kestrel can follow, so every makefile is "
              "written again\n");
    EXPECT_EQ(rewritten(build, before), kPv2Makefiles);
  }
}

// A header that a directive split over two lines names is the compiler's.
TEST_F(KestrelPv2, HeaderOfASplitDirectiveCounts) {
  writeSources(projectDir_);
  writeFile(projectDir_ + "/H/a.h", "#define A 1\n");
  writeFile(projectDir_ + "/c/main.c", "#inc\\\r\nlude \"a.h\"\r\nint main() {}\r\n");
  const std::string build = projectDir_ + "/PV2BUILD";
  ASSERT_EQ(run({"demo"}, environment_).exitCode, 0);
  const Stamps before = ageFiles(build);
  edit(projectDir_ + "/H/a.h");
  EXPECT_EQ(run({"demo"}, environment_).exitCode, 0);
  EXPECT_EQ(rewritten(build, before), kPv2Makefiles);
}

// Lua's lua.h: an #include LUA_USER_H that nothing defines leaves the next
// run alone, without a note.
TEST_F(KestrelPv2, IncludeOfAMacroNothingDefinesLeavesTheMakefilesAlone) {
  writeSources(projectDir_);
  writeFile(projectDir_ + "/H/app.h", "#if defined(LUA_USER_H)\n#include LUA_USER_H\n#endif\n");
  const std::string build = projectDir_ + "/PV2BUILD";
  ASSERT_EQ(run({"demo"}, environment_).exitCode, 0);
  const Stamps before = ageFiles(build);
  const auto result = run({"demo"}, environment_);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(rewritten(build, before), kNone);
}

// A source that another one includes, listed too, is one file of the
// record: the next run rewrites nothing.
TEST_F(KestrelPv2, ASourceListedAndIncludedBuildsIncrementally) {
  writeSources(projectDir_);
  writeFile(projectDir_ + "/c/main.c", "#include \"tables.c\"\nint main() {}\n");
  writeFile(projectDir_ + "/c/tables.c", "#include \"app.h\"\nint table[2];\n");
  std::string project = readFile(projectDir_ + "/demo.cbx");
  writeFile(projectDir_ + "/demo.cbx", project.insert(project.rfind("</project>"), "<file path=\"c/tables.c\"/>\n"));
  const std::string build = projectDir_ + "/PV2BUILD";
  ASSERT_EQ(run({"demo"}, environment_).exitCode, 0);
  const Stamps before = ageFiles(build);
  const auto result = run({"demo"}, environment_);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(rewritten(build, before), kNone);
}

// The compiler's options file is no prerequisite of any rule: an SDK update
// that edits it rewrites the makefiles, so that every object is compiled again.
TEST_F(KestrelPv3, EditedSubcommandFileRewritesTheMakefiles) {
  const std::string tools = (target().underWine ? driveCDir_ + "/PVSDK3" : sdk_) + "/tools";
  fs::create_directories(tools);
  writeFile(tools + "/Makefile.sub", "-optimize=1\n");
  const std::string build = projectDir_ + "/PV3BUILD";
  ASSERT_EQ(run({"-p3", "demo"}, environment_).exitCode, 0);
  const Stamps before = ageFiles(build);
  writeFile(tools + "/Makefile.sub", "-optimize=0 -debug\n");
  const auto result = run({"-p3", "demo"}, environment_);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(rewritten(build, before), kPv3Makefiles);
}

TEST_F(KestrelPv2, BackupOfTheProjectFileIsNotBuiltFrom) {
  fs::rename(projectDir_ + "/demo.cbx", projectDir_ + "/demo.cbxbak");
  const auto result = run({"demo"}, environment_);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_FALSE(fs::exists(projectDir_ + "/PV2BUILD/makefile"));
  EXPECT_FALSE(fs::exists(log_));
}

}  // namespace
