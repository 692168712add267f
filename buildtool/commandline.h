// kestrel's command line: options into BuildInfo and the driver's settings.
#pragma once

#include <string>
#include <vector>

#include "buildtool/buildinfo.h"

extern const char* const kBannerText;
extern const char* const kUsageText;

struct DriverOptions {
  bool createMakefile = true;
  int pvModel = 2;
  bool usageRequested = false;  // -? or /? was met; later arguments were not read
  std::vector<std::string> unknownOptions;  // as typed, in order
};

// Reads the arguments (without the program name) from left to right.
DriverOptions parseCommandLine(const std::vector<std::string>& arguments, BuildInfo& info);

// A decimal number read the way atoi reads it: leading white space, an
// optional sign, then digits up to the first other character; 0 without
// digits. A value beyond the range of int is held at INT_MIN or INT_MAX.
int parseNumber(const std::string& text);

// Splits a -D value at every ";" and appends the definitions.
void appendDefinitions(const std::string& value, std::vector<std::string>& defines);
