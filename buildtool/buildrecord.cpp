#include "buildtool/buildrecord.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "buildtool/projectfile.h"
#include "common/pathhelpers.h"
#include "kestrel_version.h"

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

std::string recordText(const BuildOptions& options, const RecordedSettings& settings,
                       const std::vector<HeaderStamp>& headers) {
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
  text += "end\n";
  return text;
}

bool maySkipWrites(const std::optional<std::string>& recorded, const std::string& present) {
  return recorded.has_value() && *recorded == present;
}

std::string recordPath(const std::string& buildDirectory, bool debugBuild) {
  return buildDirectory + (debugBuild ? "\\kestrel_deps_dbg.txt" : "\\kestrel_deps_rel.txt");
}

std::optional<std::string> readRecord(const std::string& path) {
  std::FILE* file = platform::openTextFile(path, "r");
  if (file == nullptr) return std::nullopt;
  std::string text;
  char buffer[1 << 16];
  for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) text.append(buffer, got);
  const bool failed = std::ferror(file) != 0;
  if (!platform::closeFile(file) || failed) return std::nullopt;
  return text;
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
    size_t at = path.compare(0, 1, "\\") == 0 ? 1 : ucl::driveLetter(path) != 0 ? 3 : 0;
    std::string found = path.substr(0, std::min(at, path.size()));
    while (at < path.size()) {
      size_t end = path.find('\\', at);
      if (end == std::string::npos) end = path.size();
      const std::string component = path.substr(at, end - at);
      if (component == "..") {
        found += component;
      } else {
        const std::unordered_map<std::string, std::string>& names = listing(found);
        const auto name = names.find(ucl::lowerCase(component));
        if (name == names.end()) return std::nullopt;
        found += name->second;
      }
      if (end < path.size()) found += '\\';
      at = end + 1;
    }
    return found;
  }

 private:
  // The names in the directory (empty: the current one), by their lower case.
  const std::unordered_map<std::string, std::string>& listing(const std::string& directory) {
    const auto known = listings_.find(directory);
    if (known != listings_.end()) return known->second;
    std::unordered_map<std::string, std::string> names;
    for (std::string& name : platform::findFiles(directory + "*")) names.emplace(ucl::lowerCase(name), std::move(name));
    return listings_.emplace(directory, std::move(names)).first->second;
  }

  std::unordered_map<std::string, std::unordered_map<std::string, std::string>> listings_;
};

class HeaderCollector {
 public:
  explicit HeaderCollector(const HeaderSearchPath& search) : search_(search) {}

  // Scans the file and follows the headers it includes.
  void scan(const std::string& path) {
    std::vector<std::string> pending{path};
    std::string text;
    while (!pending.empty()) {
      const std::string current = std::move(pending.back());
      pending.pop_back();
      if (!platform::readWholeFile(current, &text)) {
        const std::optional<std::string> cased = letterCase_.find(current);
        if (!cased || !platform::readWholeFile(*cased, &text)) continue;
      }
      const std::string directory = ucl::fileDirectory(current);
      for (const IncludeDirective& include : scanIncludes(text)) {
        const std::string header = resolved(include, directory);
        if (!header.empty() && headers_.emplace(header, *stamp(header)).second) pending.push_back(header);
      }
    }
  }

  // A header the project lists: counted whether or not anything includes it.
  void addListed(const std::string& path) {
    const std::string header = normalisedPath(path);
    const std::optional<platform::FileStamp> found = stamp(header);
    if (found && headers_.emplace(header, *found).second) scan(header);
  }

  std::vector<HeaderStamp> sorted() const {
    std::vector<HeaderStamp> list;
    list.reserve(headers_.size());
    for (const auto& [path, stamp] : headers_) list.push_back({path, stamp});
    std::sort(list.begin(), list.end(), [](const HeaderStamp& a, const HeaderStamp& b) { return a.path < b.path; });
    return list;
  }

 private:
  // Many sources include the same few headers: each name is looked up once
  // per including directory.
  std::string resolved(const IncludeDirective& include, const std::string& directory) {
    std::string key = directory;
    key += include.quoted ? '"' : '<';
    key += include.name;
    const auto known = resolved_.find(key);
    if (known != resolved_.end()) return known->second;
    std::string header =
        resolveInclude(include, directory, search_, [&](const std::string& path) { return stamp(path).has_value(); });
    resolved_.emplace(std::move(key), header);
    return header;
  }

  const std::optional<platform::FileStamp>& stamp(const std::string& path) {
    const auto known = stamps_.find(path);
    if (known != stamps_.end()) return known->second;
    std::optional<platform::FileStamp> found = platform::fileStamp(path);
    if (!found) {
      if (const std::optional<std::string> cased = letterCase_.find(path)) found = platform::fileStamp(*cased);
    }
    return stamps_.emplace(path, found).first->second;
  }

  const HeaderSearchPath& search_;
  std::unordered_map<std::string, platform::FileStamp> headers_;
  std::unordered_map<std::string, std::string> resolved_;
  std::unordered_map<std::string, std::optional<platform::FileStamp>> stamps_;
  LetterCaseFinder letterCase_;
};

}  // namespace

std::vector<HeaderStamp> projectHeaders(const std::vector<std::string>& projectFiles, const HeaderSearchPath& search) {
  HeaderCollector collector(search);
  for (const std::string& path : projectFiles) {
    const FileKind kind = fileKind(path);
    if (kind == FileKind::header) collector.addListed(path);
    if (kind == FileKind::source) collector.scan(normalisedPath(path));
  }
  return collector.sorted();
}
