// On Windows: the C runtime's heap gives back what it can.
#include "memory.h"

#include <malloc.h>

namespace platform {

void returnFreedMemory() { _heapmin(); }

}  // namespace platform
