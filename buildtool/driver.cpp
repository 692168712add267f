#include "buildtool/driver.h"

#include <algorithm>
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
#include "common/projectfile.h"
#include "common/inifile.h"
#include "common/pathhelpers.h"
#include "common/settingsfile.h"
#include "common/textencoding.h"
#include "platform/files.h"
#include "platform/pathspelling.h"
#include "platform/textencoding.h"

namespace kestrel {

namespace {

void writeLine(std::ostream& stream, const std::string& line) { stream << line << std::endl; }

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

// The makefiles of a run and the record that is to vouch for them, decided
// before anything is written.
struct MakefilePlan {
  BuildDirectory directory;
  bool rewriteAll = false;  // the last complete run's record does not match the present
  std::string record;       // the record's path
  bool renewRecord = false;
  std::string recordText;  // when renewRecord
  std::string note;        // said before anything is written, or empty
  // The database for other editors, written after the makefiles when its
  // bytes differ from the disk's (no record vouches for them), unless the
  // file there is not kestrel's: then the note says so.
  CompileCommands database;
  bool writeDatabase = false;
  std::string databaseNote;
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
std::string planDatabase(const std::string& recorded, MakefilePlan* plan) {
  const DatabaseOnDisk onDisk = compareWithFile(kCompileCommandsFile, plan->database);
  switch (onDisk.state) {
    case DatabaseOnDisk::State::same:
      return onDisk.newDigest;
    case DatabaseOnDisk::State::absent:
      plan->writeDatabase = true;
      return onDisk.newDigest;
    case DatabaseOnDisk::State::differs: {
      bool wrote = holdsDigest(recorded, onDisk.oldDigest);
      for (const int model : {2, 3}) {
        for (const std::string& record : recordPaths(backEndFor(model)->buildDirectory)) {
          wrote = wrote || holdsDigest(recordedDatabases(record), onDisk.oldDigest);
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
  plan->databaseNote = std::string("Note: ") + kCompileCommandsFile +
                       " was not written by kestrel, so it is left as it is; delete it to have kestrel write it";
  return recorded;
}

// What one run does: the files to write, the record to commit and the make
// runs, in that order.
struct BuildPlan {
  std::string buildDirectory;
  std::optional<MakefilePlan> makefiles;  // none: the make tool works on the files there are
  std::vector<MakeRun> runs;
  std::string cannotRun;  // why no make tool can run, or empty
};

// Finds and reads the project file and plans the back end's makefiles:
// every one of them is written when anything the make tool cannot see
// changed since the last complete run (see buildrecord.h), otherwise only
// those whose text differs from the disk. Sets the project file to its
// title, and the program name when none was given. False with the message
// when the project file or a setting is missing or a name or a text does
// not fit the code page.
bool planMakefiles(const BackEnd& backEnd, const RunSettings& settings, BuildOptions& options, MakefilePlan* plan,
                   std::string* err) {
  const std::optional<std::string> found = ucl::findProjectFile(ucl::fileTitle(options.projectFile));
  const std::string title = found ? ucl::fileTitle(*found) : ucl::fileTitle(options.projectFile);
  options.projectFile = title;
  if (!found) {
    *err = "Unable to find project file";
    return false;
  }
  if (options.programName.empty()) options.programName = title;

  std::optional<std::vector<std::string>> files = ucl::readProjectFile(ucl::projectFileToRead(*found));
  if (!files) {
    *err = "Error: Wrong format in .cbx file";
    return false;
  }
  if (backEnd.makefilesNeedCompilerPath && !settings.values.compilerPath) {
    *err = settings.compilerMissing;
    return false;
  }
  if (!namesFitTheCodePage(*found, *files, err)) return false;

  plan->record = recordPath(backEnd.buildDirectory, options.debugBuild);
  std::optional<std::string> recordedText = readRecord(plan->record);
  std::optional<ReadRecord> recorded = recordedText ? parseRecordFile(*recordedText) : std::nullopt;
  const CompilerInputs compilerInputs = backEnd.compilerInputs(options, settings.values, *files);
  ProjectScan scan;
  if (!projectHeaders(*files,
                      HeaderSearchPath{"H", backEnd.includeDirectories(settings.values), compilerInputs.definitions,
                                       compilerInputs.optionFiles},
                      recorded ? &recorded->scans : nullptr, &scan, err)) {
    return false;
  }
  if (!scan.uncertain.empty()) {
    plan->note = "Note: " + scan.uncertain + " names no header that kestrel can follow, so every makefile is written again";
  }
  std::string unsureInput;
  const std::vector<InputStamp> inputs =
      stampInputs(backEnd.makeInputs(options, settings.values, *files), &unsureInput);
  if (plan->note.empty() && !unsureInput.empty()) {
    plan->note = "Note: " + unsureInput + " names no file that kestrel can find for sure, so every makefile is written again";
  }
  const std::string recordedDatabases = recorded ? std::string(recorded->databases) : std::string();
  plan->database = compileCommandsOfThisDirectory(compilerInputs);
  const std::string databases = planDatabase(recordedDatabases, plan);
  std::string present = recordText(options, settings.values, scan.headers, projectLibraries(*files), inputs);
  const bool leaveUnchanged =
      unsureInput.empty() && maySkipWrites(recorded ? std::optional(recorded->compared) : std::nullopt, present, scan);
  plan->rewriteAll = !leaveUnchanged;
  // Only the scans of a changed source differ when the files are left
  // alone; then the record is renewed so that they are not read again.
  plan->renewRecord =
      !(leaveUnchanged && scan.scans.copies(recorded->scans.loadedText())) || databases != recordedDatabases;
  // The new scans refer to the old record's text: the new one is made
  // before that goes, and neither stays while the makefiles are made.
  if (plan->renewRecord) plan->recordText = recordFile(present, scan.scans, databases);
  // Moved out, so that their buffers go too (assigning an empty string
  // keeps a string's buffer).
  std::string().swap(present);
  std::exchange(scan, ProjectScan());
  recorded.reset();
  recordedText.reset();

  plan->directory = backEnd.makefiles(options, settings.values, *files);
  files.reset();  // a large project's list need not stay while the files are written
  return inTheCodePage(plan->directory, err);
}

bool planBuild(const BackEnd& backEnd, const RunSettings& settings, BuildOptions& options, BuildPlan* plan,
               std::string* err) {
  plan->buildDirectory = backEnd.buildDirectory;
  if (options.createMakefile) {
    if (!planMakefiles(backEnd, settings, options, &plan->makefiles.emplace(), err)) return false;
  }
  if (settings.values.compilerPath) {
    plan->runs = backEnd.makeRuns(options, settings.values);
  } else {
    plan->cannotRun = settings.compilerMissing;
  }
  return true;
}

// Writes the planned files and commits the record only when all of them
// were written. A file that cannot be written is reported, and the build
// goes on: the make tool then works on what the build directory holds.
void applyMakefilePlan(const std::string& buildDirectory, MakefilePlan& plan, std::ostream& err) {
  if (!plan.note.empty()) writeLine(err, plan.note);
  // The new record waits under its pending name, written before the files
  // so that its text need not stay while they are.
  if (plan.renewRecord) {
    platform::createDirectory(buildDirectory);
    writePendingRecord(plan.record, plan.recordText);
    std::string().swap(plan.recordText);
  }
  // A run that stops halfway must not leave the old record behind: it would
  // vouch for files that no longer match it.
  if (plan.rewriteAll) platform::deleteFile(plan.record);
  std::string message;
  const bool makefilesWritten = writeBuildDirectory(plan.directory, plan.rewriteAll, &message);
  if (!makefilesWritten) {
    writeLine(err, message);
    platform::deleteFile(plan.record);
    discardPendingRecord(plan.record);
  } else if (plan.renewRecord && !commitRecord(plan.record)) {
    writeLine(err, "Unable to write " + plan.record);
  }
  // The database holds what the project is, whatever became of the
  // makefiles: once no record vouches for the one on disk, it could no
  // longer be told from a file of the user's. Where the makefiles could
  // not be written, their message says what to mend, and that one alone.
  if (!plan.databaseNote.empty()) {
    writeLine(err, plan.databaseNote);
  } else if (plan.writeDatabase && !writeCompileCommands(kCompileCommandsFile, plan.database) && makefilesWritten) {
    writeLine(err, std::string("Unable to write ") + kCompileCommandsFile);
  }
}

// Writes what the plan writes and starts its make runs in order; false
// when one could not be started (the later ones are not) or one ended
// with an exit code other than 0.
bool applyBuildPlan(BuildPlan& plan, MakeRunner& makeRunner, std::ostream& err) {
  if (plan.makefiles) {
    applyMakefilePlan(plan.buildDirectory, *plan.makefiles, err);
    plan.makefiles.reset();
  } else {
    // The make tool runs with this run's options on files that no record
    // vouches for: the next run with makefiles writes them all again.
    for (const std::string& record : recordPaths(plan.buildDirectory)) platform::deleteFile(record);
  }
  if (!plan.cannotRun.empty()) {
    writeLine(err, plan.cannotRun);
    return false;
  }

  bool succeeded = true;
  for (const MakeRun& run : plan.runs) {
    const platform::ProcessOutcome outcome = makeRunner.run(run);
    if (!outcome.started) {
      writeLine(err, "Error: Unable to start " + run.toolName);
      return false;
    }
    if (outcome.exitCode != 0) {
      writeLine(err, "Error: " + run.toolName + " ended with exit code " + std::to_string(outcome.exitCode));
      succeeded = false;
    }
  }
  return succeeded;
}

int build(const std::vector<std::string>& arguments, const std::string& settingsFile, MakeRunner& makeRunner,
          std::ostream& out, std::ostream& err) {
  BuildOptions options = parseCommandLine(arguments);
  for (const std::string& option : options.unknownOptions) {
    writeLine(err, "Error: Unknown option '" + option + "'");
  }
  if (options.usageRequested) {
    writeLine(out, kUsageText);
    return 0;
  }

  const BackEnd* backEnd = backEndFor(options.pvModel);
  if (backEnd == nullptr) {
    writeLine(err, "Unknown PV model '" + std::to_string(options.pvModel) + "'");
    return 1;
  }
  std::string message;
  RunSettings settings;
  BuildPlan plan;
  if (!readSettings(settingsFile, *backEnd, &settings, &message) ||
      !planBuild(*backEnd, settings, options, &plan, &message)) {
    writeLine(err, message);
    return 1;
  }
  return applyBuildPlan(plan, makeRunner, err) ? 0 : 1;
}

}  // namespace

int runKestrel(const std::vector<std::string>& arguments, const std::string& settingsFile, MakeRunner& makeRunner,
               std::ostream& out, std::ostream& err) {
  writeLine(out, kBannerText);
  if (arguments.empty()) {
    writeLine(out, kUsageText);
    return 0;
  }
  try {
    return build(arguments, settingsFile, makeRunner, out, err);
  } catch (const std::bad_alloc&) {
    writeLine(err, "Error: Out of memory");
  }
  return 1;
}

}  // namespace kestrel
