// The exported native methods of the built library, loaded as the Java
// virtual machine loads it (dlopen, or LoadLibrary under Wine) from the bin
// directory of a temporary IDE tree, found by their undecorated names and
// called with a fake JNI environment that records the JNI calls.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <pugixml.hpp>

#ifdef _WIN32
#include "platform/win32.h"
#endif
#include "platform/codepages.h"
#include "testing/fakejni.h"
#include "testing/idetree.h"
#include "testing/loadedbridge.h"

namespace {

namespace fs = std::filesystem;
using plovertest::FakeJni;
using plovertest::IdeTree;
using plovertest::LoadedBridge;
using testsupport::programPath;
using testsupport::Spelling;
using testsupport::readFile;
using Calls = std::vector<std::string>;

const char* const kClass = "Java_com_velmora_opentools_casiopv_addinwiz_AddInJNIComm_";

TEST(Exports, FoundByTheirUndecoratedNames) {
  LoadedBridge& bridge = LoadedBridge::instance();
  for (const char* method : {"debugMethod", "nativeGetPV2SDKPath", "createPVSDKProject", "getPV2SDKLibraries",
                             "runPVSDKProject"}) {
    EXPECT_NE(bridge.symbol(std::string(kClass) + method), nullptr) << method;
  }
  EXPECT_EQ(bridge.symbol(std::string("_") + kClass + "debugMethod@12"), nullptr);
}

#if defined(_WIN32) && defined(__i386__)
TEST(Exports, CalleeRemovesItsArguments) {
  LoadedBridge& bridge = LoadedBridge::instance();
  bridge.tree().writeSettings("C:\\PVSDK");
  FakeJni jni;
  jobject buffer = jni.newStringBuffer("");
  const std::uint32_t arguments[] = {reinterpret_cast<std::uint32_t>(jni.env()), 0,
                                     reinterpret_cast<std::uint32_t>(buffer)};
  std::uint32_t left = 99;
  plovertest::callCountingStack(bridge.symbol(std::string(kClass) + "nativeGetPV2SDKPath"), arguments, 3, &left);
  EXPECT_EQ(left, 0u) << "bytes of arguments left on the stack";
  EXPECT_EQ(jni.textOf(buffer), "C:\\PVSDK");

  const std::uint32_t none[] = {reinterpret_cast<std::uint32_t>(jni.env()), 0};
  left = 99;
  plovertest::callCountingStack(bridge.symbol(std::string(kClass) + "getPV2SDKLibraries"), none, 2, &left);
  EXPECT_EQ(left, 0u);
}
#endif

#ifdef _WIN32
TEST(Exports, VersionResource) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(PLOVER_LIBRARY, &ignored);
  ASSERT_GT(size, 0u);
  std::vector<char> data(size);
  ASSERT_TRUE(GetFileVersionInfoA(PLOVER_LIBRARY, 0, size, data.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0x00010053u);  // 1.0.1.83
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0x00000000u);  // 1.0.0.0
  char* internalName = nullptr;
  ASSERT_TRUE(VerQueryValueA(data.data(), "\\StringFileInfo\\040904E4\\InternalName",
                             reinterpret_cast<void**>(&internalName), &length));
  EXPECT_STREQ(internalName, "plover");
}
#endif

