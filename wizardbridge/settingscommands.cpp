#include "wizardbridge/settingscommands.h"

#include <cstdio>
#include <optional>

#include "common/sdklayout.h"
#include "common/settingsfile.h"
#include "common/textencoding.h"
#include "common/textfile.h"
#include "platform/files.h"
#include "platform/pathspelling.h"
#include "wizardbridge/bridge.h"
#include "wizardbridge/simulator.h"

namespace plover {

namespace {

using ucl::SdkDirectories;
using ucl::SdkKey;
using ucl::inDirectory;
namespace pv2 = ucl::pv2;
namespace pv3 = ucl::pv3;

// The options that set the keys, in the order of ucl::kSdkKeys.
const char* const kOptions[] = {"--pv2-sdk", "--pv2-compiler", "--pv3-sdk", "--pv3-compiler"};

const char* optionOf(SdkKey key) { return kOptions[static_cast<std::size_t>(key)]; }

std::string quoted(const std::string& path) { return "'" + platform::windowsToHostPath(path) + "'"; }

bool fileExists(const std::string& path) {
  if (platform::isDirectory(path)) return false;
  std::FILE* file = platform::openBinaryFile(path, "rb");
  if (file == nullptr) return false;
  platform::closeFile(file);
  return true;
}

// The checks of one pair: an SDK directory and a compiler directory.
class PairCheck {
 public:
  PairCheck(SdkKey sdkKey, SdkKey compilerKey, const SdkDirectories& directories, std::vector<CheckLine>& lines)
      : sdkKey_(sdkKey), compilerKey_(compilerKey), sdk_(directories.valueOr(sdkKey)),
        compiler_(directories.valueOr(compilerKey)), lines_(lines) {}

  bool set() const { return !sdk_.empty() || !compiler_.empty(); }

  void notSet(const char* model) {
    for (SdkKey key : {sdkKey_, compilerKey_}) {
      lines_.push_back({Finding::NotSet, ucl::describeKey(key) + " is not set: " + model +
                                             " builds are not set up (plover settings " + optionOf(sdkKey_) +
                                             " DIR " + optionOf(compilerKey_) + " DIR sets them)"});
    }
  }

  // False (with a line) when the key's directory is not there to look into.
  bool present(SdkKey key, const std::string& directory, const std::string& other,
               const char* what) {
    if (directory.empty()) {
      lines_.push_back({Finding::Error, "Error: " + ucl::describeKey(key) + " is not set, while " + other +
                                            " is: set it with plover settings " + optionOf(key) +
                                            " DIR, or leave both empty"});
      return false;
    }
    if (!platform::isDirectory(directory)) {
      lines_.push_back({Finding::Error, "Error: " + ucl::describeKey(key) + "=" + directory +
                                            ": the directory does not exist: install " + what +
                                            " there, or set its directory with plover settings " + optionOf(key) +
                                            " DIR"});
      return false;
    }
    return true;
  }

  // A line for the key: its first error or warning, the others after it, or
  // what it was found to hold.
  void report(SdkKey key, const std::string& directory, const std::vector<std::string>& found,
              std::vector<CheckLine> problems) {
    if (problems.empty()) {
      std::string text = ucl::describeKey(key) + "=" + directory + ": the directory exists";
      for (std::size_t i = 0; i < found.size(); ++i) text += (i == 0 ? " and holds " : " and ") + platform::windowsToHostPath(found[i]);
      lines_.push_back({Finding::Good, text});
    }
    lines_.insert(lines_.end(), problems.begin(), problems.end());
  }

  CheckLine missing(Finding finding, SdkKey key, const std::string& directory,
                    const std::string& path, const std::string& consequence, const std::string& remedy) {
    return {finding, std::string(finding == Finding::Error ? "Error: " : "Warning: ") + ucl::describeKey(key) + "=" +
                         directory + ": " + quoted(path) + " does not exist, so " + consequence + ": " + remedy};
  }

