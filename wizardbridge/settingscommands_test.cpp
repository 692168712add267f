// plover check's findings, on real
// directories (natively and, in the Windows tree, under Wine).
#include "wizardbridge/settingscommands.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include "platform/pathspelling.h"
#include "testing/testsupport.h"

namespace {

using plover::CheckLine;
using plover::Finding;
using testsupport::TempDir;

// A sandbox with every file the check looks for; each case takes one away.
class SdkCheck : public ::testing::Test {
 public:
  void SetUp() override {
    for (const std::string& file : {"PVSDK/TOOL/" + platform::programFileName("kmmake"),
                                    std::string("PVSDK/SIM/Sim3022.exe"), "LSIC86/bin/" + platform::programFileName("lcc86"),
                                    "SHC/bin/" + platform::programFileName("hmake"),
                                    "SHC/bin/" + platform::programFileName("shc"), std::string("PVSDK3/readme")}) {
      testsupport::writeFile(root_ / file, "");
    }
    directories_ = {{at("PVSDK"), at("LSIC86"), at("PVSDK3"), at("SHC")}};
  }
  std::string at(const std::string& name) const { return platform::hostToWindowsPath(root_ / name); }

  // The findings in order, and the texts of those that are not good.
  std::vector<Finding> findings(std::vector<std::string>* problems) const {
    std::vector<Finding> result;
    for (const CheckLine& line : plover::checkSdkDirectories(directories_)) {
      result.push_back(line.finding);
      if (line.finding == Finding::Error || line.finding == Finding::Warning) problems->push_back(line.text);
    }
    return result;
  }

  TempDir root_;
  ucl::SdkDirectories directories_;
};

TEST_F(SdkCheck, FindingsOfEachCase) {
  const Finding good = Finding::Good, notSet = Finding::NotSet, warning = Finding::Warning, error = Finding::Error;
  const std::string kmmake = platform::programFileName("kmmake");
  struct Case {
    const char* name;
    std::function<void(SdkCheck&)> change;
    std::vector<Finding> expected;
    std::string named;  // a file or directory the first problem names
  };
  const std::vector<Case> cases = {
      {"good SDKs", [](SdkCheck&) {}, {good, good, good, good}, ""},
      {"missing kmmake", [&](SdkCheck& t) { std::remove((t.root_ / "PVSDK/TOOL/" + kmmake).c_str()); },
       {error, good, good, good}, "TOOL" + std::string(1, platform::windowsToHostPath("\\")[0]) + kmmake},
      {"kmmake in the compiler's bin",
       [&](SdkCheck& t) {
         std::remove((t.root_ / "PVSDK/TOOL/" + kmmake).c_str());
         testsupport::writeFile(t.root_ / "LSIC86/bin/" + kmmake, "");
       },
       {good, good, good, good}, ""},
      {"missing compiler",
       [](SdkCheck& t) { std::remove((t.root_ / "LSIC86/bin/" + platform::programFileName("lcc86")).c_str()); },
       {good, error, good, good}, platform::programFileName("lcc86")},
      {"missing shc", [](SdkCheck& t) { std::remove((t.root_ / "SHC/bin/" + platform::programFileName("shc")).c_str()); },
       {good, good, good, error}, platform::programFileName("shc")},
      {"empty PV3 pair", [](SdkCheck& t) { t.directories_[ucl::SdkKey::pv3Sdk] = t.directories_[ucl::SdkKey::pv3Compiler] = ""; },
       {good, good, notSet, notSet}, ""},
      {"half a PV3 pair", [](SdkCheck& t) { t.directories_[ucl::SdkKey::pv3Sdk] = ""; }, {good, good, error, good}, "SDKPath"},
      {"missing simulator", [](SdkCheck& t) { std::remove((t.root_ / "PVSDK/SIM/Sim3022.exe").c_str()); },
       {warning, good, good, good}, "Sim3022.exe"},
      {"SDK directory that does not exist", [](SdkCheck& t) { t.directories_[ucl::SdkKey::pv2Sdk] = t.at("nowhere"); },
       {error, good, good, good}, "nowhere"},
      {"nothing set", [](SdkCheck& t) { t.directories_ = {}; }, {notSet, notSet, notSet, notSet, error}, "Neither"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SdkCheck::SetUp();
    c.change(*this);
    std::vector<std::string> problems;
    EXPECT_EQ(findings(&problems), c.expected);
    if (!c.named.empty()) {
      ASSERT_FALSE(problems.empty());
      EXPECT_NE(problems[0].find(c.named), std::string::npos) << problems[0];
    }
  }
}

}  // namespace
