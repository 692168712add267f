#include "common/textencoding.h"

#include <cstdint>
#include <cstring>

#include "platform/codepages.h"

namespace ucl {

namespace {

// The character at text[at] and its length in bytes; length 0 when no valid
// UTF-8 character starts there. Surrogates are let through when asked, as
// modified UTF-8 writes them.
size_t decodeCharacter(const std::string& text, size_t at, uint32_t& character, bool surrogatesAllowed) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  size_t length;
  uint32_t minimum;
  if (lead < 0x80) {
    character = lead;
    return 1;
  } else if (lead >= 0xC2 && lead < 0xE0) {
    length = 2, minimum = 0x80, character = lead & 0x1F;
  } else if (lead >= 0xE0 && lead < 0xF0) {
    length = 3, minimum = 0x800, character = lead & 0x0F;
  } else if (lead >= 0xF0 && lead < 0xF5) {
    length = 4, minimum = 0x10000, character = lead & 0x07;
  } else {
    return 0;
  }
  if (at + length > text.size()) return 0;
  for (size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
    character = (character << 6) | (byte(at + i) & 0x3F);
  }
  if (character < minimum || character > 0x10FFFF) return 0;
  if (!surrogatesAllowed && character >= 0xD800 && character < 0xE000) return 0;
  return length;
}


bool startsWith(const std::string& bytes, const char* prefix, size_t length) {
  return bytes.compare(0, length, prefix, length) == 0;
}

// The encoding the XML declaration names, lower-cased; empty without one.
std::string declaredEncoding(const std::string& bytes) {
  size_t at = startsWith(bytes, "\xEF\xBB\xBF", 3) ? 3 : 0;
  if (bytes.compare(at, 5, "<?xml") != 0) return std::string();
  const size_t end = bytes.find("?>", at);
  const size_t name = bytes.find("encoding", at);
  if (name == std::string::npos || name > end) return std::string();
  const size_t quote = bytes.find_first_of("\"'", name);
  if (quote == std::string::npos || quote > end) return std::string();
  const size_t close = bytes.find(bytes[quote], quote + 1);
  if (close == std::string::npos || close > end) return std::string();
  std::string encoding = bytes.substr(quote + 1, close - quote - 1);
  for (char& c : encoding) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return encoding;
}

}  // namespace

