// Files and directories as the system sees them: backslash-separated paths,
// Windows text mode, and the directory search of the Windows API.
#pragma once

#include <array>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "pathspelling.h"

namespace platform {

// Opens a file in the Windows C runtime's text mode, mode "r" or "w" ("w"
// creates or truncates). Reading ends at a Ctrl-Z byte and turns CR LF into
// LF; writing turns every LF into CR LF. Null when the file cannot be opened.
std::FILE* openTextFile(const std::string& path, const char* mode);

// Opens a file as bytes, mode "rb" or "wb".
std::FILE* openBinaryFile(const std::string& path, const char* mode);

// Closes a file opened above. False when an earlier write or the close
// itself failed (a full disk shows here).
bool closeFile(std::FILE* file);

struct FileStamp;
// The whole content of a file, as bytes; nothing when it cannot be opened
// or read (a directory cannot). A stamp, when asked for, is the opened
// file's (what fileStamp gives for the path), taken before its bytes are
// read: a file that changes meanwhile is newer than the stamp.
std::optional<std::string> readWholeFile(const std::string& path, FileStamp* stamp = nullptr);
// True when the file can be read and holds exactly what text mode writes
// for the text (every LF as CR LF). Reads no further than it must, so a
// device that never ends is no problem.
bool fileHoldsText(const std::string& path, std::string_view text);

// How a TempFile writes the line feeds it is given.
enum class LineEnds {
  asGiven,  // bytes as they are
  crlf,     // every LF as CR LF, as text mode writes it
};

// The one safe write: a new file beside the target, written (in pieces if
// need be), flushed to the disk, and then either kept, renamed into the
// target's place, or discarded; a failure at any point leaves the target
// whole. The target is resolved through symbolic links first, so a link
// stays a link and its target gets the bytes. Its name is the target's
// with a number and ".tmp" added, so it never takes the target's
// extension, in its long form or its 8.3 form. Keeps the target's
// permissions where the system has them. One of keep and discard must be
// called; the destructor discards a file left open (and asserts in a debug
// build).
class TempFile {
 public:
  struct Options {
    LineEnds lineEnds = LineEnds::asGiven;
    // For an edit: each LF as the target's first line end is (LF, or CR
    // LF); lineEnds only for a target without one, or none at all.
    bool likeTarget = false;
    // False: keep fails when a file is in the target's place by then, and
    // the target is left as it is (so is one that was there already).
    bool replace = true;
  };

  // Opens the new file beside path; false, with nothing made, when the
  // target is a directory or read-only (on POSIX, one its owner may not
  // write), or its directory takes no new file.
  static bool create(const std::string& path, const Options& options, TempFile* file);
  static bool create(const std::string& path, TempFile* file) { return create(path, Options(), file); }

  TempFile() = default;
  TempFile(TempFile&& other) noexcept;
  TempFile& operator=(TempFile&& other) noexcept;
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  ~TempFile();

  // The target as resolved, in the system's Windows spelling.
  const std::string& target() const { return target_; }

  // Adds bytes to the file; false after a failed write (keep then fails).
  bool append(std::string_view bytes);
  // Flushes the file to the disk and renames it onto the target (or onto
  // name, beside it, which is not resolved); false, the file removed and
  // the place left as it was, when that fails.
  bool keep();
  bool keep(const std::string& name);
  // Removes the file.
  void discard();

 private:
  void chooseLineEnds();
  bool writeOut(const char* bytes, size_t size);
  bool flushBuffer();
  bool finishWriting();
  void closeAndRemove();

