// End-to-end tests of the kestrel program: natively, or kestrel.exe under Wine.
#include "testing/kestrel_e2e.h"

namespace {

using namespace e2e;

TEST_F(Kestrel, NoArgumentsPrintsBannerAndUsage) {
  const auto result = run({});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_TRUE(testsupport::sameBytes(banner() + usage(), result.out));
  EXPECT_EQ(result.err, "");
}

TEST_F(Kestrel, UsageRequestAfterOtherOptions) {
  for (const char* request : {"-?", "/?"}) {
    const auto result = run({"-x", request, "demo", "-p9"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(testsupport::sameBytes(banner() + usage(), result.out));
    EXPECT_EQ(result.err, "Error: Unknown option '-x'\n");
  }
}

TEST_F(Kestrel, UnknownPvModels) {
  writeSettings("[PV2SDK Paths]\nSDKPath=C:\\PVSDK\nCompilerPath=C:\\LSIC86\n");
  struct Case {
    std::vector<std::string> arguments;
    const char* message;
  } const cases[] = {
      {{"-p4", "proj"}, "Unknown PV model '4'\n"},
      {{"-px", "proj"}, "Unknown PV model '0'\n"},
      {{"-p", "proj"}, "Unknown PV model '0'\n"},
      {{"-p-7", "-Q"}, "Error: Unknown option '-Q'\nUnknown PV model '-7'\n"},
  };
  for (const Case& c : cases) {
    const auto result = run(c.arguments);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, banner());
    EXPECT_EQ(result.err, c.message);
  }
  EXPECT_FALSE(fs::exists(projectDir_ + "/PV2BUILD"));
}

TEST_F(Kestrel, MissingSettingsAreReportedClearly) {
  const std::string settingsFile = programPath(target().spelling, toolDir_ + "/Settings.ini");
  struct Case {
    const char* name;
    const char* settings;  // null: no settings file at all
    std::vector<std::string> arguments;
    std::string message;
  } const cases[] = {
      {"no file", nullptr, {"demo"},
       "Error: Unable to read settings file '" + settingsFile + "', which must hold key 'SDKPath' in section [PV2SDK Paths]\n"},
      {"no section", "[PV2SDK Paths]\nSDKPath=C:\\PVSDK\n", {"-p3", "demo"},
       "Error: No section [PV3SDK Paths] with key 'SDKPath' in settings file '" + settingsFile + "'\n"},
      {"no key", "[PV2SDK Paths]\nCompilerPath=C:\\LSIC86\n", {"demo"},
       "Error: No key 'SDKPath' in section [PV2SDK Paths] of settings file '" + settingsFile + "'\n"},
      {"no compiler key at run time", "[PV2SDK Paths]\nSDKPath=C:\\PVSDK\n", {"-m-"},
       "Error: No key 'CompilerPath' in section [PV2SDK Paths] of settings file '" + settingsFile + "'\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(toolDir_ + "/Settings.ini");
    if (c.settings != nullptr) writeSettings(c.settings);
    const auto result = run(c.arguments);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, banner());
    EXPECT_EQ(result.err, c.message);
  }
}

TEST_F(KestrelPv2, MissingCompilerPathWritesTheMakefilesAndStopsAtTheRun) {
  writeSettings("[PV2SDK Paths]\nSDKPath=" + sdk_ + "\n");
  const auto result = run({"-d", "demo"}, environment_);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, "Error: No key 'CompilerPath' in section [PV2SDK Paths] of settings file '" +
                            programPath(target().spelling, toolDir_ + "/Settings.ini") + "'\n");
  for (const char* name : {"MakeSDK.1", "MakeSDK.2", "makefile"}) {
    EXPECT_TRUE(fs::exists(projectDir_ + "/PV2BUILD/" + name)) << name;
  }
  EXPECT_FALSE(fs::exists(log_));
}

TEST_F(KestrelPv2, DebugApplicationBuild) {
  const std::string oldPath = basePath();
  const auto result = run({"-d", "demo"}, environment_);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.out, banner());
  EXPECT_EQ(result.err, "");
  for (const char* name : {"MakeSDK.1", "MakeSDK.2", "makefile"}) {
    std::string expected = readFile(target().testdata + "/pv2/app-expected/" + name);
    if (std::string(name) == "MakeSDK.1") {
      const std::string example = "SDKPATH = C:\\PVSDK\\C";
      expected.replace(expected.find(example), example.size(), "SDKPATH = " + sdk_ + "\\C");
    }
    EXPECT_TRUE(testsupport::sameBytes(expected, readFile(projectDir_ + "/PV2BUILD/" + name))) << name;
  }
  const std::vector<std::string> entries = starts();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(commandLine(entries[0]), "kmmake -f PV2BUILD\\makefile -i DEBUG=1 ");
  EXPECT_NE(entries[0].find("cwd=" + programPath(target().spelling, projectDir_) + "\n"), std::string::npos)
      << entries[0];
  const std::string path = target().underWine ? "PATH=" + sdk_ + "\\TOOL;" + compiler_ + "\\bin;" + oldPath
                                              : "PATH=" + sdk_ + "/TOOL:" + compiler_ + "/bin:" + oldPath;
  EXPECT_NE(entries[0].find(path + "\n"), std::string::npos) << entries[0];
  EXPECT_FALSE(fs::exists(projectDir_ + "/make.i"));
}

