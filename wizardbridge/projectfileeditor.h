// Changing which files a project file lists: each entry is spliced into,
// or cut out of, the file's own bytes, and every other byte stays as it was.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace plover {

// How a project file that kestrel reads in the ANSI code page (one that is
// not UTF-8 throughout and declares UTF-8 or nothing) becomes text, and a
// name becomes its bytes: the system's conversions; tests hand in others.
struct AnsiConversion {
  std::string (*toUtf8)(const std::string& ansi);
  std::optional<std::string> (*fromUtf8)(const std::string& utf8);  // nothing for a name it cannot hold
};
AnsiConversion systemAnsiConversion();

// The paths of the entries that kestrel reads, in its order, as kestrel
// decodes them (in UTF-8, entities resolved, separators kept). False, with
// the message in err, when the file is of the wrong format.
bool projectFileEntries(const std::string& bytes, std::vector<std::string>* paths, std::string* err,
                        const AnsiConversion& ansi = systemAnsiConversion());

// Whether two entry paths name the same file: letter case, the separator
// and "." components do not count.
bool sameEntryPath(const std::string& a, const std::string& b);

// Whether the project file's bytes can be changed: false, with the message
// in err, for an encoding other than UTF-8 declared or marked.
bool projectFileEncodingAllowsChange(const std::string& bytes, std::string* err);

// The bytes with a "file" entry for the path (UTF-8, relative to the
// project's directory, separated by backslashes) added, in result: in the
// group "Sources", "Headers" or "Libraries" that fits its kind, the first
// at any depth; otherwise after the root's last entry, or after its last
// child element. It takes the separator the entries use and the
// indentation, line end and quote character of the element it follows, and
// the file's own encoding: a file read in the ANSI code page gets the name
// in that code page. False, with the message in err, when the file is of
// the wrong format or another encoding, or the path is empty, holds a
// control character, is listed already or cannot be written in the file's
// encoding.
bool addProjectFileEntry(const std::string& bytes, const std::string& path, std::string* result, std::string* err,
                         const AnsiConversion& ansi = systemAnsiConversion());

// The bytes without the entries of the path (compared as sameEntryPath
// does, with the entries decoded as kestrel decodes them) and whatever is
// inside them, in result; an entry's line goes too where it holds nothing
// else. False, with the message in err, when the path is not listed, the
// file cannot be changed, or the other entries would no longer read as
// they did (an ANSI file whose remaining bytes would then read as UTF-8).
bool removeProjectFileEntry(const std::string& bytes, const std::string& path, std::string* result,
                            std::string* err, const AnsiConversion& ansi = systemAnsiConversion());

// Puts the edited bytes in the place of the project file with the safe
// write (platform::TempFile), unless the file no longer holds the
// original bytes it was edited from: another program changed it meanwhile,
// and its change is kept. False, with the message in err, then and when the
// write fails; the file is left as it was either way.
bool replaceEditedProjectFile(const std::string& file, const std::string& original, const std::string& edited,
                              std::string* err);

}  // namespace plover
