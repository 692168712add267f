// Arenas: aligned allocations inside the reserved room, and none beyond.
#include "platform/memory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace {

TEST(MemoryArena, AllocatesAlignedUntilFull) {
  platform::MemoryArena arena(1024);
  char* first = static_cast<char*>(arena.allocate(10));
  char* second = static_cast<char*>(arena.allocate(1000));
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(second) % 16, 0u);
  EXPECT_GE(second, first + 10);
  std::memset(first, 1, 10);
  std::memset(second, 2, 1000);  // writable, and apart from the first
  EXPECT_EQ(first[9], 1);
  EXPECT_EQ(arena.allocate(100), nullptr);  // 1024 - 16 - 1008 left: none
  EXPECT_TRUE(arena.owns(second + 999));
  int outside = 0;
  EXPECT_FALSE(arena.owns(&outside));
}

}  // namespace
