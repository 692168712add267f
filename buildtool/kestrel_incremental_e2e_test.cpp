// A second build writes only the generated files whose bytes change, so
// that the make tool rebuilds only what depends on them.
#include "buildtool/kestrel_e2e.h"

#include <chrono>

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

// The names of the files whose time stamps moved.
std::vector<std::string> rewritten(const std::string& directory, const Stamps& before) {
  std::vector<std::string> names;
  for (const auto& [name, stamp] : before) {
    if (fs::last_write_time(directory + "/" + name) != stamp) names.push_back(name);
  }
  return names;
}

TEST_F(KestrelPv2, UnchangedProjectLeavesTheMakefilesAlone) {
  ASSERT_EQ(run({"-d", "demo"}, environment_).exitCode, 0);
  const std::string build = projectDir_ + "/PV2BUILD";
  const std::string bytes = readFile(build + "/makefile");
  const Stamps before = ageFiles(build);
  ASSERT_EQ(before.size(), 3u);
  const auto result = run({"-d", "demo"}, environment_);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(rewritten(build, before), std::vector<std::string>());
  EXPECT_EQ(readFile(build + "/makefile"), bytes);
  EXPECT_EQ(starts().size(), 2u);  // the make tool still runs
}

TEST_F(KestrelPv2, EachChangeRewritesExactlyTheFilesItChanges) {
  const std::string build = projectDir_ + "/PV2BUILD";
  const std::string project = readFile(projectDir_ + "/demo.cbx");
  const auto withFile = [&](const std::string& entry) {
    std::string changed = project;
    return changed.insert(changed.rfind("</project>"), entry + "\n");
  };
  struct Case {
    const char* what;
    std::vector<std::string> arguments;
    std::string projectFile;
    std::vector<std::string> rewritten;
  } const cases[] = {
      {"-D added", {"-DNEW", "demo"}, project, {"MakeSDK.1"}},
      {"source added", {"demo"}, withFile("<file path=\"c/new.c\"/>"), {"makefile"}},
      {"library added", {"demo"}, withFile("<file path=\"lib/new.lib\"/>"), {"MakeSDK.2"}},
      {"-v changed", {"-v200", "demo"}, project, {"makefile"}},
      {"nothing changed", {"demo"}, project, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(build);
    writeFile(projectDir_ + "/demo.cbx", project);
    ASSERT_EQ(run({"demo"}, environment_).exitCode, 0);
    const Stamps before = ageFiles(build);
    writeFile(projectDir_ + "/demo.cbx", c.projectFile);
    EXPECT_EQ(run(c.arguments, environment_).exitCode, 0);
    EXPECT_EQ(rewritten(build, before), c.rewritten);
  }
}

TEST_F(KestrelPv2, DamagedMakefileIsWrittenAgain) {
  ASSERT_EQ(run({"demo"}, environment_).exitCode, 0);
  const std::string build = projectDir_ + "/PV2BUILD";
  const std::string whole = readFile(build + "/makefile");
  writeFile(build + "/makefile", whole.substr(0, whole.size() / 2));
  const Stamps before = ageFiles(build);
  EXPECT_EQ(run({"demo"}, environment_).exitCode, 0);
  EXPECT_EQ(rewritten(build, before), std::vector<std::string>{"makefile"});
  EXPECT_EQ(readFile(build + "/makefile"), whole);
}

TEST_F(KestrelPv3, UnchangedProjectLeavesTheMakefilesAlone) {
  ASSERT_EQ(run({"-p3", "demo"}, environment_).exitCode, 0);
  const std::string build = projectDir_ + "/PV3BUILD";
  const Stamps before = ageFiles(build);
  ASSERT_EQ(before.size(), 2u);
  fs::remove(log_);
  const auto result = run({"-p3", "demo"}, environment_);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(rewritten(build, before), std::vector<std::string>());
  EXPECT_EQ(logged("arg"), "PV3BUILD\\makefile.mak");  // hmake still runs
}

}  // namespace
