// The directory of the running program.
#include "common/moduledirectory.h"

#include <gtest/gtest.h>

#include "platform/files.h"

namespace {

TEST(ModuleDirectory, ExecutableDirectoryEndsInBackslash) {
  const std::string directory = ucl::moduleDirectory(nullptr);
  ASSERT_FALSE(directory.empty());
  EXPECT_EQ(directory.back(), '\\');
  // The test program itself lies in that directory.
  const std::vector<std::string> found = platform::findFiles(directory + "ucl_tests*");
  EXPECT_FALSE(found.empty()) << directory;
}

}  // namespace
