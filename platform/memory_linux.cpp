// Arenas on Linux: anonymous mappings, with transparent huge pages asked
// for (madvise), which Linux gives where it is set to.
#include "memory.h"

#include <sys/mman.h>

namespace platform {

MemoryArena::MemoryArena(size_t capacity) : base_(nullptr), capacity_(0) {
  void* mapped = mmap(nullptr, capacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (mapped == MAP_FAILED) return;
  madvise(mapped, capacity, MADV_HUGEPAGE);  // only a hint: without it, small pages
  base_ = static_cast<char*>(mapped);
  capacity_ = capacity;
}

MemoryArena::~MemoryArena() {
  if (base_ != nullptr) munmap(base_, capacity_);
}

}  // namespace platform
