#include "buildtool/buildrecord.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

#include "common/projectfile.h"
#include "common/pathhelpers.h"
#include "common/textencoding.h"
#include "platform/textencoding.h"
#include "kestrel_version.h"

namespace kestrel {

namespace {

constexpr const char* kRecordHeading = "kestrel build record 1\n";

void appendValue(std::string& text, const char* key, const std::string& value) {
  text += key;
  text += ' ';
  text += std::to_string(value.size());
  text += ':';
  text += value;
  text += '\n';
}

void appendNumber(std::string& text, const char* key, long long value) {
  text += key;
  text += ' ';
  text += std::to_string(value);
  text += '\n';
}

}  // namespace

std::string recordText(const BuildOptions& options, const ucl::SdkPaths& settings,
                       const std::vector<HeaderStamp>& headers, const std::vector<std::string>& libraries) {
  std::string text = kRecordHeading;
  appendValue(text, "kestrel", KESTREL_VERSION);
  // Every field of BuildOptions that reaches a makefile or a make run.
  appendNumber(text, "pv", options.pvModel);
  appendValue(text, "project", options.projectFile);
  appendValue(text, "program", options.programName);
  appendNumber(text, "defines", static_cast<long long>(options.defines.size()));
  for (const std::string& define : options.defines) appendValue(text, "define", define);
  appendNumber(text, "version", options.version);
  appendNumber(text, "library", options.createLibrary);
  appendNumber(text, "debug", options.debugBuild);
  appendNumber(text, "asmopt", options.asmOptimisation);
  appendNumber(text, "model", options.memoryModel);
  appendNumber(text, "segment", options.targetSegment);
  appendValue(text, "sdk", settings.sdkPath);
  if (settings.compilerPath) {
    appendValue(text, "compiler", *settings.compilerPath);
  } else {
    text += "compiler missing\n";
  }
  appendNumber(text, "headers", static_cast<long long>(headers.size()));
  for (const HeaderStamp& header : headers) {
    text += std::to_string(header.stamp.size);
    text += ' ';
    text += std::to_string(header.stamp.modified);
    text += ' ';
    appendValue(text, "header", header.path);
  }
  appendNumber(text, "libraries", static_cast<long long>(libraries.size()));
  for (const std::string& library : libraries) appendValue(text, "library", library);
  text += "end\n";
  return text;
}

std::vector<std::string> projectLibraries(const std::vector<std::string>& projectFiles) {
  std::vector<std::string> libraries;
  for (const std::string& path : projectFiles) {
    if (ucl::fileKind(path) == ucl::FileKind::library) libraries.push_back(path);
  }
  return libraries;
}

bool stampWentBack(platform::FileStamp recorded, platform::FileStamp present) {
  return present.modified < recorded.modified || (present.modified == recorded.modified && present.size != recorded.size);
}

bool maySkipWrites(std::optional<std::string_view> recorded, std::string_view present, const ProjectScan& scan) {
  return recorded.has_value() && *recorded == present && scan.uncertain.empty() && scan.wentBack.empty();
}

namespace {

// Reads decimal digits (a leading "-" allowed) up to the terminator, which
// must follow; at moves past it. False for anything else.
bool readNumber(std::string_view text, size_t& at, char terminator, long long& value) {
  const size_t start = at;
  bool negative = at < text.size() && text[at] == '-';
  if (negative) ++at;
  unsigned long long magnitude = 0;
  const size_t digits = at;
  while (at < text.size() && text[at] >= '0' && text[at] <= '9' && at - digits < 19) {
    magnitude = magnitude * 10 + static_cast<unsigned>(text[at] - '0');
    ++at;
  }
  if (at == digits || at >= text.size() || text[at] != terminator) {
    at = start;
    return false;
  }
  ++at;
  value = negative ? -static_cast<long long>(magnitude) : static_cast<long long>(magnitude);
  return true;
}

// "<length>:<bytes>" followed by the terminator.
bool readCounted(std::string_view text, size_t& at, char terminator, std::string_view& value) {
  long long length = 0;
  if (!readNumber(text, at, ':', length) || length < 0 || text.size() - at < static_cast<size_t>(length) + 1) {
    return false;
  }
  value = text.substr(at, static_cast<size_t>(length));
  at += static_cast<size_t>(length);
  return text[at++] == terminator;
}

void appendCounted(std::string& text, std::string_view value, char terminator) {
  text += std::to_string(value.size());
  text += ':';
  text.append(value.data(), value.size());
  text += terminator;
}

// One entry after its path: "<size> <time> <count>\n", then per include
// "q" or "a" and the counted name. The includes go to out when given.
bool readEntry(std::string_view text, size_t& at, platform::FileStamp& stamp,
               std::vector<IncludeDirective>* out) {
  long long count = 0;
  if (!readNumber(text, at, ' ', stamp.size) || !readNumber(text, at, ' ', stamp.modified) ||
      !readNumber(text, at, '\n', count) || count < 0) {
    return false;
  }
  if (out != nullptr && static_cast<unsigned long long>(count) <= text.size() - at) {
    out->reserve(static_cast<size_t>(count));
  }
  for (long long i = 0; i < count; ++i) {
    if (at >= text.size() || (text[at] != 'q' && text[at] != 'a' && text[at] != 'u')) return false;
    const char form = text[at++];
    std::string_view name;
    if (!readCounted(text, at, '\n', name)) return false;
    if (out != nullptr) out->push_back({std::string(name), form == 'q', form == 'u'});
  }
  return true;
}

// FNV-1a, 64 bits, as 16 hex digits.
std::string checksum(std::string_view text) {
  unsigned long long hash = 14695981039346656037ull;
  for (const char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  static const char kDigits[] = "0123456789abcdef";
  std::string hex(16, '0');
  for (int i = 15; i >= 0; --i, hash >>= 4) hex[static_cast<size_t>(i)] = kDigits[hash & 15];
  return hex;
}

}  // namespace

void ScanCache::add(const std::string& path, platform::FileStamp stamp, const std::vector<IncludeDirective>& includes) {
  const size_t begin = own_.size();
  appendCounted(own_, path, ' ');
  own_ += std::to_string(stamp.size);
  own_ += ' ';
  own_ += std::to_string(stamp.modified);
  own_ += ' ';
  own_ += std::to_string(includes.size());
  own_ += '\n';
  for (const IncludeDirective& include : includes) {
    own_ += include.uncertain ? 'u' : include.quoted ? 'q' : 'a';
    appendCounted(own_, include.name, '\n');
  }
  const size_t size = own_.size() - begin;
  if (!pieces_.empty() && pieces_.back().copied == nullptr && pieces_.back().begin + pieces_.back().size == begin) {
    pieces_.back().size += size;
  } else {
    pieces_.push_back({nullptr, begin, size});
  }
  size_ += size;
  ++count_;
}

void ScanCache::addEntry(std::string_view entryText) {
  if (!pieces_.empty() && pieces_.back().copied != nullptr &&
      pieces_.back().copied + pieces_.back().size == entryText.data()) {
    pieces_.back().size += entryText.size();
  } else {
    pieces_.push_back({entryText.data(), 0, entryText.size()});
  }
  size_ += entryText.size();
  ++count_;
}

void ScanCache::appendTo(std::string& out) const {
  for (const Piece& piece : pieces_) {
    out.append(piece.copied != nullptr ? piece.copied : own_.data() + piece.begin, piece.size);
  }
}

std::string ScanCache::text() const {
  std::string text;
  text.reserve(size_);
  appendTo(text);
  return text;
}

bool ScanCache::copies(std::string_view loaded) const {
  if (pieces_.empty()) return loaded.empty();
  return pieces_.size() == 1 && pieces_[0].copied == loaded.data() && pieces_[0].size == loaded.size();
}

std::optional<std::vector<IncludeDirective>> ScanCache::find(const std::string& path, platform::FileStamp stamp,
                                                             std::string_view* entryText) const {
  const auto entry = index_.find(path);
  if (entry == index_.end()) return std::nullopt;
  size_t at = entry->second.stamp;
  platform::FileStamp recorded;
  std::vector<IncludeDirective> includes;
  if (!readEntry(loaded_, at, recorded, &includes)) return std::nullopt;
  if (recorded.size != stamp.size || recorded.modified != stamp.modified) return std::nullopt;
  if (entryText != nullptr) *entryText = loaded_.substr(entry->second.begin, at - entry->second.begin);
  return includes;
}

std::optional<platform::FileStamp> ScanCache::recordedStamp(const std::string& path) const {
  const auto entry = index_.find(path);
  if (entry == index_.end()) return std::nullopt;
  size_t at = entry->second.stamp;
  platform::FileStamp recorded;
  if (!readEntry(loaded_, at, recorded, nullptr)) return std::nullopt;
  return recorded;
}

bool ScanCache::load(std::string_view text, size_t count) {
  loaded_ = text;
  index_.clear();
  index_.reserve(count);
  size_t at = 0;
  while (at < text.size()) {
    const size_t begin = at;
    std::string_view path;
    if (!readCounted(text, at, ' ', path)) return false;
    index_[path] = Entry{begin, at};
    platform::FileStamp stamp;
    if (!readEntry(text, at, stamp, nullptr)) return false;
  }
  return index_.size() == count;
}

std::string recordFile(const std::string& compared, const ScanCache& scans) {
  std::string text;
  text.reserve(compared.size() + scans.size() + 64);
  text += "compared ";
  text += std::to_string(compared.size());
  text += '\n';
  text += compared;
  text += "scans ";
  text += std::to_string(scans.count());
  text += ' ';
  text += std::to_string(scans.size());
  text += '\n';
  scans.appendTo(text);
  text += "check " + checksum(text) + "\n";
  return text;
}

std::optional<ReadRecord> parseRecordFile(const std::string& text) {
  const size_t checkLine = text.size() >= 23 ? text.size() - 23 : std::string::npos;
  if (checkLine == std::string::npos || text.compare(checkLine, 6, "check ") != 0 || text.back() != '\n' ||
      text.compare(checkLine + 6, 16, checksum(std::string_view(text).substr(0, checkLine))) != 0) {
    return std::nullopt;
  }
  const std::string_view body = std::string_view(text).substr(0, checkLine);
  size_t at = 0;
  long long comparedSize = 0;
  long long count = 0;
  long long scansSize = 0;
  if (body.substr(0, 9) != "compared ") return std::nullopt;
  at = 9;
  if (!readNumber(body, at, '\n', comparedSize) || comparedSize < 0 ||
      body.size() - at < static_cast<size_t>(comparedSize)) {
    return std::nullopt;
  }
  ReadRecord record;
  record.compared = body.substr(at, static_cast<size_t>(comparedSize));
  at += static_cast<size_t>(comparedSize);
  if (body.substr(at, 6) != "scans ") return std::nullopt;
  at += 6;
  if (!readNumber(body, at, ' ', count) || !readNumber(body, at, '\n', scansSize) || count < 0 ||
      body.size() - at != static_cast<size_t>(scansSize)) {
    return std::nullopt;
  }
  if (!record.scans.load(body.substr(at), static_cast<size_t>(count))) return std::nullopt;
  return record;
}

std::string recordPath(const std::string& buildDirectory, bool debugBuild) {
  return buildDirectory + (debugBuild ? "\\kestrel_deps_dbg.txt" : "\\kestrel_deps_rel.txt");
}

std::optional<std::string> readRecord(const std::string& path) {
  // Read whole in one piece, then as text mode reads it: every CR left
  // out, and the text ends at a Ctrl-Z. (A CR of a value, which text mode
  // on Windows would keep, makes the record read as damaged: everything is
  // written again.)
  std::optional<std::string> read = platform::readWholeFile(path);
  if (!read) return std::nullopt;
  std::string& text = *read;
  const char* next = text.data();
  const char* const end = next + std::min(text.find('\x1A'), text.size());
  char* kept = text.data();
  while (next < end) {
    const char* cr = static_cast<const char*>(std::memchr(next, '\r', static_cast<size_t>(end - next)));
    const size_t run = static_cast<size_t>((cr != nullptr ? cr : end) - next);
    std::memmove(kept, next, run);
    kept += run;
    next += run + (cr != nullptr ? 1 : 0);
  }
  text.resize(static_cast<size_t>(kept - text.data()));
  return read;
}

bool writeRecord(const std::string& path, const std::string& text) { return platform::writeTextFileWhole(path, text); }

std::vector<std::string> recordPaths(const std::string& buildDirectory) {
  return {recordPath(buildDirectory, true), recordPath(buildDirectory, false)};
}

namespace {

// Finds files as Windows finds them: where the host's names keep letter
// case, each component of a path that is not there as written is looked up
// without regard to it. Each directory is listed once.
class LetterCaseFinder {
 public:
  std::optional<std::string> find(const std::string& path) {
    const std::optional<std::string> directory = directoryAsFound(ucl::fileDirectory(path));
    if (!directory) return std::nullopt;
    return entryAsFound(*directory, ucl::fileName(path));
  }

