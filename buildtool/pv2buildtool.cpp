#include "buildtool/pv2buildtool.h"

#include "buildtool/generatedtext.h"
#include "buildtool/pv2templates.h"
#include "common/pathhelpers.h"
#include "platform/environment.h"
#include "platform/files.h"

PV2BuildTool::PV2BuildTool(const ucl::IniFile& settings, BuildInfo* info) : BuildTool(settings, info) {
  sdkPath = setting("PV2SDK Paths", "SDKPath");
}

void PV2BuildTool::addSourceFile(const std::string& path) {
  // Objects all go to the object directory, whatever the source's directory.
  sourceList += "$(ODIR)\\" + ucl::fileTitle(path) + ".obj \\\n\t";
}

void PV2BuildTool::addHeaderFile(const std::string& path) {
  const std::string directory = ucl::fileDirectory(path);
  const std::string prefix = ucl::lowerCase(directory) == "h\\" ? "$(HDIR)\\" : directory;
  headerList += prefix + ucl::fileTitle(path) + ".h \\\n\t";
}

void PV2BuildTool::addLibrary(const std::string& path) {
  libraryList += " $(CLDIR)\\" + ucl::fileName(path);
}

bool PV2BuildTool::writeMakefiles() {
  const bool library = info->createLibrary;
  const char* modelSuffix = library ? "_$(MODEL)" : "";

  if (library) {
    createDirectories({"PV2BUILD", "PV2BUILD\\OBJDBG_S", "PV2BUILD\\OBJREL_S", "PV2BUILD\\OBJDBG_P",
                       "PV2BUILD\\OBJREL_P"});
  } else {
    createDirectories({"PV2BUILD", "PV2BUILD\\OBJDBG", "PV2BUILD\\OBJREL"});
  }

  std::string definitions;
  for (auto define = info->defines.rbegin(); define != info->defines.rend(); ++define) {
    definitions += "-D" + *define + " ";
  }

  return writeGeneratedFile("PV2BUILD\\MakeSDK.1",
                            formatText(kPv2MakeSdk1, modelSuffix, modelSuffix, sdkPath.c_str(),
                                       info->asmOptimisation ? "ASMOPT =" : "", definitions.c_str())) &&
         writeGeneratedFile("PV2BUILD\\MakeSDK.2",
                            formatText(kPv2MakeSdk2, info->targetSegment, libraryList.c_str())) &&
         writeGeneratedFile("PV2BUILD\\makefile",
                            formatText(kPv2Makefile, info->version, info->version, info->programName.c_str(),
                                       info->programName.c_str(), sourceList.c_str(), headerList.c_str(),
                                       library ? kPv2LibraryRule : ""));
}

bool PV2BuildTool::runBuild() {
  const std::string compilerPath = setting("PV2SDK Paths", "CompilerPath");
  platform::prependToPath({sdkPath + "\\TOOL", compilerPath + "\\bin"});
  // A library is made for both memory models; the second only when the
  // first make could be started.
  const bool started = info->createLibrary ? runKmmake('P') && runKmmake('S') : runKmmake(info->memoryModel);
  return started && !toolFailed;
}

bool PV2BuildTool::runKmmake(char model) {
  std::string commandLine = "kmmake -f PV2BUILD\\makefile ";
  if (info->createLibrary || info->debugBuild) commandLine += "-i ";
  if (info->debugBuild) commandLine += "DEBUG=1 ";
  if (model == 'P') commandLine += "PMODEL=1 ";
  const bool started = runTool(commandLine, "kmmake");
  platform::deleteFile("make.i");
  return started;
}
