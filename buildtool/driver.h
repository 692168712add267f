// kestrel's driver: one build from command line to exit code. The only
// part of kestrel that prints.
#pragma once

namespace kestrel {

// Returns the exit code: 0 for success and for a usage request, else 1.
int runKestrel(int argc, char** argv);

}  // namespace kestrel