  // False when the directory holds no file of that name in any letter
  // case, which its listing answers without asking the file system. A
  // short name ("HEADER~1.H") is not in a listing: it may always exist.
  bool mayExist(const std::string& path) {
    if (!platform::pathFitsTheSystem(path)) return false;
    const size_t slash = path.rfind('\\');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::string_view name = std::string_view(path).substr(nameStart);
    // The paths asked come from a few directories at a time (a source's,
    // then the H directory and the include directories in turn): the
    // listings of the last few are found without a lookup by name.
    const Recent* recent = nullptr;
    for (const Recent& candidate : recent_) {
      if (candidate.directory && candidate.directory->compare(0, std::string::npos, path, 0, nameStart) == 0) {
        recent = &candidate;
        break;
      }
    }
    if (recent == nullptr) {
      Recent& slot = recent_[nextRecent_];
      nextRecent_ = (nextRecent_ + 1) % recent_.size();
      slot.directory = path.substr(0, nameStart);
      const std::optional<std::string> directory = directoryAsFound(*slot.directory);
      slot.listing = directory ? &listing(*directory) : nullptr;
      recent = &slot;
    }
    if (recent->listing == nullptr) return false;
    if (name.empty() || name == ".." || name.find('~') != std::string_view::npos) return true;
    return std::binary_search(recent->listing->begin(), recent->listing->end(), nameHash(name));
  }

