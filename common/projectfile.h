// The IDE's project file (".cbx"): which files make up the project.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/disk.h"

namespace ucl {

// Looks for title + ".cbx", then for any "*.cbx", in the current directory,
// matching letter case as Windows does; the name of the file found, spelt
// as it is on disk ("Demo.CBX" for the title "demo"), or nothing. An empty
// title skips the first search.
std::optional<std::string> findProjectFile(Disk& disk, const std::string& title);
// The file to read for a name the search found. Windows' search also
// matches short (8.3) names, so "*.cbx" finds "demo.cbxbak" by its short
// name "DEMO~1.CBX": a name whose own extension is not ".cbx" stands for
// title + ".cbx", which a backup is never read in place of.
std::string projectFileToRead(const std::string& found);

// The "path" of every "file" element below the root "project" element,
// descending into "node" groups nested to any depth, in document order,
// with "/" turned into "\", in UTF-8 (projectFileTextAsUtf8 says how the
// file's bytes are read). Nothing when the file is of the wrong format:
// it cannot be read, is not well-formed, or its root is not "project".
std::optional<std::vector<std::string>> readProjectFile(Disk& disk, const std::string& path);
// The same for the bytes of a project file.
std::optional<std::vector<std::string>> parseProjectFile(std::string bytes);

// An attribute value as written in the file, with its line ends, entities
// and character references resolved.
std::string decodeAttributeValue(const std::string& raw);

enum class FileKind { source, header, library, other };

// By the extension, whatever its letter case: ".c", ".a86" and ".asm" are
// sources, ".h" headers, ".lib" libraries.
FileKind fileKind(const std::string& path);

// Where the parts of a project file lie in its bytes, for a program that
// changes the file and leaves every other byte as it was. Offsets count
// from the first byte of the file (a byte order mark included).
struct ProjectFileElement {
  size_t begin = 0;  // its "<"
  size_t end = 0;    // just after its last ">"
};
// A "file" element that the reader above lists.
struct ProjectFileEntry : ProjectFileElement {
  std::string path;  // decoded, with its separators as written
  std::string raw;   // the path's value as the file's bytes hold it, entities and all
  char quote = '"';  // around the path's value
};
// The root "project" element or a "node" group below it.
struct ProjectFileGroup : ProjectFileElement {
  static constexpr size_t npos = static_cast<size_t>(-1);
  std::string name;           // the group's decoded "name"; empty for the root
  size_t endTag = npos;       // the "<" of "</...>"; npos for an empty-element tag
  size_t lastEntry = npos;    // index in entries of its last "file" child that is listed
  size_t lastChild = npos;    // the "<" of its last child element
  size_t lastChildEnd = npos;
};
struct ProjectFileOutline {
  std::vector<ProjectFileGroup> groups;  // the root first, then the groups in document order
  std::vector<ProjectFileEntry> entries; // in document order, as the reader lists them
};

// The outline of a project file that the reader above accepts; nothing for
// one of the wrong format.
std::optional<ProjectFileOutline> outlineProjectFile(const std::string& bytes);

}  // namespace ucl
