#include "buildtool/includescan.h"

#include <algorithm>
#include <iterator>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "common/pathhelpers.h"
#include "common/projectfile.h"
#include "common/textencoding.h"
#include "platform/files.h"
#include "platform/codepages.h"

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

std::string directiveKey(const IncludeDirective& include) {
  return (include.uncertain ? 'u' : include.quoted ? 'q' : 'a') + include.name;
}

// Where a directive's name begins when a "#" (or its spelling "%:") starts
// one at at; npos otherwise.
size_t afterIntroducer(const std::string& text, size_t at, size_t lineEnd) {
  if (at < lineEnd && text[at] == '#') return at + 1;
  if (at + 1 < lineEnd && text[at] == '%' && text[at + 1] == ':') return at + 2;
  return std::string::npos;
}

// The word of the directive that starts at at (after its "#"), and where
// the blanks after it end; false when it is not that word.
bool directiveWord(const std::string& text, size_t& at, size_t lineEnd, const char* word, size_t length) {
  const size_t i = skipBlanks(text, at, lineEnd);
  if (text.compare(i, length, word) != 0 || (i + length < lineEnd && isNameCharacter(text[i + length]))) return false;
  at = skipBlanks(text, i + length, lineEnd);
  return true;
}

// A name in quotes or angle brackets at at, closed on the line; close is
// where its closing character stands.
bool headerName(const std::string& text, size_t at, size_t lineEnd, IncludeDirective& name, size_t& close) {
  if (at >= lineEnd || (text[at] != '"' && text[at] != '<')) return false;
  const bool quoted = text[at] == '"';
  close = text.find(quoted ? '"' : '>', at + 1);
  // No name, or none closed on the line: the compiler refuses the line.
  if (close >= lineEnd || close == at + 1) return false;
  name = {text.substr(at + 1, close - at - 1), quoted};
  return true;
}

size_t trimmedEnd(const std::string& text, size_t from, size_t lineEnd) {
  while (lineEnd > from && (text[lineEnd - 1] == ' ' || text[lineEnd - 1] == '\t' || text[lineEnd - 1] == '\r')) {
    --lineEnd;
  }
  return lineEnd;
}

// The #include after the "#" at at: a name in quotes or angle brackets, or
// something else (a macro) that the scan cannot follow. False for any
// other line.
bool includeAt(const std::string& text, size_t at, size_t lineEnd, IncludeDirective& directive) {
  if (!directiveWord(text, at, lineEnd, "include", 7) || at >= lineEnd) return false;
  size_t close = 0;
  if (text[at] == '"' || text[at] == '<') return headerName(text, at, lineEnd, directive, close);
  directive = {text.substr(at, trimmedEnd(text, at, lineEnd) - at), false, true};
  return true;
}

// The #define after the "#" at at, of one of the names; its expansion is
// uncertain unless it is one header name and nothing else.
bool definitionAt(const std::string& text, size_t at, size_t lineEnd, const std::unordered_set<std::string>& names,
                  MacroDefinition& definition) {
  if (!directiveWord(text, at, lineEnd, "define", 6)) return false;
  size_t end = at;
  while (end < lineEnd && isNameCharacter(text[end])) ++end;
  if (end == at) return false;
  definition.name.assign(text, at, end - at);
  if (names.count(definition.name) == 0) return false;
  const bool takesArguments = end < lineEnd && text[end] == '(';
  const size_t value = skipBlanks(text, end, lineEnd);
  size_t close = 0;
  if (!takesArguments && headerName(text, value, lineEnd, definition.expansion, close)) {
    const size_t rest = skipBlanks(text, close + 1, lineEnd);
    if (rest == lineEnd || text.compare(rest, 2, "//") == 0) return true;
  }
  definition.expansion = {text.substr(value, trimmedEnd(text, value, lineEnd) - value), false, true};
  return true;
}

