// The PV3 back end: makefile.mak and sources.def, and the hmake run.
#include "buildtool/pv3buildtool.h"

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

class Pv3BackEnd : public ::testing::Test {
 protected:
  Pv3BackEnd() {
    settings_["PV3SDK Paths"]["SDKPath"] = "C:\\PVSDK3";
    settings_["PV3SDK Paths"]["CompilerPath"] = "C:\\SHC";
  }

  std::unique_ptr<PV3BuildTool> backEnd() { return std::make_unique<PV3BuildTool>(settings_, &info_); }

  std::string errorsOfWrite(const std::vector<std::string>& sources, const std::vector<std::string>& libraries = {}) {
    auto tool = backEnd();
    for (const auto& path : sources) tool->addSourceFile(path);
    for (const auto& path : libraries) tool->addLibrary(path);
    ::testing::internal::CaptureStderr();
    result_ = tool->writeMakefiles();
    return ::testing::internal::GetCapturedStderr();
  }

  std::string generated(const std::string& name) const { return readFile(dir_ / ("PV3BUILD/" + name)); }

  TempDir dir_;
  ScopedCurrentDirectory inDir_{dir_.path()};
  ucl::IniFile settings_;
  BuildInfo info_;
  bool result_ = false;
};

TEST_F(Pv3BackEnd, EveryKindOfBuildMatchesItsGoldenFiles) {
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
  writeFile(dir_ / "demo.cbx", readFile(std::string(TESTDATA_DIR) + "/pv3/demo.cbx"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    info_ = BuildInfo();
    info_.projectFile = "demo";
    info_.defines = {"A", "B=2"};
    info_.debugBuild = c.debug;
    info_.createLibrary = c.library;
    auto tool = backEnd();
    ASSERT_TRUE(tool->readProject());
    for (const char* name : {"makefile.mak", "sources.def"}) {
      const std::string expected = readFile(std::string(TESTDATA_DIR) + "/pv3/" + c.expected + "/" + name);
      EXPECT_TRUE(sameBytes(expected, generated(name))) << name;
    }
  }
}

TEST_F(Pv3BackEnd, NoSourceAtAll) {
  info_.programName = "empty";
  EXPECT_EQ(errorsOfWrite({}), "");
  EXPECT_TRUE(result_);
  for (const char* name : {"makefile.mak", "sources.def"}) {
    const std::string expected = readFile(std::string(TESTDATA_DIR) + "/pv3/empty-expected/" + name);
    EXPECT_TRUE(sameBytes(expected, generated(name))) << name;
  }
}

TEST_F(Pv3BackEnd, OnlyLowerCaseCSourcesAreCompiled) {
  errorsOfWrite({"C\\main.c", "C\\MAIN2.C", "C\\util.asm", "C\\x.a86", "other\\Dir.c\\y.c", "name.Cc"});
  const std::string sources = generated("sources.def");
  EXPECT_NE(sources.find("# Application Sources (C*.c)\r\nFILE0=main\r\nFILE1=y\r\n\r\n\r\n"), std::string::npos)
      << sources;
  EXPECT_EQ(generated("makefile.mak").find("$(FILE2)"), std::string::npos);
}

TEST_F(Pv3BackEnd, DefinitionsAndPercentSigns) {
  info_.defines = {"X=100%", "Y=%s"};
  info_.programName = "%d %s";
  errorsOfWrite({});
  const std::string makefile = generated("makefile.mak");
  EXPECT_NE(makefile.find("\r\nCCINF0 = -define=Y=%s -define=X=100%  $(CCINF)\r\n"), std::string::npos);
  EXPECT_NE(makefile.find("\r\nTARGET=%d %s\r\n"), std::string::npos);
  EXPECT_NE(makefile.find("\r\nTITLE=\"%d %s\"\r\n"), std::string::npos);

  info_.defines.clear();
  errorsOfWrite({});
  EXPECT_NE(generated("sources.def").find("\r\nCCINF0 =  $(CCINF)\r\n"), std::string::npos);
}

TEST_F(Pv3BackEnd, BothObjectDirectoriesForEveryKind) {
  for (const bool library : {false, true}) {
    fs::remove_all(dir_ / "PV3BUILD");
    info_.createLibrary = library;
    errorsOfWrite({});
    EXPECT_TRUE(fs::is_directory(dir_ / "PV3BUILD/OBJDBG"));
    EXPECT_TRUE(fs::is_directory(dir_ / "PV3BUILD/OBJREL"));
  }
}

TEST_F(Pv3BackEnd, MissingCompilerPathCreatesNothing) {
  settings_ = ucl::IniFile();
  settings_["PV3SDK Paths"]["SDKPath"] = "C:\\PVSDK3";
  auto tool = backEnd();
  EXPECT_THROW(tool->writeMakefiles(), SettingNotFound);
  EXPECT_FALSE(fs::exists(dir_ / "PV3BUILD"));
}

TEST_F(Pv3BackEnd, UnwritableFiles) {
  fs::create_directories(dir_ / "PV3BUILD/makefile.mak");
  EXPECT_EQ(errorsOfWrite({"a.c"}), "Unable to write PV3BUILD\\makefile.mak\n");
  EXPECT_FALSE(result_);
  EXPECT_FALSE(fs::exists(dir_ / "PV3BUILD/sources.def"));
  EXPECT_TRUE(fs::is_directory(dir_ / "PV3BUILD/OBJREL"));

  fs::remove_all(dir_ / "PV3BUILD");
  fs::create_directories(dir_ / "PV3BUILD/sources.def");
  EXPECT_EQ(errorsOfWrite({"a.c"}), "Unable to write PV3BUILD\\sources.def\n");
  EXPECT_FALSE(result_);
  EXPECT_TRUE(fs::is_regular_file(dir_ / "PV3BUILD/makefile.mak"));
}

// Runs of the stand-in hmake in the compiler's bin directory.
class Pv3Run : public Pv3BackEnd {
 protected:
  void SetUp() override { useCompiler(dir_ / "shc"); }

  void useCompiler(const std::string& directory) {
    compiler_ = directory;
    fs::create_directories(compiler_ + "/bin");
    fs::copy_file(std::string(STANDIN_DIR) + "/hmake" + testsupport::kExecutableSuffix, compiler_ + "/bin/hmake" + testsupport::kExecutableSuffix,
                  fs::copy_options::overwrite_existing);
    settings_["PV3SDK Paths"]["SDKPath"] = "C:\\PVSDK3";
    settings_["PV3SDK Paths"]["CompilerPath"] = compiler_;
    platform::setVariable("STANDIN_LOG", dir_ / "standin.log");
    platform::setVariable("STANDIN_EXIT_CODE", "0");
    platform::setVariable("PATH", "OLDPATH");
  }

  bool runBuild() {
    fs::remove(dir_ / "standin.log");
    auto tool = backEnd();
    ::testing::internal::CaptureStderr();
    const bool result = tool->runBuild();
    errors_ = ::testing::internal::GetCapturedStderr();
    return result;
  }

  std::string log() const { return readFile(dir_ / "standin.log"); }

  ScopedVariable savedPath_{"PATH"};
  ScopedVariable savedLog_{"STANDIN_LOG"};
  ScopedVariable savedExit_{"STANDIN_EXIT_CODE"};
  ScopedVariable savedInc_{"SHC_INC"};
  ScopedVariable savedLib_{"SHC_LIB"};
  ScopedVariable savedTmp_{"SHC_TMP"};
  std::string compiler_;
  std::string errors_;
};

TEST_F(Pv3Run, EnvironmentAndCommandLine) {
  ASSERT_TRUE(runBuild());
  EXPECT_EQ(errors_, "");
  const std::string recorded = log();
#ifdef _WIN32
  const std::string expected = "commandline=" + compiler_ + "\\bin\\hmake PV3BUILD\\makefile.mak\n"
                               "arg=PV3BUILD\\makefile.mak\n"
                               "cwd=" + dir_.path() + "\n"
                               "PATH=C:\\PVSDK3\\TOOLS;" + compiler_ + ";OLDPATH\n";
#else
  const std::string expected = "arg=PV3BUILD\\makefile.mak\n"
                               "cwd=" + dir_.path() + "\n"
                               "PATH=C:/PVSDK3/TOOLS:" + compiler_ + ":OLDPATH\n";
#endif
  EXPECT_NE(recorded.find(expected), std::string::npos) << recorded;
  EXPECT_NE(recorded.find("SHC_INC=" + compiler_ + "\\include\nSHC_LIB=" + compiler_ + "\\bin\nSHC_TMP=" +
                          compiler_ + "\nend\n"),
            std::string::npos)
      << recorded;
}

TEST_F(Pv3Run, BuildOptionsDoNotChangeTheCommandLine) {
  ASSERT_TRUE(runBuild());
  const std::string plain = log();
  info_.debugBuild = true;
  info_.createLibrary = true;
  info_.memoryModel = 'P';
  ASSERT_TRUE(runBuild());
  // PATH grows with every run of the same process; the rest is the same.
  const auto withoutPath = [](std::string text) {
    const size_t begin = text.find("PATH=");
    return text.erase(begin, text.find('\n', begin) - begin);
  };
  EXPECT_EQ(withoutPath(log()), withoutPath(plain));
}

TEST_F(Pv3Run, CompilerDirectoryWithBlanksIsQuoted) {
  useCompiler(dir_ / "Program Files/SH C");
  ASSERT_TRUE(runBuild());
  const std::string recorded = log();
  EXPECT_NE(recorded.find("tool=hmake\n"), std::string::npos);
  EXPECT_NE(recorded.find("arg=PV3BUILD\\makefile.mak\ncwd="), std::string::npos) << recorded;
  EXPECT_NE(recorded.find("SHC_TMP=" + compiler_ + "\n"), std::string::npos);
}

TEST_F(Pv3Run, LongCompilerDirectoryWorks) {
  // Longer than the 227 characters a fixed command-line buffer would hold,
  // while the program's own path stays within the 260 of Windows.
  std::string directory = dir_.path();
  while (directory.size() < 190) directory += "/" + std::string(40, 'd');
  directory += "/" + std::string(230 - directory.size() - 1, 'e');
  useCompiler(directory);
  ASSERT_GT(compiler_.size(), 227u);
  ASSERT_TRUE(runBuild());
  EXPECT_NE(log().find("SHC_TMP=" + compiler_ + "\n"), std::string::npos);
}

TEST_F(Pv3Run, MissingHmake) {
  fs::remove(compiler_ + "/bin/hmake" + testsupport::kExecutableSuffix);
  EXPECT_FALSE(runBuild());
  EXPECT_EQ(errors_, "Error: Unable to start hmake\n");
}

TEST_F(Pv3Run, FailingHmakeFailsTheBuild) {
  platform::setVariable("STANDIN_EXIT_CODE", "4");
  EXPECT_FALSE(runBuild());
  EXPECT_EQ(errors_, "Error: hmake ended with exit code 4\n");
}

TEST_F(Pv3Run, MissingCompilerPathChangesNothing) {
  settings_ = ucl::IniFile();
  settings_["PV3SDK Paths"]["SDKPath"] = "C:\\PVSDK3";
  auto tool = backEnd();
  EXPECT_THROW(tool->runBuild(), SettingNotFound);
  std::string path;
  platform::getVariable("PATH", path);
  EXPECT_EQ(path, "OLDPATH");
  std::string unused;
  EXPECT_FALSE(platform::getVariable("SHC_TMP", unused) && unused == compiler_);
  EXPECT_FALSE(fs::exists(dir_ / "standin.log"));
}

}  // namespace
