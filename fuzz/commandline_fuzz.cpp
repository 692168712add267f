// kestrel's command line: arguments are the input split at NUL bytes. No
// crash, and numbers read as the C library reads them, held in range.
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "buildtool/commandline.h"
#include "fuzz/fuzzsupport.h"

using namespace kestrel;

namespace {

int referenceNumber(const std::string& text) {
  const long long value = std::strtoll(text.c_str(), nullptr, 10);  // saturates on overflow
  return value < INT_MIN ? INT_MIN : value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> arguments;
  for (size_t start = 0; start <= text.size();) {
    const size_t end = std::min(text.find('\0', start), text.size());
    arguments.push_back(text.substr(start, end - start));
    start = end + 1;
  }

  const BuildOptions options = parseCommandLine(arguments);
  FUZZ_CHECK(options.memoryModel == 'S' || options.memoryModel == 'P');
  FUZZ_CHECK(options.unknownOptions.size() <= arguments.size());
  for (const std::string& argument : arguments) {
    FUZZ_CHECK(parseNumber(argument) == referenceNumber(argument));
    if (argument.size() >= 2) FUZZ_CHECK(parseNumber(argument.substr(2)) == referenceNumber(argument.substr(2)));
  }
  if (!options.usageRequested) {
    size_t semicolons = 0;
    for (const std::string& argument : arguments) semicolons += std::count(argument.begin(), argument.end(), ';');
    FUZZ_CHECK(options.defines.size() <= semicolons + arguments.size());
  }
  return 0;
}
