// On Linux: glibc keeps freed small blocks in its heap until told.
#include "memory.h"

#include <malloc.h>

namespace platform {

void returnFreedMemory() { malloc_trim(0); }

}  // namespace platform
