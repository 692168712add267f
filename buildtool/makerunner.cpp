#include "buildtool/makerunner.h"

#include "platform/pathspelling.h"

namespace kestrel {

platform::Environment makeEnvironment(const EnvironmentChanges& changes) {
  platform::Environment environment = platform::Environment::ofThisProcess();
  if (!changes.pathInFront.empty()) environment.prependToPath(changes.pathInFront);
  for (const auto& [name, value] : changes.variables) environment.set(name, platform::windowsToHostPath(value));
  return environment;
}

platform::ProcessOutcome runMake(const MakeRun& run) {
  return platform::runAndWait(run.commandLine, makeEnvironment(run.environment));
}

}  // namespace kestrel
