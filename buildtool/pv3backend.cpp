#include "buildtool/pv3backend.h"

#include "buildtool/generatedtext.h"
#include "buildtool/pv3templates.h"
#include "common/pathhelpers.h"
#include "common/projectfile.h"
#include "common/sdklayout.h"

namespace kestrel {

using ucl::FileKind;
using ucl::fileKind;
using ucl::inDirectory;
namespace pv3 = ucl::pv3;

const BackEnd kPv3BackEnd = {ucl::Sdk::pv3, "PV3BUILD", true, pv3Makefiles, pv3MakeRuns, pv3IncludeDirectories,
                           pv3CompilerInputs, pv3MakeInputs};

namespace {

struct Pv3Lists {
  int sourceCount = 0;            // C sources taken
  std::string sources;            // "FILEn=title" lines
  std::string libraries;          // " $(PVSDK_BASE)\lib\name" each
  std::string linkerLibraries;    // "library ..." lines of the linker subcommand
};

// The lists name the files in the reverse of their order in the project.
// Each list is sized once, so that a large project is not copied over and
// over while it grows.
Pv3Lists listsOf(const std::vector<std::string>& projectFiles) {
  std::vector<FileKind> kinds;
  kinds.reserve(projectFiles.size());
  size_t sourceBytes = 0;
  size_t libraryBytes = 0;
  for (const std::string& path : projectFiles) {
    kinds.push_back(fileKind(path));
    if (kinds.back() == FileKind::source) sourceBytes += path.size() + 16;  // "FILEn=" and the line end
    if (kinds.back() == FileKind::library) libraryBytes += path.size() + 24;  // the longer prefix
  }
  Pv3Lists lists;
  lists.sources.reserve(sourceBytes);
  lists.libraries.reserve(libraryBytes);
  lists.linkerLibraries.reserve(libraryBytes);
  for (size_t i = projectFiles.size(); i-- > 0;) {
    const std::string& path = projectFiles[i];
    // Only C sources, and only with the extension written ".c".
    if (kinds[i] == FileKind::source && ucl::fileExtension(path) == ".c") {
      lists.sources += "FILE";
      lists.sources += ucl::intToString(lists.sourceCount, 10);
      lists.sources += '=';
      lists.sources += ucl::fileTitle(path);
      lists.sources += '\n';
      ++lists.sourceCount;
    } else if (kinds[i] == FileKind::library) {
      const std::string name = ucl::fileName(path);
      lists.libraries += " $(PVSDK_BASE)\\lib\\";
      lists.libraries += name;
      lists.linkerLibraries += "library $(PVSDK_BASE)\\lib\\";
      lists.linkerLibraries += name;
      lists.linkerLibraries += '\n';
    }
  }
  return lists;
}

const char* subcommandFileName(bool debugBuild) {
  return debugBuild ? pv3::kDebugSubcommandFile : pv3::kReleaseSubcommandFile;
}

// One object entry per C source, then the compile rule of each.
void appendSourceSection(std::string& text, int count) {
  text += "USERALLOBJ = \\\n";
  for (int i = 0; i < count; ++i) {
    text += "\t\"$(OUTDIR)\\$(FILE";
    text += ucl::intToString(i, 10);
    text += ").obj\" \\\n";
  }
  text += "\n\n!MESSAGE --- Executing SH C/C++ Compiler phase ---\n";
  for (int i = 0; i < count; ++i) {
    const std::string macro = "$(FILE" + ucl::intToString(i, 10) + ")";
    text += "\"$(OUTDIR)\\";
    text += macro;
    text += ".obj\" : \"$(SRCDIR)\\";
    text += macro;
    text += ".C\" $(LNKINF0)\n\t$(CC) \"$(SRCDIR)\\";
    text += macro;
    text += ".c\" -objectfile=\"$(OUTDIR)\\";
    text += macro;
    text += ".obj\" $(CCINF0)\n\n";
  }
}

}  // namespace

BuildDirectory pv3Makefiles(const BuildOptions& options, const SdkPaths& settings,
                            const std::vector<std::string>& projectFiles) {
  const bool debug = options.debugBuild;
  const bool library = options.createLibrary;
  const Pv3Lists lists = listsOf(projectFiles);

  std::string definitions;
  for (auto define = options.defines.rbegin(); define != options.defines.rend(); ++define) {
    definitions += "-define=" + *define + " ";
  }
  std::string projectDefinitions =
      formatText(kPv3Definitions, options.programName.c_str(), options.programName.c_str(), options.version,
                 definitions.c_str(), lists.sources.c_str());

  const std::string compiler = settings.compilerPath.value_or(std::string());
  std::string head = formatText(kPv3Head, compiler.c_str(), settings.sdkPath.c_str(),
                                    ucl::fileName(pv3SubcommandFile(options, settings)).c_str(),
                                    debug ? "PV3BUILD\\OBJDBG" : "PV3BUILD\\OBJREL", lists.libraries.c_str(),
                                    debug || library ? "DBG" : "REL");
  // Sized once: the compile rules of many sources make the text large.
  std::string makefile;
  makefile.reserve(head.size() + projectDefinitions.size() + 300 * static_cast<size_t>(lists.sourceCount) + 4096);
  makefile += head;
  makefile += projectDefinitions;
  appendSourceSection(makefile, lists.sourceCount);
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
  // Moved, not copied: the makefile of a large project is megabytes.
  directory.files.push_back({"PV3BUILD\\makefile.mak", std::move(makefile)});
  directory.files.push_back({"PV3BUILD\\sources.def", std::move(projectDefinitions)});
  return directory;
}

std::vector<MakeRun> pv3MakeRuns(const BuildOptions&, const SdkPaths& settings) {
  const std::string compiler = settings.compilerPath.value_or(std::string());
  const EnvironmentChanges environment{
      {inDirectory(settings.sdkPath, pv3::kSdkTools), compiler},
      {{"SHC_INC", inDirectory(compiler, pv3::kCompilerHeaders)},
       {"SHC_LIB", inDirectory(compiler, pv3::kCompilerPrograms)},
       {"SHC_TMP", compiler}}};
  // Quoted when it holds a blank, so that the whole directory names the program.
  std::string program = inDirectory(compiler, pv3::kCompilerPrograms) + "\\" + pv3::kMakeTool;
  if (program.find(' ') != std::string::npos) program = "\"" + program + "\"";
  return {MakeRun{program + " PV3BUILD\\makefile.mak", pv3::kMakeTool, environment, ""}};
}

std::vector<std::string> pv3IncludeDirectories(const SdkPaths& settings) {
  // INC of makefile.mak, then SHC_INC of the make run.
  return {"h", inDirectory(settings.sdkPath, pv3::kHeaders), inDirectory(settings.sdkPath, pv3::kHiHeaders),
          inDirectory(settings.compilerPath.value_or(std::string()), pv3::kCompilerHeaders)};
}

std::string pv3SubcommandFile(const BuildOptions& options, const SdkPaths& settings) {
  return inDirectory(settings.sdkPath, pv3::kSubcommands) + "\\" + subcommandFileName(options.debugBuild);
}

CompilerInputs pv3CompilerInputs(const BuildOptions& options, const SdkPaths& settings,
                                 const std::vector<std::string>& projectFiles) {
  // CCINF0 of sources.def.
  CompilerInputs inputs{pv3::kCompiler, {}, pv3IncludeDirectories(settings), {}};
  inputs.definitions.assign(options.defines.rbegin(), options.defines.rend());
  inputs.optionFiles.push_back(pv3SubcommandFile(options, settings));
  // The FILEn lines: C sources with the extension written ".c".
  for (auto path = projectFiles.rbegin(); path != projectFiles.rend(); ++path) {
    if (fileKind(*path) == FileKind::source && ucl::fileExtension(*path) == ".c") inputs.sources.push_back(*path);
  }
  return inputs;
}

std::vector<std::string> pv3MakeInputs(const BuildOptions& options, const SdkPaths& settings,
                                       const std::vector<std::string>& projectFiles) {
  const std::string& sdk = settings.sdkPath;
  // Every compile: -subcommand=$(SUBCOM); LCOM_H, of LNKINF0 in both modes.
  std::vector<std::string> inputs{pv3SubcommandFile(options, settings)};
  for (const char* header : pv3::kCommonHeaders) inputs.push_back(inDirectory(sdk, header));
  // A library's closing text links nothing.
  if (options.createLibrary) return inputs;
  // The inputs and libraries of the linker's subcommand, in its order.
  const std::string objects = inDirectory(sdk, pv3::kSystemObjects) + "\\";
  for (const char* object : pv3::kStartObjects) inputs.push_back(objects + object);
  const std::string libraries = inDirectory(sdk, pv3::kLibraries) + "\\";
  for (auto path = projectFiles.rbegin(); path != projectFiles.rend(); ++path) {
    if (fileKind(*path) == FileKind::library) inputs.push_back(libraries + ucl::fileName(*path));
  }
  for (const char* library : pv3::kSdkLibraries) inputs.push_back(inDirectory(sdk, library));
  inputs.push_back(inDirectory(settings.compilerPath.value_or(std::string()), pv3::kCompilerLibrary));
  // SETHEDINF: the release build's header takes the menu icons.
  if (!options.debugBuild) {
    inputs.push_back("MENUICON\\icon.bmp");
    inputs.push_back("MENUICON\\licon.bmp");
  }
  return inputs;
}

}  // namespace kestrel