  std::string target_;     // Windows spelling
  std::string temporary_;  // Windows spelling
  Options options_;
  bool crlf_ = false;      // line feeds go out as CR LF
  bool failed_ = false;
  bool open_ = false;
  std::string buffer_;
#ifdef _WIN32
  void* handle_ = nullptr;
#else
  int fd_ = -1;
  unsigned mode_ = 0;  // the target's permissions; 0 for a new file
#endif
};

// Writes the bytes (line ends as options say) into the file's place with a
// TempFile; false, the old file left whole, when that cannot be done.
bool writeFileSafely(const std::string& path, const std::string& bytes, const TempFile::Options& options = {});

bool createDirectory(const std::string& path);
// Creates the directory and every missing one above it; true when the
// directory is there afterwards.
bool createDirectories(const std::string& path);
bool deleteFile(const std::string& path);
bool moveFile(const std::string& from, const std::string& to);
bool isDirectory(const std::string& path);

// What make compares of a file: its size and its last write time (in the
// host's own units, only ever compared for equality).
struct FileStamp {
  long long size = 0;
  long long modified = 0;
};
// False for a path longer than the system's limit (Windows' MAX_PATH in
// UTF-16 units, PATH_MAX bytes on POSIX): no call can open it.
bool pathFitsTheSystem(const std::string& path);

// The stamp of a file; nothing when it does not exist or is a directory.
std::optional<FileStamp> fileStamp(const std::string& path);

// The UTF-8 name with its letters in one case, as names compare on Windows
// without regard to it: ASCII, and the letters the ANSI code pages hold
// (Latin, Greek, Cyrillic, full-width Latin). Everything else, and bytes
// that are not UTF-8, as it is.
std::string foldedLetterCase(const std::string& utf8);
// False when the name holds a letter outside what foldedLetterCase folds
// (or bytes that are not UTF-8): then only the system can tell which names
// it matches.
bool foldKnowsEveryLetter(const std::string& utf8);
// True where the system's own file lookup matches names without regard to
// letter case (Windows); false where it takes them as spelt (Linux).
bool lookupsFoldLetterCase();

// Names (without directory) of the entries that match the last component of
// the pattern, which may hold "*" and "?" and is matched without regard to
// letter case, in the order of the directory search.
std::vector<std::string> findFiles(const std::string& pattern);

// Finds files as Windows finds them: where the host's names keep letter
// case, each component of a path that is not there as written is looked up
// without regard to it. Each directory is listed once, for the finder's
// life: it answers for a file system that does not change meanwhile.
class LetterCaseFinder {
 public:
  // Lists a directory as findFiles does.
  using Lister = std::function<std::vector<std::string>(const std::string& pattern)>;
  // On this system's disk.
  LetterCaseFinder();
  // On another: its listing, and whether its lookups fold letter case.
  LetterCaseFinder(Lister list, bool lookupsFold);

  // The path as it is spelt on disk; nothing when no entry of that name,
  // in any letter case, is there.
  std::optional<std::string> find(const std::string& path);

  // False when the directory holds no file of that name in any letter
  // case, which its listing answers without asking the file system. A
  // short name ("HEADER~1.H") is not in a listing: it may always exist.
  // A name with a letter the fold does not know may always exist: the
  // system's lookup decides.
  bool mayExist(const std::string& path);

  // After neither the path as spelt nor find found the file: false when
  // the file may still be there in another letter case that only the
  // system knows, and the system does not fold (a letter the fold does not
  // know, on Linux).
  bool absenceIsSure(const std::string& path);

 private:
  const std::vector<unsigned long long>& listing(const std::string& directory);
  std::optional<std::string> entryAsFound(const std::string& directory, const std::string& name);
  std::optional<std::string> directoryAsFound(const std::string& directory);

  Lister list_;
  bool lookupsFold_;
  std::unordered_map<std::string, std::vector<unsigned long long>> listings_;
  std::unordered_map<std::string, std::optional<std::string>> directories_;
  // Directories mayExist asked lately, each with its listing (null: the
  // directory is not there); the maps' elements keep their addresses.
  struct Recent {
    std::optional<std::string> directory;
    const std::vector<unsigned long long>* listing = nullptr;
  };
  std::array<Recent, 4> recent_;
  size_t nextRecent_ = 0;
};

// The short (8.3) form of an existing path, where the file system keeps
// one; on POSIX, and where it keeps none, the path as it is. Nothing when
// the path cannot be found.
std::optional<std::string> shortPath(const std::string& path);

}  // namespace platform
