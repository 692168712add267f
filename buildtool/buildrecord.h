// kestrel's record of what the make tool cannot see: the options, the
// settings values, kestrel's version and every header the project reaches,
// with its size and time. The makefiles are left as they are only while
// the record of the last complete run matches the present. The record also
// keeps what each source and header includes, by its size and time, so
// that an unchanged file is not read again.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "buildtool/backend.h"
#include "buildtool/includescan.h"
#include "common/disk.h"

namespace kestrel {

// A file a makefile hands to the compiler or the linker; no stamp when it
// is not there.
struct InputStamp {
  std::string path;
  std::optional<ucl::FileStamp> stamp;
};
// The stamps of the files, each found as Windows finds it. unsure is the
// first one that may be there in a letter case only the system knows
// (empty when there is none): then nobody can say what the tools read.
std::vector<InputStamp> stampInputs(ucl::Disk& disk, const std::vector<std::string>& paths, std::string* unsure);

// The part of the record the decision compares: equal texts mean equal
// inputs. Every field of the options is in it, each value written with its
// length so that no two different inputs give the same text. headers must
// be sorted by path. The libraries are in it because no rule of every
// makefile depends on the file that lists them (PV3's link does not); the
// inputs are the files the makefiles name that make compares by time alone
// or not at all (BackEnd::makeInputs).
std::string comparedText(const BuildOptions& options, const ucl::SdkPaths& settings,
                       const std::vector<HeaderStamp>& headers, const std::vector<std::string>& libraries,
                       const std::vector<InputStamp>& inputs = {});
// The project's libraries, in its order.
std::vector<std::string> projectLibraries(const std::vector<std::string>& projectFiles);


// A record file: the digests of the compilation databases kestrel wrote
// (see compiledb.h: newest first, separated by blanks; it replaces only a
// database that holds one of them), the compared part and the scans,
// closed by a checksum of all, so that a record damaged anywhere is known
// as damaged. The digests come first, so that they are read alone.
std::string recordFileText(const std::string& compared, const ScanCache& scans, const std::string& databases = "");
struct RecordContents {
  std::string_view databases;
  std::string_view compared;
  ScanCache scans;
};
// Nothing when the text is not a whole, intact record file. The result
// refers to the text, which must stay while it is used.
std::optional<RecordContents> parseRecordFile(const std::string& text);

// The record of one configuration (debug and release builds keep their
// objects apart, and so their records): loaded once, compared with the
// present, and replaced through a pending copy that takes its place only
// when every file it vouches for is written. It holds the text it loaded,
// and the scans of this run that refer to it, until the new one is
// written.
class BuildRecord {
 public:
  enum class State { missing, damaged, intact };

  BuildRecord(ucl::Disk& disk, const std::string& buildDirectory, bool debugBuild);
  BuildRecord(const BuildRecord&) = delete;
  BuildRecord& operator=(const BuildRecord&) = delete;

  // Reads the record (as text mode reads it).
  State load();
  State state() const { return state_; }
  const std::string& path() const { return path_; }
  // The digests of the databases it vouches for; empty unless intact.
  std::string_view databases() const;
  // The last run's scans (none unless intact), to which this run's are
  // added.
  ScanCache& scans() { return contents_.scans; }
  // What differs between its compared part and the present one, for the
  // explain line ("the option define", "the header H\a.h"); empty when
  // they are the same, the record's state when it is not intact.
  std::string difference(std::string_view present) const;

  // Makes the new record of the compared part, this run's scans and the
  // databases, and lets go of the loaded text and the scans.
  void renew(const std::string& compared, const std::string& databases);
  // Writes the new record under its pending name (the build directory made
  // first), and lets go of its text; false, with no pending copy left, when
  // that failed.
  bool writePending();
  // Lets go of the loaded text and the scans, when the record stays.
  void release();
  // Removes the record, which no longer vouches for the files.
  void remove();
  // Puts the pending copy in the record's place. False when there is none
  // or it cannot be moved: then neither the record nor a pending copy is
  // left.
  bool commit();
  // Removes a pending copy that will not be committed.
  void discard();

  // Every record a build directory may hold.
  static std::vector<std::string> pathsIn(const std::string& buildDirectory);
  // The databases' digests of the record file at the path, read from its
  // first line alone; empty when there is none.
  static std::string databasesIn(ucl::Disk& disk, const std::string& path);
  static std::string pathFor(const std::string& buildDirectory, bool debugBuild);

 private:
  std::string pendingPath() const { return path_ + ".new"; }

  ucl::Disk& disk_;
  std::string directory_;
  std::string path_;
  State state_ = State::missing;
  std::string text_;  // loaded, or made by renew
  RecordContents contents_;
};

// Why every generated file is to be written again, as the explain line
// says it; empty when those that still hold their text may be left alone:
// only when the record of the last complete run could be read whole and
// describes exactly the present, every include of the project could be
// followed, every input the makefiles name could be found for sure
// (unsureInput is empty) and no file the scan read went back in time.
std::string whyWriteEverything(const BuildRecord& record, std::string_view present, const ProjectScan& scan,
                               const std::string& unsureInput);

}  // namespace kestrel
