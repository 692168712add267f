#include "wizardbridge/projectfileeditor.h"

#include <cstring>

#include "common/pathhelpers.h"
#include "common/projectfile.h"

namespace plover {

namespace {

const char* const kWrongFormat = "Error: Wrong format in .cbx file";

std::optional<ucl::ProjectFileOutline> outline(const std::string& bytes, std::string* err) {
  std::optional<ucl::ProjectFileOutline> found = ucl::outlineProjectFile(bytes);
  if (!found && err) *err = kWrongFormat;
  return found;
}

// The spaces and tabs from the start of its line up to pos; nothing when
// anything else stands before it on the line.
std::optional<std::string> indentationAt(const std::string& bytes, size_t pos) {
  size_t start = pos;
  while (start > 0 && bytes[start - 1] != '\n' && bytes[start - 1] != '\r') --start;
  for (size_t i = start; i < pos; ++i) {
    if (bytes[i] != ' ' && bytes[i] != '\t') return std::nullopt;
  }
  return bytes.substr(start, pos - start);
}

// The line end nearest before pos, else the first after it: CR LF, LF or
// CR; LF in a file of one line.
std::string lineEndNear(const std::string& bytes, size_t pos) {
  size_t at = bytes.find_last_of("\r\n", pos == 0 ? 0 : pos - 1);
  if (pos == 0 || at == std::string::npos) at = bytes.find_first_of("\r\n", pos);
  if (at == std::string::npos) return "\n";
  if (bytes[at] == '\n') return at > 0 && bytes[at - 1] == '\r' ? "\r\n" : "\n";
  return at + 1 < bytes.size() && bytes[at + 1] == '\n' ? "\r\n" : "\r";
}

std::string escaped(const std::string& path, char quote) {
  std::string out;
  for (const char c : path) {
    if (c == '&') {
      out += "&amp;";
    } else if (c == '<') {
      out += "&lt;";
    } else if (c == quote) {
      out += quote == '"' ? "&quot;" : "&apos;";
    } else {
      out += c;
    }
  }
  return out;
}

// The group an entry of this kind goes into, by name.
const char* groupFor(const std::string& path) {
  switch (ucl::fileKind(path)) {
    case ucl::FileKind::source:
      return "Sources";
    case ucl::FileKind::header:
      return "Headers";
    case ucl::FileKind::library:
      return "Libraries";
    case ucl::FileKind::other:
      break;
  }
  return nullptr;
}

std::string normalForComparison(const std::string& path) {
  std::string out;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find_first_of("\\/", start);
    if (end == std::string::npos) end = path.size();
    const std::string component = path.substr(start, end - start);
    if (!component.empty() && component != ".") {
      if (!out.empty()) out += '\\';
      out += ucl::lowerCase(component);
    }
    start = end + 1;
  }
  return out;
}

}  // namespace

bool sameEntryPath(const std::string& a, const std::string& b) {
  return normalForComparison(a) == normalForComparison(b);
}

std::optional<std::string> projectFileEncodingProblem(const std::string& bytes) {
  const auto startsWith = [&](const char* prefix) { return bytes.compare(0, std::strlen(prefix), prefix) == 0; };
  if (startsWith("\xFF\xFE") || startsWith("\xFE\xFF")) {
    return std::string("Error: The project file is written in UTF-16; only UTF-8 project files can be changed");
  }
  const size_t start = startsWith("\xEF\xBB\xBF") ? 3 : 0;
  if (bytes.compare(start, 5, "<?xml") != 0) return std::nullopt;
  const size_t close = bytes.find("?>", start);
  const std::string declaration = bytes.substr(start, close == std::string::npos ? 0 : close - start);
  size_t at = declaration.find("encoding");
  if (at == std::string::npos) return std::nullopt;
  at = declaration.find_first_not_of(" \t\r\n", at + 8);
  if (at == std::string::npos || declaration[at] != '=') return std::nullopt;
  at = declaration.find_first_not_of(" \t\r\n", at + 1);
  if (at == std::string::npos || (declaration[at] != '"' && declaration[at] != '\'')) return std::nullopt;
  const size_t end = declaration.find(declaration[at], at + 1);
  if (end == std::string::npos) return std::nullopt;
  const std::string encoding = declaration.substr(at + 1, end - at - 1);
  const std::string lower = ucl::lowerCase(encoding);
  if (lower == "utf-8" || lower == "utf8") return std::nullopt;
  return "Error: The project file is written in '" + encoding + "'; only UTF-8 project files can be changed";
}

std::optional<std::vector<std::string>> projectFileEntries(const std::string& bytes, std::string* err) {
  const std::optional<ucl::ProjectFileOutline> found = outline(bytes, err);
  if (!found) return std::nullopt;
  std::vector<std::string> paths;
  paths.reserve(found->entries.size());
  for (const ucl::ProjectFileEntry& entry : found->entries) paths.push_back(entry.path);
  return paths;
}