TEST_F(KestrelPv2, ProjectFileOfAnyLetterCase) {
  // Found as Windows finds it, and read: the program keeps its name here.
  fs::rename(projectDir_ + "/demo.cbx", projectDir_ + "/Demo.CBX");
  const auto result = run({"-d", "-ndemo", "demo"}, environment_);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(readFile(projectDir_ + "/PV2BUILD/makefile"),
            readFile(target().testdata + "/pv2/app-expected/makefile"));
}

TEST_F(KestrelPv2, LibraryBuildMakesBothModels) {
  const auto result = run({"-l", "-zp", "demo"}, environment_);
  EXPECT_EQ(result.exitCode, 0);
  const std::vector<std::string> entries = starts();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(commandLine(entries[0]), "kmmake -f PV2BUILD\\makefile -i PMODEL=1 ");
  EXPECT_EQ(commandLine(entries[1]), "kmmake -f PV2BUILD\\makefile -i ");
  EXPECT_TRUE(fs::is_directory(projectDir_ + "/PV2BUILD/OBJREL_P"));
}

TEST_F(KestrelPv2, UnknownOptionDoesNotStopTheBuild) {
  const auto result = run({"-x", "demo.pvmak"}, environment_);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.err, "Error: Unknown option '-x'\n");
  EXPECT_EQ(starts().size(), 1u);
}

TEST_F(KestrelPv2, ProjectAndProgramNames) {
  // The project file is looked for in the current directory by its title;
  // any other one stands in for a missing one. The program is named after
  // the file found unless -n names it.
  struct Case {
    std::vector<std::string> arguments;
    const char* target;
  } const cases[] = {
      {{"demo.pvmak"}, "demo"},
      {{"D:\\elsewhere\\demo.cbx"}, "demo"},
      {{"missing"}, "demo"},
      {{"-d"}, "demo"},
      {{"-nGiven Name", "demo"}, "Given Name"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments.front());
    fs::remove_all(projectDir_ + "/PV2BUILD");
    EXPECT_EQ(run(c.arguments, environment_).exitCode, 0);
    EXPECT_NE(readFile(projectDir_ + "/PV2BUILD/makefile").find("\r\nTARGET = " + std::string(c.target) + "\r\n"),
              std::string::npos);
  }
}

TEST_F(KestrelPv2, FailingMakeToolFailsTheBuild) {
  environment_["STANDIN_EXIT_CODE"] = "2";
  const auto result = run({"demo"}, environment_);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, "Error: kmmake ended with exit code 2\n");
}

TEST_F(KestrelPv2, MissingMakeToolInALibraryBuild) {
  fs::remove(standinCopy_);
  writeFile(projectDir_ + "/make.i", "old");
  const auto result = run({"-l", "demo"}, environment_);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, "Error: Unable to start kmmake\n");
  EXPECT_FALSE(fs::exists(projectDir_ + "/make.i"));
}

TEST_F(KestrelPv2, WithoutMakefileCreationTheEarlierMakefilesAreUsed) {
  ASSERT_EQ(run({"demo"}, environment_).exitCode, 0);
  fs::remove(projectDir_ + "/demo.cbx");
  const std::string makefile = readFile(projectDir_ + "/PV2BUILD/makefile");
  const auto result = run({"-m-", "-d", "-zp"}, environment_);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.err, "");
  const std::vector<std::string> entries = starts();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(commandLine(entries[1]), "kmmake -f PV2BUILD\\makefile -i DEBUG=1 PMODEL=1 ");
  EXPECT_EQ(readFile(projectDir_ + "/PV2BUILD/makefile"), makefile);
}

