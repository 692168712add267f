// The parts of the arena that both hosts share.
#include "memory.h"

namespace platform {

void* MemoryArena::allocate(size_t size) {
  const size_t aligned = (size + 15) & ~static_cast<size_t>(15);
  if (base_ == nullptr || aligned > capacity_ - used_) return nullptr;
  void* memory = base_ + used_;
  used_ += aligned;
  return memory;
}

bool MemoryArena::owns(const void* memory) const {
  const char* address = static_cast<const char*>(memory);
  return base_ != nullptr && address >= base_ && address < base_ + capacity_;
}

}  // namespace platform
