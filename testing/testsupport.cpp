#include "testing/testsupport.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/pathspelling.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace fs = std::filesystem;

namespace testsupport {

#ifndef _WIN32
namespace {

// The files a test makes are readable by everyone, as a default umask makes
// them, whatever the caller's: programs under test run as another user too.
const bool kUmaskSet = (umask(022), true);

}  // namespace
#endif

TempDir::TempDir() {
  static std::atomic<unsigned> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  for (;;) {
    const fs::path candidate = fs::temp_directory_path() /
                               ("pvtest-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    std::error_code error;
    if (fs::create_directory(candidate, error)) {
      path_ = candidate.string();
      return;
    }
  }
}

TempDir::~TempDir() {
  std::error_code error;
  // Read-only entries made by a test must not keep the directory alive.
  for (auto it = fs::recursive_directory_iterator(path_, error); !error && it != fs::recursive_directory_iterator();
       it.increment(error)) {
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
  }
  fs::remove_all(path_, error);
}

std::string TempDir::operator/(const std::string& relative) const {
  return (fs::path(path_) / fs::path(relative)).make_preferred().string();
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void writeFile(const std::string& path, const std::string& bytes) {
  const fs::path target(path);
  if (target.has_parent_path()) fs::create_directories(target.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool fileExists(const std::string& path) { return fs::exists(fs::path(path)); }

void makeReadOnly(const std::string& path) {
  fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
}

ScopedCurrentDirectory::ScopedCurrentDirectory(const std::string& path)
    : previous_(fs::current_path().string()) {
  fs::current_path(path);
}

ScopedCurrentDirectory::~ScopedCurrentDirectory() {
  std::error_code error;
  fs::current_path(previous_, error);
}

ScopedVariable::ScopedVariable(const std::string& name) : name_(name), wasSet_(false) {
  if (const char* value = std::getenv(name.c_str())) {
    value_ = value;
    wasSet_ = true;
  }
}

ScopedVariable::~ScopedVariable() {
#ifdef _WIN32
  _putenv((name_ + "=" + value_).c_str());
  if (!wasSet_) _putenv((name_ + "=").c_str());
#else
  if (wasSet_) {
    setenv(name_.c_str(), value_.c_str(), 1);
  } else {
    unsetenv(name_.c_str());
  }
#endif
}

namespace {

std::string lineAt(const std::string& text, size_t begin) {
  const size_t end = text.find('\n', begin);
  return text.substr(begin, end == std::string::npos ? std::string::npos : end - begin + 1);
}

std::string visible(const std::string& line) {
  std::string shown;
  for (const char c : line) {
    if (c == '\t') shown += "\\t";
    else if (c == '\r') shown += "\\r";
    else if (c == '\n') shown += "\\n";
    else shown += c;
  }
  return "\"" + shown + "\"";
}

}  // namespace

::testing::AssertionResult sameBytes(const std::string& expected, const std::string& actual) {
  if (expected == actual) return ::testing::AssertionSuccess();
  size_t lineStart = 0;
  int lineNumber = 1;
  for (size_t i = 0; i < expected.size() && i < actual.size() && expected[i] == actual[i]; ++i) {
    if (expected[i] == '\n') {
      lineStart = i + 1;
      ++lineNumber;
    }
  }
  return ::testing::AssertionFailure()
         << "first difference in line " << lineNumber << "\n  expected: " << visible(lineAt(expected, lineStart))
         << "\n  actual:   " << visible(lineAt(actual, lineStart)) << "\n  (sizes " << expected.size() << " and "
         << actual.size() << ")";
}

std::string programPath(Spelling spelling, const std::string& path) {
  switch (spelling) {
    case Spelling::asIs:
      break;
    case Spelling::wine: {
      std::string spelt = "Z:" + path;
      std::replace(spelt.begin(), spelt.end(), '/', '\\');
      return spelt;
    }
    case Spelling::product:
      return platform::hostToWindowsPath(path);
  }
  return path;
}

std::string crlf(const std::string& text) {
  std::string result;
  for (const char c : text) {
    if (c == '\n') result += '\r';
    result += c;
  }
  return result;
}

std::string environmentVariable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

bool onPath(const std::string& name) {
  std::istringstream path(environmentVariable("PATH"));
  for (std::string directory; std::getline(path, directory, ':');) {
    std::error_code error;
    const fs::path candidate = fs::path(directory) / name;
    if (!directory.empty() && fs::is_regular_file(candidate, error) &&
        (fs::status(candidate, error).permissions() & fs::perms::owner_exec) != fs::perms::none) {
      return true;
    }
  }
  return false;
}

std::string windowsProgramMissing(const std::string& program) {
  if (program.empty() || !fs::is_regular_file(program)) {
    return "the Windows tree is not built (no " + program + "; scripts/build win32)";
  }
  if (!onPath("wine")) return "Wine is not installed (scripts/setup testing)";
  // scripts/wine-run takes the display of the fixture display_start.
  const std::string display = environmentVariable("PVTOOLS_TEST_DISPLAY");
  std::error_code error;
  if (display.empty() || fs::file_size(display, error) == 0 || error) {
    return "no display for Windows programs (Xvfb is not installed; see the test display_start)";
  }
  return "";
}

}  // namespace testsupport
