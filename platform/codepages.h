// Text crossing to the outside: inside, every program keeps its text in
// UTF-8; here it becomes the system's ANSI code page and back. On POSIX the
// code page is UTF-8 and these pass the bytes unchanged.
#pragma once

#include <optional>
#include <string>

namespace platform {

// The number of the ANSI code page (932, 1252, ...); 65001 (UTF-8) on POSIX.
unsigned ansiCodePage();

// Text in the code page as UTF-8; nothing when the code page is unknown here
// or the bytes are no text in it.
std::optional<std::string> codePageToUtf8(const std::string& bytes, unsigned codePage);
// UTF-8 text in the code page; nothing when a character has no exact place
// in it (no look-alike stands in) or the text is not UTF-8.
std::optional<std::string> utf8ToCodePage(const std::string& utf8, unsigned codePage);

// The same for the ANSI code page. Bytes that are no text in it are taken
// as they come, so the conversion back gives them again where it can.
std::string ansiToUtf8(const std::string& ansi);
std::optional<std::string> utf8ToAnsi(const std::string& utf8);

}  // namespace platform
