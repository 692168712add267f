#include "buildtool/includescan.h"

#include <string_view>

#include "common/pathhelpers.h"

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

// The directive that starts at "#" (at), if it is an #include: a name in
// quotes or angle brackets, or something else (a macro) that the scan
// cannot follow. False for any other line.
bool directiveAt(const std::string& text, size_t at, size_t lineEnd, IncludeDirective& directive) {
  size_t i = skipBlanks(text, at + 1, lineEnd);
  if (text.compare(i, 7, "include") != 0 || (i + 7 < lineEnd && isNameCharacter(text[i + 7]))) return false;
  i = skipBlanks(text, i + 7, lineEnd);
  if (i >= lineEnd) return false;
  if (text[i] == '"' || text[i] == '<') {
    const bool quoted = text[i] == '"';
    const size_t close = text.find(quoted ? '"' : '>', i + 1);
    // No name, or none closed on the line: the compiler refuses the line.
    if (close >= lineEnd || close == i + 1) return false;
    directive = {text.substr(i + 1, close - i - 1), quoted};
    return true;
  }
  size_t end = lineEnd;
  while (end > i && (text[end - 1] == ' ' || text[end - 1] == '\t' || text[end - 1] == '\r')) --end;
  directive = {text.substr(i, end - i), false, true};
  return true;
}

}  // namespace

std::vector<IncludeDirective> scanIncludes(const std::string& text) {
  std::vector<IncludeDirective> found;
  IncludeDirective directive;
  for (size_t at = 0; at < text.size();) {
    size_t lineEnd = text.find('\n', at);
    if (lineEnd == std::string::npos) lineEnd = text.size();
    const size_t i = skipBlanks(text, at, lineEnd);
    if (i < lineEnd && text[i] == '#') {
      if (directiveAt(text, i, lineEnd, directive)) found.push_back(std::move(directive));
    } else {
      // The line may go on after the end of a comment that began on an
      // earlier line: a directive after any "*/" on it counts.
      const std::string_view line = std::string_view(text).substr(at, lineEnd - at);
      for (size_t close = line.find("*/"); close != std::string_view::npos; close = line.find("*/", close + 2)) {
        const size_t hash = skipBlanks(text, at + close + 2, lineEnd);
        if (hash < lineEnd && text[hash] == '#' && directiveAt(text, hash, lineEnd, directive)) {
          found.push_back(std::move(directive));
          break;
        }
      }
    }
    at = lineEnd + 1;
  }
  return found;
}

namespace {

// A relative path that normalisedPath would give back as it is: "\\" only
// between components, none of them empty, "." or "..", and no drive. Most
// paths a project names are such paths.
bool alreadyNormal(const std::string& path) {
  if (path.empty() || path.front() == '\\' || path.back() == '\\' || ucl::driveLetter(path) != 0) return false;
  size_t componentStart = 0;
  for (size_t at = 0; at <= path.size(); ++at) {
    const char c = at < path.size() ? path[at] : '\\';
    if (c == '/') return false;
    if (c != '\\') continue;
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
  // The root stays as it is: "\\" of a share, "X:\", "X:" or "\".
  size_t rootEnd = 0;
  if (spelt.compare(0, 2, "\\\\") == 0) {
    rootEnd = 2;
  } else if (ucl::driveLetter(spelt) != 0) {
    rootEnd = spelt.size() > 2 && spelt[2] == '\\' ? 3 : 2;
  } else if (!spelt.empty() && spelt[0] == '\\') {
    rootEnd = 1;
  }
  std::vector<std::string> components;
  size_t kept = 0;  // components that a ".." may take out: not leading ".."s
  for (size_t at = rootEnd; at <= spelt.size();) {
    size_t end = spelt.find('\\', at);
    if (end == std::string::npos) end = spelt.size();
    const std::string component = spelt.substr(at, end - at);
    if (component == "..") {
      if (kept > 0) {
        components.pop_back();
        --kept;
      } else if (rootEnd == 0) {
        components.push_back(component);  // above a relative start; at a root there is nothing above
      }
    } else if (!component.empty() && component != ".") {
      components.push_back(component);
      ++kept;
    }
    at = end + 1;
  }
  std::string result = spelt.substr(0, rootEnd);
  for (size_t i = 0; i < components.size(); ++i) {
    if (i > 0) result += '\\';
    result += components[i];
  }
  return result;
}

std::string resolveInclude(const IncludeDirective& include, const std::string& includerDirectory,
                           const HeaderSearchPath& search, const std::function<bool(const std::string&)>& exists) {
  const std::string name = normalisedPath(include.name);
  if (name.empty()) return std::string();
  if (name[0] == '\\' || ucl::driveLetter(name) != 0) return exists(name) ? name : std::string();
  const auto inDirectory = [&](const std::string& directory) {
    if (directory.empty()) return name;
    return normalisedPath(directory.back() == '\\' || directory.back() == '/' ? directory + name
                                                                              : directory + '\\' + name);
  };
  if (include.quoted) {
    for (const std::string* directory : {&includerDirectory, &search.projectHeaderDirectory}) {
      const std::string candidate = inDirectory(*directory);
      if (exists(candidate)) return candidate;
    }
  }
  for (const std::string& directory : search.includeDirectories) {
    const std::string candidate = inDirectory(directory);
    if (exists(candidate)) return candidate;
  }
  return std::string();
}

}  // namespace kestrel
