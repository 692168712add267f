// kestrel: the PV SDK build tool and makefile creator.
#include <iostream>

#include "buildtool/driver.h"
#include "common/moduledirectory.h"
#include "platform/arguments.h"

int main(int argc, char** argv) {
  kestrel::ProcessMakeRunner makeRunner;
  return kestrel::runKestrel(platform::programArguments(argc, argv), ucl::moduleDirectory(nullptr) + "Settings.ini",
                             makeRunner, std::cout, std::cerr);
}
