#include "buildtool/commandline.h"

#include <cctype>
#include <climits>

#include "kestrel_version.h"

namespace kestrel {

const char* const kBannerText = KESTREL_BANNER;

const char* const kUsageText =
    "CASIO PV SDK build tool and makefile creator\n"
    "\n"
    "\n"
    "Syntax:\n"
    " KESTREL [-d][-l][-m][-a][-zx][-px][-Dxxx][-vxxx][-txxx][-nxxx] <protofile>\n"
    "\n"
    " -d    - debug build (default: false)\n"
    " -l    - create library (default: false)\n"
    " -m    - create makefile (default: true)\n"
    " -a    - ASM optimisation (default: false)\n"
    " -zx   - memory model (s: <=64kB, p: >64kB)\n"
    " -px   - PV model (2: old PVs (default), 3: PV-S1600)\n"
    " -Dxxx - defines\n"
    " -vxxx - version (default: 100)\n"
    " -txxx - target segment (default: 80000)\n"
    " -nxxx - program name (default: project file name)\n"
    "\n"
    "Example: kestrel -d -m -p2 -v521 -DDEF1=val1;DEF2=val2 project.pvmak\n";

int parseNumber(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  // Accumulate towards the sign's own end of the range and stop there.
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) return static_cast<int>(-value);
  return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

void appendDefinitions(const std::string& value, std::vector<std::string>& defines) {
  size_t start = 0;
  for (size_t semicolon = value.find(';'); semicolon != std::string::npos;
       semicolon = value.find(';', start)) {
    defines.push_back(value.substr(start, semicolon - start));
    start = semicolon + 1;
  }
  if (start < value.size()) defines.push_back(value.substr(start));
}

namespace {

bool isOption(const std::string& argument) {
  return argument.size() >= 2 && (argument[0] == '-' || argument[0] == '/');
}

// A flag is off when its value begins with "-" (-d-, -m-).
bool flagValue(const std::string& value) { return value.empty() || value[0] != '-'; }

}  // namespace

BuildOptions parseCommandLine(const std::vector<std::string>& arguments) {
  BuildOptions options;
  bool projectSeen = false;
  for (const std::string& argument : arguments) {
    if (options.usageRequested) break;
    if (!isOption(argument)) {
      if (!projectSeen) options.projectFile = argument;
      projectSeen = true;
      continue;
    }
    const std::string value = argument.substr(2);
    switch (argument[1]) {
      case '?':
        options.usageRequested = true;
        break;
      case 'd': options.debugBuild = flagValue(value); break;
      case 'l': options.createLibrary = flagValue(value); break;
      case 'm': options.createMakefile = flagValue(value); break;
      case 'a': options.asmOptimisation = flagValue(value); break;
      case 'z': options.memoryModel = value.empty() ? '\0' : value[0]; break;
      case 'p': options.pvModel = parseNumber(value); break;
      case 'v': options.version = parseNumber(value); break;
      case 't': options.targetSegment = parseNumber(value); break;
      case 'n': options.programName = value; break;
      case 'D': appendDefinitions(value, options.defines); break;
      default: options.unknownOptions.push_back(argument); break;
    }
  }
  options.memoryModel = static_cast<char>(std::toupper(static_cast<unsigned char>(options.memoryModel)));
  if (options.memoryModel != 'S' && options.memoryModel != 'P') options.memoryModel = 'S';
  return options;
}

}  // namespace kestrel