 private:
  // Of the name in one letter case, as the file layer folds it.
  static unsigned long long nameHash(std::string_view name) {
    for (const char c : name) {
      if (static_cast<unsigned char>(c) >= 0x80) return asciiNameHash(platform::foldedLetterCase(std::string(name)));
    }
    return asciiNameHash(name);
  }
  static unsigned long long asciiNameHash(std::string_view name) {
    unsigned long long hash = 14695981039346656037ull;
    for (const char c : name) {
      hash ^= static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
      hash *= 1099511628211ull;
    }
    return hash;
  }

  // The hashes of the lower-case names in the directory (empty: the
  // current one), sorted: a large directory costs little to keep.
  const std::vector<unsigned long long>& listing(const std::string& directory) {
    const auto known = listings_.find(directory);
    if (known != listings_.end()) return known->second;
    std::vector<unsigned long long> names;
    for (const std::string& name : platform::findFiles(directory + "*")) names.push_back(nameHash(name));
    std::sort(names.begin(), names.end());
    return listings_.emplace(directory, std::move(names)).first->second;
  }

  // The entry of the directory (as spelt on disk) that has the name in
  // some letter case.
  std::optional<std::string> entryAsFound(const std::string& directory, const std::string& name) {
    if (name.empty() || name == "..") return directory + name;
    // Most lookups miss; the directory's search runs only for a name that
    // its listing may hold.
    const std::vector<unsigned long long>& names = listing(directory);
    if (!std::binary_search(names.begin(), names.end(), nameHash(name))) return std::nullopt;
    const std::vector<std::string> matches = platform::findFiles(directory + name);
    if (matches.empty()) return std::nullopt;
    return directory + matches.front();
  }

