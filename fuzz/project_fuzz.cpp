// Any project file through the reader and both back ends' makefile writers:
// no crash, and nothing written but the build directories.
#include <iostream>
#include <set>

#include "buildtool/pv2buildtool.h"
#include "buildtool/pv3buildtool.h"
#include "fuzz/fuzzsupport.h"
#include "platform/files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzsupport::scratchDirectory();
  static const bool quiet = [] {
    std::cerr.rdbuf(nullptr);  // the tools' messages are not the fuzzer's
    return true;
  }();
  (void)quiet;
  fuzzsupport::writeBytes("fuzz.cbx", data, size);

  ucl::IniFile settings;
  settings["PV2SDK Paths"]["SDKPath"] = "C:\\PV%sSDK";
  settings["PV3SDK Paths"]["SDKPath"] = "C:\\PVSDK3";
  settings["PV3SDK Paths"]["CompilerPath"] = "C:\\SHC";
  for (const bool library : {false, true}) {
    BuildInfo info;
    info.projectFile = "fuzz";
    info.createLibrary = library;
    info.defines = {"A=%s"};
    PV2BuildTool(settings, &info).readProject();
    info.projectFile = "fuzz";
    PV3BuildTool(settings, &info).readProject();
  }

  const std::set<std::string> allowed = {".", "..", "fuzz.cbx", "PV2BUILD", "PV3BUILD"};
  for (const std::string& name : platform::findFiles("*")) FUZZ_CHECK(allowed.count(name) == 1);
  return 0;
}
