// kestrel's record of what the make tool cannot see: the options, the
// settings values, kestrel's version and every header the project reaches,
// with its size and time. The makefiles are left as they are only while
// the record of the last complete run matches the present.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "buildtool/backend.h"
#include "buildtool/includescan.h"
#include "platform/files.h"

struct HeaderStamp {
  std::string path;
  platform::FileStamp stamp;
};

// The settings values a run read; a missing compiler path is recorded as
// missing.
struct RecordedSettings {
  std::string sdkPath;
  std::optional<std::string> compilerPath;
};

// The text of the record: equal texts mean equal inputs. Every field of the
// options is in it, each value written with its length so that no two
// different inputs give the same text. headers must be sorted by path.
std::string recordText(const BuildOptions& options, const RecordedSettings& settings,
                       const std::vector<HeaderStamp>& headers);

// May the generated files that still hold their text be left alone? Only
// when the record of the last complete run could be read and describes
// exactly the present; a missing, unreadable or damaged record cannot.
bool maySkipWrites(const std::optional<std::string>& recorded, const std::string& present);

// The record of the configuration: debug and release builds keep their
// objects apart, and so their records.
std::string recordPath(const std::string& buildDirectory, bool debugBuild);
// The record as text mode reads it; nothing when it cannot be read.
std::optional<std::string> readRecord(const std::string& path);
// Writes the record whole in text mode; false when that failed.
bool writeRecord(const std::string& path, const std::string& text);
// Every record the build directory may hold.
std::vector<std::string> recordPaths(const std::string& buildDirectory);

// The headers the project lists and every header that its sources and
// those headers include, followed transitively, each found the way the
// compiler finds it (paths relative to the project directory, the current
// one); sorted by path. A header that cannot be found is left out.
std::vector<HeaderStamp> projectHeaders(const std::vector<std::string>& projectFiles, const HeaderSearchPath& search);