  static bool isRoot(const std::string& directory) {
    return directory.empty() || directory == "\\" || directory == "\\\\" ||
           (ucl::driveLetter(directory) != 0 && directory.size() <= 3);
  }

  // The directory (ending in a backslash) as it is spelt on disk; a root
  // as it is. Each one is looked up once: up to the nearest one known (or
  // a root), then down again part by part, so that a path of any depth
  // takes no stack.
  std::optional<std::string> directoryAsFound(const std::string& directory) {
    std::vector<std::string> unknown;  // the deepest first
    std::optional<std::string> found;
    for (std::string at = directory;;) {
      if (isRoot(at)) {
        found = at;
        break;
      }
      const auto known = directories_.find(at);
      if (known != directories_.end()) {
        found = known->second;
        break;
      }
      std::string parent = ucl::fileDirectory(at.substr(0, at.size() - 1));
      unknown.push_back(std::move(at));
      at = std::move(parent);
    }
    for (; !unknown.empty(); unknown.pop_back()) {
      const std::string& at = unknown.back();
      if (found) found = entryAsFound(*found, ucl::fileName(at.substr(0, at.size() - 1)));
      if (found) *found += '\\';
      directories_.emplace(at, found);
    }
    return found;
  }

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

class HeaderCollector {
 public:
  HeaderCollector(const HeaderSearchPath& search, const ScanCache* previous) : search_(search), previous_(previous) {}

