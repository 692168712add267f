#include "buildtool/includescan.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <unordered_map>

#include "common/pathhelpers.h"
#include "common/projectfile.h"
#include "common/textencoding.h"
#include "platform/files.h"
#include "platform/textencoding.h"

namespace kestrel {

namespace {

// Blanks, and a comment that starts and ends on the line.
size_t skipBlanks(const std::string& text, size_t at, size_t lineEnd) {
  while (at < lineEnd) {
    const char c = text[at];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
      ++at;
    } else if (c == '/' && at + 1 < lineEnd && text[at + 1] == '*') {
      const size_t close = std::string_view(text).substr(0, lineEnd).find("*/", at + 2);
      if (close == std::string_view::npos) return lineEnd;
      at = close + 2;
    } else {
      break;
    }
  }
  return at;
}

}  // namespace

namespace {

bool isNameCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// The directive that starts at "#" (at), if it is an #include: a name in
// quotes or angle brackets, or something else (a macro) that the scan
// cannot follow. False for any other line.
bool directiveAt(const std::string& text, size_t at, size_t lineEnd, IncludeDirective& directive) {
  size_t i = skipBlanks(text, at + 1, lineEnd);
  if (text.compare(i, 7, "include") != 0 || (i + 7 < lineEnd && isNameCharacter(text[i + 7]))) return false;
  i = skipBlanks(text, i + 7, lineEnd);
  if (i >= lineEnd) return false;
  if (text[i] == '"' || text[i] == '<') {
    const bool quoted = text[i] == '"';
    const size_t close = text.find(quoted ? '"' : '>', i + 1);
    // No name, or none closed on the line: the compiler refuses the line.
    if (close >= lineEnd || close == i + 1) return false;
    directive = {text.substr(i + 1, close - i - 1), quoted};
    return true;
  }
  size_t end = lineEnd;
  while (end > i && (text[end - 1] == ' ' || text[end - 1] == '\t' || text[end - 1] == '\r')) --end;
  directive = {text.substr(i, end - i), false, true};
  return true;
}

}  // namespace

std::vector<IncludeDirective> scanIncludes(const std::string& text) {
  std::vector<IncludeDirective> found;
  IncludeDirective directive;
  for (size_t at = 0; at < text.size();) {
    size_t lineEnd = text.find('\n', at);
    if (lineEnd == std::string::npos) lineEnd = text.size();
    const size_t i = skipBlanks(text, at, lineEnd);
    if (i < lineEnd && text[i] == '#') {
      if (directiveAt(text, i, lineEnd, directive)) found.push_back(std::move(directive));
    } else {
      // The line may go on after the end of a comment that began on an
      // earlier line: a directive after any "*/" on it counts.
      const std::string_view line = std::string_view(text).substr(at, lineEnd - at);
      for (size_t close = line.find("*/"); close != std::string_view::npos; close = line.find("*/", close + 2)) {
        const size_t hash = skipBlanks(text, at + close + 2, lineEnd);
        if (hash < lineEnd && text[hash] == '#' && directiveAt(text, hash, lineEnd, directive)) {
          found.push_back(std::move(directive));
          break;
        }
      }
    }
    at = lineEnd + 1;
  }
  return found;
}

namespace {

// A relative path that normalisedPath would give back as it is: "\\" only
// between components, none of them empty, "." or "..", and no drive. Most
// paths a project names are such paths.
bool alreadyNormal(const std::string& path) {
  if (path.empty() || path.front() == '\\' || path.back() == '\\' || ucl::driveLetter(path) != 0) return false;
  size_t componentStart = 0;
  for (size_t at = 0; at <= path.size(); ++at) {
    const char c = at < path.size() ? path[at] : '\\';
    if (c == '/') return false;
    if (c != '\\') continue;
    const size_t length = at - componentStart;
    if (length == 0) return false;
    if (path[componentStart] == '.' && (length == 1 || (length == 2 && path[componentStart + 1] == '.'))) return false;
    componentStart = at + 1;
  }
  return true;
}

}  // namespace

std::string normalisedPath(const std::string& path) {
  if (alreadyNormal(path)) return path;
  std::string spelt = path;
  for (char& c : spelt) {
    if (c == '/') c = '\\';
  }
  // The root stays as it is: "\\" of a share, "X:\", "X:" or "\".
  size_t rootEnd = 0;
  if (spelt.compare(0, 2, "\\\\") == 0) {
    rootEnd = 2;
  } else if (ucl::driveLetter(spelt) != 0) {
    rootEnd = spelt.size() > 2 && spelt[2] == '\\' ? 3 : 2;
  } else if (!spelt.empty() && spelt[0] == '\\') {
    rootEnd = 1;
  }
  std::vector<std::string> components;
  size_t kept = 0;  // components that a ".." may take out: not leading ".."s
  for (size_t at = rootEnd; at <= spelt.size();) {
    size_t end = spelt.find('\\', at);
    if (end == std::string::npos) end = spelt.size();
    const std::string component = spelt.substr(at, end - at);
    if (component == "..") {
      if (kept > 0) {
        components.pop_back();
        --kept;
      } else if (rootEnd == 0) {
        components.push_back(component);  // above a relative start; at a root there is nothing above
      }
    } else if (!component.empty() && component != ".") {
      components.push_back(component);
      ++kept;
    }
    at = end + 1;
  }
  std::string result = spelt.substr(0, rootEnd);
  for (size_t i = 0; i < components.size(); ++i) {
    if (i > 0) result += '\\';
    result += components[i];
  }
  return result;
}

