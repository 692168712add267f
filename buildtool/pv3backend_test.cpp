// The PV3 back end: the makefile.mak and sources.def it describes, and the
// hmake run.
#include "buildtool/pv3backend.h"
#include "buildtool/pv2backend.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "common/pathhelpers.h"
#include "common/projectfile.h"
#include "testing/testsupport.h"

using namespace kestrel;

namespace {

ucl::RealDisk disk;

using testsupport::readFile;
using testsupport::sameBytes;

const SdkPaths kSettings{"C:\\PVSDK3", "C:\\SHC"};

std::string written(const BuildDirectory& directory, const std::string& name) {
  for (const GeneratedFile& file : directory.files) {
    if (file.path == "PV3BUILD\\" + name) return testsupport::crlf(file.text);
  }
  ADD_FAILURE() << name << " not described";
  return std::string();
}

void expectGolden(const BuildDirectory& directory, const std::string& set) {
  ASSERT_EQ(directory.files.size(), 2u);
  EXPECT_EQ(directory.files[0].path, "PV3BUILD\\makefile.mak");  // written first
  for (const char* name : {"makefile.mak", "sources.def"}) {
    const std::string expected = readFile(std::string(TESTDATA_DIR) + "/pv3/" + set + "/" + name);
    EXPECT_TRUE(sameBytes(expected, written(directory, name))) << set << " " << name;
  }
}

TEST(Pv3Makefiles, EveryKindOfBuildMatchesItsGoldenFiles) {
  struct Case {
    const char* expected;
    bool debug;
    bool library;
  } const cases[] = {
      {"release-expected", false, false},
      {"debug-expected", true, false},
      {"library-expected", false, true},
      {"debuglibrary-expected", true, true},
  };
  const auto files = ucl::readProjectFile(disk, std::string(TESTDATA_DIR) + "/pv3/demo.cbx");
  ASSERT_TRUE(files.has_value());
  for (const Case& c : cases) {
    BuildOptions options;
    options.programName = "demo";
    options.defines = {"A", "B=2"};
    options.debugBuild = c.debug;
    options.createLibrary = c.library;
    expectGolden(pv3Makefiles(options, kSettings, *files), c.expected);
  }
}

TEST(Pv3Makefiles, NoSourceAtAll) {
  BuildOptions options;
  options.programName = "empty";
  expectGolden(pv3Makefiles(options, kSettings, {}), "empty-expected");
}

TEST(Pv3Makefiles, OnlyLowerCaseCSourcesAreCompiled) {
  const BuildDirectory directory =
      pv3Makefiles(BuildOptions(), kSettings, {"name.Cc", "other\\Dir.c\\y.c", "C\\x.a86", "C\\util.asm", "C\\MAIN2.C", "C\\main.c"});
  EXPECT_NE(written(directory, "sources.def").find("# Application Sources (C*.c)\r\nFILE0=main\r\nFILE1=y\r\n\r\n\r\n"),
            std::string::npos);
  EXPECT_EQ(written(directory, "makefile.mak").find("$(FILE2)"), std::string::npos);
}

TEST(Pv3Makefiles, DefinitionsAndPercentSigns) {
  BuildOptions options;
  options.defines = {"X=100%", "Y=%s"};
  options.programName = "%d %s";
  const std::string makefile = written(pv3Makefiles(options, kSettings, {}), "makefile.mak");
  EXPECT_NE(makefile.find("\r\nCCINF0 = -define=Y=%s -define=X=100%  $(CCINF)\r\n"), std::string::npos);
  EXPECT_NE(makefile.find("\r\nTARGET=%d %s\r\n"), std::string::npos);
  EXPECT_NE(makefile.find("\r\nTITLE=\"%d %s\"\r\n"), std::string::npos);

  options.defines.clear();
  EXPECT_NE(written(pv3Makefiles(options, kSettings, {}), "sources.def").find("\r\nCCINF0 =  $(CCINF)\r\n"),
            std::string::npos);
}

TEST(Pv3Makefiles, BothObjectDirectoriesForEveryKind) {
  for (const bool library : {false, true}) {
    BuildOptions options;
    options.createLibrary = library;
    EXPECT_EQ(pv3Makefiles(options, kSettings, {}).directories,
              (std::vector<std::string>{"PV3BUILD", "PV3BUILD\\OBJDBG", "PV3BUILD\\OBJREL"}));
  }
}

TEST(Pv3MakeRuns, EnvironmentAndCommandLine) {
  struct Case {
    const char* compiler;
    const char* commandLine;
  } const cases[] = {
      {"C:\\SHC", "C:\\SHC\\bin\\hmake PV3BUILD\\makefile.mak"},
      // Quoted when the directory holds a blank, so that it names the program.
      {"C:\\Program Files\\SH C", "\"C:\\Program Files\\SH C\\bin\\hmake\" PV3BUILD\\makefile.mak"},
  };
  for (const Case& c : cases) {
    BuildOptions options;
    for (const bool variant : {false, true}) {
      // The kind of build does not change the run.
      options.debugBuild = options.createLibrary = variant;
      options.memoryModel = variant ? 'P' : 'S';
      const std::vector<MakeRun> runs = pv3MakeRuns(options, SdkPaths{"C:\\PVSDK3", c.compiler});
      ASSERT_EQ(runs.size(), 1u);
      EXPECT_EQ(runs[0].commandLine, c.commandLine);
      EXPECT_EQ(runs[0].toolName, "hmake");
      EXPECT_EQ(runs[0].removeAfterwards, "");
      const std::string compiler = c.compiler;
      EXPECT_EQ(runs[0].environment.pathInFront, (std::vector<std::string>{"C:\\PVSDK3\\TOOLS", compiler}));
      const std::vector<std::pair<std::string, std::string>> variables = {
          {"SHC_INC", compiler + "\\include"}, {"SHC_LIB", compiler + "\\bin"}, {"SHC_TMP", compiler}};
      EXPECT_EQ(runs[0].environment.variables, variables);
    }
  }
}

// What each back end's makefiles hand to the compiler and the linker besides
// the sources and their headers, by mode; a library links nothing.
TEST(MakeInputs, WhatEachModeHandsToTheTools) {
  struct Case {
    decltype(&pv3MakeInputs) inputsOf;
    bool debug, library;
    char model;
    const char* has;
    const char* hasNot;
  } const cases[] = {
      {pv3MakeInputs, false, false, 'S', "C:\\PVSDK3\\tools\\Makefile.sub", "C:\\PVSDK3\\tools\\MakeDbg.sub"},
      {pv3MakeInputs, false, false, 'S', "MENUICON\\icon.bmp", ""},
      {pv3MakeInputs, true, false, 'S', "C:\\PVSDK3\\tools\\MakeDbg.sub", "MENUICON\\icon.bmp"},
      {pv3MakeInputs, true, false, 'S', "C:\\PVSDK3\\lib\\x.lib", ""},
      {pv3MakeInputs, true, false, 'S', "C:\\PVSDK3\\system\\obj\\startapl.obj", ""},
      {pv3MakeInputs, false, true, 'S', "C:\\PVSDK3\\lib\\LibH\\L_LIBC.H", "C:\\SHC\\shclib.lib"},
      {pv2MakeInputs, false, false, 'S', "C:\\PVSDK\\C\\Com_Lib\\s\\x.lib", "C:\\PVSDK\\C\\Com_Lib\\p\\x.lib"},
      {pv2MakeInputs, false, false, 'P', "C:\\PVSDK\\C\\COM_LNK\\LINK2p.DAT", ""},
      {pv2MakeInputs, false, true, 'S', "C:\\PVSDK\\C\\Com_H\\libc.h", "C:\\PVSDK\\C\\Com_Obj\\s\\start.obj"},
  };
  for (const Case& c : cases) {
    BuildOptions options;
    options.debugBuild = c.debug;
    options.createLibrary = c.library;
    options.memoryModel = c.model;
    const std::vector<std::string> inputs =
        c.inputsOf(options, c.inputsOf == pv3MakeInputs ? kSettings : SdkPaths{"C:\\PVSDK", "C:\\LSIC86"},
                   {"C\\main.c", "lib\\x.lib"});
    EXPECT_EQ(std::count(inputs.begin(), inputs.end(), c.has), 1) << c.has;
    EXPECT_EQ(std::count(inputs.begin(), inputs.end(), c.hasNot), 0) << c.hasNot;
  }
  // The makefile names the options file the record holds.
  const std::string subcommand = ucl::fileName(pv3SubcommandFile(BuildOptions(), kSettings));
  EXPECT_NE(written(pv3Makefiles(BuildOptions(), kSettings, {}), "makefile.mak").find("tools\\" + subcommand), std::string::npos);
}

}  // namespace