  // Scans the file and follows the headers it includes; false, with the
  // reason, for an include whose path the system cannot take.
  bool scan(const std::string& path, std::string* err) {
    std::vector<std::string> pending{path};
    while (!pending.empty()) {
      const std::string current = std::move(pending.back());
      pending.pop_back();
      const std::optional<std::vector<IncludeDirective>> includes = includesOf(current);
      if (!includes) continue;
      const std::string directory = ucl::fileDirectory(current);
      for (const IncludeDirective& include : *includes) {
        if (include.uncertain) {
          if (uncertain_.empty()) uncertain_ = current + ": #include " + include.name;
          continue;
        }
        if (!platform::pathFitsTheSystem(include.name)) {
          *err = "Error: An #include in " + current + " names a path of " + std::to_string(include.name.size()) +
                 " bytes, longer than this system takes";
          return false;
        }
        const std::string& header = resolved(include, directory);
        if (!header.empty() && reach(header)) pending.push_back(header);
      }
    }
    return true;
  }

  // A header the project lists: counted whether or not anything includes it.
  bool addListed(const std::string& path, std::string* err) {
    const std::string header = normalisedPath(path);
    return stamp(header) == nullptr || !reach(header) || scan(header, err);
  }

  ScanCache takeScans() { return std::move(scans_); }
  std::string takeUncertain() { return std::move(uncertain_); }
  std::string takeWentBack() { return std::move(wentBack_); }

  std::vector<HeaderStamp> sorted() const {
    // Sorted as pointers, each path copied once into its place.
    std::vector<const std::pair<const std::string, Found>*> reached;
    for (const auto& entry : found_) {
      if (entry.second.reached) reached.push_back(&entry);
    }
    std::sort(reached.begin(), reached.end(), [](const auto* a, const auto* b) { return a->first < b->first; });
    std::vector<HeaderStamp> list;
    list.reserve(reached.size());
    for (const auto* entry : reached) list.push_back({entry->first, entry->second.stamp});
    return list;
  }

 private:
  // Many sources include the same few headers: each name is looked up once
  // per including directory.
  const std::string& resolved(const IncludeDirective& include, const std::string& directory) {
    key_.assign(directory);
    key_ += include.quoted ? '"' : '<';
    key_ += include.name;
    const auto known = resolved_.find(key_);
    if (known != resolved_.end()) return known->second;
    std::string header =
        resolveInclude(include, directory, search_, [&](const std::string& path) { return stamp(path) != nullptr; });
    return resolved_.emplace(key_, std::move(header)).first->second;
  }

