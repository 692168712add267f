// The build tool's console messages: one line each, flushed at once.
#pragma once

#include <string>

namespace kestrel {

void writeOutputLine(const std::string& line);
void writeErrorLine(const std::string& line);

}  // namespace kestrel
