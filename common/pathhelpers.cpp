#include "common/pathhelpers.h"

#include <cctype>
#include <vector>

namespace ucl {

void toLower(std::string& text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

void toUpper(std::string& text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

std::string lowerCase(const std::string& text) {
  std::string copy = text;
  toLower(copy);
  return copy;
}

std::string upperCase(const std::string& text) {
  std::string copy = text;
  toUpper(copy);
  return copy;
}

std::string charToString(char c) { return c == '\0' ? std::string() : std::string(1, c); }

std::string intToString(int value, int radix) {
  if (radix < 2 || radix > 36) return std::string();
  static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  const bool negative = radix == 10 && value < 0;
  // Work on the unsigned value so that INT_MIN needs no special case.
  unsigned int rest = static_cast<unsigned int>(value);
  if (negative) rest = 0u - rest;
  std::string reversed;
  do {
    reversed += digits[rest % static_cast<unsigned int>(radix)];
    rest /= static_cast<unsigned int>(radix);
  } while (rest != 0);
  if (negative) reversed += '-';
  return std::string(reversed.rbegin(), reversed.rend());
}

void removeTrailingBackslash(std::string& path) {
  if (!path.empty() && path.back() == '\\') path.pop_back();
}

std::string fileDirectory(const std::string& path) {
  const size_t slash = path.rfind('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string fileName(const std::string& path) {
  const size_t slash = path.rfind('\\');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string fileExtension(const std::string& path) {
  // Walk back to the first dot or backslash; the first character counts too.
  for (size_t i = path.size(); i > 0; --i) {
    const char c = path[i - 1];
    if (c == '.') return path.substr(i - 1);
    if (c == '\\') break;
  }
  return std::string();
}

std::string fileTitle(const std::string& path) {
  size_t end = path.size();
  size_t begin = 0;
  bool dotFound = false;
  // Walk back to a backslash; the last dot met on the way ends the title,
  // except a dot that is the very first character of the path.
  for (size_t i = path.size(); i > 0; --i) {
    const char c = path[i - 1];
    if (c == '\\') {
      begin = i;
      break;
    }
    if (c == '.' && !dotFound && i - 1 > 0) {
      end = i - 1;
      dotFound = true;
    }
  }
  return end > begin ? path.substr(begin, end - begin) : std::string();
}

char driveLetter(const std::string& path) {
  if (path.size() < 2 || path[1] != ':') return 0;
  return static_cast<char>(std::toupper(static_cast<unsigned char>(path[0])));
}

namespace {

std::vector<std::string> splitComponents(const std::string& path) {
  std::vector<std::string> components;
  size_t start = 0;
  for (;;) {
    const size_t slash = path.find('\\', start);
    if (slash == std::string::npos) {
      components.push_back(path.substr(start));
      return components;
    }
    components.push_back(path.substr(start, slash - start));
    start = slash + 1;
  }
}

}  // namespace

std::optional<std::string> relativePath(const std::string& base, const std::string& target, bool dotPrefix) {
  std::string lowerBase = lowerCase(base);
  std::string lowerTarget = lowerCase(target);
  std::string ownTarget = target;
  removeTrailingBackslash(lowerBase);
  removeTrailingBackslash(lowerTarget);
  removeTrailingBackslash(ownTarget);

  if (driveLetter(lowerBase) != driveLetter(lowerTarget)) return std::nullopt;

  const std::vector<std::string> baseParts = splitComponents(lowerBase);
  const std::vector<std::string> targetParts = splitComponents(lowerTarget);
  const std::vector<std::string> ownParts = splitComponents(ownTarget);

  size_t common = 0;
  while (common < baseParts.size() && common < targetParts.size() &&
         baseParts[common] == targetParts[common]) {
    ++common;
  }
  const size_t climb = baseParts.size() - common;

  std::string remainder;
  for (size_t i = common; i < ownParts.size(); ++i) {
    if (i > common) remainder += '\\';
    remainder += ownParts[i];
  }

  std::string result;
  for (size_t i = 0; i < climb; ++i) result += "..\\";
  if (climb == 0 && dotPrefix) result += ".\\";
  if (!remainder.empty()) result += remainder + "\\";
  return result;
}

}  // namespace ucl
