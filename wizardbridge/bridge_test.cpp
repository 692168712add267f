// The SDK path lookup that every operation of the bridge starts from.
#include "wizardbridge/bridge.h"

#include <gtest/gtest.h>

#include "testing/idetree.h"

namespace {

using plovertest::IdeTree;

TEST(ReadPv2SdkPath, ValueAsStoredOrMissing) {
  struct Case {
    const char* name;
    const char* settings;  // null: no settings file
    const char* expected;  // null: missing
  } const cases[] = {
      {"plain", "[PV2SDK Paths]\nSDKPath=C:\\PVSDK\n", "C:\\PVSDK"},
      {"trailing backslash kept", "[PV2SDK Paths]\nSDKPath=C:\\PVSDK\\\n", "C:\\PVSDK\\"},
      {"value after the last =", "[PV2SDK Paths]\nSDKPath=C:\\a=b\n", "b"},
      {"first of two sections", "[PV2SDK Paths]\nSDKPath=one\n[PV2SDK Paths]\nSDKPath=two\n", "one"},
      {"other section only", "[PV3SDK Paths]\nSDKPath=C:\\PV3\n", nullptr},
      {"key with a blank before =", "[PV2SDK Paths]\nSDKPath =C:\\PVSDK\n", nullptr},
      {"empty value", "[PV2SDK Paths]\nSDKPath=\n", ""},
      {"no settings file", nullptr, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    IdeTree tree;
    if (c.settings != nullptr) tree.writeSettingsText(c.settings);
    // Required, an empty value counts as missing, and the reason is named.
    std::string err;
    std::string found = "(missing)";
    const bool present = c.expected != nullptr && *c.expected != '\0';
    EXPECT_EQ(plover::requirePv2SdkPath(tree.moduleDirectory(), &found, &err), present);
    EXPECT_EQ(found, present ? c.expected : "(missing)");
    EXPECT_EQ(err.empty(), present) << err;
    EXPECT_EQ(plover::readPv2SdkPath(tree.moduleDirectory()), c.expected != nullptr ? c.expected : "");
  }
}

TEST(ReadPv2SdkPath, ReadAnewOnEveryCall) {
  IdeTree tree;
  tree.writeSettings("C:\\First");
  EXPECT_EQ(plover::readPv2SdkPath(tree.moduleDirectory()), "C:\\First");
  tree.writeSettings("C:\\Second");
  EXPECT_EQ(plover::readPv2SdkPath(tree.moduleDirectory()), "C:\\Second");
}

}  // namespace
