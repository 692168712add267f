// The parts of the file layer that both hosts share.
#include "files.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

bool closeFile(std::FILE* file) {
  bool ok = std::ferror(file) == 0;
  if (std::fclose(file) != 0) ok = false;
  return ok;
}

namespace {

// Hands the text to sink in pieces of at most kPiece bytes, each LF turned
// into CR LF on the way; stops when sink returns false.
constexpr size_t kPiece = 65536;

template <typename Sink>
bool inTextModePieces(std::string_view text, Sink sink) {
  char piece[kPiece];
  size_t used = 0;
  const char* next = text.data();
  const char* const end = next + text.size();
  while (next < end) {
    if (used + 2 > kPiece) {
      if (!sink(piece, used)) return false;
      used = 0;
    }
    const size_t room = kPiece - used - 1;  // room for a CR LF at the end
    const size_t span = std::min(room, static_cast<size_t>(end - next));
    const char* lineFeed = static_cast<const char*>(std::memchr(next, '\n', span));
    const size_t plain = lineFeed == nullptr ? span : static_cast<size_t>(lineFeed - next);
    std::memcpy(piece + used, next, plain);
    used += plain;
    next += plain;
    if (lineFeed != nullptr) {
      piece[used++] = '\r';
      piece[used++] = '\n';
      ++next;
    }
  }
  return used == 0 || sink(piece, used);
}

}  // namespace

bool fileHoldsText(const std::string& path, std::string_view text) {
  std::FILE* file = openBinaryFile(path, "rb");
  if (file == nullptr) return false;
  std::vector<char> onDisk(kPiece);
  const bool same = inTextModePieces(text, [&](const char* piece, size_t size) {
    return std::fread(onDisk.data(), 1, size, file) == size && std::memcmp(onDisk.data(), piece, size) == 0;
  });
  const bool atEnd = same && std::fgetc(file) == EOF;
  return closeFile(file) && atEnd;
}

TempFile::TempFile(TempFile&& other) noexcept { *this = std::move(other); }

TempFile& TempFile::operator=(TempFile&& other) noexcept {
  if (this == &other) return *this;
  discard();
  target_ = std::move(other.target_);
  temporary_ = std::move(other.temporary_);
  options_ = other.options_;
  crlf_ = other.crlf_;
  failed_ = other.failed_;
  open_ = std::exchange(other.open_, false);
  buffer_ = std::move(other.buffer_);
#ifdef _WIN32
  handle_ = std::exchange(other.handle_, nullptr);
#else
  fd_ = std::exchange(other.fd_, -1);
  mode_ = other.mode_;
#endif
  return *this;
}

TempFile::~TempFile() {
  assert(!open_ && "a TempFile was neither kept nor discarded");
  discard();
}

void TempFile::chooseLineEnds() {
  crlf_ = options_.lineEnds == LineEnds::crlf;
  if (!options_.likeTarget) return;
  std::FILE* file = openBinaryFile(target_, "rb");
  if (file == nullptr) return;
  // Only as far as the first line feed.
  for (int previous = EOF, c; (c = std::fgetc(file)) != EOF; previous = c) {
    if (c == '\n') {
      crlf_ = previous == '\r';
      break;
    }
  }
  std::fclose(file);
}

bool TempFile::append(std::string_view bytes) {
  if (!open_ || failed_) return false;
  if (!crlf_) {
    if (buffer_.size() + bytes.size() > kPiece && !flushBuffer()) return false;
    if (bytes.size() >= kPiece) {
      if (!writeOut(bytes.data(), bytes.size())) failed_ = true;
      return !failed_;
    }
    buffer_ += bytes;
    return true;
  }
  return inTextModePieces(bytes, [&](const char* piece, size_t size) {
    if (buffer_.size() + size > kPiece && !flushBuffer()) return false;
    buffer_.append(piece, size);
    return true;
  });
}

bool TempFile::flushBuffer() {
  if (!buffer_.empty() && !writeOut(buffer_.data(), buffer_.size())) failed_ = true;
  buffer_.clear();
  return !failed_;
}

bool TempFile::keep() { return keep(target_); }

void TempFile::discard() {
  if (open_) closeAndRemove();
  open_ = false;
}

bool writeFileSafely(const std::string& path, const std::string& bytes, const TempFile::Options& options) {
  TempFile file;
  if (!TempFile::create(path, options, &file)) return false;
  if (!file.append(bytes)) {
    file.discard();
    return false;
  }
  return file.keep();
}

