// The #include lines of C sources and headers, where the compiler finds
// the headers they name (pure: the file system is asked through a
// callback), and the walk that follows them through a project.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "buildtool/scancache.h"
#include "common/disk.h"

namespace kestrel {

// Every #include line of the text, in order, in both forms. The text is
// read as the compiler's first translation steps leave it: a byte order
// mark at the start skipped, a CR alone taken as a line end, trigraphs
// replaced ("??=" is "#", "??/" a backslash), each backslash before a line
// end joining the lines, and "%:" taken as "#". Where lines were joined or
// trigraphs replaced, the includes of the lines as they stand are given
// too, after those. Lines are otherwise taken as they are: an #include
// inside a comment or in a branch of #if that
// the compiler would skip counts as well, since counting a header too many
// costs a rebuild and missing one links stale objects; so does one after
// the end of a comment on its line. An #include whose name comes from a
// macro cannot be followed and is given as uncertain.
std::vector<IncludeDirective> scanIncludes(const std::string& text);

// A #define of a name that an #include may take from a macro.
struct MacroDefinition {
  std::string name;
  // The one quoted or bracketed header name that it expands to; uncertain
  // (the expansion as written) for a macro that takes arguments or expands
  // to anything else.
  IncludeDirective expansion;
};

// Every #define of one of the names in the text, read as scanIncludes reads.
std::vector<MacroDefinition> scanDefinitions(const std::string& text, const std::unordered_set<std::string>& names);

// Where the compiler looks for headers, after the including file's own
// directory (quoted includes only).
struct HeaderSearchPath {
  std::string projectHeaderDirectory;           // the project's H directory: quoted includes only
  std::vector<std::string> includeDirectories;  // the ones the makefiles name, in their order: both forms
  // What else may define the macro of an #include NAME: the compiler's
  // definitions (NAME or NAME=value) and the files of options it reads.
  std::vector<std::string> definitions = {};
  std::vector<std::string> optionFiles = {};
};

// Which headers an #include NAME may open. Sure only when NAME is one
// identifier that no option file names (one that cannot be read, nothing
// when absent, names every macro) and every definition of it, in the
// files and the compiler's definitions, is one header name: then all of
// those, none when there is no definition (the compiler refuses the line).
struct MacroInclude {
  bool sure;
  std::vector<IncludeDirective> headers;
};
MacroInclude decideMacroInclude(const std::string& name, const std::vector<MacroDefinition>& fileDefinitions,
                                const std::vector<std::string>& compilerDefinitions,
                                const std::vector<std::optional<std::string>>& optionFiles);

// The path of the header that the directive names: an absolute name as it
// is; a quoted one in the including file's directory, the project's H
// directory, then the include directories; one in angle brackets in the
// include directories only. "/" and "\" both separate. Empty when exists
// finds none of the candidates.
std::string resolveInclude(const IncludeDirective& include, const std::string& includerDirectory,
                           const HeaderSearchPath& search, const std::function<bool(const std::string&)>& exists);

// What a lookup of one candidate path found.
enum class Presence {
  absent,
  asSpelt,    // there, spelt as the candidate is
  otherCase,  // there only in another letter case
  unsure,     // not found, but it may be there in a letter case only the system knows
};
// The headers the compiler may open for the directive, searched as
// resolveInclude searches: the first candidate that is there. Where that
// one is there only in another letter case, the search goes on to the
// first one there as spelt, which a compiler on a file system that keeps
// letter case opens instead: both count. An unsure candidate is passed as
// a miss, and sets *unsure: nobody can say which file the compiler opens.
std::vector<std::string> includeCandidates(const IncludeDirective& include, const std::string& includerDirectory,
                                           const HeaderSearchPath& search,
                                           const std::function<Presence(const std::string&)>& lookup, bool* unsure);

// The path with "\" for "/" and without "." components, each "name\.."
// taken out, so that a header reached in two ways is named once.
std::string normalisedPath(const std::string& path);

struct HeaderStamp {
  std::string path;
  ucl::FileStamp stamp;
};

struct ProjectScan {
  std::vector<HeaderStamp> headers;  // sorted by path
  // The first include that could not be followed ("C\main.c: #include
  // MACRO" that decideMacroInclude is not sure of, or one whose name only
  // the system could match: "C\main.c: #include "Ա.h""), and the first file
  // whose stamp went back against the previous scans; empty when there is
  // none.
  std::string uncertain;
  std::string wentBack;
};
// The headers the project lists and every header that its sources and
// those headers include, followed transitively, each found the way the
// compiler finds it (paths relative to the project directory, the current
// one), and those that a sure #include NAME opens. A header that cannot be
// found is left out. A file whose stamp the last run's scans hold is not
// read again; every file scanned is added to this run's. False, with the reason, for an include that names a path
// longer than the system takes.
bool projectHeaders(ucl::Disk& disk, const std::vector<std::string>& projectFiles, const HeaderSearchPath& search,
                    ScanCache& scans, ProjectScan* scan, std::string* err);

}  // namespace kestrel
