// Arenas on Windows: reserved and committed address space, which the
// system turns into memory page by page as it is touched.
#include "memory.h"

#include "win32.h"

namespace platform {

MemoryArena::MemoryArena(size_t capacity)
    : base_(static_cast<char*>(VirtualAlloc(nullptr, capacity, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE))),
      capacity_(base_ != nullptr ? capacity : 0) {}

MemoryArena::~MemoryArena() {
  if (base_ != nullptr) VirtualFree(base_, 0, MEM_RELEASE);
}

}  // namespace platform
