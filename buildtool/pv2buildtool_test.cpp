// The PV2 back end: the three makefiles, and the kmmake runs.
#include "buildtool/pv2buildtool.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "platform/environment.h"
#include "testing/testsupport.h"

namespace {

namespace fs = std::filesystem;
using testsupport::readFile;
using testsupport::sameBytes;
using testsupport::ScopedCurrentDirectory;
using testsupport::ScopedVariable;
using testsupport::TempDir;
using testsupport::writeFile;

class Pv2BackEnd : public ::testing::Test {
 protected:
  Pv2BackEnd() {
    settings_["PV2SDK Paths"]["SDKPath"] = "C:\\PVSDK";
    settings_["PV2SDK Paths"]["CompilerPath"] = "C:\\LSIC86";
  }

  std::unique_ptr<PV2BuildTool> backEnd() { return std::make_unique<PV2BuildTool>(settings_, &info_); }

  // Writes the makefiles for files handed over in this order.
  std::string errorsOfWrite(const std::vector<std::string>& sources, const std::vector<std::string>& headers = {},
                            const std::vector<std::string>& libraries = {}) {
    auto tool = backEnd();
    for (const auto& path : sources) tool->addSourceFile(path);
    for (const auto& path : headers) tool->addHeaderFile(path);
    for (const auto& path : libraries) tool->addLibrary(path);
    ::testing::internal::CaptureStderr();
    result_ = tool->writeMakefiles();
    return ::testing::internal::GetCapturedStderr();
  }

  std::string generated(const std::string& name) const { return readFile(dir_ / ("PV2BUILD/" + name)); }
  std::string expected(const std::string& set, const std::string& name) const {
    return readFile(std::string(TESTDATA_DIR) + "/pv2/" + set + "/" + name);
  }
  bool hasLine(const std::string& name, const std::string& line) const {
    return ("\r\n" + generated(name)).find("\r\n" + line + "\r\n") != std::string::npos;
  }

  TempDir dir_;
  ScopedCurrentDirectory inDir_{dir_.path()};
  ucl::IniFile settings_;
  BuildInfo info_;
  bool result_ = false;
};

TEST_F(Pv2BackEnd, ExampleApplicationMatchesTheGoldenFiles) {
  writeFile(dir_ / "demo.cbx", readFile(std::string(TESTDATA_DIR) + "/pv2/demo.cbx"));
  info_.projectFile = "demo";
  auto tool = backEnd();
  ASSERT_TRUE(tool->readProject());
  for (const char* name : {"MakeSDK.1", "MakeSDK.2", "makefile"}) {
    EXPECT_TRUE(sameBytes(expected("app-expected", name), generated(name))) << name;
  }
}

TEST_F(Pv2BackEnd, LibraryWithDefinitionsMatchesTheGoldenFiles) {
  writeFile(dir_ / "demo.cbx", readFile(std::string(TESTDATA_DIR) + "/pv2/demo.cbx"));
  info_.projectFile = "demo";
  info_.createLibrary = true;
  info_.asmOptimisation = true;
  info_.defines = {"A", "B=2", "P%sQ"};
  info_.version = 521;
  info_.targetSegment = 4000;
  info_.programName = "My %d Lib";
  auto tool = backEnd();
  ASSERT_TRUE(tool->readProject());
  for (const char* name : {"MakeSDK.1", "MakeSDK.2", "makefile"}) {
    EXPECT_TRUE(sameBytes(expected("lib-expected", name), generated(name))) << name;
  }
}

TEST_F(Pv2BackEnd, NoFilesAtAll) {
  info_.programName = "empty";
  EXPECT_EQ(errorsOfWrite({}), "");
  EXPECT_TRUE(result_);
  EXPECT_TRUE(hasLine("makefile", "APLOBJS = "));
  EXPECT_TRUE(hasLine("makefile", "HEADFILE = "));
  EXPECT_TRUE(hasLine("MakeSDK.2", "LINKINF = $(LINK1) $(TARSEG) $(DEBUG_FLAG) -o$(ODIR)\\$(HEX) $(ALLOBJS)"));
}

TEST_F(Pv2BackEnd, DefinitionsAsmAndVersions) {
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
    info_.defines = c.defines;
    info_.asmOptimisation = c.asmOptimisation;
    info_.version = c.version;
    errorsOfWrite({});
    const std::string cflag = "CFLAG = -m$(MODEL) -DPV=1 -a -v0 -o -cs $(DEBUG_FLAG) -I$(HDIR) -I$(CHDIR) ";
    EXPECT_TRUE(hasLine("MakeSDK.1", cflag + c.cflagEnd));
    EXPECT_NE(generated("MakeSDK.1").find("SDKPATH = C:\\PVSDK\\C\r\n" + std::string(c.asmLine) + "\r\nLHDIR"),
              std::string::npos);
    EXPECT_TRUE(hasLine("makefile", c.versionLine));
    EXPECT_TRUE(hasLine("makefile", c.pvVersionLine));
  }
}

