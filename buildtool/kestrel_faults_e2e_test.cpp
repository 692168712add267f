// Faults a user's machine may hold: kestrel gives the documented message or
// a clear error, and never crashes or reports a failure as success.
#include <unistd.h>

#include "testing/kestrel_e2e.h"

namespace {

using namespace e2e;

bool underWine() { return target().underWine; }

// Permissions only bind a program that cannot ignore them.
#define REQUIRE_PERMISSIONS()                                                 \
  if (underWine()) GTEST_SKIP() << "permission faults are tested natively"; \
  runUnprivileged()

TEST_F(KestrelPv2, UnwritableProjectDirectory) {
  REQUIRE_PERMISSIONS();
  fs::permissions(projectDir_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                   fs::perms::others_read | fs::perms::others_exec);
  const auto result = run({"demo"}, environment_);
  EXPECT_EQ(result.err, "Unable to write PV2BUILD\\MakeSDK.1\n");
  EXPECT_EQ(result.exitCode, 0);  // the make tool still ran, and succeeded
  EXPECT_EQ(starts().size(), 1u);
}

TEST_F(KestrelPv2, UnwritableBuildDirectory) {
  if (underWine()) {
    writeFile(projectDir_ + "/PV2BUILD", "a file where the build directory belongs");
  } else {
    runUnprivileged();
    fs::create_directories(projectDir_ + "/PV2BUILD");
  }
  const auto result = run({"demo"}, environment_);
  EXPECT_EQ(result.err, "Unable to write PV2BUILD\\MakeSDK.1\n");
  EXPECT_EQ(result.exitCode, 0);
}

TEST_F(KestrelPv2, ReadOnlyMakefile) {
  REQUIRE_PERMISSIONS();
  fs::create_directories(projectDir_ + "/PV2BUILD");
  fs::permissions(projectDir_ + "/PV2BUILD", fs::perms::all);
  writeFile(projectDir_ + "/PV2BUILD/makefile", "old");
  fs::permissions(projectDir_ + "/PV2BUILD/makefile", fs::perms::owner_read | fs::perms::others_read);
  const auto result = run({"demo"}, environment_);
  EXPECT_EQ(result.err, "Unable to write PV2BUILD\\makefile\n");
  EXPECT_TRUE(fs::is_regular_file(projectDir_ + "/PV2BUILD/MakeSDK.2"));
  EXPECT_EQ(readFile(projectDir_ + "/PV2BUILD/makefile"), "old");
}

TEST_F(KestrelPv2, IncludeOfAPathLongerThanTheSystemTakes) {
  std::string parts;
  for (int i = 0; i < 5000; ++i) parts += "a/";
  fs::create_directories(projectDir_ + "/c");
  writeFile(projectDir_ + "/c/main.c", "#include \"" + parts + "x.h\"\n");
  const auto result = run({"demo"}, environment_);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, "Error: An #include in c\\main.c names a path of 10003 bytes, longer than this system takes\n");
  EXPECT_TRUE(starts().empty());
}

