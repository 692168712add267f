#include "testing/idetree.h"

#include <filesystem>

#include "platform/files.h"
#include "platform/pathspelling.h"
#include "platform/process.h"

namespace fs = std::filesystem;

namespace plovertest {

IdeTree::IdeTree() {
  fs::create_directories(nativeModuleDirectory());
  fs::create_directories(templatesDir());
  fs::create_directories(sdkDir());
  fs::create_directories(fs::path(settingsFile()).parent_path());
}

std::string IdeTree::moduleDirectory() const {
  return testsupport::programPath(testsupport::Spelling::product, nativeModuleDirectory()) + "\\";
}

void IdeTree::writeSettings(const std::string& sdkPath) const {
  writeSettingsText("[PV2SDK Paths]\nSDKPath=" + sdkPath + "\nCompilerPath=" + sdkPath + "\\LSIC86\n");
}

void IdeTree::writeSettingsText(const std::string& text) const {
  testsupport::writeFile(settingsFile(), testsupport::crlf(text));
}

void IdeTree::installShippedTemplates() const {
  fs::copy(fs::path(PLOVER_TEMPLATES_DIR), templatesDir(),
           fs::copy_options::recursive | fs::copy_options::overwrite_existing);
}

void IdeTree::installBuildTool(const std::string& kestrel, const std::string& standinKmmake) {
  const fs::path kestrelTarget = fs::path(settingsFile()).parent_path() / fs::path(kestrel).filename();
  fs::copy_file(kestrel, kestrelTarget, fs::copy_options::overwrite_existing);
  fs::create_directories(sdkDir() + "/TOOL");
  fs::copy_file(standinKmmake, fs::path(sdkDir() + "/TOOL") / fs::path(standinKmmake).filename(),
                fs::copy_options::overwrite_existing);
  kestrel_ = kestrelTarget.string();
}

int IdeTree::runBuildTool(const std::string& directory, const std::string& arguments) const {
  testsupport::ScopedCurrentDirectory inProject(directory);
  testsupport::ScopedVariable path("PATH");
  const platform::ProcessOutcome outcome = platform::runAndWait("\"" + kestrel_ + "\" " + arguments);
  return outcome.started ? static_cast<int>(outcome.exitCode) : -1;
}

}  // namespace plovertest