TEST_F(Pv2BackEnd, HeaderPrefixesAndSourceEntries) {
  info_.programName = "Prog With Blanks";
  errorsOfWrite({"c\\a.c", "d\\a.asm", "x.a86"}, {"H\\x.h", "h\\y.H", "sub\\H\\z.h", "z.h", "\\abs\\H\\w.h"});
  const std::string makefile = generated("makefile");
  EXPECT_NE(makefile.find("APLOBJS = $(ODIR)\\a.obj \\\r\n\t$(ODIR)\\a.obj \\\r\n\t$(ODIR)\\x.obj \\\r\n\t\r\n"),
            std::string::npos);
  EXPECT_NE(makefile.find("HEADFILE = $(HDIR)\\x.h \\\r\n\t$(HDIR)\\y.h \\\r\n\tsub\\H\\z.h \\\r\n\tz.h \\\r\n\t"
                          "\\abs\\H\\w.h \\\r\n\t\r\n"),
            std::string::npos);
  EXPECT_TRUE(hasLine("makefile", "TARGET = Prog With Blanks"));
  EXPECT_TRUE(hasLine("makefile", "PROGNAME = \"Prog With Blanks\""));
}

TEST_F(Pv2BackEnd, DirectoriesByKindOfBuild) {
  errorsOfWrite({});
  for (const char* name : {"PV2BUILD/OBJDBG", "PV2BUILD/OBJREL"}) EXPECT_TRUE(fs::is_directory(dir_ / name)) << name;
  EXPECT_FALSE(fs::exists(dir_ / "PV2BUILD/OBJDBG_S"));
  EXPECT_TRUE(hasLine("MakeSDK.1", "ODIR  = PV2BUILD\\OBJDBG"));
  EXPECT_EQ(generated("makefile").find("$(AR)"), std::string::npos);

  TempDir other;
  ScopedCurrentDirectory inOther(other.path());
  info_.createLibrary = true;
  auto tool = backEnd();
  ASSERT_TRUE(tool->writeMakefiles());
  for (const char* name : {"PV2BUILD/OBJDBG_S", "PV2BUILD/OBJREL_S", "PV2BUILD/OBJDBG_P", "PV2BUILD/OBJREL_P"}) {
    EXPECT_TRUE(fs::is_directory(other / name)) << name;
  }
  EXPECT_FALSE(fs::exists(other / "PV2BUILD/OBJDBG"));
}

