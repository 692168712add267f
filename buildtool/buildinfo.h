// The options of one build, as the command line gives them to a back end.
#pragma once

#include <string>
#include <vector>

struct BuildInfo {
  std::vector<std::string> defines;  // each as typed: NAME or NAME=value
  std::string projectFile;           // the project file's title once it is found
  std::string programName;           // the project file's title when not given
  int version = 100;                 // in hundredths: 100 is version 1.00
  bool createLibrary = false;
  bool debugBuild = false;
  bool asmOptimisation = false;
  char memoryModel = 'S';  // 'S' or 'P' once a back end has been created
  int targetSegment = 80000;
};
