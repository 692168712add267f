// kestrel.exe carries its version resource (Windows only).
#include <gtest/gtest.h>

#include <vector>

#include "common/moduledirectory.h"
#include "platform/win32.h"

namespace {

TEST(VersionResource, KestrelExecutable) {
  const std::string program = ucl::moduleDirectory(nullptr) + "kestrel.exe";
  DWORD unused = 0;
  const DWORD size = GetFileVersionInfoSizeA(program.c_str(), &unused);
  ASSERT_GT(size, 0u) << program;
  std::vector<char> data(size);
  ASSERT_TRUE(GetFileVersionInfoA(program.c_str(), 0, size, data.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(0, 1));   // 1.0
  EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(65, 5));  // .5.65
  EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(0, 1));
  EXPECT_EQ(fixed->dwProductVersionLS, MAKELONG(0, 2));

  char* internalName = nullptr;
  ASSERT_TRUE(VerQueryValueA(data.data(), "\\StringFileInfo\\040904E4\\InternalName",
                             reinterpret_cast<void**>(&internalName), &length));
  EXPECT_STREQ(internalName, "kestrel");
}

}  // namespace
