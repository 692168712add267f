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

std::string resolveInclude(const IncludeDirective& include, const std::string& includerDirectory,
                           const HeaderSearchPath& search, const std::function<bool(const std::string&)>& exists) {
  const std::string name = normalisedPath(include.name);
  if (name.empty()) return std::string();
  if (name[0] == '\\' || ucl::driveLetter(name) != 0) return exists(name) ? name : std::string();
  const auto inDirectory = [&](const std::string& directory) {
    if (directory.empty()) return name;
    return normalisedPath(directory.back() == '\\' || directory.back() == '/' ? directory + name
                                                                              : directory + '\\' + name);
  };
  if (include.quoted) {
    for (const std::string* directory : {&includerDirectory, &search.projectHeaderDirectory}) {
      const std::string candidate = inDirectory(*directory);
      if (exists(candidate)) return candidate;
    }
  }
  for (const std::string& directory : search.includeDirectories) {
    const std::string candidate = inDirectory(directory);
    if (exists(candidate)) return candidate;
  }
  return std::string();
}

namespace {

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