  // What the file includes: as the previous run recorded it while the file
  // keeps its stamp, otherwise as it reads now. Nothing when it cannot be
  // read.
  std::optional<std::vector<IncludeDirective>> includesOf(const std::string& path) {
    // Headers were stamped when they were found; sources are stamped here.
    const auto known = found_.find(path);
    const std::optional<platform::FileStamp> found =
        known != found_.end() ? std::optional(known->second.stamp) : stampOf(path);
    if (!found) return std::nullopt;
    std::optional<std::vector<IncludeDirective>> includes;
    std::string_view entryText;
    if (previous_ != nullptr) includes = previous_->find(path, *found, &entryText);
    if (includes) {
      // The same path, stamp and includes: the entry's text as add writes it.
      scans_.addEntry(entryText);
      return includes;
    }
    if (previous_ != nullptr && wentBack_.empty()) {
      const std::optional<platform::FileStamp> recorded = previous_->recordedStamp(path);
      if (recorded && stampWentBack(*recorded, *found)) wentBack_ = path;
    }
    std::optional<std::string> text = platform::readWholeFile(path);
    if (!text) {
      const std::optional<std::string> cased = letterCase_.find(path);
      if (cased) text = platform::readWholeFile(*cased);
      if (!text) return std::nullopt;
    }
    includes = scanIncludes(*text);
    // The names as the project file's names are read: UTF-8 when the file
    // is UTF-8 throughout, otherwise text in the ANSI code page.
    if (!ucl::isAscii(*text) && !ucl::isValidUtf8(*text)) {
      for (IncludeDirective& include : *includes) include.name = platform::ansiToUtf8(include.name);
    }
    scans_.add(path, *found, *includes);
    return includes;
  }

  std::optional<platform::FileStamp> stampOf(const std::string& path) {
    if (!letterCase_.mayExist(path)) return std::nullopt;
    std::optional<platform::FileStamp> found = platform::fileStamp(path);
    if (!found) {
      if (const std::optional<std::string> cased = letterCase_.find(path)) found = platform::fileStamp(*cased);
    }
    return found;
  }

  // The stamp of a header that exists; null when it does not. Misses are
  // not kept: each name is resolved once per directory anyway.
  const platform::FileStamp* stamp(const std::string& path) {
    const auto known = found_.find(path);
    if (known != found_.end()) return &known->second.stamp;
    const std::optional<platform::FileStamp> found = stampOf(path);
    if (!found) return nullptr;
    return &found_.emplace(path, Found{*found, false}).first->second.stamp;
  }

  // Marks a header that exists as one the project reaches; false when it
  // was already.
  bool reach(const std::string& path) {
    Found& found = found_.at(path);
    if (found.reached) return false;
    found.reached = true;
    return true;
  }

  const HeaderSearchPath& search_;
  const ScanCache* previous_;
  ScanCache scans_;
  std::string uncertain_;
  std::string wentBack_;
  struct Found {
    platform::FileStamp stamp;
    bool reached;  // listed or included, not only looked at
  };
  std::unordered_map<std::string, Found> found_;
  std::unordered_map<std::string, std::string> resolved_;
  std::string key_;  // of resolved_, kept for its buffer
  LetterCaseFinder letterCase_;
};

}  // namespace

std::optional<ProjectScan> projectHeaders(const std::vector<std::string>& projectFiles, const HeaderSearchPath& search,
                                          const ScanCache* previous, std::string* err) {
  HeaderCollector collector(search, previous);
  for (const std::string& path : projectFiles) {
    const ucl::FileKind kind = ucl::fileKind(path);
    if (kind == ucl::FileKind::header && !collector.addListed(path, err)) return std::nullopt;
    if (kind == ucl::FileKind::source && !collector.scan(normalisedPath(path), err)) return std::nullopt;
  }
  return ProjectScan{collector.sorted(), collector.takeScans(), collector.takeUncertain(), collector.takeWentBack()};
}

std::string pendingRecordPath(const std::string& path) { return path + ".new"; }

bool writePendingRecord(const std::string& path, const std::string& text) {
  const std::string pending = pendingRecordPath(path);
  if (writeRecord(pending, text)) return true;
  platform::deleteFile(pending);
  return false;
}

bool commitRecord(const std::string& path) {
  const std::string pending = pendingRecordPath(path);
  platform::deleteFile(path);
  if (platform::moveFile(pending, path)) return true;
  platform::deleteFile(pending);
  return false;
}

void discardPendingRecord(const std::string& path) { platform::deleteFile(pendingRecordPath(path)); }

}  // namespace kestrel
