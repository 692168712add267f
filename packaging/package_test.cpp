// The packages as users unpack them into the IDE's directory: every file at
// its place, and the packaged kestrel builds the sample program from there
// with the packaged settings file as it is.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "testing/processrun.h"
#include "testing/testsupport.h"

namespace {

namespace fs = std::filesystem;
using testsupport::readFile;
using testsupport::TempDir;

std::set<std::string> filesBelow(const fs::path& root) {
  std::set<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file()) files.insert(fs::relative(entry.path(), root).generic_string());
  }
  return files;
}

class Package : public ::testing::Test {
 protected:
  // Unpacks the package into ide/ and lists what it holds.
  std::set<std::string> unpack(const std::string& zip) {
    const auto result = testsupport::runProgram({"unzip", "-q", zip, "-d", ide_}, root_.path());
    EXPECT_EQ(result.exitCode, 0) << result.err;
    return filesBelow(ide_);
  }

  // What the package must hold besides the programs.
  std::set<std::string> commonFiles() const {
    std::set<std::string> files = {"bin/plover.jar", "toolsets/PVSDK/Settings.ini"};
    for (const std::string& file : filesBelow(testsupport::environmentVariable("PACKAGE_TEMPLATES"))) {
      if (file != ".gitattributes") files.insert("templates/PVSDK/" + file);
    }
    return files;
  }

  // The sample project in SDK\C\hello of the packaged settings' SDK.
  void copySample(const std::string& sdk) {
    fs::create_directories(sdk + "/C");
    fs::copy(testsupport::environmentVariable("PACKAGE_SAMPLE"), sdk + "/C/hello", fs::copy_options::recursive);
  }

  TempDir root_;
  std::string ide_ = root_ / "ide";
};

// Why a package cannot be checked here, in one line; empty when it can. The
// packages are made apart from the trees' builds, and the Windows ones
// only where the Windows tree is configured.
std::string packageMissing(const char* variable) {
  const std::string zip = testsupport::environmentVariable(variable);
  if (zip.empty()) return std::string("no Windows tree configured for ") + variable;
  if (!testsupport::fileExists(zip)) return "the package is not built (no " + zip + "; scripts/build)";
  return "";
}

#define SKIP_WITHOUT(variable) \
  if (const std::string why = packageMissing(variable); !why.empty()) GTEST_SKIP() << why

TEST_F(Package, NativeTree) {
  SKIP_WITHOUT("PACKAGE_NATIVE");
  std::set<std::string> expected = commonFiles();
  expected.insert({"bin/libplover.so", "bin/plover", "toolsets/PVSDK/kestrel"});
  EXPECT_EQ(unpack(testsupport::environmentVariable("PACKAGE_NATIVE")), expected);

  // The command line finds the packaged settings from bin.
  const auto sdkPath = testsupport::runProgram({ide_ + "/bin/plover", "sdk"}, root_.path());
  EXPECT_EQ(sdkPath.exitCode, 0) << sdkPath.err;
  EXPECT_EQ(sdkPath.out, "C:\\PVSDK\n");

  // The packaged settings name C:\PVSDK and C:\LSIC86; natively the make
  // tool is found on the old PATH.
  const std::string sdk = root_ / "sdk";
  copySample(sdk);
  const auto result = testsupport::runProgram(
      {ide_ + "/toolsets/PVSDK/kestrel", "-d", "hello"}, sdk + "/C/hello",
      {{"PATH", testsupport::environmentVariable("PACKAGE_NATIVE_STANDINS") + ":" + testsupport::environmentVariable("PATH")},
       {"STANDIN_LOG", root_ / "standin.log"}});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_NE(readFile(sdk + "/C/hello/PV2BUILD/MakeSDK.1").find("SDKPATH = C:\\PVSDK\\C\r\n"), std::string::npos);
  EXPECT_NE(readFile(root_ / "standin.log").find("arg=DEBUG=1\n"), std::string::npos);
}

