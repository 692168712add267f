// The disk as kestrel and the project reader see it: read, stamp, list,
// write safely, remove. The real one sits on the platform layer; tests
// hand in one that holds its files in memory, so that a decision that
// depends on what is on disk is checked without one.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace ucl {

using platform::FileStamp;
using platform::LetterCaseFinder;
using platform::LineEnds;
using WriteOptions = platform::TempFile::Options;

// A file being written beside its target: appended to, then either kept
// (renamed into the target's place, or onto a name beside it) or
// discarded. One of keep and discard must be called.
class PendingFile {
 public:
  virtual ~PendingFile() = default;
  // False after a failed write (keep then fails).
  virtual bool append(std::string_view bytes) = 0;
  // False, the file removed and the place left as it was, when that fails.
  virtual bool keep() = 0;
  virtual bool keep(const std::string& name) = 0;
  virtual void discard() = 0;
};

// A file read from its start.
class FileReader {
 public:
  virtual ~FileReader() = default;
  // Reads up to size bytes, fewer only at the end of the file or after a
  // failure; returns how many.
  virtual size_t read(char* into, size_t size) = 0;
  // Closes the file; false when a read failed.
  virtual bool close() = 0;
};

// Paths are in the system's Windows spelling, relative ones to the current
// directory.
class Disk {
 public:
  virtual ~Disk() = default;

  // The whole content, as bytes, with room for one more byte (a parser's
  // NUL) after it; nothing when the file cannot be read.
  virtual std::optional<std::string> read(const std::string& path) = 0;
  // The same, with the file's stamp as it was opened, before the bytes
  // were read (what stamp gives for it): one look at the file instead of two.
  virtual std::optional<std::string> readStamped(const std::string& path, FileStamp* stamp) = 0;
  // The file opened to be read in pieces; null when it cannot be opened.
  virtual std::unique_ptr<FileReader> open(const std::string& path) = 0;
  // True when the file can be read and holds exactly what text mode writes
  // for the text (every LF as CR LF); reads no further than it must.
  virtual bool holdsText(const std::string& path, std::string_view text) = 0;
  // Size and last write time, a link followed; nothing for a missing file
  // or a directory.
  virtual std::optional<FileStamp> stamp(const std::string& path) = 0;
  // Names (without directory) of the entries that match the last component
  // of the pattern ("*" and "?", without regard to letter case), in the
  // order of the directory search.
  virtual std::vector<std::string> list(const std::string& pattern) = 0;
  // True where the system's lookups match names without regard to letter
  // case.
  virtual bool foldsLetterCase() const = 0;
  // False for a path longer than the system takes.
  virtual bool takesPath(const std::string& path) const = 0;

  // A new file beside path (see platform::TempFile); null, with nothing
  // made, when it cannot be created.
  virtual std::unique_ptr<PendingFile> create(const std::string& path, const WriteOptions& options) = 0;
  virtual bool createDirectory(const std::string& path) = 0;
  virtual bool remove(const std::string& path) = 0;
  virtual bool move(const std::string& from, const std::string& to) = 0;
};

// The disk of the running system.
class RealDisk : public Disk {
 public:
  std::optional<std::string> read(const std::string& path) override;
  std::optional<std::string> readStamped(const std::string& path, FileStamp* stamp) override;
  std::unique_ptr<FileReader> open(const std::string& path) override;
  bool holdsText(const std::string& path, std::string_view text) override;
  std::optional<FileStamp> stamp(const std::string& path) override;
  std::vector<std::string> list(const std::string& pattern) override;
  bool foldsLetterCase() const override;
  bool takesPath(const std::string& path) const override;
  std::unique_ptr<PendingFile> create(const std::string& path, const WriteOptions& options) override;
  bool createDirectory(const std::string& path) override;
  bool remove(const std::string& path) override;
  bool move(const std::string& from, const std::string& to) override;
};

// Writes the bytes into the file's place whole, beside it first; false,
// the old file left whole, when that cannot be done.
bool writeFile(Disk& disk, const std::string& path, std::string_view bytes, const WriteOptions& options = {});
// Finds files as Windows finds them (see platform::LetterCaseFinder),
// listing the disk's directories.
LetterCaseFinder letterCaseFinder(Disk& disk);

}  // namespace ucl