// Calls directive with the position after each directive's "#" and the end
// of its line: a "#" that starts a line, or that follows the end of a
// comment that began on an earlier line (the first such "#" of the line).
template <typename Directive>
void forEachDirective(const std::string& text, Directive&& directive) {
  for (size_t at = 0; at < text.size();) {
    size_t lineEnd = text.find('\n', at);
    if (lineEnd == std::string::npos) lineEnd = text.size();
    const size_t name = afterIntroducer(text, skipBlanks(text, at, lineEnd), lineEnd);
    if (name != std::string::npos) {
      directive(name, lineEnd);
    } else {
      const std::string_view line = std::string_view(text).substr(at, lineEnd - at);
      for (size_t close = line.find("*/"); close != std::string_view::npos; close = line.find("*/", close + 2)) {
        const size_t after = afterIntroducer(text, skipBlanks(text, at + close + 2, lineEnd), lineEnd);
        if (after != std::string::npos && directive(after, lineEnd)) break;
      }
    }
    at = lineEnd + 1;
  }
}

char trigraphReplacement(char c) {
  switch (c) {
    case '=': return '#';
    case '/': return '\\';
    case '\'': return '^';
    case '(': return '[';
    case ')': return ']';
    case '!': return '|';
    case '<': return '{';
    case '>': return '}';
    case '-': return '~';
    default: return 0;
  }
}

bool isTrigraph(const std::string& text, size_t at) {
  return at + 2 < text.size() && text[at] == '?' && text[at + 1] == '?' && trigraphReplacement(text[at + 2]) != 0;
}

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

// Whether the text differs from how the compiler's first translation steps
// leave it: a byte order mark, a CR that no LF follows, a trigraph or a
// backslash before a line end. Most files have none of them.
bool needsTranslation(const std::string& text) {
  if (text.compare(0, 3, kByteOrderMark) == 0) return true;
  for (size_t at = 0; at < text.size(); ++at) {
    const char c = text[at];
    if (c != '\r' && c != '\\' && c != '?') continue;  // most bytes start none of them
    const char next = at + 1 < text.size() ? text[at + 1] : '\0';
    if ((c == '\r' && next != '\n') || (c == '\\' && (next == '\n' || next == '\r')) || isTrigraph(text, at)) {
      return true;
    }
  }
  return false;
}

// The text with LF for each line end (CR LF, LF or a CR alone) and without
// a byte order mark; with joinLines also trigraphs replaced and each
// backslash before a line end taken out with that line end. True when
// joinLines changed anything.
bool translated(const std::string& text, bool joinLines, std::string& out) {
  out.clear();
  out.reserve(text.size());
  bool joined = false;
  for (size_t at = text.compare(0, 3, kByteOrderMark) == 0 ? 3 : 0; at < text.size();) {
    char c = text[at];
    size_t length = 1;
    if (joinLines && isTrigraph(text, at)) {
      c = trigraphReplacement(text[at + 2]);
      length = 3;
      joined = true;
    }
    at += length;
    if (c == '\r') {
      if (at < text.size() && text[at] == '\n') ++at;
      out += '\n';
    } else if (joinLines && c == '\\' && at < text.size() && (text[at] == '\n' || text[at] == '\r')) {
      at += text.compare(at, 2, "\r\n") == 0 ? 2 : 1;
      joined = true;
    } else {
      out += c;
    }
  }
  return joined;
}

// Calls scan with the text as the compiler reads it and, where that joined
// lines or replaced trigraphs, with its lines as they stand too (then the
// second argument is true): a
// compiler that takes no trigraphs, or the second byte of a double-byte
// character that looks like a backslash, reads the file that way.
template <typename Scan>
void forEachReading(const std::string& text, Scan&& scan) {
  if (!needsTranslation(text)) {
    scan(text, false);
    return;
  }
  std::string reading;
  const bool joined = translated(text, true, reading);
  scan(reading, false);
  if (joined) {
    translated(text, false, reading);
    scan(reading, true);
  }
}

}  // namespace

std::vector<IncludeDirective> scanIncludes(const std::string& text) {
  std::vector<IncludeDirective> found;
  std::unordered_set<std::string> seen;  // by the first reading; the second adds what it did not find
  forEachReading(text, [&](const std::string& reading, bool second) {
    if (second) {
      for (const IncludeDirective& include : found) seen.insert(directiveKey(include));
    }
    IncludeDirective directive;
    forEachDirective(reading, [&](size_t at, size_t lineEnd) {
      if (!includeAt(reading, at, lineEnd, directive)) return false;
      if (!second || seen.count(directiveKey(directive)) == 0) found.push_back(std::move(directive));
      return true;
    });
  });
  return found;
}