namespace {

char32_t lowerLetter(char32_t c) {
  if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + 32 : c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;  // Latin-1
  if (c == 0x1A0 || c == 0x1AF) return c + 1;  // Vietnamese (1258): Ơ Ư
  if (c >= 0x100 && c <= 0x17F) {  // Latin Extended-A: pairs, upper case first
    if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    if (c == 0x178) return 0xFF;
    const bool oddFirst = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    return c % 2 == (oddFirst ? 1 : 0) ? c + 1 : c;
  }
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 32;  // Greek
  if (c == 0x3C2) return 0x3C3;  // final sigma compares as σ and Σ
  if (c == 0x386) return 0x3AC;
  if (c >= 0x388 && c <= 0x38A) return c + 37;
  if (c == 0x38C) return 0x3CC;
  if (c == 0x38E || c == 0x38F) return c + 63;
  if (c >= 0x410 && c <= 0x42F) return c + 32;  // Cyrillic
  if (c >= 0x400 && c <= 0x40F) return c + 80;
  if (c == 0x490) return 0x491;  // Ukrainian (1251): Ґ
  if (c >= 0xFF21 && c <= 0xFF3A) return c + 32;  // full-width Latin
  return c;
}

// Whether lowerLetter answers for the character: ASCII, the ranges it
// folds whole, and the scripts and symbols that have no letter case. A
// letter outside them (Latin Extended-B, Armenian, Georgian, Latin Extended
// Additional, ...) may have a partner in another case that only the system
// knows.
bool foldKnowsCharacter(char32_t c) {
  if (c < 0x180) return true;
  if (c < 0x250) return c == 0x1A0 || c == 0x1A1 || c == 0x1AF || c == 0x1B0;
  if (c < 0x2B0) return false;  // IPA: some have partners in Latin Extended-B
  if (c < 0x370) return true;   // modifiers, combining marks
  if (c < 0x400) return c >= 0x384 && c <= 0x3CE;
  if (c < 0x530) return c <= 0x45F || c == 0x490 || c == 0x491;
  if (c < 0x590) return false;  // Armenian
  if (c < 0x10A0) return true;  // Hebrew, Arabic, the Indic scripts, Thai, ...
  if (c < 0x1100) return false;  // Georgian
  if (c < 0x1200) return true;   // Hangul Jamo
  if (c < 0x2000) return false;
  if (c < 0x2100) return true;  // punctuation, currency
  if (c < 0x2190) return false;  // letter-like symbols, Roman numerals
  if (c < 0x2460) return true;
  if (c < 0x2500) return false;  // enclosed letters
  if (c < 0x2C00) return true;
  if (c < 0x2E00) return false;  // Glagolitic, Latin Extended-C, Coptic
  if (c < 0xA4D0) return true;   // CJK, kana, Yi
  if (c < 0xAC00) return false;
  return c < 0x10000 || (c >= 0x1F000 && c < 0x1FB00) || (c >= 0x20000 && c < 0x40000);
}

// The character at at and its length in bytes; length 0 for a byte that
// does not begin a valid UTF-8 sequence.
char32_t decodeAt(const std::string& utf8, size_t at, size_t& length) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(utf8[i]); };
  const unsigned char lead = byte(at);
  if (lead < 0x80) {
    length = 1;
    return lead;
  }
  length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3 : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
  bool valid = length > 1 && at + length <= utf8.size();
  for (size_t i = 1; valid && i < length; ++i) valid = (byte(at + i) & 0xC0) == 0x80;
  if (valid && length == 3) valid = (lead != 0xE0 || byte(at + 1) >= 0xA0) && (lead != 0xED || byte(at + 1) < 0xA0);
  if (valid && length == 4) valid = (lead != 0xF0 || byte(at + 1) >= 0x90) && (lead != 0xF4 || byte(at + 1) < 0x90);
  if (!valid) {
    length = 0;
    return 0;
  }
  char32_t c = lead & (0x7Fu >> length);
  for (size_t i = 1; i < length; ++i) c = (c << 6) | (byte(at + i) & 0x3Fu);
  return c;
}

}  // namespace

bool foldKnowsEveryLetter(const std::string& utf8) {
  for (size_t at = 0; at < utf8.size();) {
    if (static_cast<unsigned char>(utf8[at]) < 0x80) {
      ++at;
      continue;
    }
    size_t length = 0;
    const char32_t c = decodeAt(utf8, at, length);
    if (length == 0 || !foldKnowsCharacter(c)) return false;
    at += length;
  }
  return true;
}

std::string foldedLetterCase(const std::string& utf8) {
  std::string folded;
  folded.reserve(utf8.size());
  for (size_t at = 0; at < utf8.size();) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(utf8[i]); };
    const unsigned char lead = byte(at);
    // Two and three bytes hold every letter folded here.
    const size_t length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3 : 1;
    bool valid = length > 1 && at + length <= utf8.size();
    for (size_t i = 1; valid && i < length; ++i) valid = (byte(at + i) & 0xC0) == 0x80;
    if (length == 3 && valid) valid = lead != 0xE0 || byte(at + 1) >= 0xA0;
    if (lead < 0x80 || !valid) {
      folded += static_cast<char>(lead >= 'A' && lead <= 'Z' ? lead + 32 : lead);
      ++at;
      continue;
    }
    char32_t c = length == 2 ? ((lead & 0x1Fu) << 6) | (byte(at + 1) & 0x3Fu)
                             : ((lead & 0x0Fu) << 12) | ((byte(at + 1) & 0x3Fu) << 6) | (byte(at + 2) & 0x3Fu);
    c = lowerLetter(c);
    if (c < 0x800) {
      folded += static_cast<char>(0xC0 | (c >> 6));
      folded += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      folded += static_cast<char>(0xE0 | (c >> 12));
      folded += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      folded += static_cast<char>(0x80 | (c & 0x3F));
    }
    at += length;
  }
  return folded;
}

