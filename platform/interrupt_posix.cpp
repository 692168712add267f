// Ctrl+C as the signal SIGINT.
#include "interrupt.h"

#include <signal.h>

namespace platform {

namespace {

volatile sig_atomic_t requested = 0;

void onInterrupt(int) { requested = 1; }

}  // namespace

void catchInterrupt() {
  struct sigaction action = {};
  action.sa_handler = onInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
}

bool interruptRequested() { return requested != 0; }

}  // namespace platform
