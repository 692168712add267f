#include "buildtool/pv2backend.h"

#include "buildtool/generatedtext.h"
#include "buildtool/pv2templates.h"
#include "common/pathhelpers.h"
#include "common/projectfile.h"

namespace kestrel {

using ucl::FileKind;
using ucl::fileKind;

const BackEnd kPv2BackEnd = {ucl::Sdk::pv2, "PV2BUILD", false, pv2Makefiles, pv2MakeRuns, pv2IncludeDirectories,
                           pv2CompilerInputs, pv2MakeInputs};

namespace {

struct Pv2Lists {
  std::string sources;
  std::string headers;
  std::string libraries;
};

// The lists name the files in the reverse of their order in the project.
// Each list is sized once, so that a large project is not copied over and
// over while it grows.
Pv2Lists listsOf(const std::vector<std::string>& projectFiles) {
  std::vector<FileKind> kinds;
  kinds.reserve(projectFiles.size());
  size_t sizes[4] = {0, 0, 0, 0};
  for (const std::string& path : projectFiles) {
    kinds.push_back(fileKind(path));
    sizes[static_cast<int>(kinds.back())] += path.size() + 16;  // the longest prefix and suffix
  }
  Pv2Lists lists;
  lists.sources.reserve(sizes[static_cast<int>(FileKind::source)]);
  lists.headers.reserve(sizes[static_cast<int>(FileKind::header)]);
  lists.libraries.reserve(sizes[static_cast<int>(FileKind::library)]);
  for (size_t i = projectFiles.size(); i-- > 0;) {
    const std::string& path = projectFiles[i];
    switch (kinds[i]) {
      case FileKind::source:
        // Objects all go to the object directory, whatever the source's directory.
        lists.sources += "$(ODIR)\\";
        lists.sources += ucl::fileTitle(path);
        lists.sources += ".obj \\\n\t";
        break;
      case FileKind::header: {
        const std::string directory = ucl::fileDirectory(path);
        lists.headers += ucl::lowerCase(directory) == "h\\" ? "$(HDIR)\\" : directory;
        lists.headers += ucl::fileTitle(path);
        lists.headers += ".h \\\n\t";
        break;
      }
      case FileKind::library:
        lists.libraries += " $(CLDIR)\\";
        lists.libraries += ucl::fileName(path);
        break;
      case FileKind::other:
        break;
    }
  }
  return lists;
}

}  // namespace

BuildDirectory pv2Makefiles(const BuildOptions& options, const SdkPaths& settings,
                            const std::vector<std::string>& projectFiles) {
  const bool library = options.createLibrary;
  const char* modelSuffix = library ? "_$(MODEL)" : "";
  const Pv2Lists lists = listsOf(projectFiles);

  std::string definitions;
  for (auto define = options.defines.rbegin(); define != options.defines.rend(); ++define) {
    definitions += "-D" + *define + " ";
  }

  BuildDirectory directory;
  if (library) {
    directory.directories = {"PV2BUILD", "PV2BUILD\\OBJDBG_S", "PV2BUILD\\OBJREL_S", "PV2BUILD\\OBJDBG_P",
                             "PV2BUILD\\OBJREL_P"};
  } else {
    directory.directories = {"PV2BUILD", "PV2BUILD\\OBJDBG", "PV2BUILD\\OBJREL"};
  }
  directory.files.push_back(
      {"PV2BUILD\\MakeSDK.1", formatText(kPv2MakeSdk1, modelSuffix, modelSuffix, settings.sdkPath.c_str(),
                                          options.asmOptimisation ? "ASMOPT =" : "", definitions.c_str())});
  directory.files.push_back(
      {"PV2BUILD\\MakeSDK.2", formatText(kPv2MakeSdk2, options.targetSegment, lists.libraries.c_str())});
  directory.files.push_back(
      {"PV2BUILD\\makefile", formatText(kPv2Makefile, options.version, options.version, options.programName.c_str(),
                                         options.programName.c_str(), lists.sources.c_str(), lists.headers.c_str(),
                                         library ? kPv2LibraryRule : "")});
  return directory;
}

std::vector<MakeRun> pv2MakeRuns(const BuildOptions& options, const SdkPaths& settings) {
  const EnvironmentChanges environment{
      {settings.sdkPath + "\\TOOL", settings.compilerPath.value_or(std::string()) + "\\bin"}, {}};
  const auto run = [&](char model) {
    std::string commandLine = "kmmake -f PV2BUILD\\makefile ";
    if (options.createLibrary || options.debugBuild) commandLine += "-i ";
    if (options.debugBuild) commandLine += "DEBUG=1 ";
    if (model == 'P') commandLine += "PMODEL=1 ";
    return MakeRun{commandLine, "kmmake", environment, "make.i"};
  };
  // A library is made for both memory models.
  if (options.createLibrary) return {run('P'), run('S')};
  return {run(options.memoryModel)};
}

std::vector<std::string> pv2IncludeDirectories(const SdkPaths& settings) {
  // -I$(HDIR) -I$(CHDIR) -I$(LHDIR) of MakeSDK.1.
  return {"H", settings.sdkPath + "\\C\\Com_H", settings.sdkPath + "\\C\\Com_Lib\\h"};
}

CompilerInputs pv2CompilerInputs(const BuildOptions& options, const SdkPaths& settings,
                                 const std::vector<std::string>& projectFiles) {
  // CFLAG of MakeSDK.1: -DPV=1, then the run's definitions as listed there.
  CompilerInputs inputs{"lcc86", {}, pv2IncludeDirectories(settings), {"PV=1"}};
  inputs.definitions.insert(inputs.definitions.end(), options.defines.rbegin(), options.defines.rend());
  // APLOBJS, of which the rule .c.obj compiles the C sources; the file
  // system finds "main.C" for "main.c" as make looks for it.
  for (auto path = projectFiles.rbegin(); path != projectFiles.rend(); ++path) {
    if (fileKind(*path) == FileKind::source && ucl::lowerCase(ucl::fileExtension(*path)) == ".c") {
      inputs.sources.push_back(*path);
    }
  }
  return inputs;
}

std::vector<std::string> pv2MakeInputs(const BuildOptions& options, const SdkPaths& settings,
                                       const std::vector<std::string>& projectFiles) {
  const std::string sdk = settings.sdkPath + "\\C";
  // COMHEAD of MakeSDK.2, on which every object depends.
  std::vector<std::string> inputs{sdk + "\\Com_H\\define.h", sdk + "\\Com_H\\libc.h", sdk + "\\Com_Lib\\h\\l_define.h",
                                  sdk + "\\Com_Lib\\h\\l_libc.h"};
  // A library's rule archives the objects alone.
  if (options.createLibrary) return inputs;
  // The link of $(HEX) in the model's directories, and HEADSET's icons.
  const std::string model = options.memoryModel == 'P' ? "p" : "s";
  inputs.push_back(sdk + "\\Com_Obj\\" + model + "\\start.obj");
  inputs.push_back(sdk + "\\Com_Obj\\" + model + "\\libdata.obj");
  const std::string libraries = sdk + "\\Com_Lib\\" + model + "\\";
  for (auto path = projectFiles.rbegin(); path != projectFiles.rend(); ++path) {
    if (fileKind(*path) == FileKind::library) inputs.push_back(libraries + ucl::fileName(*path));
  }
  inputs.push_back(sdk + "\\Com_Lib\\" + model + "\\libc.lib");
  inputs.push_back("\\lsij\\lsic86pv\\lib\\p\\mathlib.lib");
  inputs.push_back(sdk + "\\COM_LNK\\LINK2" + model + ".DAT");
  inputs.push_back("MENUICON\\icon.bmp");
  inputs.push_back("MENUICON\\licon.bmp");
  return inputs;
}

}  // namespace kestrel