namespace {

// The paths the compiler tries for the directive, in its order.
std::vector<std::string> searchOrder(const IncludeDirective& include, const std::string& includerDirectory,
                                     const HeaderSearchPath& search) {
  const std::string name = normalisedPath(include.name);
  if (name.empty()) return {};
  if (name[0] == '\\' || ucl::driveLetter(name) != 0) return {name};
  const auto inDirectory = [&](const std::string& directory) {
    if (directory.empty()) return name;
    return normalisedPath(directory.back() == '\\' || directory.back() == '/' ? directory + name
                                                                              : directory + '\\' + name);
  };
  std::vector<std::string> candidates;
  if (include.quoted) {
    candidates.push_back(inDirectory(includerDirectory));
    candidates.push_back(inDirectory(search.projectHeaderDirectory));
  }
  for (const std::string& directory : search.includeDirectories) candidates.push_back(inDirectory(directory));
  return candidates;
}

}  // namespace

std::string resolveInclude(const IncludeDirective& include, const std::string& includerDirectory,
                           const HeaderSearchPath& search, const std::function<bool(const std::string&)>& exists) {
  for (std::string& candidate : searchOrder(include, includerDirectory, search)) {
    if (exists(candidate)) return std::move(candidate);
  }
  return std::string();
}

std::vector<std::string> includeCandidates(const IncludeDirective& include, const std::string& includerDirectory,
                                           const HeaderSearchPath& search,
                                           const std::function<Presence(const std::string&)>& lookup, bool* unsure) {
  std::vector<std::string> found;
  for (std::string& candidate : searchOrder(include, includerDirectory, search)) {
    const Presence presence = lookup(candidate);
    if (presence == Presence::unsure) *unsure = true;
    if (presence == Presence::asSpelt) {
      found.push_back(std::move(candidate));
      break;
    }
    if (presence == Presence::otherCase && found.empty()) found.push_back(std::move(candidate));
  }
  return found;
}

namespace {

class HeaderCollector {
 public:
  HeaderCollector(const HeaderSearchPath& search, const ScanCache* previous) : search_(search), previous_(previous) {}

  // Scans the file (a listed source) and follows the headers it includes;
  // false, with the reason, for an include whose path the system cannot
  // take. A file scanned already is not scanned again.
  bool scan(const std::string& path, std::string* err) {
    const Candidate* start = lookup(path);
    return start == nullptr || walk(start->file, err);
  }

  // A header the project lists: counted whether or not anything includes it.
  bool addListed(const std::string& path, std::string* err) {
    const Candidate* header = lookup(normalisedPath(path));
    if (header == nullptr) return true;
    header->file->second.reached = true;
    return walk(header->file, err);
  }

  ScanCache takeScans() { return std::move(scans_); }
  std::string takeUncertain() { return std::move(uncertain_); }
  std::string takeWentBack() { return std::move(wentBack_); }

  std::vector<HeaderStamp> sorted() const {
    // Sorted as pointers, each path copied once into its place.
    std::vector<const FileEntry*> reached;
    for (const auto& entry : files_) {
      if (entry.second.reached) reached.push_back(&entry);
    }
    std::sort(reached.begin(), reached.end(), [](const auto* a, const auto* b) { return a->first < b->first; });
    std::vector<HeaderStamp> list;
    list.reserve(reached.size());
    for (const auto* entry : reached) list.push_back({entry->first, entry->second.stamp});
    return list;
  }

 private:
  // One file, under the first spelling that reached it, however often and
  // in whatever spelling it is reached again.
  struct File {
    platform::FileStamp stamp;
    bool reached = false;  // listed or included as a header, not only looked at
    bool scanned = false;
  };
  using FileEntry = std::pair<const std::string, File>;
  struct Candidate {
    FileEntry* file;
    bool asSpelt;  // there as the candidate is spelt, not only in another letter case
  };
  // What the file's includes resolve to from its directory.
  struct Resolution {
    std::vector<FileEntry*> headers;
    bool unsure = false;
  };