std::vector<MacroDefinition> scanDefinitions(const std::string& text, const std::unordered_set<std::string>& names) {
  std::vector<MacroDefinition> found;
  forEachReading(text, [&](const std::string& reading, bool) {
    MacroDefinition definition;
    forEachDirective(reading, [&](size_t at, size_t lineEnd) {
      if (!definitionAt(reading, at, lineEnd, names, definition)) return false;
      found.push_back(std::move(definition));
      return true;
    });
  });
  return found;
}

namespace {

// The length of the path's root, which normalisedPath keeps as it is:
// "\\\\" of a share, "X:\\", "X:" or "\\"; 0 for a relative path.
size_t rootLength(const std::string& path) {
  if (path.compare(0, 2, "\\\\") == 0) return 2;
  if (ucl::driveLetter(path) != 0) return path.size() > 2 && path[2] == '\\' ? 3 : 2;
  return !path.empty() && path[0] == '\\' ? 1 : 0;
}

// A path that normalisedPath would give back as it is: its root or none,
// then "\\" only between components, none of them empty, "." or "..". Most
// paths a project and its include directories name are such paths.
bool alreadyNormal(const std::string& path) {
  const size_t rootEnd = rootLength(path);
  if (path.find('/') != std::string::npos) return false;
  if (rootEnd == path.size()) return rootEnd != 0;
  if (path.back() == '\\') return false;
  size_t componentStart = rootEnd;
  for (size_t at = rootEnd; at <= path.size(); ++at) {
    if (at < path.size() && path[at] != '\\') continue;
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
  const size_t rootEnd = rootLength(spelt);
  // The components are put together in place: a ".." takes the last one
  // back out, up to its separator.
  std::string result = spelt.substr(0, rootEnd);
  result.reserve(spelt.size());
  const auto append = [&](std::string_view component) {
    if (result.size() > rootEnd) result += '\\';
    result.append(component.data(), component.size());
  };
  size_t kept = 0;  // components that a ".." may take out: not leading ".."s
  for (size_t at = rootEnd; at <= spelt.size();) {
    size_t end = spelt.find('\\', at);
    if (end == std::string::npos) end = spelt.size();
    const std::string_view component(spelt.data() + at, end - at);
    if (component == "..") {
      if (kept > 0) {
        const size_t separator = result.rfind('\\');
        result.resize(separator == std::string::npos || separator < rootEnd ? rootEnd : separator);
        --kept;
      } else if (rootEnd == 0) {
        append(component);  // above a relative start; at a root there is nothing above
      }
    } else if (!component.empty() && component != ".") {
      append(component);
      ++kept;
    }
    at = end + 1;
  }
  return result;
}

namespace {

// Hands visit the paths the compiler tries for the directive, in its
// order, until visit returns false: each candidate is made only when the
// ones before it did not end the search.
template <typename Visit>
void forEachCandidate(const IncludeDirective& include, const std::string& includerDirectory,
                      const HeaderSearchPath& search, Visit&& visit) {
  const std::string name = normalisedPath(include.name);
  if (name.empty()) return;
  if (name[0] == '\\' || ucl::driveLetter(name) != 0) {
    visit(std::string(name));
    return;
  }
  const auto inDirectory = [&](const std::string& directory) {
    if (directory.empty()) return name;
    return normalisedPath(directory.back() == '\\' || directory.back() == '/' ? directory + name
                                                                              : directory + '\\' + name);
  };
  if (include.quoted) {
    if (!visit(inDirectory(includerDirectory))) return;
    if (!visit(inDirectory(search.projectHeaderDirectory))) return;
  }
  for (const std::string& directory : search.includeDirectories) {
    if (!visit(inDirectory(directory))) return;
  }
}

}  // namespace

std::string resolveInclude(const IncludeDirective& include, const std::string& includerDirectory,
                           const HeaderSearchPath& search, const std::function<bool(const std::string&)>& exists) {
  std::string found;
  forEachCandidate(include, includerDirectory, search, [&](std::string&& candidate) {
    if (!exists(candidate)) return true;
    found = std::move(candidate);
    return false;
  });
  return found;
}

std::vector<std::string> includeCandidates(const IncludeDirective& include, const std::string& includerDirectory,
                                           const HeaderSearchPath& search,
                                           const std::function<Presence(const std::string&)>& lookup, bool* unsure) {
  std::vector<std::string> found;
  forEachCandidate(include, includerDirectory, search, [&](std::string&& candidate) {
    const Presence presence = lookup(candidate);
    if (presence == Presence::unsure) *unsure = true;
    if (presence == Presence::asSpelt) {
      found.push_back(std::move(candidate));
      return false;
    }
    if (presence == Presence::otherCase && found.empty()) found.push_back(std::move(candidate));
    return true;
  });
  return found;
}

namespace {

bool isIdentifier(const std::string& name) {
  return !name.empty() && !(name[0] >= '0' && name[0] <= '9') && std::all_of(name.begin(), name.end(), isNameCharacter);
}

// Whether the name stands in the text as a word of its own.
bool namesWord(const std::string& text, const std::string& name) {
  for (size_t at = text.find(name); at != std::string::npos; at = text.find(name, at + 1)) {
    const size_t end = at + name.size();
    if ((at == 0 || !isNameCharacter(text[at - 1])) && (end == text.size() || !isNameCharacter(text[end]))) return true;
  }
  return false;
}

}  // namespace

MacroInclude decideMacroInclude(const std::string& name, const std::vector<MacroDefinition>& fileDefinitions,
                                const std::vector<std::string>& compilerDefinitions,
                                const std::vector<std::optional<std::string>>& optionFiles) {
  MacroInclude decision{false, {}};
  if (!isIdentifier(name)) return decision;
  for (const std::optional<std::string>& options : optionFiles) {
    if (!options || namesWord(*options, name)) return decision;
  }
  std::vector<MacroDefinition> definitions;
  for (const MacroDefinition& definition : fileDefinitions) {
    if (definition.name == name) definitions.push_back(definition);
  }
  // NAME=value, NAME(x)=value or NAME alone (which is 1), read as the
  // #define the compiler takes it for.
  const std::unordered_set<std::string> names{name};
  for (const std::string& option : compilerDefinitions) {
    size_t end = 0;
    while (end < option.size() && isNameCharacter(option[end])) ++end;
    if (option.compare(0, end, name) != 0 || end != name.size()) continue;
    std::string line = "#define " + option;
    const size_t equals = line.find('=');
    if (equals == std::string::npos) {
      line += " 1";
    } else {
      line[equals] = ' ';
    }
    const std::vector<MacroDefinition> found = scanDefinitions(line, names);
    if (found.empty()) return decision;
    definitions.insert(definitions.end(), found.begin(), found.end());
  }
  for (const MacroDefinition& definition : definitions) {
    if (definition.expansion.uncertain) return MacroInclude{false, {}};
    decision.headers.push_back(definition.expansion);
  }
  decision.sure = true;
  return decision;
}

namespace {

class HeaderCollector {
 public:
  HeaderCollector(ucl::Disk& disk, const HeaderSearchPath& search, ScanCache& scans)
      : disk_(disk), search_(search), scans_(scans), letterCase_(ucl::letterCaseFinder(disk)) {}

  // Scans the file (a listed source) and follows the headers it includes;
  // false, with the reason, for an include whose path the system cannot
  // take. A file scanned already is not scanned again.
  bool scan(const std::string& path, std::string* err) {
    const Candidate* start = lookup(path);
    return start == nullptr || walk(start->file, err);
  }

  // The #include NAME lines, decided once every file is reached, since a
  // definition may stand in any of them; what they open is followed until
  // nothing new is reached. The first line that stays unsure is the one
  // the walk names.
  bool followMacroIncludes(std::string* err) {
    while (!macroIncludes_.empty()) {
      const size_t scannedBefore = scanned_.size();
      const std::vector<MacroDefinition> definitions = definitionsInScannedFiles();
      macroUncertain_.clear();  // decided again with what the new files define
      for (size_t i = 0; i < macroIncludes_.size(); ++i) {
        const MacroIncludeLine line = macroIncludes_[i];  // the walk may add to the list
        const MacroInclude decision = decideMacroInclude(line.name, definitions, search_.definitions, optionFiles());
        for (const IncludeDirective& header : decision.headers) {
          std::vector<FileEntry*> pending;
          if (!follow(header, line.file, ucl::fileDirectory(line.file), pending, err)) return false;
          for (FileEntry* file : pending) {
            if (!walk(file, err)) return false;
          }
        }
        if (!decision.sure && macroUncertain_.empty()) macroUncertain_ = line.file + ": #include " + line.name;
      }
      if (scanned_.size() == scannedBefore) break;
    }
    return true;
  }


  // A header the project lists: counted whether or not anything includes it.
  bool addListed(const std::string& path, std::string* err) {
    const Candidate* header = lookup(normalisedPath(path));
    if (header == nullptr) return true;
    header->file->second.reached = true;
    return walk(header->file, err);
  }

  std::string takeUncertain() { return uncertain_.empty() ? std::move(macroUncertain_) : std::move(uncertain_); }
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
  struct MacroIncludeLine {
    std::string file;
    std::string name;
  };
  // One file, under the first spelling that reached it, however often and
  // in whatever spelling it is reached again.
  struct File {
    ucl::FileStamp stamp;
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
      const std::optional<std::vector<IncludeDirective>> includes = includesOf(*current);
      if (!includes) continue;
      scanned_.push_back(&path);
      const std::string directory = ucl::fileDirectory(path);
      for (const IncludeDirective& include : *includes) {
        if (include.uncertain) {
          macroIncludes_.push_back({path, include.name});
        } else if (!follow(include, path, directory, pending, err)) {
          return false;
        }
      }
    }
    return true;
  }

  // Resolves the headers an include of current names and puts those reached
  // for the first time on pending.
  bool follow(const IncludeDirective& include, const std::string& current, const std::string& directory,
              std::vector<FileEntry*>& pending, std::string* err) {
    if (!disk_.takesPath(include.name)) {
      *err = "Error: An #include in " + current + " names a path of " + std::to_string(include.name.size()) +
             " bytes, longer than this system takes";
      return false;
    }
    const Resolution& resolution = resolved(include, directory);
    if (resolution.unsure && uncertain_.empty()) {
      uncertain_ = current + ": #include " + (include.quoted ? '"' + include.name + '"' : '<' + include.name + '>');
    }
    for (FileEntry* header : resolution.headers) {
      if (!header->second.reached) {
        header->second.reached = true;
        pending.push_back(header);
      }
    }
    return true;
  }

  std::vector<MacroDefinition> definitionsInScannedFiles() {
    std::unordered_set<std::string> names;
    for (const MacroIncludeLine& line : macroIncludes_) names.insert(line.name);
    std::vector<MacroDefinition> definitions;
    for (const std::string* path : scanned_) {
      const std::optional<std::string> text = readText(*path);
      if (!text) continue;
      std::vector<MacroDefinition> found = scanDefinitions(*text, names);
      if (!ucl::isAscii(*text) && !ucl::isValidUtf8(*text)) {
        for (MacroDefinition& definition : found) {
          definition.expansion.name = platform::ansiToUtf8(definition.expansion.name);
        }
      }
      std::move(found.begin(), found.end(), std::back_inserter(definitions));
    }
    return definitions;
  }

  // Read once, when an #include NAME needs them.
  const std::vector<std::optional<std::string>>& optionFiles() {
    if (optionFileTexts_.size() != search_.optionFiles.size()) {
      optionFileTexts_.clear();
      for (const std::string& path : search_.optionFiles) optionFileTexts_.push_back(readText(path));
    }
    return optionFileTexts_;
  }

  std::optional<std::string> readText(const std::string& path) {
    std::optional<std::string> text = disk_.read(path);
    if (!text) {
      const std::optional<std::string> cased = letterCase_.find(path);
      if (cased) text = disk_.read(*cased);
    }
    return text;
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

  // What the file includes: as it read when it was looked up, or as the
  // previous run recorded it while the file keeps its stamp, otherwise as
  // it reads now. Nothing when it cannot be read.
  std::optional<std::vector<IncludeDirective>> includesOf(const FileEntry& entry) {
    const std::string& path = entry.first;
    const File& file = entry.second;
    std::optional<std::vector<IncludeDirective>> includes;
    const auto read = readAtLookup_.find(&entry);
    if (read != readAtLookup_.end()) {
      includes = std::move(read->second);
      readAtLookup_.erase(read);
    } else {
      includes = scans_.recall(path, file.stamp);
      if (includes) return includes;
      if (wentBack_.empty()) {
        const std::optional<ucl::FileStamp> recorded = scans_.recordedStamp(path);
        if (recorded && stampWentBack(*recorded, file.stamp)) wentBack_ = path;
      }
      const std::optional<std::string> text = readText(path);
      if (!text) return std::nullopt;
      includes = includesIn(*text);
    }
    scans_.add(path, file.stamp, *includes);
    return includes;
  }

  // The names as the project file's names are read: UTF-8 when the file
  // is UTF-8 throughout, otherwise text in the ANSI code page.
  static std::vector<IncludeDirective> includesIn(const std::string& text) {
    std::vector<IncludeDirective> includes = scanIncludes(text);
    if (!ucl::isAscii(text) && !ucl::isValidUtf8(text)) {
      for (IncludeDirective& include : includes) include.name = platform::ansiToUtf8(include.name);
    }
    return includes;
  }

  // The file the path names, if it exists. Misses are not kept: each name
  // is resolved once per directory anyway.
  const Candidate* lookup(const std::string& path) {
    const auto known = candidates_.find(path);
    if (known != candidates_.end()) return &known->second;
    if (!letterCase_.mayExist(path)) return nullptr;
    // Which file it is: where lookups fold letter case, every spelling that
    // folds alike; elsewhere the spelling on disk.
    const auto identityOf = [&](const std::optional<std::string>& onDisk) {
      return disk_.foldsLetterCase()
                 ? (platform::foldKnowsEveryLetter(path) ? platform::foldedLetterCase(path) : path)
                 : (onDisk ? *onDisk : path);
    };
    std::string identity = identityOf(std::nullopt);
    auto spelling = spellings_.find(identity);
    // Without scans of a last run, a file met for the first time is read at
    // once, stamped as it is opened; the walk takes what it includes.
    std::optional<ucl::FileStamp> stamp;
    std::optional<std::vector<IncludeDirective>> includes;
    if (spelling == spellings_.end() && scans_.recallsNothing()) {
      ucl::FileStamp opened;
      const std::optional<std::string> text = disk_.readStamped(path, &opened);
      if (text) {
        stamp = opened;
        includes = includesIn(*text);
      }
    }
    if (!stamp) stamp = disk_.stamp(path);
    const bool asSpelt = stamp.has_value();
    if (!stamp) {
      const std::optional<std::string> onDisk = letterCase_.find(path);
      if (onDisk) stamp = disk_.stamp(*onDisk);
      if (!stamp) return nullptr;
      identity = identityOf(onDisk);
      spelling = spellings_.find(identity);
    }
    if (spelling == spellings_.end()) {
      FileEntry* file = &*files_.emplace(path, File{*stamp}).first;
      if (includes) readAtLookup_.emplace(file, std::move(*includes));
      spelling = spellings_.emplace(std::move(identity), file).first;
    }
    return &candidates_.emplace(path, Candidate{spelling->second, asSpelt}).first->second;
  }

  ucl::Disk& disk_;
  const HeaderSearchPath& search_;
  ScanCache& scans_;
  std::string uncertain_;
  std::string wentBack_;
  std::string macroUncertain_;  // the first #include NAME that stays unsure
  std::vector<const std::string*> scanned_;  // every file whose includes were read, in order (keys of files_)
  std::vector<MacroIncludeLine> macroIncludes_;
  std::vector<std::optional<std::string>> optionFileTexts_;
  std::unordered_map<std::string, File> files_;           // by the first spelling
  std::unordered_map<std::string, FileEntry*> spellings_;  // by identity
  std::unordered_map<std::string, Candidate> candidates_;  // by every spelling looked up
  std::unordered_map<std::string, Resolution> resolved_;
  // What the files read when they were looked up include, until the walk
  // takes it: mostly at once.
  std::unordered_map<const FileEntry*, std::vector<IncludeDirective>> readAtLookup_;
  std::string key_;  // of resolved_, kept for its buffer
  ucl::LetterCaseFinder letterCase_;
};

}  // namespace

bool projectHeaders(ucl::Disk& disk, const std::vector<std::string>& projectFiles, const HeaderSearchPath& search,
                    ScanCache& scans, ProjectScan* scan, std::string* err) {
  HeaderCollector collector(disk, search, scans);
  for (const std::string& path : projectFiles) {
    const ucl::FileKind kind = ucl::fileKind(path);
    if (kind == ucl::FileKind::header && !collector.addListed(path, err)) return false;
    if (kind == ucl::FileKind::source && !collector.scan(normalisedPath(path), err)) return false;
  }
  if (!collector.followMacroIncludes(err)) return false;
  *scan = ProjectScan{collector.sorted(), collector.takeUncertain(), collector.takeWentBack()};
  return true;
}

}  // namespace kestrel
