#include "wizardbridge/settingscommands.h"

#include <cstdio>
#include <optional>

#include "common/settingsfile.h"
#include "common/textfile.h"
#include "platform/files.h"
#include "platform/pathspelling.h"
#include "wizardbridge/bridge.h"
#include "wizardbridge/simulator.h"

namespace plover {

namespace {

// One key of the settings file, with the option that sets it.
struct SettingsKey {
  const char* section;
  const char* key;
  const char* option;
  std::string SdkDirectories::*directory;
};

const SettingsKey kKeys[] = {
    {"PV2SDK Paths", "SDKPath", "--pv2-sdk", &SdkDirectories::pv2Sdk},
    {"PV2SDK Paths", "CompilerPath", "--pv2-compiler", &SdkDirectories::pv2Compiler},
    {"PV3SDK Paths", "SDKPath", "--pv3-sdk", &SdkDirectories::pv3Sdk},
    {"PV3SDK Paths", "CompilerPath", "--pv3-compiler", &SdkDirectories::pv3Compiler},
};

std::string keyName(const SettingsKey& key) { return std::string("[") + key.section + "] " + key.key; }

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
  PairCheck(const SettingsKey& sdkKey, const SettingsKey& compilerKey, const SdkDirectories& directories,
            std::vector<CheckLine>& lines)
      : sdkKey_(sdkKey), compilerKey_(compilerKey), sdk_(directories.*sdkKey.directory),
        compiler_(directories.*compilerKey.directory), lines_(lines) {}

  bool set() const { return !sdk_.empty() || !compiler_.empty(); }

  void notSet(const char* model) {
    for (const SettingsKey* key : {&sdkKey_, &compilerKey_}) {
      lines_.push_back({Finding::NotSet, keyName(*key) + " is not set: " + model +
                                             " builds are not set up (plover settings " + sdkKey_.option +
                                             " DIR " + compilerKey_.option + " DIR sets them)"});
    }
  }

  // False (with a line) when the key's directory is not there to look into.
  bool present(const SettingsKey& key, const std::string& directory, const std::string& other,
               const char* what) {
    if (directory.empty()) {
      lines_.push_back({Finding::Error, "Error: " + keyName(key) + " is not set, while " + other +
                                            " is: set it with plover settings " + key.option +
                                            " DIR, or leave both empty"});
      return false;
    }
    if (!platform::isDirectory(directory)) {
      lines_.push_back({Finding::Error, "Error: " + keyName(key) + "=" + directory +
                                            ": the directory does not exist: install " + what +
                                            " there, or set its directory with plover settings " + key.option +
                                            " DIR"});
      return false;
    }
    return true;
  }

  // A line for the key: its first error or warning, the others after it, or
  // what it was found to hold.
  void report(const SettingsKey& key, const std::string& directory, const std::vector<std::string>& found,
              std::vector<CheckLine> problems) {
    if (problems.empty()) {
      std::string text = keyName(key) + "=" + directory + ": the directory exists";
      for (std::size_t i = 0; i < found.size(); ++i) text += (i == 0 ? " and holds " : " and ") + platform::windowsToHostPath(found[i]);
      lines_.push_back({Finding::Good, text});
    }
    lines_.insert(lines_.end(), problems.begin(), problems.end());
  }

  CheckLine missing(Finding finding, const SettingsKey& key, const std::string& directory,
                    const std::string& path, const std::string& consequence, const std::string& remedy) {
    return {finding, std::string(finding == Finding::Error ? "Error: " : "Warning: ") + keyName(key) + "=" +
                         directory + ": " + quoted(path) + " does not exist, so " + consequence + ": " + remedy};
  }

