// kestrel's command line: the options of one run.
#pragma once

#include <string>
#include <vector>

#include "buildtool/options.h"

namespace kestrel {

extern const char* const kBannerText;
extern const char* const kUsageText;

// Reads the arguments (without the program name) from left to right. The
// memory model comes out as 'S' or 'P': a lower-case letter counts as its
// capital, anything else as 'S'.
BuildOptions parseCommandLine(const std::vector<std::string>& arguments);

// A decimal number read the way atoi reads it: leading white space, an
// optional sign, then digits up to the first other character; 0 without
// digits. A value beyond the range of int is held at INT_MIN or INT_MAX.
int parseNumber(const std::string& text);

// Splits a -D value at every ";" and appends the definitions.
void appendDefinitions(const std::string& value, std::vector<std::string>& defines);

}  // namespace kestrel
