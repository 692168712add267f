#include "wizardbridge/commandline.h"

#include <filesystem>
#include <optional>

#include "platform/files.h"
#include "platform/pathspelling.h"
#include "wizardbridge/bridge.h"
#include "wizardbridge/editorcommands.h"
#include "wizardbridge/idelayout.h"
#include "wizardbridge/librarylisting.h"
#include "wizardbridge/projectcreation.h"
#include "wizardbridge/projectfilecommands.h"
#include "wizardbridge/settingscommands.h"

namespace plover {

const char* const kUsageText = R"(Usage: plover COMMAND

  plover new NAME [-l] [--editor vscode]
                             create the project NAME in the PV2 SDK's C directory
                             from the templates (-l: a library; --editor: with
                             the editor's files, as editor writes them) and
                             print its directory
  plover libs                list the PV2 SDK's libraries, one a line
  plover sdk                 print the PV2 SDK's directory
  plover run DIRECTORY [-r]  run the project in DIRECTORY in the simulator, its
                             debug build (-r: its release build), and wait until
                             "Exit SIM" has closed the simulator
  plover settings [--pv2-sdk DIR] [--pv2-compiler DIR] [--pv3-sdk DIR]
                  [--pv3-compiler DIR]
                             print the four directories of the settings file, or
                             set the ones given and keep every other line
  plover check [--pv2-sdk DIR] ...
                             check that the directories hold what the builds
                             and the simulator start (options: check those
                             instead of the file's)
  plover files [-p PROJECT]  list the files of the project, one a line
  plover add [-p PROJECT] FILE...
                             add the files to the project, a source to its group
                             "Sources", a header to "Headers", a library to
                             "Libraries"
  plover remove [-p PROJECT] FILE...
                             remove the files from the project
  plover editor vscode [DIRECTORY]
                             add the editor's build and run tasks and its
                             setting for compile_commands.json to the project in
                             DIRECTORY (or the current one), keeping every file
                             that exists
  plover --help              show this text

files, add and remove work on the project in the current directory, or in
PROJECT (a directory, or its .cbx file where it holds several); a FILE is
taken relative to the project's directory.
plover reads ..\toolsets\PVSDK\Settings.ini from its own directory.
Exit codes: 0 done, 1 refused or failed, 2 not a command.
)";

std::string usageText() {
  const std::string settings = kSettingsFile;
  std::string text = kUsageText;
  const size_t at = text.find(settings);
  if (at != std::string::npos) text.replace(at, settings.size(), platform::windowsToHostPath(settings));
  return text;
}

int fail(CommandContext& context, const std::string& message) {
  context.err << message << '\n';
  return 1;
}

int usageExit(CommandContext& context) {
  context.err << usageText();
  return 2;
}

namespace {

// The one operand of a command and its one option; nothing when the words
// do not fit (no operand, two, or another option).
std::optional<std::string> operandOf(const std::vector<std::string>& words, const std::string& option,
                                     bool& optionGiven) {
  std::optional<std::string> operand;
  optionGiven = false;
  for (const std::string& word : words) {
    if (word == option) {
      optionGiven = true;
    } else if (!word.empty() && word[0] == '-') {
      return std::nullopt;
    } else if (operand) {
      return std::nullopt;
    } else {
      operand = word;
    }
  }
  return operand;
}

int newProject(const std::vector<std::string>& words, CommandContext& context) {
  bool library = false;
  const std::optional<std::string> name = operandOf(words, "-l", library);
  if (!name) return usageExit(context);
  std::string directory;
  std::string err;
  if (!createPv2Project(context.moduleDirectory, *name, library, &directory, &err)) return fail(context, err);
  context.out << platform::windowsToHostPath(directory) << '\n';
  return 0;
}

int listLibraries(CommandContext& context) {
  std::string err;
  std::string sdkPath;
  if (!requirePv2SdkPath(context.moduleDirectory, &sdkPath, &err)) return fail(context, err);
  for (const std::string& name : listPv2SdkLibraries(sdkPath)) context.out << name << '\n';
  return 0;
}

int printSdkPath(CommandContext& context) {
  std::string err;
  std::string sdkPath;
  if (!requirePv2SdkPath(context.moduleDirectory, &sdkPath, &err)) return fail(context, err);
  context.out << sdkPath << '\n';
  return 0;
}

}  // namespace

// As the wizard hands a directory over.
std::optional<std::string> wholePath(const std::string& directory) {
  std::error_code failed;
  // The path is UTF-8, which a path of the library takes only as such.
  const std::filesystem::path whole =
      std::filesystem::absolute(std::filesystem::u8path(platform::windowsToHostPath(directory)), failed);
  if (failed) return std::nullopt;
  std::string path = platform::hostToWindowsPath(whole.lexically_normal().u8string());
  while (path.size() > 1 && path.back() == '\\' && path[path.size() - 2] != ':') path.pop_back();
  return path;
}

namespace {

int runProject(const std::vector<std::string>& words, CommandContext& context) {
  bool release = false;
  const std::optional<std::string> operand = operandOf(words, "-r", release);
  if (!operand) return usageExit(context);
  if (!context.simulatorRunsHere) {
    return fail(context, "Error: The simulator needs Windows: run plover.exe there, or with wine");
  }
  const std::optional<std::string> directory = wholePath(*operand);
  if (!directory) return fail(context, "Error: Unable to find directory '" + *operand + "'");
  const std::vector<std::string> projectFiles = platform::findFiles(*directory + "\\*.cbx");
  if (projectFiles.empty()) {
    return fail(context, "Error: Unable to find project file in '" + platform::windowsToHostPath(*directory) + "'");
  }

  std::string err;
  if (context.simulator.runPv2Project(context.moduleDirectory, projectFiles.front(), *directory, !release, &err) !=
      RunOutcome::driven) {
    return fail(context, err);
  }
  context.simulator.waitUntilClosed(context.interrupted);
  return 0;
}

}  // namespace

int runCommand(const std::vector<std::string>& words, CommandContext& context) {
  if (words.empty() || (words.size() == 1 && (words[0] == "--help" || words[0] == "-?"))) {
    context.out << usageText();
    return 0;
  }
  const std::string& command = words[0];
  const std::vector<std::string> rest(words.begin() + 1, words.end());
  if (command == "new" && editorRequested(rest)) return newProjectForEditor(rest, context);
  if (command == "new") return newProject(rest, context);
  if (command == "libs") return rest.empty() ? listLibraries(context) : usageExit(context);
  if (command == "sdk") return rest.empty() ? printSdkPath(context) : usageExit(context);
  if (command == "run") return runProject(rest, context);
  if (command == "files") return listProjectFiles(rest, context);
  if (command == "add") return addProjectFiles(rest, context);
  if (command == "remove") return removeProjectFiles(rest, context);
  if (command == "settings") return settingsCommand(rest, context);
  if (command == "check") return checkCommand(rest, context);
  if (command == "editor") return editorCommand(rest, context);
  context.err << "Error: Unknown command '" << command << "'\n";
  return usageExit(context);
}

}  // namespace plover
