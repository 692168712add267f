// The Windows library file as the loader sees it, read with objdump: the
// export names and ordinals, and imports of system DLLs only.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "testing/processrun.h"
#include "testing/testsupport.h"

namespace {

// Decided when the test runs: the Windows tree may be built after this one.
#define SKIP_WITHOUT_THE_LIBRARY()                                                                        \
  if (!testsupport::fileExists(PLOVER_DLL)) GTEST_SKIP() << "the Windows tree is not built (no " PLOVER_DLL ")"; \
  if (!testsupport::onPath(PLOVER_OBJDUMP)) GTEST_SKIP() << PLOVER_OBJDUMP " is not installed (scripts/setup win32)"

std::string objdump() {
  const auto run = testsupport::runProgram({std::string(PLOVER_OBJDUMP), "-p", std::string(PLOVER_DLL)}, ".");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  return run.out;
}

TEST(PloverDll, ExportsUndecoratedAtTheirOrdinals) {
  SKIP_WITHOUT_THE_LIBRARY();
  const std::string dump = objdump();
  ASSERT_NE(dump.find("file format pei-i386"), std::string::npos);

  std::smatch match;
  ASSERT_TRUE(std::regex_search(dump, match, std::regex("Ordinal Base (\\d+)")));
  const int base = std::stoi(match[1]);

  const size_t table = dump.find("[Ordinal/Name Pointer] Table");
  ASSERT_NE(table, std::string::npos);
  std::map<int, std::string> byOrdinal;
  std::istringstream lines(dump.substr(table));
  std::string line;
  std::getline(lines, line);
  const std::regex entry("^\\s*\\[\\s*(\\d+)\\] (\\S+)\\s*$");
  while (std::getline(lines, line) && std::regex_match(line, match, entry)) {
    byOrdinal[std::stoi(match[1]) + base] = match[2];
  }
  const std::string prefix = "Java_com_velmora_opentools_casiopv_addinwiz_AddInJNIComm_";
  EXPECT_EQ(byOrdinal, (std::map<int, std::string>{{1, prefix + "debugMethod"},
                                                   {2, prefix + "nativeGetPV2SDKPath"},
                                                   {3, prefix + "createPVSDKProject"},
                                                   {4, prefix + "getPV2SDKLibraries"},
                                                   {5, prefix + "runPVSDKProject"}}));
}

TEST(PloverDll, ImportsSystemLibrariesOnly) {
  SKIP_WITHOUT_THE_LIBRARY();
  const std::string dump = objdump();
  const std::set<std::string> system = {"kernel32.dll", "user32.dll", "shell32.dll", "advapi32.dll", "msvcrt.dll"};
  const std::regex name("DLL Name: (\\S+)");
  int imports = 0;
  for (auto it = std::sregex_iterator(dump.begin(), dump.end(), name); it != std::sregex_iterator(); ++it) {
    std::string library = (*it)[1];
    for (char& c : library) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(system.count(library), 1u) << library;
    ++imports;
  }
  EXPECT_GT(imports, 0);
}

}  // namespace
