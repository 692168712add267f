// kestrel: the PV SDK build tool and makefile creator.
#include "buildtool/driver.h"
#include "common/moduledirectory.h"
#include "platform/arguments.h"
#include "platform/console.h"

int main(int argc, char** argv) {
  kestrel::ProcessMakeRunner makeRunner;
  ucl::RealDisk disk;
  kestrel::Reporter reporter(platform::consoleOut(), platform::consoleErr(), kestrel::explainRequested());
  return kestrel::runKestrel(platform::programArguments(argc, argv), ucl::moduleDirectory(nullptr) + "Settings.ini",
                             disk, makeRunner, reporter);
}