TEST_F(Pv2BackEnd, UnwritableFilesStopTheWriting) {
  struct Case {
    const char* blocked;
    std::vector<const char*> written;
  } const cases[] = {
      {"MakeSDK.1", {}},
      {"MakeSDK.2", {"MakeSDK.1"}},
      {"makefile", {"MakeSDK.1", "MakeSDK.2"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.blocked);
    fs::remove_all(dir_ / "PV2BUILD");
    // A directory where the file should be: it cannot be opened for writing.
    fs::create_directories(dir_ / ("PV2BUILD/" + std::string(c.blocked)));
    EXPECT_EQ(errorsOfWrite({"c\\main.c"}), "Unable to write PV2BUILD\\" + std::string(c.blocked) + "\n");
    EXPECT_FALSE(result_);
    for (const char* name : {"MakeSDK.1", "MakeSDK.2", "makefile"}) {
      const bool shouldExist = std::find(c.written.begin(), c.written.end(), std::string(name)) != c.written.end();
      EXPECT_EQ(fs::is_regular_file(dir_ / ("PV2BUILD/" + std::string(name))), shouldExist) << name;
    }
    EXPECT_TRUE(fs::is_directory(dir_ / "PV2BUILD/OBJREL"));  // created before anything is opened
  }
}

// Runs of the stand-in kmmake, found through the PATH that the back end sets.
class Pv2Run : public Pv2BackEnd {
 protected:
  void SetUp() override {
    sdk_ = dir_ / "sdk";
    compiler_ = dir_ / "lsic86";
    fs::create_directories(compiler_ + "/bin");
    fs::copy_file(std::string(STANDIN_DIR) + "/kmmake" + testsupport::kExecutableSuffix, compiler_ + "/bin/kmmake" + testsupport::kExecutableSuffix);
    settings_["PV2SDK Paths"]["SDKPath"] = sdk_;
    settings_["PV2SDK Paths"]["CompilerPath"] = compiler_;
    platform::setVariable("STANDIN_LOG", dir_ / "standin.log");
    platform::setVariable("STANDIN_EXIT_CODE", "0");
    platform::setVariable("PATH", oldPath_);
  }

  bool runBuild() {
    auto tool = backEnd();
    ::testing::internal::CaptureStderr();
    const bool result = tool->runBuild();
    errors_ = ::testing::internal::GetCapturedStderr();
    return result;
  }

  // The command lines that the stand-in was started with, one per run.
  std::vector<std::string> commandLines() const {
    std::vector<std::string> lines;
    std::string current;
    const std::string log = readFile(dir_ / "standin.log");
    size_t start = 0;
    while (start < log.size()) {
      const size_t end = log.find('\n', start);
      const std::string line = log.substr(start, end - start);
      start = end + 1;
#ifdef _WIN32
      if (line.rfind("commandline=", 0) == 0) lines.push_back(line.substr(12));
#else
      if (line.rfind("arg=", 0) == 0) current += (current.empty() ? "kmmake " : "") + line.substr(4) + " ";
      if (line == "end") {
        lines.push_back(current.empty() ? "kmmake " : current);
        current.clear();
      }
#endif
    }
    return lines;
  }

  ScopedVariable savedPath_{"PATH"};
  ScopedVariable savedLog_{"STANDIN_LOG"};
  ScopedVariable savedExit_{"STANDIN_EXIT_CODE"};
  std::string oldPath_ = "OLDPATH";
  std::string sdk_;
  std::string compiler_;
  std::string errors_;
};

TEST_F(Pv2Run, CommandLinesOfEveryKindOfBuild) {
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
    fs::remove(dir_ / "standin.log");
    info_.createLibrary = c.library;
    info_.memoryModel = c.model;
    info_.debugBuild = c.debug;
    EXPECT_TRUE(runBuild());
    EXPECT_EQ(errors_, "");
    EXPECT_EQ(commandLines(), c.lines);
    EXPECT_FALSE(fs::exists(dir_ / "make.i"));  // the stand-in left one each time
  }
}

TEST_F(Pv2Run, PathHasTheToolDirectoriesInFront) {
  ASSERT_TRUE(runBuild());
  const std::string log = readFile(dir_ / "standin.log");
#ifdef _WIN32
  const std::string expected = "PATH=" + sdk_ + "\\TOOL;" + compiler_ + "\\bin;" + oldPath_ + "\n";
#else
  const std::string expected = "PATH=" + sdk_ + "/TOOL:" + compiler_ + "/bin:" + oldPath_ + "\n";
#endif
  EXPECT_NE(log.find(expected), std::string::npos) << log;
  EXPECT_NE(log.find("cwd=" + dir_.path() + "\n"), std::string::npos) << log;
}

TEST_F(Pv2Run, MissingKmmakeInALibraryBuild) {
  fs::remove(compiler_ + "/bin/kmmake" + testsupport::kExecutableSuffix);
  writeFile(dir_ / "make.i", "left by an earlier run");
  info_.createLibrary = true;
  EXPECT_FALSE(runBuild());
  EXPECT_EQ(errors_, "Error: Unable to start kmmake\n");  // once: no second attempt
  EXPECT_FALSE(fs::exists(dir_ / "make.i"));
}

TEST_F(Pv2Run, FailingKmmakeFailsTheBuild) {
  platform::setVariable("STANDIN_EXIT_CODE", "2");
  info_.createLibrary = true;
  EXPECT_FALSE(runBuild());
  // Both models are still made: the first make could be started.
  EXPECT_EQ(commandLines().size(), 2u);
  EXPECT_EQ(errors_, "Error: kmmake ended with exit code 2\nError: kmmake ended with exit code 2\n");
}

TEST_F(Pv2Run, MissingCompilerPathStartsNothing) {
  settings_ = ucl::IniFile();
  settings_["PV2SDK Paths"]["SDKPath"] = sdk_;
  auto tool = backEnd();
  EXPECT_THROW(tool->runBuild(), SettingNotFound);
  std::string path;
  platform::getVariable("PATH", path);
  EXPECT_EQ(path, oldPath_);
  EXPECT_FALSE(fs::exists(dir_ / "standin.log"));
}

}  // namespace
