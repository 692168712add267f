// Ctrl+C through the console's control handler.
#include "interrupt.h"

#include <atomic>

#include "win32.h"

namespace platform {

namespace {

std::atomic<bool> requested{false};

BOOL WINAPI controlHandler(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  requested = true;
  return TRUE;
}

}  // namespace

void catchInterrupt() { SetConsoleCtrlHandler(controlHandler, TRUE); }

bool interruptRequested() { return requested; }

}  // namespace platform
