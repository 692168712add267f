// The IDE's project file (".cbx"): which files make up the project.
#pragma once

#include <optional>
#include <string>
#include <vector>

// Looks for title + ".cbx", then for any "*.cbx", in the current directory,
// matching letter case as Windows does; the name of the file found, spelt
// as it is on disk ("Demo.CBX" for the title "demo"), or nothing. An empty
// title skips the first search.
std::optional<std::string> findProjectFile(const std::string& title);

// The "path" of every "file" element below the root "project" element,
// descending into "node" groups nested to any depth, in document order,
// with "/" turned into "\", in UTF-8 (ucl::projectFileTextAsUtf8 says how
// the file's bytes are read). Nothing when the file is of the wrong format:
// it cannot be read, is not well-formed, or its root is not "project".
std::optional<std::vector<std::string>> readProjectFile(const std::string& path);
// The same for the bytes of a project file.
std::optional<std::vector<std::string>> parseProjectFile(std::string bytes);

// An attribute value as written in the file, with its line ends, entities
// and character references resolved.
std::string decodeAttributeValue(const std::string& raw);

enum class FileKind { source, header, library, other };

// By the extension, whatever its letter case: ".c", ".a86" and ".asm" are
// sources, ".h" headers, ".lib" libraries.
FileKind fileKind(const std::string& path);
