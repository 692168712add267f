#include "buildtool/driver.h"

#include <new>
#include <optional>
#include <vector>

#include "buildtool/buildrecord.h"
#include "buildtool/commandline.h"
#include "buildtool/compiledb.h"
#include "buildtool/console.h"
#include "buildtool/filewriter.h"
#include "buildtool/makerunner.h"
#include "common/projectfile.h"
#include "common/inifile.h"
#include "common/moduledirectory.h"
#include "common/pathhelpers.h"
#include "common/settingsfile.h"
#include "common/textencoding.h"
#include "platform/files.h"
#include "platform/arguments.h"
#include "platform/pathspelling.h"
#include "platform/textencoding.h"

namespace kestrel {

namespace {

void writeUsage() { writeOutputLine(kUsageText); }

// The make tools read their makefiles in the ANSI code page. A name it
// cannot hold exactly would have the build look for another file, so none
// is written; the message names the first such name as the project spells it.
bool namesFitTheCodePage(const std::string& projectFile, const std::vector<std::string>& files, std::string* err) {
  // ASCII is the same in every ANSI code page: most names need no look.
  const auto fits = [&](const std::string& name) {
    if (ucl::isAscii(name) || platform::utf8ToAnsi(name)) return true;
    *err = "Error: File name '" + platform::backslashesToSlashes(name) + "' cannot be written in this system's code page";
    return false;
  };
  if (!fits(projectFile)) return false;
  for (const std::string& name : files) {
    if (!fits(name)) return false;
  }
  return true;
}

// The generated files' text, in UTF-8, turned into the ANSI code page;
// false when something else in them (a setting's path) does not fit.
bool inTheCodePage(BuildDirectory& directory, std::string* err) {
  for (GeneratedFile& file : directory.files) {
    if (ucl::isAscii(file.text)) continue;  // the same in every ANSI code page, and not copied
    std::optional<std::string> text = platform::utf8ToAnsi(file.text);
    if (!text) {
      *err = "Error: File '" + file.path + "' cannot be written in this system's code page";
      return false;
    }
    file.text = std::move(*text);
  }
  return true;
}

// Finds and reads the project file and writes the back end's makefiles:
// every one of them when anything the make tool cannot see changed since
// the last complete run (see buildrecord.h), otherwise only those whose
// text differs from the disk. A file that cannot be written is reported,
// and the build goes on: the make tool then works on what the build
// directory holds. False when the project file or a setting is missing.
bool writeMakefiles(const BackEnd& backEnd, const std::string& compilerMissing, BuildOptions& options,
                    const SdkPaths& values) {
  std::string err;
  const std::optional<std::string> found = ucl::findProjectFile(ucl::fileTitle(options.projectFile));
  const std::string title = found ? ucl::fileTitle(*found) : ucl::fileTitle(options.projectFile);
  options.projectFile = title;
  if (!found) {
    writeErrorLine("Unable to find project file");
    return false;
  }
  if (options.programName.empty()) options.programName = title;

  std::optional<std::vector<std::string>> files = ucl::readProjectFile(ucl::projectFileToRead(*found));
  if (!files) {
    writeErrorLine("Error: Wrong format in .cbx file");
    return false;
  }
  if (backEnd.makefilesNeedCompilerPath && !values.compilerPath) {
    writeErrorLine(compilerMissing);
    return false;
  }
  if (!namesFitTheCodePage(*found, *files, &err)) {
    writeErrorLine(err);
    return false;
  }

  const std::string record = recordPath(backEnd.buildDirectory, options.debugBuild);
  std::optional<std::string> recordedText = readRecord(record);
  std::optional<ReadRecord> recorded = recordedText ? parseRecordFile(*recordedText) : std::nullopt;
  std::optional<ProjectScan> scanned = projectHeaders(
      *files, HeaderSearchPath{"H", backEnd.includeDirectories(values)}, recorded ? &recorded->scans : nullptr, &err);
  if (!scanned) {
    writeErrorLine(err);
    return false;
  }
  ProjectScan& scan = *scanned;
  if (!scan.uncertain.empty()) {
    writeErrorLine("Note: " + scan.uncertain +
                   " names no header that kestrel can follow, so every makefile is written again");
  }
  const std::string present =
      recordText(options, values, scan.headers, projectLibraries(*files));
  const bool leaveUnchanged =
      maySkipWrites(recorded ? std::optional(recorded->compared) : std::nullopt, present, scan);
  // Only the scans of a changed source differ when the files are left
  // alone; then the record is renewed so that they are not read again.
  const bool recordIsCurrent = leaveUnchanged && scan.scans.copies(recorded->scans.loadedText());
  // The new scans refer to the old record's text: the new one is made
  // before that goes.
  std::string text = recordIsCurrent ? std::string() : recordFile(present, scan.scans);
  scan = ProjectScan();
  recordedText.reset();
  recorded.reset();
  // The new record waits under another name until the makefiles are
  // written; written now, its text need not stay while they are made.
  const std::string pending = record + ".new";
  bool pendingWritten = false;
  if (!recordIsCurrent) {
    platform::createDirectory(backEnd.buildDirectory);
    pendingWritten = writeRecord(pending, text);
    if (!pendingWritten) platform::deleteFile(pending);
    std::string().swap(text);  // not held while the makefiles are made
  }

  BuildDirectory directory = backEnd.makefiles(options, values, *files);
  const BuildDirectory editorFiles{{}, {compileCommandsFile(backEnd.compilerInputs(options, values, *files))}};
  files.reset();  // a large project's list need not stay while the files are written
  if (!inTheCodePage(directory, &err)) {
    writeErrorLine(err);
    platform::deleteFile(pending);
    return false;
  }
  // A run that stops halfway must not leave the old record behind: it would
  // vouch for files that no longer match it.
  if (!leaveUnchanged) platform::deleteFile(record);
  const bool written = writeBuildDirectory(directory, !leaveUnchanged, &err);
  if (!written) {
    writeErrorLine(err);
    platform::deleteFile(record);
    platform::deleteFile(pending);
  } else if (!recordIsCurrent) {
    platform::deleteFile(record);
    if (!pendingWritten || !platform::moveFile(pending, record)) {
      writeErrorLine("Unable to write " + record);
      platform::deleteFile(pending);
    }
  }
  // Last, as a file after the makefiles; compared with the disk by its text
  // alone, so no record vouches for it.
  if (written && !writeBuildDirectory(editorFiles, &err)) writeErrorLine(err);
  return true;
}

// Starts the back end's make runs; false when one could not be started or
// one ended with an exit code other than 0.
bool runMakeTools(const BackEnd& backEnd, const std::string& compilerMissing, const BuildOptions& options,
                  const SdkPaths& values) {
  if (!values.compilerPath) {
    writeErrorLine(compilerMissing);
    return false;
  }

  bool succeeded = true;
  for (const MakeRun& run : backEnd.makeRuns(options, values)) {
    const platform::ProcessOutcome outcome = runMake(run);
    if (!outcome.started) {
      writeErrorLine("Error: Unable to start " + run.toolName);
      return false;
    }
    if (outcome.exitCode != 0) {
      writeErrorLine("Error: " + run.toolName + " ended with exit code " + std::to_string(outcome.exitCode));
      succeeded = false;
    }
  }
  return succeeded;
}

int build(const std::vector<std::string>& arguments) {
  const ucl::SettingsFile settings(ucl::moduleDirectory(nullptr) + "Settings.ini");

  BuildOptions options = parseCommandLine(arguments);
  for (const std::string& option : options.unknownOptions) {
    writeErrorLine("Error: Unknown option '" + option + "'");
  }
  if (options.usageRequested) {
    writeUsage();
    return 0;
  }

  const BackEnd* backEnd = backEndFor(options.pvModel);
  if (backEnd == nullptr) {
    writeErrorLine("Unknown PV model '" + std::to_string(options.pvModel) + "'");
    return 1;
  }
  std::string err;
  // PV2 writes its makefiles without the compiler path; the make run always needs it.
  SdkPaths values;
  std::string compilerMissing;
  if (!settings.sdkPaths(backEnd->sdk, &values, &compilerMissing, &err)) {
    writeErrorLine(err);
    return 1;
  }

  if (options.createMakefile) {
    if (!writeMakefiles(*backEnd, compilerMissing, options, values)) return 1;
  } else {
    // The make tool runs with this run's options on files that no record
    // vouches for: the next run with makefiles writes them all again.
    for (const std::string& record : recordPaths(backEnd->buildDirectory)) platform::deleteFile(record);
  }
  return runMakeTools(*backEnd, compilerMissing, options, values) ? 0 : 1;
}

}  // namespace

int runKestrel(int argc, char** argv) {
  writeOutputLine(kBannerText);
  if (argc <= 1) {
    writeUsage();
    return 0;
  }
  try {
    return build(platform::programArguments(argc, argv));
  } catch (const std::bad_alloc&) {
    writeErrorLine("Error: Out of memory");
  }
  return 1;
}

}  // namespace kestrel
