// Any project file through the reader, both back ends and the writer: no
// crash, and nothing written but the build directories.
#include <set>

#include "buildtool/filewriter.h"
#include "common/projectfile.h"
#include "buildtool/pv2backend.h"
#include "buildtool/pv3backend.h"
#include "fuzz/fuzzsupport.h"
#include "platform/files.h"

using namespace kestrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzsupport::scratchDirectory();
  fuzzsupport::writeBytes("fuzz.cbx", data, size);

  ucl::RealDisk disk;
  const auto files = ucl::readProjectFile(disk, "fuzz.cbx");
  if (files) {
    for (const std::string& path : *files) FUZZ_CHECK(path.find('/') == std::string::npos);
    for (const bool library : {false, true}) {
      BuildOptions options;
      options.programName = "fuzz";
      options.createLibrary = library;
      options.defines = {"A=%s"};
      std::string err;
      const BuildDirectory pv2 = pv2Makefiles(options, SdkPaths{"C:\\PV%sSDK", ""}, *files);
      const BuildDirectory pv3 = pv3Makefiles(options, SdkPaths{"C:\\PVSDK3", "C:\\SHC"}, *files);
      FUZZ_CHECK(writeBuildDirectory(disk, pv2, false, nullptr, &err));
      FUZZ_CHECK(writeBuildDirectory(disk, pv3, false, nullptr, &err));
    }
  }

  const std::set<std::string> allowed = {".", "..", "fuzz.cbx", "PV2BUILD", "PV3BUILD"};
  for (const std::string& name : platform::findFiles("*")) FUZZ_CHECK(allowed.count(name) == 1);
  return 0;
}
