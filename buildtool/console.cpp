#include "buildtool/console.h"

#include "platform/console.h"

namespace kestrel {

void writeOutputLine(const std::string& line) { platform::consoleOut() << line << std::endl; }

void writeErrorLine(const std::string& line) { platform::consoleErr() << line << std::endl; }

}  // namespace kestrel
