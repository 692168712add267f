// kestrel: the PV SDK build tool and makefile creator.
#include "buildtool/driver.h"
#include "common/moduledirectory.h"
#include "platform/arguments.h"
#include "platform/console.h"

int main(int argc, char** argv) {
  kestrel::ProcessMakeRunner makeRunner;
  return kestrel::runKestrel(platform::programArguments(argc, argv), ucl::moduleDirectory(nullptr) + "Settings.ini",
                             makeRunner, platform::consoleOut(), platform::consoleErr());
}
