// Memory the process has freed.
#pragma once

namespace platform {

// Hands memory that the process has freed back to the system, so that a
// large structure that is gone no longer counts for the process.
void returnFreedMemory();

}  // namespace platform