TEST_F(Package, WindowsProductHoldsEveryFile) {
  SKIP_WITHOUT("PACKAGE_WIN32_PRODUCT");
  std::set<std::string> expected = commonFiles();
  expected.insert({"bin/plover.dll", "bin/plover.exe", "toolsets/PVSDK/kestrel.exe"});
  EXPECT_EQ(unpack(testsupport::environmentVariable("PACKAGE_WIN32_PRODUCT")), expected);
}

TEST_F(Package, WindowsTree) {
  SKIP_WITHOUT("PACKAGE_WIN32");
  const std::string missing = testsupport::windowsProgramMissing(testsupport::environmentVariable("PACKAGE_WIN32"));
  if (!missing.empty()) GTEST_SKIP() << missing;
  std::set<std::string> expected = commonFiles();
  expected.insert({"bin/plover.dll", "bin/plover.exe", "toolsets/PVSDK/kestrel.exe"});
  EXPECT_EQ(unpack(testsupport::environmentVariable("PACKAGE_WIN32")), expected);

  const auto sdkPath =
      testsupport::runProgram({testsupport::environmentVariable("WINE_RUN"), ide_ + "/bin/plover.exe", "sdk"}, root_.path());
  EXPECT_EQ(sdkPath.exitCode, 0) << sdkPath.err;
  EXPECT_EQ(testsupport::withoutCr(sdkPath.out), "C:\\PVSDK\n");

  // Under Wine C:\PVSDK is a directory of the test prefix: the settings
  // file works as shipped, with the stand-in make tool in C:\PVSDK\TOOL.
  const std::string sdk = testsupport::environmentVariable("WINEPREFIX") + "/drive_c/PVSDK";
  fs::remove_all(sdk);
  fs::create_directories(sdk + "/TOOL");
  fs::copy_file(testsupport::environmentVariable("PACKAGE_WIN32_STANDINS") + "/kmmake.exe", sdk + "/TOOL/kmmake.exe");
  copySample(sdk);
  const auto result = testsupport::runProgram(
      {testsupport::environmentVariable("WINE_RUN"), ide_ + "/toolsets/PVSDK/kestrel.exe", "-d", "hello"}, sdk + "/C/hello",
      {{"STANDIN_LOG", "C:\\PVSDK\\standin.log"}});
  const std::string log = readFile(sdk + "/standin.log");
  fs::remove_all(sdk);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_NE(log.find("commandline=kmmake -f PV2BUILD\\makefile -i DEBUG=1 \n"), std::string::npos) << log;
  EXPECT_NE(log.find("PATH=C:\\PVSDK\\TOOL;C:\\LSIC86\\bin;"), std::string::npos) << log;
}

// The IDE runs on a Java 1.4 virtual machine: class file version 48 at most.
TEST_F(Package, JarClassesLoadInTheIdesJavaVersion) {
  for (const char* package : {"PACKAGE_NATIVE", "PACKAGE_WIN32", "PACKAGE_WIN32_PRODUCT"}) {
    if (testsupport::environmentVariable(package).empty()) continue;
    SKIP_WITHOUT(package);
    SCOPED_TRACE(package);
    fs::remove_all(ide_);
    unpack(testsupport::environmentVariable(package));
    const std::string classes = root_ / "classes";
    fs::remove_all(classes);
    const auto result = testsupport::runProgram({"unzip", "-q", ide_ + "/bin/plover.jar", "-d", classes}, root_.path());
    ASSERT_EQ(result.exitCode, 0) << result.err;
    int count = 0;
    for (const std::string& file : filesBelow(classes)) {
      if (fs::path(file).extension() != ".class") continue;
      const std::string bytes = readFile(classes + "/" + file);
      ASSERT_GE(bytes.size(), 8u) << file;
      const int major = static_cast<unsigned char>(bytes[6]) * 256 + static_cast<unsigned char>(bytes[7]);
      EXPECT_LE(major, 48) << file;
      ++count;
    }
    EXPECT_EQ(count, 1);
  }
}

}  // namespace
