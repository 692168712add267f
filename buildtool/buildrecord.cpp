#include "buildtool/buildrecord.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "buildtool/includescan.h"
#include "common/projectfile.h"
#include "common/pathhelpers.h"
#include "common/textencoding.h"
#include "platform/codepages.h"
#include "platform/pathspelling.h"
#include "kestrel_version.h"

namespace kestrel {

namespace {

constexpr const char* kRecordHeading = "kestrel build record 1\n";
// The scans hold what the directive finder found; those of a finder that
// read less (before it joined lines, say) must not be taken, so the
// heading of the scans names the finder's rules.
constexpr char kScansHeading[] = "scans rules=2 ";
constexpr const char* kDatabasesLine = "databases ";

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

std::string comparedText(const BuildOptions& options, const ucl::SdkPaths& settings,
                       const std::vector<HeaderStamp>& headers, const std::vector<std::string>& libraries,
                       const std::vector<InputStamp>& inputs) {
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
  appendNumber(text, "inputs", static_cast<long long>(inputs.size()));
  for (const InputStamp& input : inputs) {
    if (input.stamp) {
      text += std::to_string(input.stamp->size);
      text += ' ';
      text += std::to_string(input.stamp->modified);
      text += ' ';
    } else {
      text += "missing ";
    }
    appendValue(text, "input", input.path);
  }
  text += "end\n";
  return text;
}

std::vector<InputStamp> stampInputs(ucl::Disk& disk, const std::vector<std::string>& paths, std::string* unsure) {
  ucl::LetterCaseFinder letterCase = ucl::letterCaseFinder(disk);
  std::vector<InputStamp> inputs;
  inputs.reserve(paths.size());
  for (const std::string& path : paths) {
    // The listings know "\\" alone as the separator, and a setting's path
    // may hold "/" too: both separate for the system. Most of a large
    // project's libraries are the SDK's or nowhere: a name that its
    // directory's listing lacks in every letter case is absent without a
    // lookup.
    const std::string spelt = platform::slashesToBackslashes(path);
    // (Where the listing lacks the name, no letter case finds it either.)
    std::optional<ucl::FileStamp> stamp;
    if (letterCase.mayExist(spelt)) {
      stamp = disk.stamp(path);
      if (!stamp) {
        if (const std::optional<std::string> cased = letterCase.find(spelt)) stamp = disk.stamp(*cased);
      }
    }
    if (!stamp && unsure->empty() && !letterCase.absenceIsSure(spelt)) *unsure = path;
    inputs.push_back({path, stamp});
  }
  return inputs;
}

std::vector<std::string> projectLibraries(const std::vector<std::string>& projectFiles) {
  std::vector<std::string> libraries;
  for (const std::string& path : projectFiles) {
    if (ucl::fileKind(path) == ucl::FileKind::library) libraries.push_back(path);
  }
  return libraries;
}

bool stampWentBack(ucl::FileStamp recorded, ucl::FileStamp present) {
  return present.modified < recorded.modified || (present.modified == recorded.modified && present.size != recorded.size);
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
bool readEntry(std::string_view text, size_t& at, ucl::FileStamp& stamp,
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

void ScanCache::add(const std::string& path, ucl::FileStamp stamp, const std::vector<IncludeDirective>& includes) {
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

std::optional<std::vector<IncludeDirective>> ScanCache::find(const std::string& path, ucl::FileStamp stamp,
                                                             std::string_view* entryText) const {
  const auto entry = index_.find(path);
  if (entry == index_.end()) return std::nullopt;
  size_t at = entry->second.stamp;
  ucl::FileStamp recorded;
  std::vector<IncludeDirective> includes;
  if (!readEntry(loaded_, at, recorded, &includes)) return std::nullopt;
  if (recorded.size != stamp.size || recorded.modified != stamp.modified) return std::nullopt;
  if (entryText != nullptr) *entryText = loaded_.substr(entry->second.begin, at - entry->second.begin);
  return includes;
}

std::optional<std::vector<IncludeDirective>> ScanCache::recall(const std::string& path, ucl::FileStamp stamp) {
  std::string_view entryText;
  std::optional<std::vector<IncludeDirective>> includes = find(path, stamp, &entryText);
  if (includes) addEntry(entryText);
  return includes;
}

std::optional<ucl::FileStamp> ScanCache::recordedStamp(const std::string& path) const {
  const auto entry = index_.find(path);
  if (entry == index_.end()) return std::nullopt;
  size_t at = entry->second.stamp;
  ucl::FileStamp recorded;
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
    ucl::FileStamp stamp;
    if (!readEntry(text, at, stamp, nullptr)) return false;
  }
  return index_.size() == count;
}

std::string recordFileText(const std::string& compared, const ScanCache& scans, const std::string& databases) {
  std::string text;
  text.reserve(compared.size() + scans.size() + databases.size() + 80);
  text += kDatabasesLine;
  text += databases;
  text += "\ncompared ";
  text += std::to_string(compared.size());
  text += '\n';
  text += compared;
  text += kScansHeading;
  text += std::to_string(scans.count());
  text += ' ';
  text += std::to_string(scans.size());
  text += '\n';
  scans.appendTo(text);
  text += "check " + checksum(text) + "\n";
  return text;
}

std::optional<RecordContents> parseRecordFile(const std::string& text) {
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
  RecordContents record;
  const size_t prefix = std::strlen(kDatabasesLine);
  const size_t lineEnd = body.find('\n');
  if (body.substr(0, prefix) != kDatabasesLine || lineEnd == std::string_view::npos) return std::nullopt;
  record.databases = body.substr(prefix, lineEnd - prefix);
  at = lineEnd + 1;
  if (body.substr(at, 9) != "compared ") return std::nullopt;
  at += 9;
  if (!readNumber(body, at, '\n', comparedSize) || comparedSize < 0 ||
      body.size() - at < static_cast<size_t>(comparedSize)) {
    return std::nullopt;
  }
  record.compared = body.substr(at, static_cast<size_t>(comparedSize));
  at += static_cast<size_t>(comparedSize);
  const size_t headingSize = sizeof kScansHeading - 1;
  if (body.substr(at, headingSize) != kScansHeading) return std::nullopt;
  at += headingSize;
  if (!readNumber(body, at, ' ', count) || !readNumber(body, at, '\n', scansSize) || count < 0 ||
      body.size() - at != static_cast<size_t>(scansSize)) {
    return std::nullopt;
  }
  if (!record.scans.load(body.substr(at), static_cast<size_t>(count))) return std::nullopt;
  return record;
}

namespace {

// Splits the text into its lines, without their line feeds.
std::vector<std::string_view> linesOf(std::string_view text) {
  std::vector<std::string_view> lines;
  for (size_t at = 0; at < text.size();) {
    const size_t end = std::min(text.find('\n', at), text.size());
    lines.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  return lines;
}

// A line of the compared part: its key, and for a counted value the value
// ("define 3:X=1", "12 345 header 7:H\\a.h", "missing input 5:x.lib").
struct ComparedLine {
  std::string_view key;
  std::string_view value;
};
ComparedLine comparedLine(std::string_view line) {
  size_t at = 0;
  const auto word = [&] {
    const size_t end = std::min(line.find(' ', at), line.size());
    const std::string_view found = line.substr(at, end - at);
    at = std::min(end + 1, line.size());
    return found;
  };
  std::string_view key = word();
  if (key == "missing") {
    key = word();
  } else if (!key.empty() && ((key[0] >= '0' && key[0] <= '9') || key[0] == '-')) {
    word();
    key = word();
  }
  const std::string_view rest = line.substr(at);
  const size_t colon = rest.find(':');
  return {key, colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1)};
}

// The words of the explain line for the first line in which the two
// compared parts differ.
std::string whatChanged(std::string_view recorded, std::string_view present) {
  const std::vector<std::string_view> old = linesOf(recorded);
  const std::vector<std::string_view> now = linesOf(present);
  size_t at = 0;
  while (at < old.size() && at < now.size() && old[at] == now[at]) ++at;
  // The list a line belongs to: the last count before it.
  std::string_view list;
  for (size_t i = 0; i < at && i < now.size(); ++i) {
    const std::string_view key = comparedLine(now[i]).key;
    if (key == "headers" || key == "libraries" || key == "inputs") list = key;
  }
  const auto lineAt = [&](size_t i) -> std::optional<ComparedLine> {
    if (i < now.size()) return comparedLine(now[i]);
    if (i < old.size()) return comparedLine(old[i]);
    return std::nullopt;
  };
  std::optional<ComparedLine> line = lineAt(at);
  if (!line) return "the record's inputs changed";
  if (at == 0) return "the record's form changed";
  // Within a list, the first entry that the other side does not hold as
  // it is (new or changed, else gone) says what changed: a header added
  // moves every later one.
  static const std::pair<std::string_view, std::string_view> kLists[] = {
      {"defines", "define"}, {"headers", "header"}, {"libraries", "library"}, {"inputs", "input"}};
  for (const auto& [count, entry] : kLists) {
    if (line->key != count && !(line->key == entry && list == count)) continue;
    list = count;
    const auto entries = [&, entry = entry](const std::vector<std::string_view>& lines) {
      std::vector<std::string_view> found;
      for (size_t i = at; i < lines.size(); ++i) {
        if (comparedLine(lines[i]).key == entry) {
          found.push_back(lines[i]);
        } else if (i > at) {
          break;
        }
      }
      std::sort(found.begin(), found.end());
      return found;
    };
    const std::vector<std::string_view> before = entries(old);
    const std::vector<std::string_view> after = entries(now);
    for (const auto& [side, other] : {std::pair(&after, &before), std::pair(&before, &after)}) {
      const auto differing = std::find_if(side->begin(), side->end(), [&, other = other](std::string_view candidate) {
        return !std::binary_search(other->begin(), other->end(), candidate);
      });
      if (differing != side->end()) {
        line = comparedLine(*differing);
        break;
      }
    }
    break;
  }
  const std::string value(line->value);
  if (line->key == "kestrel") return "kestrel's version changed";
  if (line->key == "sdk") return "the setting SDKPath changed";
  if (line->key == "compiler") return "the setting CompilerPath changed";
  if (line->key == "header") return "the header " + value + " changed";
  if (line->key == "input") return "the input " + value + " changed";
  if (line->key == "library" && list == "libraries") return "the library " + value + " changed";
  if (line->key == "headers" || line->key == "libraries" || line->key == "inputs") {
    return "the " + std::string(line->key) + " changed";
  }
  static const char* const kOptions[] = {"pv",      "project", "program", "defines", "define", "version",
                                        "library", "debug",   "asmopt",  "model",   "segment"};
  for (const char* option : kOptions) {
    if (line->key == option) return "the option " + std::string(option) + " changed";
  }
  return "the record's inputs changed";
}

}  // namespace

BuildRecord::BuildRecord(ucl::Disk& disk, const std::string& buildDirectory, bool debugBuild)
    : disk_(disk), directory_(buildDirectory), path_(pathFor(buildDirectory, debugBuild)) {}

std::string BuildRecord::pathFor(const std::string& buildDirectory, bool debugBuild) {
  return buildDirectory + (debugBuild ? "\\kestrel_deps_dbg.txt" : "\\kestrel_deps_rel.txt");
}

BuildRecord::State BuildRecord::load() {
  // Read whole in one piece, then as text mode reads it: every CR left
  // out, and the text ends at a Ctrl-Z. (A CR of a value, which text mode
  // on Windows would keep, makes the record read as damaged: everything is
  // written again.)
  std::optional<std::string> read = disk_.read(path_);
  if (!read) {
    state_ = State::missing;
    return state_;
  }
  text_ = std::move(*read);
  const char* next = text_.data();
  const char* const end = next + std::min(text_.find('\x1A'), text_.size());
  char* kept = text_.data();
  while (next < end) {
    const char* cr = static_cast<const char*>(std::memchr(next, '\r', static_cast<size_t>(end - next)));
    const size_t run = static_cast<size_t>((cr != nullptr ? cr : end) - next);
    std::memmove(kept, next, run);
    kept += run;
    next += run + (cr != nullptr ? 1 : 0);
  }
  text_.resize(static_cast<size_t>(kept - text_.data()));
  std::optional<RecordContents> contents = parseRecordFile(text_);
  state_ = contents ? State::intact : State::damaged;
  if (contents) contents_ = std::move(*contents);
  return state_;
}

std::string_view BuildRecord::databases() const { return contents_.databases; }

std::string BuildRecord::difference(std::string_view present) const {
  switch (state_) {
    case State::missing:
      return "the record " + path_ + " is missing";
    case State::damaged:
      return "the record " + path_ + " is damaged";
    case State::intact:
      break;
  }
  return contents_.compared == present ? std::string() : whatChanged(contents_.compared, present);
}

void BuildRecord::renew(const std::string& compared, const std::string& databases) {
  std::string text = recordFileText(compared, contents_.scans, databases);
  release();
  text_ = std::move(text);
}

bool BuildRecord::writePending() {
  // Made beside the record, as a write of the record would be, so that one
  // that cannot be replaced (read-only) is known now. The build directory
  // is there already but on a first run.
  disk_.createDirectory(directory_);
  const std::unique_ptr<ucl::PendingFile> pending = disk_.create(path_, {ucl::LineEnds::crlf});
  bool written = pending != nullptr;
  if (written && !(pending->append(text_) && pending->keep(pendingPath()))) {
    pending->discard();
    written = false;
  }
  release();
  return written;
}

void BuildRecord::release() {
  // Exchanged, so that the buffers go too (an empty string assigned keeps
  // the buffer it replaces).
  std::exchange(contents_, RecordContents());
  std::string().swap(text_);
}

void BuildRecord::remove() { disk_.remove(path_); }

bool BuildRecord::commit() {
  disk_.remove(path_);
  if (disk_.move(pendingPath(), path_)) return true;
  disk_.remove(pendingPath());
  return false;
}

void BuildRecord::discard() { disk_.remove(pendingPath()); }

std::vector<std::string> BuildRecord::pathsIn(const std::string& buildDirectory) {
  return {pathFor(buildDirectory, true), pathFor(buildDirectory, false)};
}

std::string BuildRecord::databasesIn(ucl::Disk& disk, const std::string& path) {
  const std::unique_ptr<ucl::FileReader> file = disk.open(path);
  if (file == nullptr) return "";
  char line[128];
  const size_t got = file->read(line, sizeof line);
  if (!file->close()) return "";
  const std::string_view read(line, got);
  const size_t prefix = std::strlen(kDatabasesLine);
  const size_t end = read.find_first_of("\r\n");
  if (read.substr(0, prefix) != kDatabasesLine || end == std::string_view::npos) return "";
  return std::string(read.substr(prefix, end - prefix));
}

std::string whyWriteEverything(const BuildRecord& record, std::string_view present, const ProjectScan& scan,
                               const std::string& unsureInput) {
  std::string why = record.difference(present);
  if (!why.empty()) return why;
  if (!scan.uncertain.empty()) return scan.uncertain + " names no header that kestrel can follow";
  if (!unsureInput.empty()) return unsureInput + " names no file that kestrel can find for sure";
  if (!scan.wentBack.empty()) return "the time of " + scan.wentBack + " went back";
  return "";
}

}  // namespace kestrel
