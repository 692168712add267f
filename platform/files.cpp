// The parts of the file layer that both hosts share.
#include "files.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace platform {

bool closeFile(std::FILE* file) {
  bool ok = std::ferror(file) == 0;
  if (std::fclose(file) != 0) ok = false;
  return ok;
}

std::optional<std::string> readWholeFile(const std::string& path) {
  std::FILE* file = openBinaryFile(path, "rb");
  if (file == nullptr) return std::nullopt;
  std::optional<std::string> read(std::in_place);
  std::string& bytes = *read;
  // Straight into the string, sized by the file; a file that grows or a
  // device without a size is read on in pieces.
  long size = 0;
  if (std::fseek(file, 0, SEEK_END) == 0) size = std::ftell(file);
  std::rewind(file);
  // One byte more than the file, for a caller that ends the bytes with a NUL.
  bytes.reserve(size > 0 ? static_cast<size_t>(size) + 1 : 1);
  bytes.resize(size > 0 ? static_cast<size_t>(size) : 0);
  size_t total = std::fread(bytes.data(), 1, bytes.size(), file);
  if (total == bytes.size()) {
    char piece[65536];
    for (size_t got; (got = std::fread(piece, 1, sizeof piece, file)) > 0; total += got) bytes.append(piece, got);
  } else {
    bytes.resize(total);
  }
  if (!closeFile(file)) return std::nullopt;
  return read;
}

namespace {

// Hands the text to sink in pieces of at most kPiece bytes, each LF turned
// into CR LF on the way; stops when sink returns false.
constexpr size_t kPiece = 65536;

template <typename Sink>
bool inTextModePieces(const std::string& text, Sink sink) {
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

bool fileHoldsText(const std::string& path, const std::string& text) {
  std::FILE* file = openBinaryFile(path, "rb");
  if (file == nullptr) return false;
  std::vector<char> onDisk(kPiece);
  const bool same = inTextModePieces(text, [&](const char* piece, size_t size) {
    return std::fread(onDisk.data(), 1, size, file) == size && std::memcmp(onDisk.data(), piece, size) == 0;
  });
  const bool atEnd = same && std::fgetc(file) == EOF;
  return closeFile(file) && atEnd;
}

bool writeTextFileWhole(const std::string& path, const std::string& text) {
  std::FILE* file = openBinaryFile(path, "wb");
  if (file == nullptr) return false;
  const bool written = inTextModePieces(
      text, [&](const char* piece, size_t size) { return std::fwrite(piece, 1, size, file) == size; });
  // A full disk shows at the latest when the file is closed.
  return closeFile(file) && written;
}

namespace {

char32_t lowerLetter(char32_t c) {
  if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + 32 : c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;  // Latin-1
  if (c >= 0x100 && c <= 0x17F) {  // Latin Extended-A: pairs, upper case first
    if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    if (c == 0x178) return 0xFF;
    const bool oddFirst = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    return c % 2 == (oddFirst ? 1 : 0) ? c + 1 : c;
  }
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 32;  // Greek
  if (c == 0x386) return 0x3AC;
  if (c >= 0x388 && c <= 0x38A) return c + 37;
  if (c == 0x38C) return 0x3CC;
  if (c == 0x38E || c == 0x38F) return c + 63;
  if (c >= 0x410 && c <= 0x42F) return c + 32;  // Cyrillic
  if (c >= 0x400 && c <= 0x40F) return c + 80;
  if (c >= 0xFF21 && c <= 0xFF3A) return c + 32;  // full-width Latin
  return c;
}

}  // namespace

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

}  // namespace platform
