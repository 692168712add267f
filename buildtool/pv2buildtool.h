// The back end for the older PV models: makefiles for kmmake and its run.
#pragma once

#include "buildtool/buildtool.h"

class PV2BuildTool : public BuildTool {
 public:
  PV2BuildTool(const ucl::IniFile& settings, BuildInfo* info);

  bool writeMakefiles() override;
  void addSourceFile(const std::string& path) override;
  void addHeaderFile(const std::string& path) override;
  void addLibrary(const std::string& path) override;
  bool runBuild() override;

  // Runs kmmake once for the memory model 'S' or 'P'; true when it started.
  bool runKmmake(char model);
};
