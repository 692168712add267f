// Environments for started programs: built from ours without changing it,
// and handed to the program, which is found through their PATH.
#include "platform/environment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "platform/pathspelling.h"
#include "platform/process.h"
#include "testing/testsupport.h"

#ifdef _WIN32
#include "platform/win32.h"
#endif

namespace {

namespace fs = std::filesystem;

platform::Environment withPath(const char* path) {
  platform::Environment environment;
  environment.set("OTHER", "x");
  if (path != nullptr) environment.set("PATH", path);
  return environment;
}

TEST(ChildEnvironment, DirectoriesGoInFrontOfPath) {
  struct Case {
    const char* old;
    const char* expected;
  } const cases[] = {
#ifdef _WIN32
      {"OLD", "C:\\PVSDK\\TOOL;C:\\LSIC86\\bin;OLD"},
      {"", "C:\\PVSDK\\TOOL;C:\\LSIC86\\bin;"},
      {nullptr, "C:\\PVSDK\\TOOL;C:\\LSIC86\\bin;"},
#else
      {"OLD", "C:/PVSDK/TOOL:C:/LSIC86/bin:OLD"},
      {"", "C:/PVSDK/TOOL:C:/LSIC86/bin"},  // no empty entry: that would be "."
      {nullptr, "C:/PVSDK/TOOL:C:/LSIC86/bin"},
#endif
  };
  for (const Case& c : cases) {
    platform::Environment environment = withPath(c.old);
    environment.prependToPath({"C:\\PVSDK\\TOOL", "C:\\LSIC86\\bin"});
    EXPECT_EQ(environment.get("PATH"), c.expected) << (c.old ? c.old : "unset");
    EXPECT_EQ(environment.get("OTHER"), "x");
  }
}

TEST(ChildEnvironment, NewAndChangedVariables) {
  platform::Environment environment;
  environment.set("PATH", "p");
  environment.set("B_VAR", "1");
  environment.set("B_VAR", "2");
  environment.set("A_VAR", "3");
#ifdef _WIN32
  // Letter case does not count, and the list stays sorted by name.
  environment.set("Path", "q");
  const std::vector<std::string> expected = {"A_VAR=3", "B_VAR=2", "Path=q"};
  EXPECT_EQ(environment.get("path"), "q");
#else
  environment.set("Path", "q");
  const std::vector<std::string> expected = {"PATH=p", "B_VAR=2", "A_VAR=3", "Path=q"};
#endif
  EXPECT_EQ(environment.entries(), expected);
  EXPECT_EQ(environment.get("MISSING"), std::nullopt);
}

TEST(ChildEnvironment, OursIsLeftAlone) {
  testsupport::ScopedVariable saved("PVTOOLS_TEST_VARIABLE");
  platform::setVariable("PVTOOLS_TEST_VARIABLE", "ours");
  const std::optional<std::string> ourPath = platform::variable("PATH");
  platform::Environment environment = platform::Environment::ofThisProcess();
  EXPECT_EQ(environment.get("PVTOOLS_TEST_VARIABLE"), "ours");
  environment.set("PVTOOLS_TEST_VARIABLE", "child");
  environment.prependToPath({"C:\\elsewhere"});
  EXPECT_EQ(platform::variable("PVTOOLS_TEST_VARIABLE"), "ours");
  EXPECT_EQ(platform::variable("PATH"), ourPath);
}

#ifdef _WIN32
TEST(ChildEnvironment, VariablesOutsideTheCodePageAreKept) {
  // A child gets every variable kestrel leaves alone exactly, also one that
  // the ANSI code page cannot spell.
  SetEnvironmentVariableW(L"PVTOOLS_WIDE", L"\u0416\u4e2d");
  const platform::Environment environment = platform::Environment::ofThisProcess();
  SetEnvironmentVariableW(L"PVTOOLS_WIDE", nullptr);
  const std::vector<std::string>& entries = environment.entries();
  EXPECT_NE(std::find(entries.begin(), entries.end(), "PVTOOLS_WIDE=\xd0\x96\xe4\xb8\xad"), entries.end());
}
#endif

TEST(ChildEnvironment, ProgramIsFoundThroughTheChildsPath) {
  testsupport::TempDir dir;
  fs::create_directories(dir / "tools");
  const std::string suffix = testsupport::kExecutableSuffix;
  fs::copy_file(std::string(STANDIN_DIR) + (STANDIN_DIR[0] == '/' ? "/" : "\\") + "kmmake" + suffix,
                dir / ("tools/kmmake" + suffix));
  testsupport::ScopedCurrentDirectory inDir(dir.path());
  platform::Environment environment = platform::Environment::ofThisProcess();
  environment.prependToPath({platform::hostToWindowsPath(dir / "tools")});
  environment.set("STANDIN_LOG", dir / "standin.log");
  environment.set("SHC_TMP", "child only");

  const platform::ProcessOutcome outcome = platform::runAndWait("kmmake -x", environment);
  ASSERT_TRUE(outcome.started);
  EXPECT_EQ(outcome.exitCode, 0u);
  const std::string log = testsupport::readFile(dir / "standin.log");
  EXPECT_NE(log.find("arg=-x\n"), std::string::npos) << log;
  EXPECT_NE(log.find("SHC_TMP=child only\n"), std::string::npos) << log;
  EXPECT_NE(platform::variable("SHC_TMP"), std::optional<std::string>("child only"));

  // Without the directory in the child's PATH the program is not found.
  EXPECT_FALSE(platform::runAndWait("kmmake -x", platform::Environment::ofThisProcess()).started);
}

}  // namespace
