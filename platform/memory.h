// Memory for one large, short-lived structure, taken from the system as a
// whole and given back to it as a whole.
#pragma once

#include <cstddef>

namespace platform {

// A block of address space: pages become memory when they are first
// touched (in large pages where the system offers them, which costs far
// fewer page faults), and all of it goes back to the system when the
// arena goes. Allocations are never freed one by one.
class MemoryArena {
 public:
  // Reserves room for capacity bytes; an arena the system refuses is empty.
  explicit MemoryArena(size_t capacity);
  ~MemoryArena();
  MemoryArena(const MemoryArena&) = delete;
  MemoryArena& operator=(const MemoryArena&) = delete;

  // Size bytes aligned for any type; null when the arena is full.
  void* allocate(size_t size);
  bool owns(const void* memory) const;

 private:
  char* base_;
  size_t capacity_;
  size_t used_ = 0;
};

}  // namespace platform
