// The PV2 back end: the three makefiles it describes, and the kmmake runs.
#include "buildtool/pv2backend.h"

#include <cstdio>

#include <gtest/gtest.h>

#include "buildtool/generatedtext.h"
#include "common/projectfile.h"
#include "testing/testsupport.h"

using namespace kestrel;

namespace {

ucl::RealDisk disk;

using testsupport::readFile;
using testsupport::sameBytes;

const SdkPaths kSettings{"C:\\PVSDK", "C:\\LSIC86"};

std::string expected(const std::string& set, const std::string& name) {
  return readFile(std::string(TESTDATA_DIR) + "/pv2/" + set + "/" + name);
}

std::vector<std::string> demoFiles() {
  const auto files = ucl::readProjectFile(disk, std::string(TESTDATA_DIR) + "/pv2/demo.cbx");
  EXPECT_TRUE(files.has_value());
  return files.value_or(std::vector<std::string>());
}

// The text of the described file, as text mode writes it.
std::string written(const BuildDirectory& directory, const std::string& name) {
  for (const GeneratedFile& file : directory.files) {
    if (file.path == "PV2BUILD\\" + name) return testsupport::crlf(file.text);
  }
  ADD_FAILURE() << name << " not described";
  return std::string();
}

bool hasLine(const BuildDirectory& directory, const std::string& name, const std::string& line) {
  return ("\r\n" + written(directory, name)).find("\r\n" + line + "\r\n") != std::string::npos;
}

// The templates' conversions are filled without vsnprintf; the result is
// what it gives, a "%" in a value included.
TEST(GeneratedText, AsPrintfFillsIt) {
  char expected[128];
  std::snprintf(expected, sizeof expected, "a%sb%04d%%c%-3d|%5s%d%s", "x%sy", 7, -2, "ab", 123456, "");
  EXPECT_EQ(formatText("a%sb%04d%%c%-3d|%5s%d%s", "x%sy", 7, -2, "ab", 123456, ""), expected);
  std::snprintf(expected, sizeof expected, "%x %.2s", 255u, "xyz");  // not the templates' own: as before
  EXPECT_EQ(formatText("%x %.2s", 255u, "xyz"), expected);
}

TEST(Pv2Makefiles, GoldenFiles) {
  BuildOptions application;
  application.programName = "demo";
  BuildOptions library;
  library.createLibrary = true;
  library.asmOptimisation = true;
  library.defines = {"A", "B=2", "P%sQ"};
  library.version = 521;
  library.targetSegment = 4000;
  library.programName = "My %d Lib";
  for (const auto& [set, options] : {std::pair{"app-expected", application}, std::pair{"lib-expected", library}}) {
    const BuildDirectory directory = pv2Makefiles(options, kSettings, demoFiles());
    ASSERT_EQ(directory.files.size(), 3u);
    // Written in this order: a failure stops the files after it.
    EXPECT_EQ(directory.files[0].path, "PV2BUILD\\MakeSDK.1");
    EXPECT_EQ(directory.files[1].path, "PV2BUILD\\MakeSDK.2");
    EXPECT_EQ(directory.files[2].path, "PV2BUILD\\makefile");
    for (const char* name : {"MakeSDK.1", "MakeSDK.2", "makefile"}) {
      EXPECT_TRUE(sameBytes(expected(set, name), written(directory, name))) << set << " " << name;
    }
  }
}

TEST(Pv2Makefiles, NoFilesAtAll) {
  BuildOptions options;
  options.programName = "empty";
  const BuildDirectory directory = pv2Makefiles(options, kSettings, {});
  EXPECT_TRUE(hasLine(directory, "makefile", "APLOBJS = "));
  EXPECT_TRUE(hasLine(directory, "makefile", "HEADFILE = "));
  EXPECT_TRUE(hasLine(directory, "MakeSDK.2", "LINKINF = $(LINK1) $(TARSEG) $(DEBUG_FLAG) -o$(ODIR)\\$(HEX) $(ALLOBJS)"));
}

TEST(Pv2Makefiles, DefinitionsAsmAndVersions) {
  struct Case {
    std::vector<std::string> defines;
    bool asmOptimisation;
    int version;
    const char* cflagEnd;
    const char* asmLine;
    const char* versionLine;
    const char* pvVersionLine;
  } const cases[] = {
      {{}, false, 100, "-I$(LHDIR) ", "", "VERSION = 0100", "PVVERSION = 100"},
      {{"A", "B=2"}, true, 5, "-I$(LHDIR) -DB=2 -DA ", "ASMOPT =", "VERSION = 0005", "PVVERSION = 5"},
      {{""}, false, -5, "-I$(LHDIR) -D ", "", "VERSION = -005", "PVVERSION = -5"},
      {{"X=100%"}, false, 12345, "-I$(LHDIR) -DX=100% ", "", "VERSION = 12345", "PVVERSION = 12345"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.versionLine);
    BuildOptions options;
    options.defines = c.defines;
    options.asmOptimisation = c.asmOptimisation;
    options.version = c.version;
    const BuildDirectory directory = pv2Makefiles(options, kSettings, {});
    const std::string cflag = "CFLAG = -m$(MODEL) -DPV=1 -a -v0 -o -cs $(DEBUG_FLAG) -I$(HDIR) -I$(CHDIR) ";
    EXPECT_TRUE(hasLine(directory, "MakeSDK.1", cflag + c.cflagEnd));
    EXPECT_NE(written(directory, "MakeSDK.1").find("SDKPATH = C:\\PVSDK\\C\r\n" + std::string(c.asmLine) + "\r\nLHDIR"),
              std::string::npos);
    EXPECT_TRUE(hasLine(directory, "makefile", c.versionLine));
    EXPECT_TRUE(hasLine(directory, "makefile", c.pvVersionLine));
  }
}

TEST(Pv2Makefiles, HeaderPrefixesAndSourceEntries) {
  BuildOptions options;
  options.programName = "Prog With Blanks";
  // In project order; the lists name them the other way round.
  const std::vector<std::string> files = {"\\abs\\H\\w.h", "z.h", "sub\\H\\z.h", "h\\y.H", "H\\x.h",
                                          "x.a86", "d\\a.asm", "c\\a.c", "readme.txt", "lib\\x.LIB"};
  const BuildDirectory directory = pv2Makefiles(options, kSettings, files);
  const std::string makefile = written(directory, "makefile");
  EXPECT_NE(makefile.find("APLOBJS = $(ODIR)\\a.obj \\\r\n\t$(ODIR)\\a.obj \\\r\n\t$(ODIR)\\x.obj \\\r\n\t\r\n"),
            std::string::npos);
  EXPECT_NE(makefile.find("HEADFILE = $(HDIR)\\x.h \\\r\n\t$(HDIR)\\y.h \\\r\n\tsub\\H\\z.h \\\r\n\tz.h \\\r\n\t"
                          "\\abs\\H\\w.h \\\r\n\t\r\n"),
            std::string::npos);
  EXPECT_TRUE(hasLine(directory, "makefile", "TARGET = Prog With Blanks"));
  EXPECT_TRUE(hasLine(directory, "makefile", "PROGNAME = \"Prog With Blanks\""));
  EXPECT_NE(written(directory, "MakeSDK.2").find(" $(CLDIR)\\x.LIB"), std::string::npos);
}

TEST(Pv2Makefiles, DirectoriesByKindOfBuild) {
  BuildOptions options;
  const BuildDirectory application = pv2Makefiles(options, kSettings, {});
  EXPECT_EQ(application.directories, (std::vector<std::string>{"PV2BUILD", "PV2BUILD\\OBJDBG", "PV2BUILD\\OBJREL"}));
  EXPECT_TRUE(hasLine(application, "MakeSDK.1", "ODIR  = PV2BUILD\\OBJDBG"));
  EXPECT_EQ(written(application, "makefile").find("$(AR)"), std::string::npos);
  options.createLibrary = true;
  const BuildDirectory library = pv2Makefiles(options, kSettings, {});
  EXPECT_EQ(library.directories, (std::vector<std::string>{"PV2BUILD", "PV2BUILD\\OBJDBG_S", "PV2BUILD\\OBJREL_S",
                                                           "PV2BUILD\\OBJDBG_P", "PV2BUILD\\OBJREL_P"}));
}

TEST(Pv2MakeRuns, CommandLinesOfEveryKindOfBuild) {
  struct Case {
    bool library;
    char model;
    bool debug;
    std::vector<std::string> lines;
  } const cases[] = {
      {false, 'S', false, {"kmmake -f PV2BUILD\\makefile "}},
      {false, 'P', false, {"kmmake -f PV2BUILD\\makefile PMODEL=1 "}},
      {false, 'S', true, {"kmmake -f PV2BUILD\\makefile -i DEBUG=1 "}},
      {false, 'P', true, {"kmmake -f PV2BUILD\\makefile -i DEBUG=1 PMODEL=1 "}},
      {true, 'S', false, {"kmmake -f PV2BUILD\\makefile -i PMODEL=1 ", "kmmake -f PV2BUILD\\makefile -i "}},
      {true, 'P', true,
       {"kmmake -f PV2BUILD\\makefile -i DEBUG=1 PMODEL=1 ", "kmmake -f PV2BUILD\\makefile -i DEBUG=1 "}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lines.front());
    BuildOptions options;
    options.createLibrary = c.library;
    options.memoryModel = c.model;
    options.debugBuild = c.debug;
    std::vector<std::string> lines;
    for (const MakeRun& run : pv2MakeRuns(options, kSettings)) {
      lines.push_back(run.commandLine);
      EXPECT_EQ(run.toolName, "kmmake");
      EXPECT_EQ(run.removeAfterwards, "make.i");
      EXPECT_EQ(run.environment.pathInFront, (std::vector<std::string>{"C:\\PVSDK\\TOOL", "C:\\LSIC86\\bin"}));
      EXPECT_TRUE(run.environment.variables.empty());
    }
    EXPECT_EQ(lines, c.lines);
  }
}

}  // namespace
