#include "buildtool/driver.h"

#include <algorithm>
#include <memory>
#include <new>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "buildtool/buildrecord.h"
#include "buildtool/commandline.h"
#include "buildtool/compiledb.h"
#include "buildtool/filewriter.h"
#include "buildtool/includescan.h"
#include "buildtool/makerunner.h"
#include "buildtool/reporter.h"
#include "common/projectfile.h"
#include "common/inifile.h"
#include "common/pathhelpers.h"
#include "common/settingsfile.h"
#include "common/textencoding.h"
#include "platform/pathspelling.h"
#include "platform/codepages.h"

namespace kestrel {

namespace {

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

// The back end's settings, as a run uses them.
struct RunSettings {
  SdkPaths values;
  std::string compilerMissing;  // the message that says the compiler path is missing
};

// Reads the back end's section: false with the message when the SDK path
// is missing. PV2 writes its makefiles without the compiler path, and the
// make run always needs it, so its absence is kept for the part that does.
bool readSettings(const std::string& file, const BackEnd& backEnd, RunSettings* settings, std::string* err) {
  return ucl::SettingsFile(file).sdkPaths(backEnd.sdk, &settings->values, &settings->compilerMissing, err);
}

// The makefiles of a run and the record that is to vouch for them,
// decided before anything is written.
struct MakefilePlan {
  BuildDirectory directory;
  // Why every file is written again (the last complete run's record does
  // not match the present); empty when only those whose text differs are.
  std::string writeEverything;
  std::string uncertainInclude;  // the include that made it so, if one did
  std::string unsureInput;       // or the input
  std::unique_ptr<BuildRecord> record;
  bool renewRecord = false;
  bool scansChanged = false;     // more than the databases changed
  // The database for other editors, written after the makefiles when its
  // bytes differ from the disk's (no record vouches for them), unless the
  // file there is not kestrel's.
  CompileCommands database;
  bool writeDatabase = false;
  bool foreignDatabase = false;
};

// True when one of the digests, separated by blanks, is the digest.
bool holdsDigest(std::string_view digests, std::string_view digest) {
  for (size_t at = 0; at < digests.size();) {
    const size_t end = std::min(digests.find(' ', at), digests.size());
    if (digests.substr(at, end - at) == digest) return true;
    at = end + 1;
  }
  return false;
}

// Decides whether the database is written: when the file is missing, or
// differs and holds what kestrel wrote last in any configuration of either
// back end (its digest is in a record). Returns the digests the new record
// keeps: what is on disk after the run, and what was before when it is
// replaced, in case the replacement fails.
std::string planDatabase(ucl::Disk& disk, const std::string& recorded, MakefilePlan* plan) {
  const DatabaseOnDisk onDisk = compareWithFile(disk, kCompileCommandsFile, plan->database);
  switch (onDisk.state) {
    case DatabaseOnDisk::State::same:
      // A record that vouches for it already stays as it is.
      return holdsDigest(recorded, onDisk.newDigest) ? recorded : onDisk.newDigest;
    case DatabaseOnDisk::State::absent:
      plan->writeDatabase = true;
      return onDisk.newDigest;
    case DatabaseOnDisk::State::differs: {
      bool wrote = holdsDigest(recorded, onDisk.oldDigest);
      for (const int model : {2, 3}) {
        for (const std::string& record : BuildRecord::pathsIn(backEndFor(model)->buildDirectory)) {
          wrote = wrote || holdsDigest(BuildRecord::databasesIn(disk, record), onDisk.oldDigest);
        }
      }
      if (wrote) {
        plan->writeDatabase = true;
        return onDisk.newDigest + " " + onDisk.oldDigest;
      }
      break;
    }
    case DatabaseOnDisk::State::unreadable:
      break;
  }
  plan->foreignDatabase = true;
  return recorded;
}

// What one run does: the files to write, the record to commit and the make
// runs, in that order.
struct BuildPlan {
  std::string buildDirectory;
  std::optional<MakefilePlan> makefiles;  // none: the make tool works on the files there are
  std::vector<MakeRun> runs;
  std::string compilerMissing;  // the settings' message when no make tool can run
};

// Reads the record and scans the project, and decides whether every
// makefile is written again and whether the record is renewed (see
// buildrecord.h).
bool planRecord(ucl::Disk& disk, const BackEnd& backEnd, const RunSettings& settings, const BuildOptions& options,
                const std::vector<std::string>& files, MakefilePlan* plan, std::string* err) {
  plan->record = std::make_unique<BuildRecord>(disk, backEnd.buildDirectory, options.debugBuild);
  BuildRecord& record = *plan->record;
  record.load();
  const CompilerInputs compilerInputs = backEnd.compilerInputs(options, settings.values, files);
  ProjectScan scan;
  if (!projectHeaders(disk, files,
                      HeaderSearchPath{"H", backEnd.includeDirectories(settings.values), compilerInputs.definitions,
                                       compilerInputs.optionFiles},
                      record.scans(), &scan, err)) {
    return false;
  }
  plan->uncertainInclude = scan.uncertain;
  const std::vector<InputStamp> inputs =
      stampInputs(disk, backEnd.makeInputs(options, settings.values, files), &plan->unsureInput);
  const std::string recordedDatabases(record.databases());
  plan->database = compileCommandsOfThisDirectory(compilerInputs);
  const std::string databases = planDatabase(disk, recordedDatabases, plan);
  const std::string present = comparedText(options, settings.values, scan.headers, projectLibraries(files), inputs);
  plan->writeEverything = whyWriteEverything(record, present, scan, plan->unsureInput);
  // Only the scans of a changed source differ when the files are left
  // alone; then the record is renewed so that they are not read again.
  plan->scansChanged = !(plan->writeEverything.empty() && record.scans().unchanged());
  plan->renewRecord = plan->scansChanged || databases != recordedDatabases;
  // The new record's text is made before the loaded one goes, and neither
  // stays while the makefiles are made.
  if (plan->renewRecord) {
    record.renew(present, databases);
  } else {
    record.release();
  }
  return true;
}

// Finds and reads the project file and plans the back end's makefiles:
// every one of them is written when anything the make tool cannot see
// changed since the last complete run, otherwise only those whose text
// differs from the disk. Sets the project file to its title, and the
// program name when none was given. False with the message when the
// project file or a setting is missing or a name or a text does not fit
// the code page.
bool planMakefiles(ucl::Disk& disk, const BackEnd& backEnd, const RunSettings& settings, BuildOptions& options,
                   MakefilePlan* plan, std::string* err) {
  const std::optional<std::string> found = ucl::findProjectFile(disk, ucl::fileTitle(options.projectFile));
  const std::string title = found ? ucl::fileTitle(*found) : ucl::fileTitle(options.projectFile);
  options.projectFile = title;
  if (!found) {
    *err = "Unable to find project file";
    return false;
  }
  if (options.programName.empty()) options.programName = title;

  std::optional<std::vector<std::string>> files = ucl::readProjectFile(disk, ucl::projectFileToRead(*found));
  if (!files) {
    *err = "Error: Wrong format in .cbx file";
    return false;
  }
  if (backEnd.makefilesNeedCompilerPath && !settings.values.compilerPath) {
    *err = settings.compilerMissing;
    return false;
  }
  if (!namesFitTheCodePage(*found, *files, err)) return false;
  if (!planRecord(disk, backEnd, settings, options, *files, plan, err)) return false;
  plan->directory = backEnd.makefiles(options, settings.values, *files);
  files.reset();  // a large project's list need not stay while the files are written
  return inTheCodePage(plan->directory, err);
}

bool planBuild(ucl::Disk& disk, const BackEnd& backEnd, const RunSettings& settings, BuildOptions& options,
               BuildPlan* plan, std::string* err) {
  plan->buildDirectory = backEnd.buildDirectory;
  if (options.createMakefile) {
    if (!planMakefiles(disk, backEnd, settings, options, &plan->makefiles.emplace(), err)) return false;
  }
  if (settings.values.compilerPath) {
    plan->runs = backEnd.makeRuns(options, settings.values);
  } else {
    plan->compilerMissing = settings.compilerMissing;
  }
  return true;
}

// Writes the planned files and commits the record only when all of them
// were written. A file that cannot be written is reported, and the build
// goes on: the make tool then works on what the build directory holds.
void applyMakefilePlan(ucl::Disk& disk, MakefilePlan& plan, Reporter& reporter) {
  if (!plan.uncertainInclude.empty()) {
    reporter.uncertainInclude(plan.uncertainInclude);
  } else if (!plan.unsureInput.empty()) {
    reporter.unsureInput(plan.unsureInput);
  }
  BuildRecord& record = *plan.record;
  // The new record waits under its pending name, written before the files
  // so that its text need not stay while they are. One that cannot be
  // written leaves no record: the next run writes every file again.
  if (plan.renewRecord) record.writePending();
  const bool everyFile = !plan.writeEverything.empty();
  if (everyFile) {
    reporter.everyFileWritten(plan.writeEverything);
    // A run that stops halfway must not leave the old record behind: it
    // would vouch for files that no longer match it.
    record.remove();
  }
  std::string message;
  std::vector<std::string> written;
  const bool makefilesWritten = writeBuildDirectory(disk, plan.directory, everyFile, &written, &message);
  if (reporter.explaining()) {
    for (size_t file = 0, next = 0; file < plan.directory.files.size() && (makefilesWritten || next < written.size());
         ++file) {
      const std::string& path = plan.directory.files[file].path;
      if (next < written.size() && written[next] == path) {
        reporter.fileWritten(path, everyFile);
        ++next;
      } else {
        reporter.fileLeft(path);
      }
    }
  }
  if (!makefilesWritten) {
    reporter.failed(message);
    record.remove();
    record.discard();
  } else if (plan.renewRecord) {
    if (record.commit()) {
      reporter.recordRenewed(record.path(), plan.scansChanged);
    } else {
      reporter.cannotWrite(record.path());
    }
  } else {
    reporter.recordKept(record.path());
  }
  // The database holds what the project is, whatever became of the
  // makefiles: once no record vouches for the one on disk, it could no
  // longer be told from a file of the user's. Where the makefiles could
  // not be written, their message says what to mend, and that one alone.
  if (plan.foreignDatabase) {
    reporter.foreignDatabase(kCompileCommandsFile);
  } else if (!plan.writeDatabase) {
    reporter.databaseLeft(kCompileCommandsFile);
  } else if (writeCompileCommands(disk, kCompileCommandsFile, plan.database)) {
    reporter.databaseWritten(kCompileCommandsFile);
  } else if (makefilesWritten) {
    reporter.cannotWrite(kCompileCommandsFile);
  }
}

// Writes what the plan writes and starts its make runs in order; false
// when one could not be started (the later ones are not) or one ended
// with an exit code other than 0.
bool applyBuildPlan(ucl::Disk& disk, BuildPlan& plan, MakeRunner& makeRunner, Reporter& reporter) {
  if (plan.makefiles) {
    applyMakefilePlan(disk, *plan.makefiles, reporter);
    plan.makefiles.reset();
  } else {
    // The make tool runs with this run's options on files that no record
    // vouches for: the next run with makefiles writes them all again.
    reporter.noMakefiles();
    for (const std::string& record : BuildRecord::pathsIn(plan.buildDirectory)) disk.remove(record);
  }
  if (!plan.compilerMissing.empty()) {
    reporter.failed(plan.compilerMissing);
    return false;
  }

  bool succeeded = true;
  for (const MakeRun& run : plan.runs) {
    const platform::ProcessOutcome outcome = makeRunner.run(run);
    if (!run.removeAfterwards.empty()) disk.remove(run.removeAfterwards);
    if (!outcome.started) {
      reporter.cannotStart(run.toolName);
      return false;
    }
    if (outcome.exitCode != 0) {
      reporter.toolFailed(run.toolName, outcome.exitCode);
      succeeded = false;
    }
  }
  return succeeded;
}

int build(const std::vector<std::string>& arguments, const std::string& settingsFile, ucl::Disk& disk,
          MakeRunner& makeRunner, Reporter& reporter) {
  BuildOptions options = parseCommandLine(arguments);
  for (const std::string& option : options.unknownOptions) reporter.unknownOption(option);
  if (options.usageRequested) {
    reporter.usage();
    return 0;
  }

  const BackEnd* backEnd = backEndFor(options.pvModel);
  if (backEnd == nullptr) {
    reporter.unknownModel(options.pvModel);
    return 1;
  }
  std::string message;
  RunSettings settings;
  BuildPlan plan;
  if (!readSettings(settingsFile, *backEnd, &settings, &message) ||
      !planBuild(disk, *backEnd, settings, options, &plan, &message)) {
    reporter.failed(message);
    return 1;
  }
  return applyBuildPlan(disk, plan, makeRunner, reporter) ? 0 : 1;
}

}  // namespace

int runKestrel(const std::vector<std::string>& arguments, const std::string& settingsFile, ucl::Disk& disk,
               MakeRunner& makeRunner, Reporter& reporter) {
  reporter.banner();
  if (arguments.empty()) {
    reporter.usage();
    return 0;
  }
  try {
    return build(arguments, settingsFile, disk, makeRunner, reporter);
  } catch (const std::bad_alloc&) {
    reporter.outOfMemory();
  }
  return 1;
}

}  // namespace kestrel
