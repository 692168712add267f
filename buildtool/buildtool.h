// The base of kestrel's two back ends: what both keep, the project reader,
// and the machinery for writing generated files and running a make tool.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "buildtool/buildinfo.h"
#include "common/inifile.h"

namespace tinyxml2 {
class XMLNode;
}

// A settings key that a back end needs is missing (or its section, or the
// whole settings file).
struct SettingNotFound {
  std::string section;
  std::string key;
  bool sectionMissing;
};

class BuildTool {
 public:
  BuildTool(const ucl::IniFile& settings, BuildInfo* info);
  virtual ~BuildTool();
  BuildTool(const BuildTool&) = delete;
  BuildTool& operator=(const BuildTool&) = delete;

  virtual bool writeMakefiles() = 0;
  virtual void addSourceFile(const std::string& path) = 0;
  virtual void addHeaderFile(const std::string& path) = 0;
  virtual void addLibrary(const std::string& path) = 0;
  virtual bool runBuild() = 0;

  // Finds the project file in the current directory, hands its files to the
  // back end in reverse document order and lets it write its makefiles.
  bool readProject();
  // Looks for name + ".cbx", then for any "*.cbx", in the current directory.
  bool findProjectFile(std::string& name);
  // Appends the "path" of every "file" element below the node, descending
  // into "node" groups, in document order. False for a null node.
  bool collectFiles(const tinyxml2::XMLNode* node);

 protected:
  // A value of the back end's settings; throws SettingNotFound.
  std::string setting(const std::string& section, const std::string& key) const;

  // Creates directories in the order given; one that exists is fine.
  static void createDirectories(std::initializer_list<const char*> paths);
  // Writes a generated file whole in text mode. On failure writes
  // "Unable to write " and the path to standard error and returns false.
  static bool writeGeneratedFile(const std::string& path, const std::string& text);
  // Starts a make tool and waits for it. Writes "Error: Unable to start "
  // and the tool's name when it cannot be started, and an error naming its
  // exit code when it ends with one other than 0. True when it started.
  bool runTool(const std::string& commandLine, const std::string& toolName);

  std::string sdkPath;
  std::vector<std::string> projectFiles;
  std::string sourceList;
  std::string headerList;
  std::string libraryList;
  BuildInfo* info;
  ucl::IniFile settings;
  // A make tool started by runTool ended with a non-zero exit code.
  bool toolFailed = false;
};