TEST(Exports, NothingUnwindsIntoTheVirtualMachine) {
#ifdef _WIN32
  // The fake's exception would have to cross from this program into the
  // library, and with the runtime linked statically into each the unwinder
  // of one cannot walk the frames of the other.
  GTEST_SKIP() << "an exception cannot be thrown into the library from outside";
#endif
  LoadedBridge& bridge = LoadedBridge::instance();
  struct Case {
    const char* name;
    const char* throwingFunction;
    std::function<bool(FakeJni&)> failed;  // the call, true when it gave its failure value
  } const cases[] = {
      {"debugMethod", "GetStringUTFChars",
       [&](FakeJni& jni) {
         bridge.debugMethod()(jni.env(), nullptr, jni.newString("x"));
         return true;
       }},
      {"nativeGetPV2SDKPath", "GetObjectClass",
       [&](FakeJni& jni) {
         jobject buffer = jni.newStringBuffer("kept");
         bridge.nativeGetPV2SDKPath()(jni.env(), nullptr, buffer);
         return jni.textOf(buffer) == "kept";
       }},
      {"createPVSDKProject", "GetStringUTFChars",
       [&](FakeJni& jni) {
         return bridge.createPVSDKProject()(jni.env(), nullptr, jni.newString("thrown"), JNI_FALSE) == JNI_FALSE;
       }},
      {"getPV2SDKLibraries", "FindClass",
       [&](FakeJni& jni) { return bridge.getPV2SDKLibraries()(jni.env(), nullptr) == nullptr; }},
      {"runPVSDKProject", "GetStringUTFChars",
       [&](FakeJni& jni) {
         return bridge.runPVSDKProject()(jni.env(), nullptr, jni.newString("demo"), jni.newString("C:\\x"),
                                         JNI_TRUE) == JNI_FALSE;
       }},
  };
  for (const Case& c : cases) {
    FakeJni jni;
    jni.throwingFunction = c.throwingFunction;
    bool failed = false;
    EXPECT_NO_THROW(failed = c.failed(jni)) << c.name;
    EXPECT_TRUE(failed) << c.name;
    EXPECT_EQ(jni.unreleased(), 0) << c.name;
  }
}

TEST(DebugMethod, ShowsTheMessageAndReleasesIt) {
  LoadedBridge& bridge = LoadedBridge::instance();
  FakeJni jni;
  jstring message = jni.newString("Hello from the wizard");
  const plovertest::ShownMessage shown =
      plovertest::messageShownBy([&] { bridge.debugMethod()(jni.env(), nullptr, message); }, "DebugMessage:");
  EXPECT_EQ(shown.caption, "DebugMessage:");
  EXPECT_EQ(shown.text, "Hello from the wizard");
  EXPECT_FALSE(shown.icon);
  EXPECT_EQ(jni.calls, (Calls{"GetStringUTFChars(Hello from the wizard)", "ReleaseStringUTFChars(Hello from the wizard)"}));
  EXPECT_EQ(jni.unreleased(), 0);
  EXPECT_EQ(jni.wrongReleases, 0);
}

TEST(DebugMethod, FailedFetchShowsNothing) {
  LoadedBridge& bridge = LoadedBridge::instance();
  FakeJni jni;
  jni.failingFetch = "text";
  const plovertest::ShownMessage shown =
      plovertest::messageShownBy([&] { bridge.debugMethod()(jni.env(), nullptr, jni.newString("text")); },
                                 "DebugMessage:", 1500);
  EXPECT_FALSE(shown.appeared);
  EXPECT_EQ(jni.calls, (Calls{"GetStringUTFChars(text)"}));
  bridge.debugMethod()(jni.env(), nullptr, nullptr);
  EXPECT_EQ(jni.calls.size(), 1u);
}

