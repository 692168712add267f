// The user's request from the console to stop the program (Ctrl+C).
#pragma once

namespace platform {

// From this call on, Ctrl+C (on Windows also Ctrl+Break) no longer ends the
// process at once: it is recorded, for interruptRequested to tell.
void catchInterrupt();
bool interruptRequested();

}  // namespace platform
