#include "testing/memorydisk.h"

#include <cctype>
#include <utility>

namespace testsupport {

namespace {

bool matches(const char* pattern, const char* name) {
  for (; *pattern != '\0'; ++pattern, ++name) {
    if (*pattern == '*') {
      for (const char* rest = name;; ++rest) {
        if (matches(pattern + 1, rest)) return true;
        if (*rest == '\0') return false;
      }
    }
    if (*name == '\0') return false;
    if (*pattern != '?' && std::tolower(static_cast<unsigned char>(*pattern)) !=
                               std::tolower(static_cast<unsigned char>(*name))) {
      return false;
    }
  }
  return *name == '\0';
}

std::string parentOf(const std::string& path) {
  const size_t slash = path.rfind('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string withCrLf(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

class MemoryFileReader : public ucl::FileReader {
 public:
  explicit MemoryFileReader(std::string bytes) : bytes_(std::move(bytes)) {}
  size_t read(char* into, size_t size) override {
    const size_t got = bytes_.copy(into, size, at_);
    at_ += got;
    return got;
  }
  bool close() override { return true; }

 private:
  std::string bytes_;
  size_t at_ = 0;
};

}  // namespace

class MemoryPendingFile : public ucl::PendingFile {
 public:
  MemoryPendingFile(MemoryDisk& disk, std::string target, const ucl::WriteOptions& options)
      : disk_(disk), target_(std::move(target)), options_(options) {}
  ~MemoryPendingFile() override = default;
  bool append(std::string_view bytes) override {
    text_ += bytes;
    return true;
  }
  bool keep() override { return keep(target_); }
  bool keep(const std::string& name) override {
    const std::string place = MemoryDisk::normal(name);
    if (disk_.refused_.count(place) != 0 || (!options_.replace && disk_.has(place))) return false;
    bool crlf = options_.lineEnds == ucl::LineEnds::crlf;
    if (options_.likeTarget && disk_.has(target_)) {
      const std::string old = disk_.bytes(target_);
      const size_t lineFeed = old.find('\n');
      if (lineFeed != std::string::npos) crlf = lineFeed > 0 && old[lineFeed - 1] == '\r';
    }
    disk_.keep(place, crlf ? withCrLf(text_) : std::move(text_));
    return true;
  }
  void discard() override { text_.clear(); }

 private:
  MemoryDisk& disk_;
  std::string target_;
  ucl::WriteOptions options_;
  std::string text_;
};

std::string MemoryDisk::normal(const std::string& path) {
  std::vector<std::string> parts;
  std::string part;
  for (size_t at = 0; at <= path.size(); ++at) {
    const char c = at < path.size() ? path[at] : '\\';
    if (c != '\\' && c != '/') {
      part += c;
      continue;
    }
    if (part == ".." && !parts.empty() && parts.back() != "..") {
      parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    part.clear();
  }
  std::string joined;
  for (const std::string& each : parts) joined += (joined.empty() ? "" : "\\") + each;
  return joined;
}

void MemoryDisk::put(const std::string& path, const std::string& bytes) {
  put(path, bytes, {static_cast<long long>(bytes.size()), ++clock_});
}

void MemoryDisk::put(const std::string& path, const std::string& bytes, ucl::FileStamp stamp) {
  const std::string place = normal(path);
  makeDirectories(parentOf(place));
  files_[place] = File{bytes, stamp};
}

std::string MemoryDisk::bytes(const std::string& path) const {
  const auto found = files_.find(normal(path));
  return found == files_.end() ? std::string() : found->second.bytes;
}

bool MemoryDisk::has(const std::string& path) const { return files_.count(normal(path)) != 0; }

std::optional<ucl::FileStamp> MemoryDisk::stampOf(const std::string& path) const {
  const auto found = files_.find(normal(path));
  if (found == files_.end()) return std::nullopt;
  return found->second.stamp;
}

std::vector<std::string> MemoryDisk::paths() const {
  std::vector<std::string> all;
  for (const auto& [path, file] : files_) all.push_back(path);
  return all;
}

std::vector<std::string> MemoryDisk::takeWritten() { return std::exchange(written_, {}); }

std::optional<std::string> MemoryDisk::read(const std::string& path) {
  const std::string place = normal(path);
  const auto found = files_.find(place);
  if (found == files_.end()) return std::nullopt;
  std::string copy;
  copy.reserve(found->second.bytes.size() + 1);
  copy = found->second.bytes;
  return copy;
}

std::optional<std::string> MemoryDisk::readStamped(const std::string& path, ucl::FileStamp* stamp) {
  const std::optional<ucl::FileStamp> found = stampOf(path);
  if (!found) return std::nullopt;
  *stamp = *found;
  return read(path);
}

std::unique_ptr<ucl::FileReader> MemoryDisk::open(const std::string& path) {
  std::optional<std::string> whole = read(path);
  if (!whole) return nullptr;
  return std::make_unique<MemoryFileReader>(std::move(*whole));
}

bool MemoryDisk::holdsText(const std::string& path, std::string_view text) {
  const std::optional<std::string> whole = read(path);
  return whole && *whole == withCrLf(text);
}

std::vector<std::string> MemoryDisk::list(const std::string& pattern) {
  const std::string place = normal(pattern);
  const std::string directory = parentOf(place);
  const std::string name = place.substr(directory.empty() ? 0 : directory.size() + 1);
  std::vector<std::string> found;
  const auto consider = [&](const std::string& path) {
    if (parentOf(path) != directory || path.empty()) return;
    const std::string entry = path.substr(directory.empty() ? 0 : directory.size() + 1);
    if (matches(name.c_str(), entry.c_str())) found.push_back(entry);
  };
  for (const std::string& each : directories_) consider(each);
  for (const auto& [path, file] : files_) consider(path);
  return found;
}

std::unique_ptr<ucl::PendingFile> MemoryDisk::create(const std::string& path, const ucl::WriteOptions& options) {
  const std::string place = normal(path);
  if (!directoryOf(place) || directories_.count(place) != 0 || refused_.count(place) != 0) return nullptr;
  return std::make_unique<MemoryPendingFile>(*this, place, options);
}

bool MemoryDisk::createDirectory(const std::string& path) {
  const std::string place = normal(path);
  if (files_.count(place) != 0 || !directoryOf(place)) return false;
  return directories_.insert(place).second;
}

bool MemoryDisk::remove(const std::string& path) { return files_.erase(normal(path)) != 0; }

bool MemoryDisk::move(const std::string& from, const std::string& to) {
  const auto found = files_.find(normal(from));
  const std::string place = normal(to);
  if (found == files_.end() || files_.count(place) != 0 || directories_.count(place) != 0 || refused_.count(place) != 0) {
    return false;
  }
  File file = std::move(found->second);
  files_.erase(found);
  files_[place] = std::move(file);
  return true;
}

bool MemoryDisk::directoryOf(const std::string& path) const { return directories_.count(parentOf(path)) != 0; }

void MemoryDisk::makeDirectories(const std::string& path) {
  for (std::string at = path; !at.empty(); at = parentOf(at)) directories_.insert(at);
}

void MemoryDisk::keep(const std::string& path, std::string bytes) {
  const long long size = static_cast<long long>(bytes.size());
  files_[path] = File{std::move(bytes), {size, ++clock_}};
  written_.push_back(path);
}

}  // namespace testsupport
