// A disk in memory for tests of what kestrel decides: files by path, each
// stamped by a clock that ticks once a write, and directories. Lookups
// take names as spelt, as on Linux; listings match without regard to
// letter case, as Windows' directory search does.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "common/disk.h"

namespace testsupport {

class MemoryDisk : public ucl::Disk {
 public:
  // Puts the bytes in the file's place, its directories made, stamped with
  // the next tick (or the stamp given).
  void put(const std::string& path, const std::string& bytes);
  void put(const std::string& path, const std::string& bytes, ucl::FileStamp stamp);
  // The file's bytes; empty for a missing file (has tells).
  std::string bytes(const std::string& path) const;
  bool has(const std::string& path) const;
  std::optional<ucl::FileStamp> stampOf(const std::string& path) const;
  // Every file's path, sorted.
  std::vector<std::string> paths() const;
  // A write into the place fails, or no longer does.
  void refuseWrites(const std::string& path, bool refuse = true) {
    if (refuse) {
      refused_.insert(normal(path));
    } else {
      refused_.erase(normal(path));
    }
  }
  // The files kept in their places since the last call, in order.
  std::vector<std::string> takeWritten();

  std::optional<std::string> read(const std::string& path) override;
  std::optional<std::string> readStamped(const std::string& path, ucl::FileStamp* stamp) override;
  std::unique_ptr<ucl::FileReader> open(const std::string& path) override;
  bool holdsText(const std::string& path, std::string_view text) override;
  std::optional<ucl::FileStamp> stamp(const std::string& path) override { return stampOf(path); }
  std::vector<std::string> list(const std::string& pattern) override;
  bool foldsLetterCase() const override { return false; }
  bool takesPath(const std::string& path) const override { return path.size() < 4096; }
  std::unique_ptr<ucl::PendingFile> create(const std::string& path, const ucl::WriteOptions& options) override;
  bool createDirectory(const std::string& path) override;
  bool remove(const std::string& path) override;
  bool move(const std::string& from, const std::string& to) override;

  // The path with "\" for "/", without "." and with each "name\.." taken out.
  static std::string normal(const std::string& path);

 private:
  friend class MemoryPendingFile;
  struct File {
    std::string bytes;
    ucl::FileStamp stamp;
  };
  bool directoryOf(const std::string& path) const;
  void makeDirectories(const std::string& path);
  void keep(const std::string& path, std::string bytes);

  std::map<std::string, File> files_;
  std::set<std::string> directories_{""};
  std::set<std::string> refused_;
  std::vector<std::string> written_;
  long long clock_ = 1000;
};

}  // namespace testsupport