bool createDirectories(const std::string& path) {
  for (size_t slash = path.find('\\', 1); slash != std::string::npos; slash = path.find('\\', slash + 1)) {
    const std::string parent = path.substr(0, slash);
    // A drive ("C:") is no directory to create.
    if (parent.back() != ':' && !isDirectory(parent)) createDirectory(parent);
  }
  createDirectory(path);
  return isDirectory(path);
}

namespace {

// The directory part of a backslash path, with its backslash; the name.
std::string directoryPart(const std::string& path) {
  const size_t slash = path.rfind('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}
std::string namePart(const std::string& path) {
  const size_t slash = path.rfind('\\');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool isRoot(const std::string& directory) {
  const bool drive = directory.size() >= 2 && directory[1] == ':' && directory[0] != '\0';
  return directory.empty() || directory == "\\" || directory == "\\\\" || (drive && directory.size() <= 3);
}

unsigned long long asciiNameHash(std::string_view name) {
  unsigned long long hash = 14695981039346656037ull;
  for (const char c : name) {
    hash ^= static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    hash *= 1099511628211ull;
  }
  return hash;
}

// Of the name in one letter case, as foldedLetterCase folds it.
unsigned long long nameHash(std::string_view name) {
  for (const char c : name) {
    if (static_cast<unsigned char>(c) >= 0x80) return asciiNameHash(foldedLetterCase(std::string(name)));
  }
  return asciiNameHash(name);
}

}  // namespace

LetterCaseFinder::LetterCaseFinder() : LetterCaseFinder(findFiles, lookupsFoldLetterCase()) {}

LetterCaseFinder::LetterCaseFinder(Lister list, bool lookupsFold) : list_(std::move(list)), lookupsFold_(lookupsFold) {}

std::optional<std::string> LetterCaseFinder::find(const std::string& path) {
  const std::optional<std::string> directory = directoryAsFound(directoryPart(path));
  if (!directory) return std::nullopt;
  return entryAsFound(*directory, namePart(path));
}

bool LetterCaseFinder::mayExist(const std::string& path) {
  if (!pathFitsTheSystem(path)) return false;
  // The listing folds only the letters the table knows: for any other the
  // system's own lookup must answer.
  if (!foldKnowsEveryLetter(path)) return true;
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

bool LetterCaseFinder::absenceIsSure(const std::string& path) {
  if (lookupsFold_ || foldKnowsEveryLetter(path)) return true;
  const std::string directory = directoryPart(path);
  if (!directoryAsFound(directory)) return foldKnowsEveryLetter(directory);
  return foldKnowsEveryLetter(namePart(path));
}

// The hashes of the names in the directory (empty: the current one), in
// one letter case, sorted: a large directory costs little to keep.
const std::vector<unsigned long long>& LetterCaseFinder::listing(const std::string& directory) {
  const auto known = listings_.find(directory);
  if (known != listings_.end()) return known->second;
  std::vector<unsigned long long> names;
  for (const std::string& name : list_(directory + "*")) names.push_back(nameHash(name));
  std::sort(names.begin(), names.end());
  return listings_.emplace(directory, std::move(names)).first->second;
}

// The entry of the directory (as spelt on disk) that has the name in some
// letter case.
std::optional<std::string> LetterCaseFinder::entryAsFound(const std::string& directory, const std::string& name) {
  if (name.empty() || name == "..") return directory + name;
  // Most lookups miss; the directory's search runs only for a name that its
  // listing may hold.
  const std::vector<unsigned long long>& names = listing(directory);
  if (!std::binary_search(names.begin(), names.end(), nameHash(name))) return std::nullopt;
  const std::vector<std::string> matches = list_(directory + name);
  if (matches.empty()) return std::nullopt;
  return directory + matches.front();
}

// The directory (ending in a backslash) as it is spelt on disk; a root as
// it is. Each one is looked up once: up to the nearest one known (or a
// root), then down again part by part, so that a path of any depth takes
// no stack.
std::optional<std::string> LetterCaseFinder::directoryAsFound(const std::string& directory) {
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
    std::string parent = directoryPart(at.substr(0, at.size() - 1));
    unknown.push_back(std::move(at));
    at = std::move(parent);
  }
  for (; !unknown.empty(); unknown.pop_back()) {
    const std::string& at = unknown.back();
    if (found) found = entryAsFound(*found, namePart(at.substr(0, at.size() - 1)));
    if (found) *found += '\\';
    directories_.emplace(at, found);
  }
  return found;
}

}  // namespace platform
