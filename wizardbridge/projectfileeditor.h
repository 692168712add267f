// Changing which files a project file lists: each entry is spliced into,
// or cut out of, the file's own bytes, and every other byte stays as it was.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace plover {

// The paths of the entries that kestrel reads, in its order, as written in
// the file (entities resolved, separators kept). Nothing when the file is of
// the wrong format, with the message in err.
std::optional<std::vector<std::string>> projectFileEntries(const std::string& bytes, std::string* err);

// Whether two entry paths name the same file: letter case, the separator
// and "." components do not count.
bool sameEntryPath(const std::string& a, const std::string& b);

// The message why the project file's bytes cannot be changed (an encoding
// other than UTF-8 declared or marked), or nothing when they can.
std::optional<std::string> projectFileEncodingProblem(const std::string& bytes);

// The bytes with a "file" entry for the path (relative to the project's
// directory, separated by backslashes) added: in the group "Sources",
// "Headers" or "Libraries" that fits its kind, the first at any depth;
// otherwise after the root's last entry, or after its last child element.
// It takes the separator the entries use and the indentation, line end and
// quote character of the element it follows. Nothing, with the message in
// err, when the file is of the wrong format or another encoding, or the
// path is empty, holds a control character or is listed already.
std::optional<std::string> addProjectFileEntry(const std::string& bytes, const std::string& path, std::string* err);

// The bytes without the entries of the path (compared as sameEntryPath
// does) and whatever is inside them; an entry's line goes too where it
// holds nothing else. Nothing, with the message in err, when the path is
// not listed or the file cannot be changed.
std::optional<std::string> removeProjectFileEntry(const std::string& bytes, const std::string& path,
                                                  std::string* err);

}  // namespace plover
