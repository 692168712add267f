// Taking Windows paths apart, case mapping and number text. Only the
// backslash separates path components; none of these touches a file.
#pragma once

#include <optional>
#include <string>

namespace ucl {

void toLower(std::string& text);
void toUpper(std::string& text);
std::string lowerCase(const std::string& text);
std::string upperCase(const std::string& text);

// The one-character string; the empty string for the NUL character.
std::string charToString(char c);

// Digits of the value: radix 10 is signed, other radices (2 to 36) read the
// value as unsigned and use lower-case letters. Empty for another radix.
std::string intToString(int value, int radix);

// Removes one final backslash, if there is one.
void removeTrailingBackslash(std::string& path);

std::string fileDirectory(const std::string& path);  // up to and with the last backslash
std::string fileName(const std::string& path);       // after the last backslash
std::string fileTitle(const std::string& path);      // file name without its extension
std::string fileExtension(const std::string& path);  // from the last dot of the name

// Upper-case drive letter of an "X:" prefix, or 0.
char driveLetter(const std::string& path);

// The directory of target relative to the directory of base, ending in a
// backslash (with ".\" in front when dotPrefix is set and no climb is
// needed); letter case is ignored in the comparison. For paths on different
// drives nothing: no relative path leads there. The same directory with
// dotPrefix off gives the empty string, so that appended names stay relative.
std::optional<std::string> relativePath(const std::string& base, const std::string& target, bool dotPrefix);

}  // namespace ucl
