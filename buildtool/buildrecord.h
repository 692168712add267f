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
#include "platform/files.h"

namespace kestrel {

struct IncludeDirective;  // one #include line of a scanned file (includescan.h)

struct HeaderStamp {
  std::string path;
  platform::FileStamp stamp;
};

// A file a makefile hands to the compiler or the linker; no stamp when it
// is not there.
struct InputStamp {
  std::string path;
  std::optional<platform::FileStamp> stamp;
};
// The stamps of the files, each found as Windows finds it. unsure is the
// first one that may be there in a letter case only the system knows
// (empty when there is none): then nobody can say what the tools read.
std::vector<InputStamp> stampInputs(const std::vector<std::string>& paths, std::string* unsure);

// The part of the record the decision compares: equal texts mean equal
// inputs. Every field of the options is in it, each value written with its
// length so that no two different inputs give the same text. headers must
// be sorted by path. The libraries are in it because no rule of every
// makefile depends on the file that lists them (PV3's link does not); the
// inputs are the files the makefiles name that make compares by time alone
// or not at all (BackEnd::makeInputs).
std::string recordText(const BuildOptions& options, const ucl::SdkPaths& settings,
                       const std::vector<HeaderStamp>& headers, const std::vector<std::string>& libraries,
                       const std::vector<InputStamp>& inputs = {});
// The project's libraries, in its order.
std::vector<std::string> projectLibraries(const std::vector<std::string>& projectFiles);

// Make sees a file only when it is newer than what was made from it: an
// older copy put back, or an edit within one tick of a coarse clock, slips
// past it.
bool stampWentBack(platform::FileStamp recorded, platform::FileStamp present);

struct ProjectScan;  // what the header walk found (includescan.h)

// May the generated files that still hold their text be left alone? Only
// when the record of the last complete run could be read whole and
// describes exactly the present, every include of the project could be
// followed and no file the scan read went back in time; a missing,
// unreadable or damaged record cannot.
bool maySkipWrites(std::optional<std::string_view> recorded, std::string_view present, const ProjectScan& scan);

// The #include lines of the files a run scanned, by path, each valid while
// the file keeps its size and time. Appended to as files are scanned.
class ScanCache {
 public:
  void add(const std::string& path, platform::FileStamp stamp, const std::vector<IncludeDirective>& includes);
  // The includes recorded for the file in a loaded cache, when the file
  // still has that stamp; then entryText, when given, is the entry's whole
  // text in the loaded scans (what add writes for that path, stamp and
  // includes).
  std::optional<std::vector<IncludeDirective>> find(const std::string& path, platform::FileStamp stamp,
                                                    std::string_view* entryText = nullptr) const;
  // The stamp the loaded cache holds for the file, whatever it is now.
  std::optional<platform::FileStamp> recordedStamp(const std::string& path) const;
  // Appends an entry's text as find gave it. Not copied: the loaded text
  // it lies in must stay while this cache is used.
  void addEntry(std::string_view entryText);
  // The scans as recordFile writes them.
  std::string text() const;
  size_t size() const { return size_; }
  size_t count() const { return count_; }
  // True when this cache holds exactly the loaded text, entry by entry in
  // its order: nothing is new since that record.
  bool copies(std::string_view loaded) const;
  std::string_view loadedText() const { return loaded_; }
  // Looks up in the scans as recordFile wrote them, which must stay while
  // the cache is used; false when they are damaged.
  bool load(std::string_view text, size_t count);

 private:
  void appendTo(std::string& out) const;
  friend std::string recordFile(const std::string& compared, const ScanCache& scans, const std::string& databases);

  // The text in pieces: runs of entries copied from a loaded text, which
  // follow each other there and so are mostly one piece, or written here.
  struct Piece {
    const char* copied;  // null: at begin in own_
    size_t begin;
    size_t size;
  };
  std::vector<Piece> pieces_;
  std::string own_;  // what add wrote
  size_t size_ = 0;
  size_t count_ = 0;
  std::string_view loaded_;
  struct Entry {
    size_t begin;  // of the entry in loaded_
    size_t stamp;  // where its stamp begins
  };
  std::unordered_map<std::string_view, Entry> index_;  // by path
};

// A record file: the digests of the compilation databases kestrel wrote
// (see compiledb.h: newest first, separated by blanks; it replaces only a
// database that holds one of them), the compared part and the scans,
// closed by a checksum of all, so that a record damaged anywhere is known
// as damaged. The digests come first, so that they are read alone.
std::string recordFile(const std::string& compared, const ScanCache& scans, const std::string& databases = "");
struct ReadRecord {
  std::string_view databases;
  std::string_view compared;
  ScanCache scans;
};
// The databases' digests of the record file at the path, read from its
// first line alone; empty when there is none.
std::string recordedDatabases(const std::string& path);
// Nothing when the text is not a whole, intact record file. The result
// refers to the text, which must stay while it is used.
std::optional<ReadRecord> parseRecordFile(const std::string& text);

// The record of the configuration: debug and release builds keep their
// objects apart, and so their records.
std::string recordPath(const std::string& buildDirectory, bool debugBuild);
// The record as text mode reads it; nothing when it cannot be read.
std::optional<std::string> readRecord(const std::string& path);
// Writes the record whole in text mode; false when that failed.
bool writeRecord(const std::string& path, const std::string& text);
// Every record the build directory may hold.
std::vector<std::string> recordPaths(const std::string& buildDirectory);

// A new record waits under a name of its own until every file it vouches
// for is written; only then does it take the record's place.
std::string pendingRecordPath(const std::string& path);
// Writes the record's pending copy; false, with no pending copy left, when
// that failed.
bool writePendingRecord(const std::string& path, const std::string& text);
// Puts the pending copy in the record's place. False when there is none or
// it cannot be moved: then neither the record nor a pending copy is left.
bool commitRecord(const std::string& path);
// Removes a pending copy that will not be committed.
void discardPendingRecord(const std::string& path);

}  // namespace kestrel
