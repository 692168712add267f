#include "buildtool/mainclass.h"

#include <iostream>
#include <new>
#include <vector>

#include "buildtool/commandline.h"
#include "buildtool/console.h"
#include "buildtool/pv2buildtool.h"
#include "buildtool/pv3buildtool.h"
#include "common/textfile.h"
#include "platform/files.h"

namespace {

void writeUsage() { std::cout << kUsageText << std::endl; }

std::string describeMissingSetting(const SettingNotFound& missing, const std::string& settingsFile,
                                   bool settingsRead) {
  const std::string file = "'" + platform::nativePath(settingsFile) + "'";
  const std::string wanted = "key '" + missing.key + "' in section [" + missing.section + "]";
  if (!settingsRead) return "Error: Unable to read settings file " + file + ", which must hold " + wanted;
  if (missing.sectionMissing) return "Error: No section [" + missing.section + "] with key '" + missing.key + "' in settings file " + file;
  return "Error: No " + wanted + " of settings file " + file;
}

}  // namespace

int MainClass::run(int argc, char** argv) {
  BuildInfo info;
  writeOutputLine(kBannerText);
  if (argc <= 1) {
    writeUsage();
    return 0;
  }

  const std::string settingsFile = ucl::moduleDirectory(nullptr) + "Settings.ini";
  ucl::IniFile settings;
  const bool settingsRead = settings.read(settingsFile);

  const DriverOptions options = parseCommandLine(std::vector<std::string>(argv + 1, argv + argc), info);
  for (const std::string& option : options.unknownOptions) {
    writeErrorLine("Error: Unknown option '" + option + "'");
  }
  if (options.usageRequested) {
    writeUsage();
    return 0;
  }

  try {
    switch (options.pvModel) {
      case 2: tool.reset(new PV2BuildTool(settings, &info)); break;
      case 3: tool.reset(new PV3BuildTool(settings, &info)); break;
      default:
        writeErrorLine("Unknown PV model '" + std::to_string(options.pvModel) + "'");
        return 1;
    }
    if (options.createMakefile && !tool->readProject()) return 1;
    return tool->runBuild() ? 0 : 1;
  } catch (const SettingNotFound& missing) {
    writeErrorLine(describeMissingSetting(missing, settingsFile, settingsRead));
  } catch (const std::bad_alloc&) {
    writeErrorLine("Error: Out of memory");
  }
  return 1;
}
