// The one place where kestrel starts its make tools.
#pragma once

#include "buildtool/backend.h"
#include "platform/process.h"

namespace kestrel {

// The environment the run's tool gets: kestrel's own with the run's
// changes. kestrel's own environment is left as it is.
platform::Environment makeEnvironment(const EnvironmentChanges& changes);

// Starts the tool with that environment and waits for it.
platform::ProcessOutcome runMake(const MakeRun& run);

// What the driver asks to run a make tool through, so that tests can see
// the runs without starting a process.
class MakeRunner {
 public:
  virtual ~MakeRunner() = default;
  virtual platform::ProcessOutcome run(const MakeRun& run) = 0;
};

// The runner of the program: runMake.
class ProcessMakeRunner : public MakeRunner {
 public:
  platform::ProcessOutcome run(const MakeRun& makeRun) override { return runMake(makeRun); }
};

}  // namespace kestrel
