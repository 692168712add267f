#include "buildtool/compiledb.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "common/pathhelpers.h"
#include "common/textencoding.h"
#include "platform/pathspelling.h"

namespace kestrel {

namespace {

constexpr size_t kPiece = 65536;

bool isWhole(const std::string& path) {
  return (!path.empty() && (path[0] == '\\' || path[0] == '/')) || ucl::driveLetter(path) != 0;
}

// A path as a JSON string, whole and spelt for the host, after the prefix.
std::string jsonPath(const std::string& projectDirectory, const std::string& prefix, const std::string& path) {
  const std::string whole = isWhole(path) ? path : projectDirectory + "\\" + path;
  return ucl::jsonString(prefix + platform::windowsToHostPath(whole));
}

}  // namespace

CompileCommands::CompileCommands(const std::string& projectDirectory, const CompilerInputs& inputs,
                                 std::string_view lineEnd)
    : lineEnd_(lineEnd) {
  std::string options;
  for (const std::string& directory : inputs.includeDirectories) {
    options += ", " + jsonPath(projectDirectory, "-I", directory);
  }
  for (const std::string& definition : inputs.definitions) {
    // A bare "-D" would take the next argument, the source, as the macro.
    if (!definition.empty()) options += ", " + ucl::jsonString("-D" + definition);
  }
  const std::string end(lineEnd);
  head_ = "  {" + end + "    \"directory\": " + ucl::jsonString(platform::windowsToHostPath(projectDirectory)) + "," +
          end + "    \"file\": ";
  middle_ = "," + end + "    \"arguments\": [" + ucl::jsonString(inputs.compiler) + options + ", ";
  files_.reserve(inputs.sources.size());
  // The project directory in front of every relative source is escaped
  // once: an ASCII one is cut from the rest at an ASCII separator, where
  // neither escaping nor the UTF-8 check carries over.
  const bool asciiDirectory = ucl::isAscii(projectDirectory);
  std::string directoryPrefix = ucl::jsonString(platform::windowsToHostPath(projectDirectory + "\\"));
  directoryPrefix.pop_back();  // its closing quote
  for (const std::string& source : inputs.sources) {
    if (!asciiDirectory || isWhole(source)) {
      files_.push_back(jsonPath(projectDirectory, "", source));
      continue;
    }
    const std::string rest = ucl::jsonString(platform::windowsToHostPath(source));
    std::string file;
    file.reserve(directoryPrefix.size() + rest.size() - 1);
    file += directoryPrefix;
    file.append(rest, 1, std::string::npos);  // without its opening quote
    files_.push_back(std::move(file));
  }
}

bool CompileCommands::produce(const PieceSink& sink) const {
  std::string piece;
  piece.reserve(kPiece + head_.size() + middle_.size() + 256);
  piece += "[";
  for (size_t i = 0; i < files_.size(); ++i) {
    if (i != 0) piece += ",";
    piece += lineEnd_;
    piece += head_;
    piece += files_[i];
    piece += middle_;
    piece += files_[i];
    piece += "]";
    piece += lineEnd_;
    piece += "  }";
    if (piece.size() >= kPiece) {
      if (!sink(piece)) return false;
      piece.clear();
    }
  }
  piece += lineEnd_;
  piece += "]";
  piece += lineEnd_;
  return sink(piece);
}

std::string compileCommandsText(const std::string& projectDirectory, const CompilerInputs& inputs) {
  std::string text;
  CompileCommands(projectDirectory, inputs, "\n").produce([&](std::string_view piece) {
    text.append(piece.data(), piece.size());
    return true;
  });
  return text;
}

CompileCommands compileCommandsOfThisDirectory(const CompilerInputs& inputs) {
  std::error_code failed;
  // In UTF-8 on every host; "." (paths then relative) if the system cannot tell.
  const std::string directory = std::filesystem::current_path(failed).u8string();
  return CompileCommands(failed ? "." : platform::hostToWindowsPath(directory), inputs, "\r\n");
}

void ContentDigest::mix(std::uint64_t word) {
  hash_ = (hash_ ^ word) * 0x9E3779B97F4A7C15ull;
  hash_ = (hash_ << 31) | (hash_ >> 33);
}

void ContentDigest::add(std::string_view bytes) {
  length_ += bytes.size();
  const char* next = bytes.data();
  size_t left = bytes.size();
  if (tailSize_ > 0) {
    const size_t taken = std::min(left, sizeof tail_ - tailSize_);
    std::memcpy(tail_ + tailSize_, next, taken);
    tailSize_ += taken;
    next += taken;
    left -= taken;
    if (tailSize_ < sizeof tail_) return;
    std::uint64_t word;
    std::memcpy(&word, tail_, sizeof word);
    mix(word);
    tailSize_ = 0;
  }
  for (; left >= 8; next += 8, left -= 8) {
    std::uint64_t word;
    std::memcpy(&word, next, sizeof word);
    mix(word);
  }
  std::memcpy(tail_, next, left);
  tailSize_ = left;
}

std::string ContentDigest::hex() const {
  std::uint64_t h = hash_;
  std::uint64_t last = 0;
  std::memcpy(&last, tail_, tailSize_);
  h = (h ^ last) * 0x9E3779B97F4A7C15ull;
  h ^= length_;
  // The finishing steps of a well-mixed 64-bit hash.
  h ^= h >> 33;
  h *= 0xFF51AFD7ED558CCDull;
  h ^= h >> 33;
  h *= 0xC4CEB9FE1A85EC53ull;
  h ^= h >> 33;
  static const char kDigits[] = "0123456789abcdef";
  std::string text(16, '0');
  for (int i = 15; i >= 0; --i, h >>= 4) text[static_cast<size_t>(i)] = kDigits[h & 15];
  return text;
}

DatabaseOnDisk compareWithFile(ucl::Disk& disk, const std::string& path, const CompileCommands& commands) {
  DatabaseOnDisk result;
  const bool there = disk.stamp(path).has_value();
  const std::unique_ptr<ucl::FileReader> file = there ? disk.open(path) : nullptr;
  if (file == nullptr && there) result.state = DatabaseOnDisk::State::unreadable;
  ContentDigest produced;
  ContentDigest old;
  bool same = file != nullptr;
  std::string onDisk;
  commands.produce([&](std::string_view piece) {
    produced.add(piece);
    if (same) {
      onDisk.resize(piece.size());
      const size_t got = file->read(onDisk.data(), piece.size());
      old.add(std::string_view(onDisk.data(), got));
      same = got == piece.size() && std::memcmp(onDisk.data(), piece.data(), got) == 0;
    }
    return true;
  });
  result.newDigest = produced.hex();
  if (file == nullptr) return result;
  // The rest of the old file, for its digest: a longer one differs too.
  onDisk.resize(kPiece);
  for (size_t got; (got = file->read(onDisk.data(), onDisk.size())) > 0;) {
    same = false;
    old.add(std::string_view(onDisk.data(), got));
  }
  if (!file->close()) {
    result.state = DatabaseOnDisk::State::unreadable;
    return result;
  }
  result.state = same ? DatabaseOnDisk::State::same : DatabaseOnDisk::State::differs;
  if (!same) result.oldDigest = old.hex();
  return result;
}

bool writeCompileCommands(ucl::Disk& disk, const std::string& path, const CompileCommands& commands) {
  const std::unique_ptr<ucl::PendingFile> file = disk.create(path, {});
  if (file == nullptr) return false;
  if (!commands.produce([&](std::string_view piece) { return file->append(piece); })) {
    file->discard();
    return false;
  }
  return file->keep();
}

}  // namespace kestrel
