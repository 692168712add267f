// The back end for the PV-S1600: makefiles for hmake and its run.
#pragma once

#include "buildtool/buildtool.h"

class PV3BuildTool : public BuildTool {
 public:
  PV3BuildTool(const ucl::IniFile& settings, BuildInfo* info);

  bool writeMakefiles() override;
  void addSourceFile(const std::string& path) override;
  void addHeaderFile(const std::string& path) override;
  void addLibrary(const std::string& path) override;
  bool runBuild() override;

 protected:
  int sourceCount = 0;            // C sources taken; the next one gets this number
  std::string linkerLibraryList;  // "library ..." lines of the linker subcommand
};