  const SettingsKey& sdkKey_;
  const SettingsKey& compilerKey_;
  const std::string sdk_;
  const std::string compiler_;
  std::vector<CheckLine>& lines_;
};

void checkPv2(const SdkDirectories& directories, std::vector<CheckLine>& lines) {
  PairCheck pair(kKeys[0], kKeys[1], directories, lines);
  if (!pair.set()) return pair.notSet("PV2");
  const std::string kmmake = platform::programFileName("kmmake");
  const std::string lcc86 = platform::programFileName("lcc86");
  if (pair.present(kKeys[0], pair.sdk_, kKeys[1].key, "the PV2 SDK")) {
    std::vector<std::string> found;
    std::vector<CheckLine> problems;
    // kestrel finds kmmake in the SDK's TOOL or the compiler's bin.
    const std::string sdkMake = pair.sdk_ + "\\TOOL\\" + kmmake;
    if (fileExists(sdkMake)) {
      found.push_back("TOOL\\" + kmmake);
    } else if (!fileExists(pair.compiler_ + "\\bin\\" + kmmake)) {
      problems.push_back(pair.missing(Finding::Error, kKeys[0], pair.sdk_, sdkMake,
                                      "PV2 builds cannot start kmmake",
                                      "install the PV2 SDK there, or put " + kmmake + " in the compiler's bin"));
    }
    const std::string simulator = simulatorProgram(pair.sdk_);
    if (fileExists(simulator)) {
      found.push_back("SIM\\Sim3022.exe");
    } else {
      problems.push_back(pair.missing(Finding::Warning, kKeys[0], pair.sdk_, simulator,
                                      "programs cannot run in the simulator",
                                      "builds work without it; install the SDK's simulator to run them"));
    }
    pair.report(kKeys[0], pair.sdk_, found, problems);
  }
  if (pair.present(kKeys[1], pair.compiler_, kKeys[0].key, "the LSI C-86 compiler")) {
    const std::string compiler = pair.compiler_ + "\\bin\\" + lcc86;
    if (fileExists(compiler)) {
      pair.report(kKeys[1], pair.compiler_, {"bin\\" + lcc86}, {});
    } else {
      pair.report(kKeys[1], pair.compiler_, {},
                  {pair.missing(Finding::Error, kKeys[1], pair.compiler_, compiler,
                                "PV2 builds cannot compile",
                                "install the LSI C-86 compiler there, or set its directory with plover settings " +
                                    std::string(kKeys[1].option) + " DIR")});
    }
  }
}

void checkPv3(const SdkDirectories& directories, std::vector<CheckLine>& lines) {
  PairCheck pair(kKeys[2], kKeys[3], directories, lines);
  if (!pair.set()) return pair.notSet("PV3");
  if (pair.present(kKeys[2], pair.sdk_, kKeys[3].key, "the PV3 SDK")) pair.report(kKeys[2], pair.sdk_, {}, {});
  if (pair.present(kKeys[3], pair.compiler_, kKeys[2].key, "the SH C/C++ compiler")) {
    std::vector<std::string> found;
    std::vector<CheckLine> problems;
    for (const char* tool : {"hmake", "shc"}) {
      const std::string name = "bin\\" + platform::programFileName(tool);
      const std::string path = pair.compiler_ + "\\" + name;
      if (fileExists(path)) {
        found.push_back(name);
      } else {
        problems.push_back(pair.missing(Finding::Error, kKeys[3], pair.compiler_, path,
                                        std::string("PV3 builds cannot start ") + tool,
                                        "install the SH C/C++ compiler there, or set its directory with "
                                        "plover settings --pv3-compiler DIR"));
      }
    }
    pair.report(kKeys[3], pair.compiler_, found, problems);
  }
}

// The text between the brackets of a section header, by the settings file's
// rule; nothing for other lines.
std::optional<std::string> headerName(const std::string& line) {
  if (line.size() < 2) return std::nullopt;
  const std::size_t first = line.find_first_not_of(' ');
  const std::size_t last = line.find_last_not_of(' ');
  if (first == std::string::npos || first == last || line[first] != '[' || line[last] != ']') return std::nullopt;
  return line.substr(first + 1, last - first - 1);
}

int failure(CommandContext& context, const std::string& message) {
  context.err << message << '\n';
  return 1;
}

// The options given, by key; false when a word is not one of them, one is
// given twice or its directory is missing.
// The directories given with the four options, each at most once.
struct GivenDirectories {
  SdkDirectories values;
  bool given[4] = {false, false, false, false};
};

// Nothing when the words are not options with their directories.
std::optional<GivenDirectories> parseOptions(const std::vector<std::string>& words) {
  GivenDirectories options;
  for (std::size_t i = 0; i < words.size(); i += 2) {
    std::size_t k = 0;
    while (k < 4 && words[i] != kKeys[k].option) ++k;
    if (k == 4 || options.given[k] || i + 1 >= words.size()) return std::nullopt;
    options.given[k] = true;
    options.values.*kKeys[k].directory = words[i + 1];
  }
  return options;
}

}  // namespace

std::vector<CheckLine> checkSdkDirectories(const SdkDirectories& directories) {
  std::vector<CheckLine> lines;
  checkPv2(directories, lines);
  checkPv3(directories, lines);
  bool anySet = false;
  for (const SettingsKey& key : kKeys) anySet = anySet || !(directories.*key.directory).empty();
  if (!anySet) {
    lines.push_back({Finding::Error,
                     "Error: Neither the PV2 nor the PV3 SDK is set up: set the directories of one pair "
                     "with plover settings"});
  }
  return lines;
}

