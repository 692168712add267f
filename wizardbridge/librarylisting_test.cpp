// Listing the SDK's libraries for the wizard.
#include "wizardbridge/librarylisting.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "testing/idetree.h"

namespace {

using plovertest::IdeTree;
using testsupport::programPath;
using testsupport::Spelling;

TEST(LibraryName, SuffixTestIsExactAndLibcIsLeftOut) {
  struct Case {
    const char* file;
    bool listed;
    const char* name;
  } const cases[] = {
      {"graph.lib", true, "graph"},   {"a.b.lib", true, "a.b"},   {".lib", true, ""},
      {"libc.lib", false, ""},        {"LIBC.lib", true, "LIBC"}, {"X.LIB", false, ""},
      {"mixed.Lib", false, ""},       {"long.libx", false, ""},   {"lib", false, ""},
      {"c.li", false, ""},            {"libc.lib.lib", true, "libc.lib"},
  };
  for (const Case& c : cases) {
    const std::optional<std::string> name = plover::libraryName(c.file);
    EXPECT_EQ(name.has_value(), c.listed) << c.file;
    if (c.listed) {
      EXPECT_EQ(name.value_or("(none)"), c.name) << c.file;
    }
  }
}

TEST(ListPv2SdkLibraries, ListsTheCommonLibraryDirectoryInSearchOrder) {
  IdeTree tree;
  const std::string libraries = tree.sdkDir() + "/C/Com_Lib/S/";
  for (const char* file : {"graph.lib", "libc.lib", "X.LIB", ".lib", "sound.lib", "notes.txt"}) {
    testsupport::writeFile(libraries + file, "library");
  }
  testsupport::writeFile(tree.sdkDir() + "/C/Com_Lib/P/other.lib", "library");

  const std::string sdk = programPath(Spelling::product, tree.sdkDir());
  const std::vector<std::string> names = plover::listPv2SdkLibraries(sdk);

  std::vector<std::string> sorted = names;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, (std::vector<std::string>{"", "graph", "sound"}));

  // The order is the file system's own, as the directory itself lists its
  // entries.
  std::vector<std::string> directoryOrder;
  for (const auto& entry : std::filesystem::directory_iterator(libraries)) {
    const std::string file = entry.path().filename().string();
    if (file == "graph.lib" || file == "sound.lib" || file == ".lib") directoryOrder.push_back(file.substr(0, file.size() - 4));
  }
  EXPECT_EQ(names, directoryOrder);
}

TEST(ListPv2SdkLibraries, NothingWithoutSdkOrDirectory) {
  IdeTree tree;
  EXPECT_TRUE(plover::listPv2SdkLibraries("").empty());
  EXPECT_TRUE(plover::listPv2SdkLibraries(programPath(Spelling::product, tree.sdkDir())).empty());
}

}  // namespace
