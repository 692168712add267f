// The compilation database (compile_commands.json) that editors and
// language servers read: how the make tool's compiler sees each C source.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "buildtool/backend.h"
#include "common/disk.h"

namespace kestrel {

inline constexpr char kCompileCommandsFile[] = "compile_commands.json";

// Takes a text piece by piece; false stops the text.
using PieceSink = std::function<bool(std::string_view)>;

// The database's JSON text: one entry per source, in the order given, with
// the project directory, the file, and the arguments (the compiler, "-I"
// for each include directory, "-D" for each definition that is not empty,
// the file). Paths come whole, a relative one taken from the project
// directory (in the system's Windows spelling), and are spelt for the
// host. The text is UTF-8 throughout: a byte that is not becomes U+FFFD.
// What every entry shares is escaped once; the text itself is made piece
// by piece whenever it is wanted, so that it is never held whole.
class CompileCommands {
 public:
  CompileCommands() = default;
  // lineEnd: "\n" for the text, "\r\n" for the bytes text mode writes.
  CompileCommands(const std::string& projectDirectory, const CompilerInputs& inputs, std::string_view lineEnd);
  // Hands the text to the sink in pieces of about 64 kB; false when the
  // sink stopped it.
  bool produce(const PieceSink& sink) const;

 private:
  std::string lineEnd_;
  std::string head_;    // an entry up to its file
  std::string middle_;  // between the file and the file again
  std::vector<std::string> files_;  // each as a JSON string
};

std::string compileCommandsText(const std::string& projectDirectory, const CompilerInputs& inputs);

// The database of a run in the current directory, the project directory,
// as the bytes of its file.
CompileCommands compileCommandsOfThisDirectory(const CompilerInputs& inputs);

// A digest of bytes given piece by piece; the same bytes give the same
// digest however they are cut.
class ContentDigest {
 public:
  void add(std::string_view bytes);
  // 16 hex digits.
  std::string hex() const;

 private:
  void mix(std::uint64_t word);
  std::uint64_t hash_ = 0x243F6A8885A308D3ull;
  std::uint64_t length_ = 0;
  unsigned char tail_[8] = {};
  size_t tailSize_ = 0;
};

// The database against the file on disk, compared piece by piece as the
// text is made, so that neither is held whole.
struct DatabaseOnDisk {
  enum class State { absent, same, differs, unreadable } state = State::absent;
  std::string newDigest;  // of the bytes produced
  std::string oldDigest;  // of the file's bytes, when it differs
};
DatabaseOnDisk compareWithFile(ucl::Disk& disk, const std::string& path, const CompileCommands& commands);

// Writes the database beside the file and renames it into its place; false
// when that failed, with the file as it was.
bool writeCompileCommands(ucl::Disk& disk, const std::string& path, const CompileCommands& commands);

}  // namespace kestrel