  bool walk(FileEntry* first, std::string* err) {
    std::vector<FileEntry*> pending{first};
    while (!pending.empty()) {
      FileEntry* current = pending.back();
      pending.pop_back();
      if (current->second.scanned) continue;
      current->second.scanned = true;
      const std::string& path = current->first;
      const std::optional<std::vector<IncludeDirective>> includes = includesOf(path, current->second.stamp);
      if (!includes) continue;
      const std::string directory = ucl::fileDirectory(path);
      for (const IncludeDirective& include : *includes) {
        if (include.uncertain) {
          if (uncertain_.empty()) uncertain_ = path + ": #include " + include.name;
          continue;
        }
        if (!platform::pathFitsTheSystem(include.name)) {
          *err = "Error: An #include in " + path + " names a path of " + std::to_string(include.name.size()) +
                 " bytes, longer than this system takes";
          return false;
        }
        const Resolution& resolution = resolved(include, directory);
        if (resolution.unsure && uncertain_.empty()) {
          uncertain_ = path + ": #include " + (include.quoted ? '"' + include.name + '"' : '<' + include.name + '>');
        }
        for (FileEntry* header : resolution.headers) {
          if (!header->second.reached) {
            header->second.reached = true;
            pending.push_back(header);
          }
        }
      }
    }
    return true;
  }

  // Many sources include the same few headers: each name is looked up once
  // per including directory.
  const Resolution& resolved(const IncludeDirective& include, const std::string& directory) {
    key_.assign(directory);
    key_ += include.quoted ? '"' : '<';
    key_ += include.name;
    const auto known = resolved_.find(key_);
    if (known != resolved_.end()) return known->second;
    Resolution resolution;
    const std::vector<std::string> headers = includeCandidates(
        include, directory, search_,
        [&](const std::string& path) {
          const Candidate* found = lookup(path);
          if (found != nullptr) return found->asSpelt ? Presence::asSpelt : Presence::otherCase;
          return letterCase_.absenceIsSure(path) ? Presence::absent : Presence::unsure;
        },
        &resolution.unsure);
    for (const std::string& header : headers) resolution.headers.push_back(candidates_.at(header).file);
    return resolved_.emplace(key_, std::move(resolution)).first->second;
  }

  // What the file includes: as the previous run recorded it while the file
  // keeps its stamp, otherwise as it reads now. Nothing when it cannot be
  // read.
  std::optional<std::vector<IncludeDirective>> includesOf(const std::string& path, platform::FileStamp stamp) {
    std::optional<std::vector<IncludeDirective>> includes;
    std::string_view entryText;
    if (previous_ != nullptr) includes = previous_->find(path, stamp, &entryText);
    if (includes) {
      // The same path, stamp and includes: the entry's text as add writes it.
      scans_.addEntry(entryText);
      return includes;
    }
    if (previous_ != nullptr && wentBack_.empty()) {
      const std::optional<platform::FileStamp> recorded = previous_->recordedStamp(path);
      if (recorded && stampWentBack(*recorded, stamp)) wentBack_ = path;
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
    scans_.add(path, stamp, *includes);
    return includes;
  }

  // The file the path names, if it exists. Misses are not kept: each name
  // is resolved once per directory anyway.
  const Candidate* lookup(const std::string& path) {
    const auto known = candidates_.find(path);
    if (known != candidates_.end()) return &known->second;
    if (!letterCase_.mayExist(path)) return nullptr;
    std::optional<platform::FileStamp> stamp = platform::fileStamp(path);
    const bool asSpelt = stamp.has_value();
    std::optional<std::string> onDisk;
    if (!stamp) {
      onDisk = letterCase_.find(path);
      if (onDisk) stamp = platform::fileStamp(*onDisk);
      if (!stamp) return nullptr;
    }
    // Which file it is: where lookups fold letter case, every spelling that
    // folds alike; elsewhere the spelling on disk.
    std::string identity = platform::lookupsFoldLetterCase()
                               ? (platform::foldKnowsEveryLetter(path) ? platform::foldedLetterCase(path) : path)
                               : (onDisk ? *onDisk : path);
    auto spelling = spellings_.find(identity);
    if (spelling == spellings_.end()) {
      FileEntry* file = &*files_.emplace(path, File{*stamp}).first;
      spelling = spellings_.emplace(std::move(identity), file).first;
    }
    return &candidates_.emplace(path, Candidate{spelling->second, asSpelt}).first->second;
  }

  const HeaderSearchPath& search_;
  const ScanCache* previous_;
  ScanCache scans_;
  std::string uncertain_;
  std::string wentBack_;
  std::unordered_map<std::string, File> files_;           // by the first spelling
  std::unordered_map<std::string, FileEntry*> spellings_;  // by identity
  std::unordered_map<std::string, Candidate> candidates_;  // by every spelling looked up
  std::unordered_map<std::string, Resolution> resolved_;
  std::string key_;  // of resolved_, kept for its buffer
  platform::LetterCaseFinder letterCase_;
};

}  // namespace

bool projectHeaders(const std::vector<std::string>& projectFiles, const HeaderSearchPath& search,
                    const ScanCache* previous, ProjectScan* scan, std::string* err) {
  HeaderCollector collector(search, previous);
  for (const std::string& path : projectFiles) {
    const ucl::FileKind kind = ucl::fileKind(path);
    if (kind == ucl::FileKind::header && !collector.addListed(path, err)) return false;
    if (kind == ucl::FileKind::source && !collector.scan(normalisedPath(path), err)) return false;
  }
  *scan = ProjectScan{collector.sorted(), collector.takeScans(), collector.takeUncertain(), collector.takeWentBack()};
  return true;
}

}  // namespace kestrel