  const SdkKey sdkKey_;
  const SdkKey compilerKey_;
  const std::string sdk_;
  const std::string compiler_;
  std::vector<CheckLine>& lines_;
};

void checkPv2(const SdkDirectories& directories, std::vector<CheckLine>& lines) {
  PairCheck pair(SdkKey::pv2Sdk, SdkKey::pv2Compiler, directories, lines);
  if (!pair.set()) return pair.notSet("PV2");
  const std::string kmmake = platform::programFileName(pv2::kMakeTool);
  const std::string lcc86 = platform::programFileName(pv2::kCompiler);
  if (pair.present(SdkKey::pv2Sdk, pair.sdk_, ucl::keyName(SdkKey::pv2Compiler), "the PV2 SDK")) {
    std::vector<std::string> found;
    std::vector<CheckLine> problems;
    // kestrel finds kmmake in the SDK's tools or the compiler's programs.
    const std::string sdkMake = inDirectory(inDirectory(pair.sdk_, pv2::kSdkTools), kmmake);
    if (fileExists(sdkMake)) {
      found.push_back(inDirectory(pv2::kSdkTools, kmmake));
    } else if (!fileExists(inDirectory(inDirectory(pair.compiler_, pv2::kCompilerPrograms), kmmake))) {
      problems.push_back(pair.missing(Finding::Error, SdkKey::pv2Sdk, pair.sdk_, sdkMake,
                                      "PV2 builds cannot start kmmake",
                                      "install the PV2 SDK there, or put " + kmmake + " in the compiler's bin"));
    }
    const std::string simulator = simulatorProgram(pair.sdk_);
    if (fileExists(simulator)) {
      found.push_back(pv2::kSimulator);
    } else {
      problems.push_back(pair.missing(Finding::Warning, SdkKey::pv2Sdk, pair.sdk_, simulator,
                                      "programs cannot run in the simulator",
                                      "builds work without it; install the SDK's simulator to run them"));
    }
    pair.report(SdkKey::pv2Sdk, pair.sdk_, found, problems);
  }
  if (pair.present(SdkKey::pv2Compiler, pair.compiler_, ucl::keyName(SdkKey::pv2Sdk), "the LSI C-86 compiler")) {
    const std::string name = inDirectory(pv2::kCompilerPrograms, lcc86);
    const std::string compiler = inDirectory(pair.compiler_, name);
    if (fileExists(compiler)) {
      pair.report(SdkKey::pv2Compiler, pair.compiler_, {name}, {});
    } else {
      pair.report(SdkKey::pv2Compiler, pair.compiler_, {},
                  {pair.missing(Finding::Error, SdkKey::pv2Compiler, pair.compiler_, compiler,
                                "PV2 builds cannot compile",
                                "install the LSI C-86 compiler there, or set its directory with plover settings " +
                                    std::string(optionOf(SdkKey::pv2Compiler)) + " DIR")});
    }
  }
}

void checkPv3(const SdkDirectories& directories, std::vector<CheckLine>& lines) {
  PairCheck pair(SdkKey::pv3Sdk, SdkKey::pv3Compiler, directories, lines);
  if (!pair.set()) return pair.notSet("PV3");
  if (pair.present(SdkKey::pv3Sdk, pair.sdk_, ucl::keyName(SdkKey::pv3Compiler), "the PV3 SDK")) pair.report(SdkKey::pv3Sdk, pair.sdk_, {}, {});
  if (pair.present(SdkKey::pv3Compiler, pair.compiler_, ucl::keyName(SdkKey::pv3Sdk), "the SH C/C++ compiler")) {
    std::vector<std::string> found;
    std::vector<CheckLine> problems;
    for (const char* tool : {pv3::kMakeTool, pv3::kCompiler}) {
      const std::string name = inDirectory(pv3::kCompilerPrograms, platform::programFileName(tool));
      const std::string path = inDirectory(pair.compiler_, name);
      if (fileExists(path)) {
        found.push_back(name);
      } else {
        problems.push_back(pair.missing(Finding::Error, SdkKey::pv3Compiler, pair.compiler_, path,
                                        std::string("PV3 builds cannot start ") + tool,
                                        "install the SH C/C++ compiler there, or set its directory with "
                                        "plover settings --pv3-compiler DIR"));
      }
    }
    pair.report(SdkKey::pv3Compiler, pair.compiler_, found, problems);
  }
}

// The directories given with the four options, each at most once; nothing
// when the words are not options with their directories.
std::optional<SdkDirectories> parseOptions(const std::vector<std::string>& words) {
  SdkDirectories given;
  for (std::size_t i = 0; i < words.size(); i += 2) {
    std::size_t k = 0;
    while (k < 4 && words[i] != kOptions[k]) ++k;
    if (k == 4 || given.byKey[k] || i + 1 >= words.size()) return std::nullopt;
    given.byKey[k] = words[i + 1];
  }
  return given;
}

}  // namespace

std::vector<CheckLine> checkSdkDirectories(const SdkDirectories& directories) {
  std::vector<CheckLine> lines;
  checkPv2(directories, lines);
  checkPv3(directories, lines);
  bool anySet = false;
  for (SdkKey key : ucl::kSdkKeys) anySet = anySet || !directories.valueOr(key).empty();
  if (!anySet) {
    lines.push_back({Finding::Error,
                     "Error: Neither the PV2 nor the PV3 SDK is set up: set the directories of one pair "
                     "with plover settings"});
  }
  return lines;
}

int settingsCommand(const std::vector<std::string>& words, CommandContext& context) {
  // --utf16 FILE: the listing into FILE in UTF-16, for the installer, which
  // takes what a program prints for text in the ANSI code page.
  const bool toUtf16 = words.size() == 2 && words[0] == "--utf16";
  const std::optional<SdkDirectories> given = toUtf16 ? SdkDirectories() : parseOptions(words);
  if (!given) return usageExit(context);
  const std::string path = settingsFilePath(context.moduleDirectory);
  if (words.empty() || toUtf16) {
    if (!platform::fileStamp(path) || !ucl::TextFile().read(path)) {
      return fail(context, "Error: Unable to read settings file " + quoted(path));
    }
    const SdkDirectories directories = ucl::SettingsFile(path).directories();
    std::string listing;
    for (SdkKey key : ucl::kSdkKeys) listing += ucl::describeKey(key) + "=" + directories.valueOr(key) + "\n";
    if (!toUtf16) {
      context.out << listing;
      return 0;
    }
    const std::string bytes = ucl::utf8ToUtf16Le(listing);
    std::FILE* file = platform::openBinaryFile(words[1], "wb");
    const bool written = file != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (file == nullptr || !platform::closeFile(file) || !written) {
      return fail(context, "Error: Unable to write '" + platform::windowsToHostPath(words[1]) + "'");
    }
    return 0;
  }
  std::string err;
  if (!ucl::writeSdkDirectories(path, *given, &err)) return fail(context, err);
  return 0;
}

int checkCommand(const std::vector<std::string>& words, CommandContext& context) {
  std::optional<SdkDirectories> directories = parseOptions(words);
  if (!directories) return usageExit(context);
  // Directories given on the command line stand for the file's: the
  // installer checks them before it writes them.
  const std::string path = settingsFilePath(context.moduleDirectory);
  bool allGiven = true;
  for (SdkKey key : ucl::kSdkKeys) allGiven = allGiven && (*directories)[key].has_value();
  if (!allGiven) {
    if (!platform::fileStamp(path)) {
      return fail(context, "Error: Unable to read settings file " + quoted(path) +
                               ": install the tools again, or write it with plover settings");
    }
    const SdkDirectories stored = ucl::SettingsFile(path).directories();
    for (SdkKey key : ucl::kSdkKeys) {
      if (!(*directories)[key]) (*directories)[key] = stored.valueOr(key);
    }
  }
  bool failed = false;
  for (const CheckLine& line : checkSdkDirectories(*directories)) {
    context.out << line.text << '\n';
    failed = failed || line.finding == Finding::Error;
  }
  return failed ? 1 : 0;
}

}  // namespace plover