void appendUtf8(uint32_t character, std::string& out) {
  if (character < 0x80) {
    out += static_cast<char>(character);
  } else if (character < 0x800) {
    out += static_cast<char>(0xC0 | (character >> 6));
    out += static_cast<char>(0x80 | (character & 0x3F));
  } else if (character < 0x10000) {
    out += static_cast<char>(0xE0 | (character >> 12));
    out += static_cast<char>(0x80 | ((character >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (character & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (character >> 18));
    out += static_cast<char>(0x80 | ((character >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((character >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (character & 0x3F));
  }
}

bool isValidUtf8(const std::string& bytes) {
  uint32_t character;
  for (size_t at = 0; at < bytes.size();) {
    if (static_cast<unsigned char>(bytes[at]) < 0x80) {  // most of a project file
      ++at;
      continue;
    }
    const size_t length = decodeCharacter(bytes, at, character, false);
    if (length == 0) return false;
    at += length;
  }
  return true;
}

bool isAscii(const std::string& bytes) {
  // Eight bytes at a time: asked of whole makefiles.
  size_t at = 0;
  for (uint64_t word; at + sizeof word <= bytes.size(); at += sizeof word) {
    std::memcpy(&word, bytes.data() + at, sizeof word);
    if ((word & 0x8080808080808080ull) != 0) return false;
  }
  for (; at < bytes.size(); ++at) {
    if (static_cast<unsigned char>(bytes[at]) >= 0x80) return false;
  }
  return true;
}

namespace {

// Calls take(character) for each character of the UTF-8 text, in order; a
// byte that starts no valid sequence counts as U+FFFD.
template <typename Take>
void forEachCharacter(const std::string& utf8, Take take) {
  uint32_t character;
  for (size_t at = 0; at < utf8.size();) {
    size_t length = decodeCharacter(utf8, at, character, false);
    if (length == 0) {
      character = 0xFFFD;
      length = 1;
    }
    take(character);
    at += length;
  }
}

}  // namespace

std::string utf16ToUtf8(const std::string& bytes, size_t from, bool bigEndian) {
  std::string out;
  const auto unit = [&](size_t i) {
    const auto first = static_cast<unsigned char>(bytes[i]);
    const auto second = static_cast<unsigned char>(bytes[i + 1]);
    return static_cast<uint32_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
  };
  for (size_t i = from; i + 1 < bytes.size(); i += 2) {
    uint32_t character = unit(i);
    if (character >= 0xD800 && character < 0xDC00 && i + 3 < bytes.size() && unit(i + 2) >= 0xDC00 &&
        unit(i + 2) < 0xE000) {
      character = 0x10000 + ((character - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
      i += 2;
    } else if (character >= 0xD800 && character < 0xE000) {
      character = 0xFFFD;
    }
    appendUtf8(character, out);
  }
  return out;
}

std::string utf8ToUtf16(const std::string& utf8, bool bigEndian) {
  std::string out;
  out.reserve(utf8.size() * 2);
  const auto appendUnit = [&](uint32_t unit) {
    out += static_cast<char>(bigEndian ? unit >> 8 : unit & 0xFF);
    out += static_cast<char>(bigEndian ? unit & 0xFF : unit >> 8);
  };
  forEachCharacter(utf8, [&](uint32_t character) {
    if (character >= 0x10000) {
      appendUnit(0xD800 + ((character - 0x10000) >> 10));
      appendUnit(0xDC00 + ((character - 0x10000) & 0x3FF));
    } else {
      appendUnit(character);
    }
  });
  return out;
}

std::string projectFileTextAsUtf8(std::string bytes) {
  if (startsWith(bytes, "\xFF\xFE", 2)) return utf16ToUtf8(bytes, 2, false);
  if (startsWith(bytes, "\xFE\xFF", 2)) return utf16ToUtf8(bytes, 2, true);
  if (startsWith(bytes, "<\0?\0", 4)) return utf16ToUtf8(bytes, 0, false);
  if (startsWith(bytes, "\0<\0?", 4)) return utf16ToUtf8(bytes, 0, true);
  if (!projectFileReadInAnsiCodePage(bytes)) return bytes;  // moved, not copied: a project may be large
  return platform::ansiToUtf8(bytes);
}

bool projectFileReadInAnsiCodePage(const std::string& bytes) {
  if (startsWith(bytes, "\xFF\xFE", 2) || startsWith(bytes, "\xFE\xFF", 2) || startsWith(bytes, "<\0?\0", 4) ||
      startsWith(bytes, "\0<\0?", 4)) {
    return false;
  }
  const std::string encoding = declaredEncoding(bytes);
  const bool declaredUtf = encoding.empty() || encoding == "utf-8" || encoding == "utf8" || encoding == "utf-16";
  return !declaredUtf || !isValidUtf8(bytes);
}

std::string modifiedUtf8ToUtf8(const std::string& modified) {
  std::string out;
  out.reserve(modified.size());
  uint32_t character;
  for (size_t at = 0; at < modified.size();) {
    if (modified.compare(at, 2, "\xC0\x80") == 0) {
      out += '\0';
      at += 2;
      continue;
    }
    size_t length = decodeCharacter(modified, at, character, true);
    if (length == 0) {
      appendUtf8(0xFFFD, out);
      ++at;
      continue;
    }
    uint32_t low;
    if (character >= 0xD800 && character < 0xDC00 && at + 6 <= modified.size() &&
        decodeCharacter(modified, at + 3, low, true) == 3 && low >= 0xDC00 && low < 0xE000) {
      character = 0x10000 + ((character - 0xD800) << 10) + (low - 0xDC00);
      length = 6;
    } else if (character >= 0xD800 && character < 0xE000) {
      character = 0xFFFD;
    }
    appendUtf8(character, out);
    at += length;
  }
  return out;
}

std::string utf8ToModifiedUtf8(const std::string& utf8) {
  std::string out;
  out.reserve(utf8.size());
  forEachCharacter(utf8, [&](uint32_t character) {
    if (character == 0) {
      out += "\xC0\x80";
    } else if (character >= 0x10000) {
      appendUtf8(0xD800 + ((character - 0x10000) >> 10), out);
      appendUtf8(0xDC00 + ((character - 0x10000) & 0x3FF), out);
    } else {
      appendUtf8(character, out);
    }
  });
  return out;
}

std::string validUtf8(const std::string& bytes) {
  if (isValidUtf8(bytes)) return bytes;
  std::string out;
  out.reserve(bytes.size() + 8);
  uint32_t character;
  for (size_t at = 0; at < bytes.size();) {
    const size_t length = decodeCharacter(bytes, at, character, false);
    if (length == 0) {
      out += "\xEF\xBF\xBD";
      ++at;
    } else {
      out.append(bytes, at, length);
      at += length;
    }
  }
  return out;
}

std::string jsonString(const std::string& text) {
  static const char hex[] = "0123456789abcdef";
  std::string out = "\"";
  for (const char c : validUtf8(text)) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20) {
      out += "\\u00";
      out += hex[byte >> 4];
      out += hex[byte & 0xF];
    } else {
      out += c;
    }
  }
  out += '"';
  return out;
}

}  // namespace ucl
