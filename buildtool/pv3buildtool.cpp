#include "buildtool/pv3buildtool.h"

#include "buildtool/generatedtext.h"
#include "buildtool/pv3templates.h"
#include "common/pathhelpers.h"
#include "platform/environment.h"

namespace {

// One object entry per C source, then the compile rule of each.
std::string sourceSection(int count) {
  std::string text = "USERALLOBJ = \\\n";
  for (int i = 0; i < count; ++i) {
    text += "\t\"$(OUTDIR)\\$(FILE" + ucl::intToString(i, 10) + ").obj\" \\\n";
  }
  text += "\n\n!MESSAGE --- Executing SH C/C++ Compiler phase ---\n";
  for (int i = 0; i < count; ++i) {
    const std::string macro = "$(FILE" + ucl::intToString(i, 10) + ")";
    text += "\"$(OUTDIR)\\" + macro + ".obj\" : \"$(SRCDIR)\\" + macro + ".C\" $(LNKINF0)\n";
    text += "\t$(CC) \"$(SRCDIR)\\" + macro + ".c\" -objectfile=\"$(OUTDIR)\\" + macro + ".obj\" $(CCINF0)\n";
    text += "\n";
  }
  return text;
}

}  // namespace

PV3BuildTool::PV3BuildTool(const ucl::IniFile& settings, BuildInfo* info) : BuildTool(settings, info) {
  sdkPath = setting("PV3SDK Paths", "SDKPath");
}

void PV3BuildTool::addSourceFile(const std::string& path) {
  // Only C sources, and only with the extension written ".c".
  if (ucl::fileExtension(path) != ".c") return;
  sourceList += "FILE" + ucl::intToString(sourceCount, 10) + "=" + ucl::fileTitle(path) + "\n";
  ++sourceCount;
}

void PV3BuildTool::addHeaderFile(const std::string&) {}

void PV3BuildTool::addLibrary(const std::string& path) {
  const std::string name = ucl::fileName(path);
  libraryList += " $(PVSDK_BASE)\\lib\\" + name;
  linkerLibraryList += "library $(PVSDK_BASE)\\lib\\" + name + "\n";
}

bool PV3BuildTool::writeMakefiles() {
  const std::string compilerPath = setting("PV3SDK Paths", "CompilerPath");
  const bool debug = info->debugBuild;
  const bool library = info->createLibrary;

  createDirectories({"PV3BUILD", "PV3BUILD\\OBJDBG", "PV3BUILD\\OBJREL"});

  std::string definitions;
  for (auto define = info->defines.rbegin(); define != info->defines.rend(); ++define) {
    definitions += "-define=" + *define + " ";
  }
  const std::string projectDefinitions =
      formatText(kPv3Definitions, info->programName.c_str(), info->programName.c_str(), info->version,
                 definitions.c_str(), sourceList.c_str());

  std::string makefile =
      formatText(kPv3Head, compilerPath.c_str(), sdkPath.c_str(), debug ? "MakeDbg.sub" : "Makefile.sub",
                 debug ? "PV3BUILD\\OBJDBG" : "PV3BUILD\\OBJREL", libraryList.c_str(),
                 debug || library ? "DBG" : "REL");
  makefile += projectDefinitions;
  makefile += sourceSection(sourceCount);
  if (library) {
    makefile += formatText(kPv3Linker, "lib", "lib");
    makefile += kPv3LibraryClosing;
  } else if (debug) {
    makefile += formatText(kPv3Linker, "abs", "abs");
    makefile += formatText(kPv3DebugClosing, linkerLibraryList.c_str());
  } else {
    makefile += formatText(kPv3Linker, "pva", "rld");
    makefile += formatText(kPv3ReleaseClosing, linkerLibraryList.c_str());
  }

  return writeGeneratedFile("PV3BUILD\\makefile.mak", makefile) &&
         writeGeneratedFile("PV3BUILD\\sources.def", projectDefinitions);
}

bool PV3BuildTool::runBuild() {
  const std::string compilerPath = setting("PV3SDK Paths", "CompilerPath");
  platform::prependToPath({sdkPath + "\\TOOLS", compilerPath});
  platform::setVariable("SHC_INC", compilerPath + "\\include");
  platform::setVariable("SHC_LIB", compilerPath + "\\bin");
  platform::setVariable("SHC_TMP", compilerPath);

  // Quoted when it holds a blank, so that the whole directory names the program.
  std::string program = compilerPath + "\\bin\\hmake";
  if (program.find(' ') != std::string::npos) program = "\"" + program + "\"";
  const bool started = runTool(program + " PV3BUILD\\makefile.mak", "hmake");
  return started && !toolFailed;
}