void setSettingsValue(std::vector<std::string>& lines, const std::string& section, const std::string& key,
                      const std::string& value) {
  std::size_t header = 0;
  while (header < lines.size() && headerName(lines[header]) != section) ++header;
  if (header == lines.size()) {
    if (!lines.empty() && !lines.back().empty()) lines.push_back("");
    lines.push_back("[" + section + "]");
    lines.push_back(key + "=" + value);
    return;
  }
  std::size_t lastKept = header;
  for (std::size_t i = header + 1; i < lines.size() && !headerName(lines[i]); ++i) {
    const std::string& line = lines[i];
    const std::size_t start = line.find_first_not_of(' ');
    if (line.size() < 2 || start == std::string::npos) continue;  // lines the reader does not keep
    lastKept = i;
    const std::size_t equals = line.find('=', start);
    if (equals != std::string::npos && line.compare(start, equals - start, key) == 0) {
      lines[i] = line.substr(0, equals + 1) + value;
      return;
    }
  }
  lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(lastKept) + 1, key + "=" + value);
}

int settingsCommand(const std::vector<std::string>& words, CommandContext& context) {
  std::optional<GivenDirectories> options = parseOptions(words);
  if (!options) {
    context.err << usageText();
    return 2;
  }
  SdkDirectories& values = options->values;
  const bool* given = options->given;
  const std::string path = settingsFilePath(context.moduleDirectory);
  const bool exists = platform::fileStamp(path).has_value();
  ucl::TextFile file;
  if (exists && !file.read(path)) return failure(context, "Error: Unable to read settings file " + quoted(path));

  if (words.empty()) {
    if (!exists) return failure(context, "Error: Unable to read settings file " + quoted(path));
    const ucl::SettingsFile settings(path);
    for (const SettingsKey& key : kKeys) {
      context.out << keyName(key) << "=" << settings.value(key.section, key.key, nullptr).value_or("") << '\n';
    }
    return 0;
  }

  for (std::size_t k = 0; k < 4; ++k) {
    if (!given[k]) continue;
    std::string directory = values.*kKeys[k].directory;
    // Paths are formed by appending "\name" to the value.
    while (directory.size() > 1 && (directory.back() == '\\' || directory.back() == '/')) directory.pop_back();
    // The value is read from after the last "=" of its line.
    if (directory.find_first_of("=\r\n") != std::string::npos) {
      return failure(context, "Error: The directory '" + directory +
                                  "' holds '=' or a line end, which the settings file cannot hold: "
                                  "choose a directory without them");
    }
    setSettingsValue(file.lines, kKeys[k].section, kKeys[k].key, directory);
  }
  const std::optional<std::string> before = exists ? platform::readWholeFile(path) : std::string();
  if (!before) return failure(context, "Error: Unable to read settings file " + quoted(path));
  if (!file.write(path)) {
    // A write that failed half way (a full disk) must not cost the user the
    // file: it gets its old bytes back, where they still fit.
    if (exists) {
      if (std::FILE* restored = platform::openBinaryFile(path, "wb")) {
        std::fwrite(before->data(), 1, before->size(), restored);
        platform::closeFile(restored);
      }
    }
    return failure(context, "Error: Unable to write settings file " + quoted(path));
  }
  return 0;
}

int checkCommand(const std::vector<std::string>& words, CommandContext& context) {
  std::optional<GivenDirectories> options = parseOptions(words);
  if (!options) {
    context.err << usageText();
    return 2;
  }
  SdkDirectories& values = options->values;
  const bool* given = options->given;
  // Directories given on the command line stand for the file's: the
  // installer checks them before it writes them.
  const std::string path = settingsFilePath(context.moduleDirectory);
  if (!(given[0] && given[1] && given[2] && given[3])) {
    if (!platform::fileStamp(path)) {
      return failure(context, "Error: Unable to read settings file " + quoted(path) +
                                  ": install the tools again, or write it with plover settings");
    }
    const ucl::SettingsFile settings(path);
    for (std::size_t k = 0; k < 4; ++k) {
      if (!given[k]) values.*kKeys[k].directory = settings.value(kKeys[k].section, kKeys[k].key, nullptr).value_or("");
    }
  }
  bool failed = false;
  for (const CheckLine& line : checkSdkDirectories(values)) {
    context.out << line.text << '\n';
    failed = failed || line.finding == Finding::Error;
  }
  return failed ? 1 : 0;
}

}  // namespace plover