TEST(NativeGetPV2SDKPath, AppendsTheSdkPathToTheBuffer) {
  LoadedBridge& bridge = LoadedBridge::instance();
  struct Case {
    const char* name;
    const char* settings;  // null: no settings file
    const char* appended;
  } const cases[] = {
      {"plain", "[PV2SDK Paths]\nSDKPath=C:\\PVSDK\n", "C:\\PVSDK"},
      {"trailing backslash", "[PV2SDK Paths]\nSDKPath=C:\\PVSDK\\\n", "C:\\PVSDK\\"},
      {"empty value", "[PV2SDK Paths]\nSDKPath=\n", ""},
      {"no settings file", nullptr, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(bridge.tree().settingsFile());
    if (c.settings != nullptr) bridge.tree().writeSettingsText(c.settings);
    FakeJni jni;
    jobject buffer = jni.newStringBuffer("SDK: ");
    bridge.nativeGetPV2SDKPath()(jni.env(), nullptr, buffer);
    EXPECT_EQ(jni.textOf(buffer), std::string("SDK: ") + c.appended);
    EXPECT_EQ(jni.calls, (Calls{"GetObjectClass(java/lang/StringBuffer)",
                                "GetMethodID(java/lang/StringBuffer, append, (Ljava/lang/String;)Ljava/lang/StringBuffer;)",
                                std::string("NewStringUTF(") + c.appended + ")",
                                std::string("CallObjectMethod(append, ") + c.appended + ")"}));
  }
}

TEST(NativeGetPV2SDKPath, MissingAppendIsReported) {
  LoadedBridge& bridge = LoadedBridge::instance();
  bridge.tree().writeSettings("C:\\PVSDK");
  FakeJni jni;
  jobject notABuffer = jni.newPlainObject();
  const plovertest::ShownMessage shown = plovertest::messageShownBy(
      [&] { bridge.nativeGetPV2SDKPath()(jni.env(), nullptr, notABuffer); }, "JNI Error");
  EXPECT_EQ(shown.caption, "JNI Error");
  EXPECT_EQ(shown.text, "Method does not exist");
#ifdef _WIN32
  EXPECT_TRUE(shown.icon);
#endif
  EXPECT_EQ(jni.calls, (Calls{"GetObjectClass(java/lang/Object)",
                              "GetMethodID(java/lang/Object, append, (Ljava/lang/String;)Ljava/lang/StringBuffer;)"}));
}

class CreateProjectExport : public ::testing::Test {
 protected:
  void SetUp() override {
    LoadedBridge& bridge = LoadedBridge::instance();
    fs::remove_all(bridge.tree().sdkDir() + "/C");
    fs::create_directories(bridge.tree().sdkDir() + "/C");
    bridge.tree().writeSettings(programPath(Spelling::product, bridge.tree().sdkDir()));
  }
  std::string project(const std::string& relative) const {
    return LoadedBridge::instance().tree().sdkDir() + "/C/" + relative;
  }
  bool create(FakeJni& jni, jstring name, jboolean library) {
    return LoadedBridge::instance().createPVSDKProject()(jni.env(), nullptr, name, library) == JNI_TRUE;
  }
};

TEST_F(CreateProjectExport, ApplicationAndLibraryThatKestrelBuilds) {
  LoadedBridge& bridge = LoadedBridge::instance();
  struct Case {
    const char* name;
    jboolean library;
    const char* buildArguments;
    const char* source;
    std::vector<std::string> kmmakeArguments;  // of the first run
  } const cases[] = {
      {"demo", JNI_FALSE, "-d demo", "C/main.c", {"-f", "PV2BUILD\\makefile", "-i", "DEBUG=1"}},
      {"mylib", 2, "-d -l mylib", "C/library.c", {"-f", "PV2BUILD\\makefile", "-i", "DEBUG=1", "PMODEL=1"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeJni jni;
    ASSERT_TRUE(create(jni, jni.newString(c.name), c.library));
    EXPECT_EQ(jni.calls, (Calls{std::string("GetStringUTFChars(") + c.name + ")",
                                std::string("ReleaseStringUTFChars(") + c.name + ")"}));

    const std::string cbx = readFile(project(std::string(c.name) + "/" + c.name + ".cbx"));
    EXPECT_NE(cbx.find(std::string("<node name=\"") + c.name + "\""), std::string::npos);
    EXPECT_EQ(cbx.find('%'), std::string::npos);
    EXPECT_NE(cbx.find("\r\n"), std::string::npos);
    EXPECT_TRUE(fs::exists(project(std::string(c.name) + "/" + c.source)));
    EXPECT_TRUE(fs::exists(project(std::string(c.name) + "/" + c.name + ".cbx.local")));
    EXPECT_FALSE(fs::exists(project(std::string(c.name) + "/proj.cbx.local")));

    const std::string directory = project(c.name);
    EXPECT_EQ(bridge.tree().runBuildTool(directory, c.buildArguments), 0);
    const std::string makefile = readFile(directory + "/PV2BUILD/makefile");
    EXPECT_NE(makefile.find(std::string("TARGET = ") + c.name + "\r\n"), std::string::npos);
    EXPECT_NE(makefile.find("APLOBJS = $(ODIR)\\" + fs::path(c.source).stem().string() + ".obj \\\r\n"),
              std::string::npos);
    EXPECT_NE(makefile.find("HEADFILE = $(HDIR)\\"), std::string::npos);
    const std::string log = readFile(directory + "/standin.log");
    EXPECT_EQ(log.rfind("tool=kmmake\n", 0), 0u) << log;
    for (const std::string& argument : c.kmmakeArguments) {
      EXPECT_NE(log.find("arg=" + argument), std::string::npos) << argument;
    }
  }
}

TEST_F(CreateProjectExport, JavasNameBeyondAsciiNamesTheDirectory) {
  // Java hands over modified UTF-8: the directory has the name's characters,
  // whichever of the two the code page holds.
  const std::string hyouji = "\xE8\xA1\xA8\xE7\xA4\xBA";  // 表示
  const std::string name = platform::utf8ToAnsi(hyouji) ? hyouji : "\xC3\x9C" "bung";
  FakeJni jni;
  ASSERT_TRUE(create(jni, jni.newString(name), JNI_FALSE));
  EXPECT_TRUE(fs::exists(fs::u8path(project(name + "/" + name + ".cbx"))));
  EXPECT_TRUE(fs::exists(fs::u8path(project(name + "/C/main.c"))));
}

TEST_F(CreateProjectExport, NameWithXmlsSpecialCharactersIsWellFormedAndBuilds) {
  FakeJni jni;
  ASSERT_TRUE(create(jni, jni.newString("R&D"), JNI_FALSE));
  const std::string cbx = readFile(project("R&D/R&D.cbx"));
  pugi::xml_document document;
  ASSERT_TRUE(document.load_buffer(cbx.data(), cbx.size(), pugi::parse_default | pugi::parse_declaration));
  EXPECT_STREQ(document.child("project").find_child_by_attribute("node", "type", "Folder").attribute("name").value(),
               "R&D");
  const std::string directory = project("R&D");
  EXPECT_EQ(LoadedBridge::instance().tree().runBuildTool(directory, "-d R&D"), 0);
  EXPECT_NE(readFile(directory + "/PV2BUILD/makefile").find("TARGET = R&D\r\n"), std::string::npos);
}

TEST_F(CreateProjectExport, UnsafeNameOrFailedFetchCreatesNothing) {
  // A name too long for Windows once crashed the shell copy.
  for (const std::string& name : {std::string(".."), std::string("a\\b"), std::string("x:y"), std::string(""),
                                  std::string("a?b"), std::string("con.txt"), std::string("trail."),
                                  std::string(300, 'n')}) {
    FakeJni jni;
    EXPECT_FALSE(create(jni, jni.newString(name.c_str()), JNI_FALSE)) << name;
    EXPECT_EQ(jni.unreleased(), 0);
  }
  FakeJni jni;
  jni.failingFetch = "demo";
  EXPECT_FALSE(create(jni, jni.newString("demo"), JNI_FALSE));
  EXPECT_EQ(jni.calls, (Calls{"GetStringUTFChars(demo)"}));
  EXPECT_TRUE(fs::is_empty(project("")));
}

TEST(GetPV2SDKLibraries, ArrayOfTheListedNames) {
  LoadedBridge& bridge = LoadedBridge::instance();
  const std::string sdk = bridge.tree().sdkDir();
  fs::remove_all(sdk + "/C/Com_Lib");
  bridge.tree().writeSettings(programPath(Spelling::product, sdk));
  {
    FakeJni jni;
    jobjectArray array = bridge.getPV2SDKLibraries()(jni.env(), nullptr);
    EXPECT_TRUE(jni.elementsOf(array).empty());
    EXPECT_EQ(jni.calls, (Calls{"FindClass(java/lang/String)", "NewObjectArray(0, java/lang/String, null)"}));
  }
  testsupport::writeFile(sdk + "/C/Com_Lib/S/graph.lib", "lib");
  testsupport::writeFile(sdk + "/C/Com_Lib/S/libc.lib", "lib");
  testsupport::writeFile(sdk + "/C/Com_Lib/S/X.LIB", "lib");
  FakeJni jni;
  jobjectArray array = bridge.getPV2SDKLibraries()(jni.env(), nullptr);
  EXPECT_EQ(jni.elementsOf(array), (std::vector<std::string>{"graph"}));
  EXPECT_EQ(jni.calls, (Calls{"FindClass(java/lang/String)", "NewObjectArray(1, java/lang/String, null)",
                              "NewStringUTF(graph)", "SetObjectArrayElement(0, graph)", "DeleteLocalRef(graph)"}));
}

}  // namespace
