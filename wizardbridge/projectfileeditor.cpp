#include "wizardbridge/projectfileeditor.h"

#include <cstring>

#include "common/pathhelpers.h"
#include "common/projectfile.h"
#include "common/textencoding.h"
#include "platform/codepages.h"
#include "platform/files.h"

namespace plover {

namespace {

const char* const kWrongFormat = "Error: Wrong format in .cbx file";

bool outline(const std::string& bytes, ucl::ProjectFileOutline* result, std::string* err) {
  std::optional<ucl::ProjectFileOutline> found = ucl::outlineProjectFile(bytes);
  if (!found) {
    *err = kWrongFormat;
    return false;
  }
  *result = std::move(*found);
  return true;
}

// Each entry's path as kestrel's reader decodes it: a file read in the ANSI
// code page is converted before its entities are resolved, as the reader
// converts the whole file first.
std::vector<std::string> decodedPaths(const std::string& bytes, const ucl::ProjectFileOutline& found,
                                      const AnsiConversion& ansi) {
  std::vector<std::string> paths;
  paths.reserve(found.entries.size());
  const bool inAnsi = ucl::projectFileReadInAnsiCodePage(bytes);
  for (const ucl::ProjectFileEntry& entry : found.entries) {
    paths.push_back(inAnsi ? ucl::decodeAttributeValue(ansi.toUtf8(entry.raw)) : entry.path);
  }
  return paths;
}

// False, with the reason, when the edited bytes would not list exactly the
// expected paths as kestrel reads them: an edit may change how the rest of
// the file is decoded (bytes that are not UTF-8 added to a UTF-8 file, or
// the last ones taken out of an ANSI file), and must then be refused.
bool readsAsExpected(const std::string& edited, const std::vector<std::string>& expected,
                     const AnsiConversion& ansi, std::string* err) {
  ucl::ProjectFileOutline found;
  if (!outline(edited, &found, err)) return false;
  if (decodedPaths(edited, found, ansi) == expected) return true;
  *err = "Error: The change would alter how the project file's other names are read; it is left as it was";
  return false;
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

AnsiConversion systemAnsiConversion() { return AnsiConversion{platform::ansiToUtf8, platform::utf8ToAnsi}; }

bool projectFileEncodingAllowsChange(const std::string& bytes, std::string* err) {
  const auto startsWith = [&](const char* prefix) { return bytes.compare(0, std::strlen(prefix), prefix) == 0; };
  if (startsWith("\xFF\xFE") || startsWith("\xFE\xFF")) {
    *err = "Error: The project file is written in UTF-16; only UTF-8 project files can be changed";
    return false;
  }
  const size_t start = startsWith("\xEF\xBB\xBF") ? 3 : 0;
  if (bytes.compare(start, 5, "<?xml") != 0) return true;
  const size_t close = bytes.find("?>", start);
  const std::string declaration = bytes.substr(start, close == std::string::npos ? 0 : close - start);
  size_t at = declaration.find("encoding");
  if (at == std::string::npos) return true;
  at = declaration.find_first_not_of(" \t\r\n", at + 8);
  if (at == std::string::npos || declaration[at] != '=') return true;
  at = declaration.find_first_not_of(" \t\r\n", at + 1);
  if (at == std::string::npos || (declaration[at] != '"' && declaration[at] != '\'')) return true;
  const size_t end = declaration.find(declaration[at], at + 1);
  if (end == std::string::npos) return true;
  const std::string encoding = declaration.substr(at + 1, end - at - 1);
  const std::string lower = ucl::lowerCase(encoding);
  if (lower == "utf-8" || lower == "utf8") return true;
  *err = "Error: The project file is written in '" + encoding + "'; only UTF-8 project files can be changed";
  return false;
}

bool projectFileEntries(const std::string& bytes, std::vector<std::string>* paths, std::string* err,
                        const AnsiConversion& ansi) {
  ucl::ProjectFileOutline found;
  if (!outline(bytes, &found, err)) return false;
  *paths = decodedPaths(bytes, found, ansi);
  return true;
}

bool addProjectFileEntry(const std::string& bytes, const std::string& path, std::string* result, std::string* err,
                         const AnsiConversion& ansi) {
  const auto fail = [&](const std::string& message) {
    *err = message;
    return false;
  };
  if (path.empty()) return fail("Error: No file named");
  for (const char c : path) {
    if (static_cast<unsigned char>(c) < 32) return fail("Error: The path '" + path + "' holds a control character");
  }
  if (!projectFileEncodingAllowsChange(bytes, err)) return false;
  ucl::ProjectFileOutline found;
  if (!outline(bytes, &found, err)) return false;
  std::vector<std::string> paths = decodedPaths(bytes, found, ansi);

  size_t slashes = 0;
  size_t backslashes = 0;
  for (size_t i = 0; i < paths.size(); ++i) {
    if (sameEntryPath(paths[i], path)) return fail("Error: '" + paths[i] + "' is in the project already");
    if (found.entries[i].path.find('/') != std::string::npos) ++slashes;
    if (found.entries[i].path.find('\\') != std::string::npos) ++backslashes;
  }
  // The separator most entries use; the templates' "/" when none tells.
  const char separator = backslashes > slashes ? '\\' : '/';
  std::string stored = path;
  for (char& c : stored) {
    if (c == '\\' || c == '/') c = separator;
  }
  // In the file's own encoding: a file read in the code page gets the name
  // in it (its bytes beyond ASCII are never a separator, "&", "<" or quote).
  std::string listed = stored;
  if (ucl::projectFileReadInAnsiCodePage(bytes)) {
    const std::optional<std::string> converted = ansi.fromUtf8(stored);
    if (!converted) {
      return fail("Error: File name '" + path + "' cannot be written in this system's code page, " +
                  "in which the project file is read");
    }
    stored = *converted;
  }

  size_t container = 0;
  if (const char* name = groupFor(path)) {
    for (size_t g = 1; g < found.groups.size(); ++g) {
      if (found.groups[g].name == name) {
        container = g;
        break;
      }
    }
  }
  const ucl::ProjectFileGroup& group = found.groups[container];
  constexpr size_t npos = ucl::ProjectFileGroup::npos;

  char quote = found.entries.empty() ? '"' : found.entries.front().quote;
  if (group.lastEntry != npos) quote = found.entries[group.lastEntry].quote;
  const std::string element = "<file path=" + std::string(1, quote) + escaped(stored, quote) + quote + "/>";

  std::string edited = bytes;
  // Where the new entry stands among the others, as the reader lists them.
  size_t index = found.entries.size();
  if (group.lastEntry != npos || group.lastChild != npos) {
    // After the element it follows: on a line of its own, indented as that
    // one is, or beside it where it shares its line.
    const size_t begin = group.lastEntry != npos ? found.entries[group.lastEntry].begin : group.lastChild;
    const size_t end = group.lastEntry != npos ? found.entries[group.lastEntry].end : group.lastChildEnd;
    const std::optional<std::string> indentation = indentationAt(bytes, begin);
    edited.insert(end, indentation ? lineEndNear(bytes, begin) + *indentation + element : element);
    index = 0;
    while (index < found.entries.size() && found.entries[index].begin < end) ++index;
  } else {
    // A group without child elements: the entry goes one step further in.
    const std::string outer = indentationAt(bytes, group.begin).value_or("");
    const std::string inner = outer + (outer.find('\t') != std::string::npos ? "\t" : "  ");
    const std::string lineEnd = lineEndNear(bytes, group.begin);
    if (group.endTag != npos) {
      if (const std::optional<std::string> before = indentationAt(bytes, group.endTag)) {
        edited.insert(group.endTag - before->size(), inner + element + lineEnd);
      } else {
        edited.insert(group.endTag, lineEnd + inner + element + lineEnd + outer);
      }
    } else {
      // An empty-element tag, "<node .../>", is opened and closed around it.
      const std::string tagName = container == 0 ? "project" : "node";
      edited.replace(group.end - 2, 2, ">" + lineEnd + inner + element + lineEnd + outer + "</" + tagName + ">");
    }
    index = 0;
    while (index < found.entries.size() && found.entries[index].begin < group.begin) ++index;
  }
  paths.insert(paths.begin() + static_cast<std::ptrdiff_t>(index), ucl::decodeAttributeValue(listed));
  if (!readsAsExpected(edited, paths, ansi, err)) return false;
  *result = std::move(edited);
  return true;
}

bool removeProjectFileEntry(const std::string& bytes, const std::string& path, std::string* result,
                            std::string* err, const AnsiConversion& ansi) {
  if (!projectFileEncodingAllowsChange(bytes, err)) return false;
  ucl::ProjectFileOutline found;
  if (!outline(bytes, &found, err)) return false;
  const std::vector<std::string> paths = decodedPaths(bytes, found, ansi);
  std::vector<std::string> kept;
  std::string edited = bytes;
  // From the back, so that the places of the entries before stay valid.
  for (size_t i = found.entries.size(); i-- > 0;) {
    const ucl::ProjectFileEntry& entry = found.entries[i];
    if (!sameEntryPath(paths[i], path)) continue;
    size_t begin = entry.begin;
    size_t end = entry.end;
    const std::optional<std::string> indentation = indentationAt(edited, begin);
    size_t lineEnd = edited.find_first_of("\r\n", end);
    if (lineEnd == std::string::npos) lineEnd = edited.size();
    const bool aloneOnItsLine =
        indentation && edited.find_first_not_of(" \t", end) >= lineEnd;
    if (aloneOnItsLine) {
      begin -= indentation->size();
      end = lineEnd;
      if (end < edited.size()) end += edited.compare(end, 2, "\r\n") == 0 ? 2 : 1;
    }
    edited.erase(begin, end - begin);
  }
  if (edited.size() == bytes.size()) {
    *err = "Error: '" + path + "' is not in the project";
    return false;
  }
  for (size_t i = 0; i < paths.size(); ++i) {
    if (!sameEntryPath(paths[i], path)) kept.push_back(paths[i]);
  }
  if (!readsAsExpected(edited, kept, ansi, err)) return false;
  *result = std::move(edited);
  return true;
}

bool replaceEditedProjectFile(const std::string& file, const std::string& original, const std::string& edited,
                              std::string* err) {
  const std::string unwritable = "Error: Unable to write '" + platform::windowsToHostPath(file) + "'; it is left as it was";
  platform::TempFile replacement;
  if (!platform::TempFile::create(file, &replacement)) {
    *err = unwritable;
    return false;
  }
  const bool written = replacement.append(edited);
  // Read again just before the rename: what another program saved since
  // the first read (even at the same size and time) is never overwritten.
  const std::optional<std::string> now = platform::readWholeFile(file);
  if (!now || *now != original) {
    replacement.discard();
    *err = "Error: '" + platform::windowsToHostPath(file) +
           "' was changed by another program while it was edited; it is left as that program wrote it";
    return false;
  }
  if (!written || !replacement.keep()) {
    if (!written) replacement.discard();
    *err = unwritable;
    return false;
  }
  return true;
}

}  // namespace plover
