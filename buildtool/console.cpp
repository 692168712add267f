#include "buildtool/console.h"

#include <iostream>

namespace kestrel {

void writeOutputLine(const std::string& line) { std::cout << line << std::endl; }

void writeErrorLine(const std::string& line) { std::cerr << line << std::endl; }

}  // namespace kestrel
