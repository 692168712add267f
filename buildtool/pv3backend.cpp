#include "buildtool/pv3backend.h"

#include "buildtool/generatedtext.h"
#include "buildtool/projectfile.h"
#include "buildtool/pv3templates.h"
#include "common/pathhelpers.h"

const BackEnd kPv3BackEnd = {"PV3SDK Paths", true, pv3Makefiles, pv3MakeRuns};

namespace {

struct Pv3Lists {
  int sourceCount = 0;            // C sources taken
  std::string sources;            // "FILEn=title" lines
  std::string libraries;          // " $(PVSDK_BASE)\lib\name" each
  std::string linkerLibraries;    // "library ..." lines of the linker subcommand
};

// The lists name the files in the reverse of their order in the project.
Pv3Lists listsOf(const std::vector<std::string>& projectFiles) {
  Pv3Lists lists;
  for (auto path = projectFiles.rbegin(); path != projectFiles.rend(); ++path) {
    const FileKind kind = fileKind(*path);
    // Only C sources, and only with the extension written ".c".
    if (kind == FileKind::source && ucl::fileExtension(*path) == ".c") {
      lists.sources += "FILE" + ucl::intToString(lists.sourceCount, 10) + "=" + ucl::fileTitle(*path) + "\n";
      ++lists.sourceCount;
    } else if (kind == FileKind::library) {
      const std::string name = ucl::fileName(*path);
      lists.libraries += " $(PVSDK_BASE)\\lib\\" + name;
      lists.linkerLibraries += "library $(PVSDK_BASE)\\lib\\" + name + "\n";
    }
  }
  return lists;
}

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

BuildDirectory pv3Makefiles(const BuildOptions& options, const SdkSettings& settings,
                            const std::vector<std::string>& projectFiles) {
  const bool debug = options.debugBuild;
  const bool library = options.createLibrary;
  const Pv3Lists lists = listsOf(projectFiles);

  std::string definitions;
  for (auto define = options.defines.rbegin(); define != options.defines.rend(); ++define) {
    definitions += "-define=" + *define + " ";
  }
  const std::string projectDefinitions =
      formatText(kPv3Definitions, options.programName.c_str(), options.programName.c_str(), options.version,
                 definitions.c_str(), lists.sources.c_str());

  std::string makefile = formatText(kPv3Head, settings.compilerPath.c_str(), settings.sdkPath.c_str(),
                                    debug ? "MakeDbg.sub" : "Makefile.sub",
                                    debug ? "PV3BUILD\\OBJDBG" : "PV3BUILD\\OBJREL", lists.libraries.c_str(),
                                    debug || library ? "DBG" : "REL");
  makefile += projectDefinitions;
  makefile += sourceSection(lists.sourceCount);
  if (library) {
    makefile += formatText(kPv3Linker, "lib", "lib");
    makefile += kPv3LibraryClosing;
  } else if (debug) {
    makefile += formatText(kPv3Linker, "abs", "abs");
    makefile += formatText(kPv3DebugClosing, lists.linkerLibraries.c_str());
  } else {
    makefile += formatText(kPv3Linker, "pva", "rld");
    makefile += formatText(kPv3ReleaseClosing, lists.linkerLibraries.c_str());
  }

  BuildDirectory directory;
  directory.directories = {"PV3BUILD", "PV3BUILD\\OBJDBG", "PV3BUILD\\OBJREL"};
  directory.files = {{"PV3BUILD\\makefile.mak", makefile}, {"PV3BUILD\\sources.def", projectDefinitions}};
  return directory;
}

std::vector<MakeRun> pv3MakeRuns(const BuildOptions&, const SdkSettings& settings) {
  const std::string& compiler = settings.compilerPath;
  const EnvironmentChanges environment{
      {settings.sdkPath + "\\TOOLS", compiler},
      {{"SHC_INC", compiler + "\\include"}, {"SHC_LIB", compiler + "\\bin"}, {"SHC_TMP", compiler}}};
  // Quoted when it holds a blank, so that the whole directory names the program.
  std::string program = compiler + "\\bin\\hmake";
  if (program.find(' ') != std::string::npos) program = "\"" + program + "\"";
  return {MakeRun{program + " PV3BUILD\\makefile.mak", "hmake", environment, ""}};
}
