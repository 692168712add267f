// A temporary IDE tree for the bridge's tests: bin\ (where the bridge
// lies), toolsets\PVSDK\Settings.ini, templates\PVSDK\ and an SDK beside it.
#pragma once

#include <string>

#include "testing/testsupport.h"

namespace plovertest {

class IdeTree {
 public:
  IdeTree();

  // Native paths.
  std::string nativeModuleDirectory() const { return root_ / "ide/bin"; }
  std::string settingsFile() const { return root_ / "ide/toolsets/PVSDK/Settings.ini"; }
  std::string templatesDir() const { return root_ / "ide/templates/PVSDK"; }
  std::string sdkDir() const { return root_ / "sdk"; }
  std::string path(const std::string& relative) const { return root_ / relative; }

  // bin, where the bridge lies, as the bridge sees its module directory:
  // in the system's spelling, ending in a backslash.
  std::string moduleDirectory() const;

  // Settings.ini with this SDK path (as stored, CR LF line ends).
  void writeSettings(const std::string& sdkPath) const;
  void writeSettingsText(const std::string& text) const;
  // The shipped templates of the repository, copied into the tree.
  void installShippedTemplates() const;

  // kestrel beside the settings file, and the stand-in make tool in the
  // SDK's TOOL directory, which kestrel puts first on PATH.
  void installBuildTool(const std::string& kestrel, const std::string& standinKmmake);
  // Runs the installed kestrel in the directory and gives its exit code
  // (-1 when it could not be started).
  int runBuildTool(const std::string& directory, const std::string& arguments) const;

 private:
  testsupport::TempDir root_;
  std::string kestrel_;
};

}  // namespace plovertest