std::optional<std::string> addProjectFileEntry(const std::string& bytes, const std::string& path, std::string* err) {
  const auto fail = [&](const std::string& message) -> std::optional<std::string> {
    if (err) *err = message;
    return std::nullopt;
  };
  if (path.empty()) return fail("Error: No file named");
  for (const char c : path) {
    if (static_cast<unsigned char>(c) < 32) return fail("Error: The path '" + path + "' holds a control character");
  }
  if (const std::optional<std::string> problem = projectFileEncodingProblem(bytes)) return fail(*problem);
  const std::optional<ucl::ProjectFileOutline> found = outline(bytes, err);
  if (!found) return std::nullopt;

  size_t slashes = 0;
  size_t backslashes = 0;
  for (const ucl::ProjectFileEntry& entry : found->entries) {
    if (sameEntryPath(entry.path, path)) return fail("Error: '" + entry.path + "' is in the project already");
    if (entry.path.find('/') != std::string::npos) ++slashes;
    if (entry.path.find('\\') != std::string::npos) ++backslashes;
  }
  // The separator most entries use; the templates' "/" when none tells.
  const char separator = backslashes > slashes ? '\\' : '/';
  std::string stored = path;
  for (char& c : stored) {
    if (c == '\\' || c == '/') c = separator;
  }

  size_t container = 0;
  if (const char* name = groupFor(path)) {
    for (size_t g = 1; g < found->groups.size(); ++g) {
      if (found->groups[g].name == name) {
        container = g;
        break;
      }
    }
  }
  const ucl::ProjectFileGroup& group = found->groups[container];
  constexpr size_t npos = ucl::ProjectFileGroup::npos;

  char quote = found->entries.empty() ? '"' : found->entries.front().quote;
  if (group.lastEntry != npos) quote = found->entries[group.lastEntry].quote;
  const std::string element = "<file path=" + std::string(1, quote) + escaped(stored, quote) + quote + "/>";

  std::string result = bytes;
  if (group.lastEntry != npos || group.lastChild != npos) {
    // After the element it follows: on a line of its own, indented as that
    // one is, or beside it where it shares its line.
    const size_t begin = group.lastEntry != npos ? found->entries[group.lastEntry].begin : group.lastChild;
    const size_t end = group.lastEntry != npos ? found->entries[group.lastEntry].end : group.lastChildEnd;
    const std::optional<std::string> indentation = indentationAt(bytes, begin);
    result.insert(end, indentation ? lineEndNear(bytes, begin) + *indentation + element : element);
    return result;
  }
  // A group without child elements: the entry goes one step further in.
  const std::string outer = indentationAt(bytes, group.begin).value_or("");
  const std::string inner = outer + (outer.find('\t') != std::string::npos ? "\t" : "  ");
  const std::string lineEnd = lineEndNear(bytes, group.begin);
  if (group.endTag != npos) {
    if (const std::optional<std::string> before = indentationAt(bytes, group.endTag)) {
      result.insert(group.endTag - before->size(), inner + element + lineEnd);
    } else {
      result.insert(group.endTag, lineEnd + inner + element + lineEnd + outer);
    }
    return result;
  }
  // An empty-element tag, "<node .../>", is opened and closed around it.
  const std::string tagName = container == 0 ? "project" : "node";
  result.replace(group.end - 2, 2, ">" + lineEnd + inner + element + lineEnd + outer + "</" + tagName + ">");
  return result;
}

std::optional<std::string> removeProjectFileEntry(const std::string& bytes, const std::string& path,
                                                  std::string* err) {
  if (const std::optional<std::string> problem = projectFileEncodingProblem(bytes)) {
    if (err) *err = *problem;
    return std::nullopt;
  }
  const std::optional<ucl::ProjectFileOutline> found = outline(bytes, err);
  if (!found) return std::nullopt;
  std::string result = bytes;
  bool removed = false;
  // From the back, so that the places of the entries before stay valid.
  for (size_t i = found->entries.size(); i-- > 0;) {
    const ucl::ProjectFileEntry& entry = found->entries[i];
    if (!sameEntryPath(entry.path, path)) continue;
    removed = true;
    size_t begin = entry.begin;
    size_t end = entry.end;
    const std::optional<std::string> indentation = indentationAt(result, begin);
    size_t lineEnd = result.find_first_of("\r\n", end);
    if (lineEnd == std::string::npos) lineEnd = result.size();
    const bool aloneOnItsLine =
        indentation && result.find_first_not_of(" \t", end) >= lineEnd;
    if (aloneOnItsLine) {
      begin -= indentation->size();
      end = lineEnd;
      if (end < result.size()) end += result.compare(end, 2, "\r\n") == 0 ? 2 : 1;
    }
    result.erase(begin, end - begin);
  }
  if (!removed) {
    if (err) *err = "Error: '" + path + "' is not in the project";
    return std::nullopt;
  }
  return result;
}

}  // namespace plover