TEST_F(KestrelPv2, UnwritableMakefileStillRunsTheMakeTool) {
  fs::create_directories(projectDir_ + "/PV2BUILD/MakeSDK.2");
  const auto result = run({"demo"}, environment_);
  EXPECT_EQ(result.err, "Unable to write PV2BUILD\\MakeSDK.2\n");
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_TRUE(fs::is_regular_file(projectDir_ + "/PV2BUILD/MakeSDK.1"));
  EXPECT_FALSE(fs::exists(projectDir_ + "/PV2BUILD/makefile"));
  EXPECT_EQ(starts().size(), 1u);
}

TEST_F(KestrelPv2, NoProjectFileStartsNothing) {
  fs::remove(projectDir_ + "/demo.cbx");
  const auto result = run({"demo"}, environment_);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, "Unable to find project file\n");
  EXPECT_FALSE(fs::exists(projectDir_ + "/PV2BUILD"));
  EXPECT_TRUE(starts().empty());
}

TEST_F(KestrelPv3, ReleaseBuild) {
  const auto result = run({"-p3", "-DA;B=2", "demo"}, environment_);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.out, banner());
  EXPECT_EQ(result.err, "");
  for (const char* name : {"makefile.mak", "sources.def"}) {
    std::string expected = readFile(target().testdata + "/pv3/release-expected/" + name);
    for (const auto& [example, value] : {std::pair<std::string, std::string>{"TCDIR=C:\\SHC\r\n", compiler_},
                                         {"PVSDK_BASE=C:\\PVSDK3\r\n", sdk_}}) {
      const size_t at = expected.find(example);
      if (at != std::string::npos) {
        expected.replace(at, example.size(), example.substr(0, example.find('=') + 1) + value + "\r\n");
      }
    }
    EXPECT_TRUE(testsupport::sameBytes(expected, readFile(projectDir_ + "/PV3BUILD/" + name))) << name;
  }
  if (target().underWine) {
    EXPECT_EQ(logged("commandline"), compiler_ + "\\bin\\hmake PV3BUILD\\makefile.mak");
    EXPECT_EQ(logged("PATH").rfind(sdk_ + "\\TOOLS;" + compiler_ + ";C:\\windows\\system32;", 0), 0u) << logged("PATH");
  } else {
    EXPECT_EQ(logged("PATH"), sdk_ + "/TOOLS:" + compiler_ + ":" + testsupport::environmentVariable("PATH"));
  }
  EXPECT_EQ(logged("arg"), "PV3BUILD\\makefile.mak");
  EXPECT_EQ(logged("cwd"), programPath(target().spelling, projectDir_));
  // In the host's spelling, as PATH.
  const std::string separator = target().underWine ? "\\" : "/";
  EXPECT_EQ(logged("SHC_INC"), compiler_ + separator + "include");
  EXPECT_EQ(logged("SHC_LIB"), compiler_ + separator + "bin");
  EXPECT_EQ(logged("SHC_TMP"), compiler_);
}

TEST_F(KestrelPv3, MissingCompilerPathCreatesNothing) {
  writeSettings("[PV3SDK Paths]\nSDKPath=" + sdk_ + "\n");
  const auto result = run({"-p3", "demo"}, environment_);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, "Error: No key 'CompilerPath' in section [PV3SDK Paths] of settings file '" +
                            programPath(target().spelling, toolDir_ + "/Settings.ini") + "'\n");
  EXPECT_FALSE(fs::exists(projectDir_ + "/PV3BUILD"));
  EXPECT_FALSE(fs::exists(log_));
}

TEST_F(KestrelPv3, MissingAndFailingHmake) {
  environment_["STANDIN_EXIT_CODE"] = "3";
  auto result = run({"-p3", "demo"}, environment_);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, "Error: hmake ended with exit code 3\n");

  fs::remove_all(compilerOnDisk_ + "/bin");
  result = run({"-p3", "demo"}, environment_);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, "Error: Unable to start hmake\n");
}

TEST_F(KestrelPv3, MissingMakefileIsLeftToHmake) {
  const auto result = run({"-p3", "-m-", "-d", "-l"}, environment_);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_FALSE(fs::exists(projectDir_ + "/PV3BUILD"));
  EXPECT_EQ(logged("arg"), "PV3BUILD\\makefile.mak");
}

}  // namespace
