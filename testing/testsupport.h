// Helpers shared by the test suites: temporary directories, whole-file
// access, scoped changes of the process state, and byte comparison.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace testsupport {

// A fresh directory that is removed with everything in it at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // Native path of the directory, without a final separator.
  const std::string& path() const { return path_; }
  // Native path of an entry below the directory ("a/b" style).
  std::string operator/(const std::string& relative) const;

 private:
  std::string path_;
};

std::string readFile(const std::string& path);
// Writes bytes exactly, creating the parent directories.
void writeFile(const std::string& path, const std::string& bytes);
bool fileExists(const std::string& path);
void makeReadOnly(const std::string& path);

// Changes the current directory for the scope.
class ScopedCurrentDirectory {
 public:
  explicit ScopedCurrentDirectory(const std::string& path);
  ~ScopedCurrentDirectory();

 private:
  std::string previous_;
};

// Restores an environment variable at the end of the scope.
class ScopedVariable {
 public:
  explicit ScopedVariable(const std::string& name);
  ~ScopedVariable();

 private:
  std::string name_;
  std::string value_;
  bool wasSet_;
};

// Byte-for-byte comparison that reports the first differing line.
::testing::AssertionResult sameBytes(const std::string& expected, const std::string& actual);

// Text with every LF turned into CR LF, as text mode writes it.
std::string crlf(const std::string& text);

// How a program under test spells a path of this machine.
enum class Spelling {
  asIs,     // a program built for this machine: the path unchanged
  wine,     // a Windows program under Wine: drive Z: with backslashes
  product,  // the product code in this test program: the Windows spelling
            // it works in (platform::hostToWindowsPath)
};
// A path as the program under test spells it. The build-time twin, for
// paths that go into the test programs as string literals, is CMake's
// pvtools_test_path.
std::string programPath(Spelling spelling, const std::string& path);

// An environment variable's value; empty when it is not set.
std::string environmentVariable(const char* name);

// Whether a program of this name lies in a directory of PATH, executable.
bool onPath(const std::string& name);

// Why a test cannot start this program of the Windows tree under Wine, in
// one line for GTEST_SKIP (the tree is not built, Wine or the test display
// is missing); empty when it can.
std::string windowsProgramMissing(const std::string& program);

// What the file names of programs end in on the platform of the tests.
#ifdef _WIN32
inline const char* const kExecutableSuffix = ".exe";
#else
inline const char* const kExecutableSuffix = "";
#endif

}  // namespace testsupport
