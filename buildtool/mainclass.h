// kestrel's application object: one build from command line to exit code.
#pragma once

#include <memory>

#include "buildtool/buildtool.h"

class MainClass {
 public:
  // Returns the exit code: 0 for success and for a usage request, else 1.
  int run(int argc, char** argv);

  std::unique_ptr<BuildTool> tool;
};
