// Which encoding each outside text comes in, and the conversions that are
// the same on every system: the programs keep all text in UTF-8.
#pragma once

#include <cstdint>
#include <string>

namespace ucl {

// True when the bytes are UTF-8 throughout (shortest forms, no surrogates).
bool isValidUtf8(const std::string& bytes);
// True when every byte is below 0x80.
bool isAscii(const std::string& bytes);

// Appends the UTF-8 bytes of one character (up to four bytes).
void appendUtf8(uint32_t character, std::string& out);

// UTF-8 text as UTF-16 bytes (little-endian unless asked), without a byte
// order mark; what is not UTF-8 becomes U+FFFD.
std::string utf8ToUtf16(const std::string& utf8, bool bigEndian);
inline std::string utf8ToUtf16Le(const std::string& utf8) { return utf8ToUtf16(utf8, false); }
// UTF-16 bytes in the byte order given, from byte `from` on, as UTF-8; an
// unpaired surrogate becomes U+FFFD.
std::string utf16ToUtf8(const std::string& bytes, size_t from, bool bigEndian);

// A project file's bytes as UTF-8 text. UTF-16 (with a byte order mark, or
// starting "<?" in 16-bit units) is decoded; a file that declares another
// encoding than UTF-8 or UTF-16, or is not valid UTF-8 throughout, is text
// in the ANSI code page, as files edited by hand have always been read.
std::string projectFileTextAsUtf8(std::string bytes);
// Whether projectFileTextAsUtf8 reads these bytes in the ANSI code page.
bool projectFileReadInAnsiCodePage(const std::string& bytes);

// Java's modified UTF-8 (NUL as C0 80, characters beyond U+FFFF as two
// surrogates of three bytes each) and the programs' UTF-8, both ways. What
// is not UTF-8 in the programs' text becomes U+FFFD, so Java is never handed
// bytes it cannot read.
std::string modifiedUtf8ToUtf8(const std::string& modified);
std::string utf8ToModifiedUtf8(const std::string& utf8);

// The text with every byte that does not start a UTF-8 character turned
// into U+FFFD: for formats that hold UTF-8 only (JSON).
std::string validUtf8(const std::string& bytes);

// The text as a JSON string, in quotes: quotes, backslashes and control
// characters escaped, and in UTF-8 as validUtf8 makes it.
std::string jsonString(const std::string& text);

}  // namespace ucl
