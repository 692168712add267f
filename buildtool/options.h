// The options of one kestrel run, as its command line gives them.
#pragma once

#include <string>
#include <vector>

namespace kestrel {

struct BuildOptions {
  // What the driver does.
  bool createMakefile = true;
  int pvModel = 2;
  bool usageRequested = false;              // -? or /? was met; later arguments were not read
  std::vector<std::string> unknownOptions;  // as typed, in order

  // What the back end generates and runs.
  std::vector<std::string> defines;  // each as typed: NAME or NAME=value
  std::string projectFile;           // as given; the project file's title once it is found
  std::string programName;           // the project file's title when not given
  int version = 100;                 // in hundredths: 100 is version 1.00
  bool createLibrary = false;
  bool debugBuild = false;
  bool asmOptimisation = false;
  char memoryModel = 'S';  // 'S' or 'P'
  int targetSegment = 80000;
};

}  // namespace kestrel
