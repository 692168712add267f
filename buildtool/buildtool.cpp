#include "buildtool/buildtool.h"

#include <cctype>
#include <cstdio>

#include "buildtool/console.h"
#include "platform/files.h"
#include "platform/process.h"

BuildTool::BuildTool(const ucl::IniFile& settings, BuildInfo* info) : info(info), settings(settings) {
  info->memoryModel = static_cast<char>(std::toupper(static_cast<unsigned char>(info->memoryModel)));
  if (info->memoryModel != 'S' && info->memoryModel != 'P') info->memoryModel = 'S';
}

BuildTool::~BuildTool() = default;

std::string BuildTool::setting(const std::string& section, const std::string& key) const {
  const ucl::IniFile::Section* found = settings.findSection(section);
  if (found == nullptr) throw SettingNotFound{section, key, true};
  std::optional<std::string> value = found->lookup(key);
  if (!value) throw SettingNotFound{section, key, false};
  return *value;
}

void BuildTool::createDirectories(std::initializer_list<const char*> paths) {
  for (const char* path : paths) platform::createDirectory(path);
}

bool BuildTool::writeGeneratedFile(const std::string& path, const std::string& text) {
  std::FILE* file = platform::openTextFile(path, "w");
  bool written = file != nullptr;
  if (written) {
    written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (!platform::closeFile(file)) written = false;
  }
  if (!written) writeErrorLine("Unable to write " + path);
  return written;
}

bool BuildTool::runTool(const std::string& commandLine, const std::string& toolName) {
  const platform::ProcessOutcome outcome = platform::runAndWait(commandLine);
  if (!outcome.started) {
    writeErrorLine("Error: Unable to start " + toolName);
    return false;
  }
  if (outcome.exitCode != 0) {
    toolFailed = true;
    writeErrorLine("Error: " + toolName + " ended with exit code " + std::to_string(outcome.exitCode));
  }
  return true;
}