TEST_F(Kestrel, SettingsFileFaults) {
  const std::string file = toolDir_ + "/Settings.ini";
  const std::string shown = programPath(target().spelling, file);
  const std::string unreadable =
      "Error: Unable to read settings file '" + shown + "', which must hold key 'SDKPath' in section [PV2SDK Paths]\n";
  writeFile(projectDir_ + "/demo.cbx", "<project/>");

  writeSettings("");
  auto result = run({"demo"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, "Error: No section [PV2SDK Paths] with key 'SDKPath' in settings file '" + shown + "'\n");

  fs::remove(file);
  fs::create_directories(file);
  result = run({"demo"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, unreadable);
  fs::remove(file);

  if (!underWine()) {
    runUnprivileged();
    writeSettings("[PV2SDK Paths]\nSDKPath=x\nCompilerPath=y\n");
    fs::permissions(file, fs::perms::none);
    result = run({"demo"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, unreadable);
  }
}

TEST_F(KestrelPv2, UnreadableProjectFile) {
  REQUIRE_PERMISSIONS();
  fs::permissions(projectDir_ + "/demo.cbx", fs::perms::none);
  const auto result = run({"demo"}, environment_);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, "Error: Wrong format in .cbx file\n");
  EXPECT_TRUE(starts().empty());
}

TEST_F(KestrelPv2, LargeProjectFiles) {
  // 50 MB of comment around a few files, then 100,000 entries.
  std::string padded = "<?xml version=\"1.0\"?>\n<project>\n<!--" + std::string(50 << 20, 'x') +
                       "-->\n<file path=\"C/main.c\"/>\n</project>\n";
  writeFile(projectDir_ + "/demo.cbx", padded);
  padded.clear();
  auto result = run({"demo"}, environment_);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_NE(readFile(projectDir_ + "/PV2BUILD/makefile").find("APLOBJS = $(ODIR)\\main.obj \\\r\n\t\r\n"),
            std::string::npos);

  std::string many = "<project>\n";
  for (int i = 0; i < 100000; ++i) many += "<file path=\"C/f" + std::to_string(i) + ".c\"/>\n";
  writeFile(projectDir_ + "/demo.cbx", many + "</project>\n");
  result = run({"demo"}, environment_);
  EXPECT_EQ(result.exitCode, 0);
  const std::string makefile = readFile(projectDir_ + "/PV2BUILD/makefile");
  EXPECT_NE(makefile.find("APLOBJS = $(ODIR)\\f99999.obj \\\r\n\t$(ODIR)\\f99998.obj"), std::string::npos);
  EXPECT_NE(makefile.find("$(ODIR)\\f0.obj \\\r\n\t\r\n"), std::string::npos);
}

TEST_F(KestrelPv2, PathsLongerThanWindowsAllows) {
  if (underWine()) GTEST_SKIP() << "a Windows process cannot work in such a directory";
  std::string deep = projectDir_;
  while (deep.size() < 400) deep += "/" + std::string(50, 'p');
  fs::create_directories(deep);
  fs::rename(projectDir_ + "/demo.cbx", deep + "/demo.cbx");
  projectDir_ = deep;
  const auto result = run({"-d", "demo"}, environment_);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_TRUE(fs::is_regular_file(deep + "/PV2BUILD/makefile"));
}

TEST_F(KestrelPv2, MegabyteSettingsValue) {
  const std::string huge(1 << 20, 'S');
  writeSettings("[PV2SDK Paths]\nSDKPath=" + huge + "\nCompilerPath=" + compiler_ + "\n; " + huge + "\n");
  const auto result = run({"demo"}, environment_);
  EXPECT_NE(readFile(projectDir_ + "/PV2BUILD/MakeSDK.1").find("SDKPATH = " + huge + "\\C\r\n"), std::string::npos);
  if (underWine()) {
    // Windows passes the long PATH on, and kmmake runs.
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err, "");
  } else {
    // Linux passes no environment string beyond 128 kB: the start fails,
    // and says so.
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "Error: Unable to start kmmake\n");
  }
}

TEST_F(KestrelPv2, NonAsciiAndPercentInNamesAndValues) {
  // Wine passes arguments and file names through the locale's encoding, so
  // bytes that are not UTF-8 are tried natively only.
  const std::string name = underWine() ? "d%smo%d" : "d\xe9m\xf6%s";
  const std::string value = underWine() ? "%n" : "\xff%n";
  fs::rename(projectDir_ + "/demo.cbx", projectDir_ + "/" + name + ".cbx");
  const auto result = run({"-DV=" + value + ";W=%s", name}, environment_);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.err, "");
  const std::string makefile = readFile(projectDir_ + "/PV2BUILD/makefile");
  EXPECT_NE(makefile.find("TARGET = " + name + "\r\n"), std::string::npos);
  EXPECT_NE(readFile(projectDir_ + "/PV2BUILD/MakeSDK.1").find("-DW=%s -DV=" + value + " \r\n"), std::string::npos);
}

TEST_F(KestrelPv2, CrashingMakeTool) {
  std::vector<const char*> ways = {"segv", "abort"};
  if (!underWine()) ways.push_back("kill");
  for (const char* way : ways) {
    SCOPED_TRACE(way);
    environment_["STANDIN_CRASH"] = way;
    const auto result = run({"demo"}, environment_);
    EXPECT_EQ(result.exitCode, 1);
    // The crashed program's own last words (Wine writes some) may come first.
    EXPECT_NE(result.err.find("Error: kmmake ended with exit code "), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find("Unable to start"), std::string::npos);
  }
}

TEST_F(KestrelPv2, MakeToolThatIsNotAProgram) {
  fs::remove(standinCopy_);
  writeFile(standinCopy_, "this is not a program\n");
  if (!underWine()) fs::permissions(standinCopy_, fs::perms::owner_read | fs::perms::owner_write);
  const auto result = run({"demo"}, environment_);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, "Error: Unable to start kmmake\n");
}

}  // namespace
