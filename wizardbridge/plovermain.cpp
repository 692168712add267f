// The program plover: the command line over the wizard bridge.
#include <string>
#include <vector>

#include "common/moduledirectory.h"
#include "platform/arguments.h"
#include "platform/console.h"
#include "platform/desktop.h"
#include "platform/interrupt.h"
#include "wizardbridge/bridge.h"
#include "wizardbridge/commandline.h"
#include "wizardbridge/exitwindow.h"

int main(int argc, char** argv) {
  plover::SimulatorControl simulator(platform::systemDesktop(), plover::systemExitWindow());
  plover::CommandContext context{ucl::moduleDirectory(plover::moduleHandle()), simulator, plover::simulatorRunsHere(),
                                 [] {
                                   // Ctrl+C is caught from the first question on, which
                                   // comes once the simulator runs: before, it ends plover.
                                   static const bool caught = (platform::catchInterrupt(), true);
                                   return caught && platform::interruptRequested();
                                 },
                                 platform::consoleOut(), platform::consoleErr()};
  return plover::runCommand(platform::programArguments(argc, argv), context);
}
