// What each scanned file includes, kept in the build record by the file's
// size and time, so that an unchanged file is not read again.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/disk.h"

namespace kestrel {

struct IncludeDirective {
  std::string name;  // as written between the quotes or the angle brackets
  bool quoted;       // "name" rather than <name>
  // The line names no header as written (#include MACRO): name is what
  // follows the word include, and nobody can tell which header it means.
  bool uncertain = false;
};

// Make sees a file only when it is newer than what was made from it: an
// older copy put back, or an edit within one tick of a coarse clock, slips
// past it.
bool stampWentBack(ucl::FileStamp recorded, ucl::FileStamp present);

// The #include lines of the files a run scanned, by path, each valid while
// the file keeps its size and time: those of the last run, loaded from its
// record, and this run's, appended to as files are scanned or recalled.
class ScanCache {
 public:
  void add(const std::string& path, ucl::FileStamp stamp, const std::vector<IncludeDirective>& includes);
  // The includes recorded for the file in a loaded cache, when the file
  // still has that stamp; then entryText, when given, is the entry's whole
  // text in the loaded scans (what add writes for that path, stamp and
  // includes).
  std::optional<std::vector<IncludeDirective>> find(const std::string& path, ucl::FileStamp stamp,
                                                    std::string_view* entryText = nullptr) const;
  // What find gives, and then the entry is this run's too.
  std::optional<std::vector<IncludeDirective>> recall(const std::string& path, ucl::FileStamp stamp);
  // True when nothing was loaded: no file's includes can be recalled.
  bool recallsNothing() const { return index_.empty(); }
  // The stamp the loaded cache holds for the file, whatever it is now.
  std::optional<ucl::FileStamp> recordedStamp(const std::string& path) const;
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
  bool unchanged() const { return copies(loaded_); }
  std::string_view loadedText() const { return loaded_; }
  // Looks up in the scans as recordFile wrote them, which must stay while
  // the cache is used; false when they are damaged.
  bool load(std::string_view text, size_t count);

 private:
  void appendTo(std::string& out) const;
  friend std::string recordFileText(const std::string& compared, const ScanCache& scans, const std::string& databases);

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

}  // namespace kestrel
