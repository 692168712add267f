// The library in the real Java virtual machine: the class AddInJNIComm of
// the built jar loads libplover.so from the bin directory of a temporary
// IDE tree, and a small driver calls every native method through it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "testing/processrun.h"
#include "testing/idetree.h"

namespace {

namespace fs = std::filesystem;
using plovertest::IdeTree;
using testsupport::programPath;
using testsupport::Spelling;
using testsupport::readFile;

class Jvm : public ::testing::Test {
 protected:
  void SetUp() override {
    tree_.installShippedTemplates();
    tree_.installBuildTool(std::string(PLOVER_KESTREL), std::string(PLOVER_STANDIN_KMMAKE));
    fs::copy_file(std::string(PLOVER_LIBRARY), fs::path(tree_.nativeModuleDirectory()) / "libplover.so");
    sdk_ = programPath(Spelling::product, tree_.sdkDir());
    tree_.writeSettings(sdk_);
  }

  testsupport::ProgramRun driver(const std::vector<std::string>& commands) {
    std::vector<std::string> argv = {std::string(PLOVER_JAVA), "-Djava.library.path=" + tree_.nativeModuleDirectory(), "-cp",
                                     std::string(PLOVER_JAR) + ":" + std::string(PLOVER_DRIVER_JAR),
                                     "WizardDriver"};
    argv.insert(argv.end(), commands.begin(), commands.end());
    std::map<std::string, std::string> variables = {{"XDG_CONFIG_HOME", tree_.path("config")},
                                                    {"JAVA_TOOL_OPTIONS", ""}};
    // A library built with the sanitizers needs their runtime in the JVM,
    // which handles its own SIGSEGV and keeps memory to the end.
    if (!std::string(PLOVER_JVM_PRELOAD).empty()) {
      variables["LD_PRELOAD"] = std::string(PLOVER_JVM_PRELOAD);
      variables["ASAN_OPTIONS"] = "detect_leaks=0:handle_segv=0:allow_user_segv_handler=1";
    }
    return testsupport::runProgram(argv, tree_.path(""), variables);
  }

  IdeTree tree_;
  std::string sdk_;
};

TEST_F(Jvm, SdkPathIsAppendedToTheBuffer) {
  const auto run = driver({"path", "SDK: "});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "path=SDK: " + sdk_ + "\n");
}

TEST_F(Jvm, DebugMessageGoesToStandardError) {
  const auto run = driver({"debug", "Hello from the wizard"});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out, "debug done\n");
  EXPECT_EQ(run.err, "DebugMessage:\nHello from the wizard\n");
}

TEST_F(Jvm, ProjectsAreCreatedAndBuildWithKestrel) {
  fs::create_directories(tree_.sdkDir() + "/C");
  const auto run = driver({"create", "demo", "false", "create", "mylib", "true"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "create=true\ncreate=true\n");

  struct Case {
    const char* name;
    const char* arguments;
    const char* source;
    const char* header;
    bool library;
  } const cases[] = {
      {"demo", "-d demo", "C/main.c", "H/main.h", false},
      {"mylib", "-l mylib", "C/library.c", "H/library.h", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string directory = tree_.sdkDir() + "/C/" + c.name;
    const std::string cbx = readFile(directory + "/" + c.name + ".cbx");
    EXPECT_NE(cbx.find(std::string("<node name=\"") + c.name + "\" type=\"Folder\">\r\n"), std::string::npos);
    EXPECT_EQ(cbx.find('%'), std::string::npos);
    EXPECT_EQ(readFile(directory + "/" + c.source),
              readFile(tree_.templatesDir() + (c.library ? "/projlib/" : "/projapp/") + c.source));
    EXPECT_TRUE(fs::exists(directory + "/" + c.header));
    EXPECT_EQ(fs::exists(directory + "/MENUICON/icon.bmp"), !c.library);
    EXPECT_TRUE(fs::exists(directory + "/" + c.name + ".cbx.local"));
    EXPECT_FALSE(fs::exists(directory + "/proj.cbx.local"));

    EXPECT_EQ(tree_.runBuildTool(directory, c.arguments), 0);
    const std::string makefile = readFile(directory + "/PV2BUILD/makefile");
    EXPECT_NE(makefile.find(std::string("PROGNAME = \"") + c.name + "\"\r\n"), std::string::npos);
    EXPECT_NE(makefile.find("APLOBJS = $(ODIR)\\" + fs::path(c.source).stem().string() + ".obj \\\r\n"),
              std::string::npos);
    EXPECT_NE(makefile.find("HEADFILE = $(HDIR)\\" + fs::path(c.header).filename().string() + " \\\r\n"),
              std::string::npos);
    EXPECT_EQ(makefile.find("$(CLDIR)\\$(TARGET).lib: $(APLOBJS)") != std::string::npos, c.library);
    const std::string log = readFile(directory + "/standin.log");
    EXPECT_EQ(log.find("tool=kmmake\n"), 0u);
    EXPECT_NE(log.find("arg=PV2BUILD\\makefile\n"), std::string::npos);
    EXPECT_EQ(log.find("arg=PMODEL=1\n") != std::string::npos, c.library);
  }
}

TEST_F(Jvm, LibrariesOfTheSdk) {
  for (const char* file : {"graph.lib", "libc.lib", "X.LIB", ".lib"}) {
    testsupport::writeFile(tree_.sdkDir() + "/C/Com_Lib/S/" + file, "library");
  }
  const auto run = driver({"libraries"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out.rfind("libraries=2\n", 0), 0u) << run.out;
  EXPECT_NE(run.out.find("library=[graph]\n"), std::string::npos);
  EXPECT_NE(run.out.find("library=[]\n"), std::string::npos);
}

TEST_F(Jvm, RunWritesTheSimulatorFilesButFindsNoWindowOffWindows) {
  fs::create_directories(tree_.sdkDir() + "/C/demo/PV2BUILD");
  const std::string directory = sdk_ + "\\C\\demo";
  const auto run = driver({"run", "demo", directory, "true"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "run=false\n");
  const std::string simulatorProject = readFile(tree_.sdkDir() + "/C/demo/PV2BUILD/project.cpj");
  EXPECT_NE(simulatorProject.find("[GENERAL]\r\nVersion=302\r\nProjectName=demo\r\nCurrentDir=" + sdk_ +
                                  "\\\r\nSourceDir=" + directory + "\\\r\n"),
            std::string::npos)
      << simulatorProject;
  EXPECT_NE(simulatorProject.find("CHIPFILE3=C\\demo\\PV2BUILD\\OBJDBG\\demo.BIN\r\n"), std::string::npos);
  EXPECT_EQ(readFile(tree_.path("config/pvtools/registry.ini")),
            "[HKEY_CURRENT_USER\\Software\\CASIO\\SIM3022\\RecentFiles]\n4=" + directory +
                "\\PV2BUILD\\project.cpj\n");
}

TEST_F(Jvm, MissingSettingsFile) {
  fs::remove(tree_.settingsFile());
  const auto run = driver({"path", "kept", "create", "demo", "false", "libraries"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "path=kept\ncreate=false\nlibraries=0\n");
  EXPECT_FALSE(fs::exists(tree_.sdkDir() + "/C"));
}

}  // namespace
