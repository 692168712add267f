// The command line on the Windows API: the wide one, split as the C runtime
// splits it.
#include "arguments.h"

#include <memory>

#include "win32.h"

#include <shellapi.h>

namespace platform {

std::vector<std::string> programArguments(int argc, char** argv) {
  int count = 0;
  std::unique_ptr<LPWSTR, HLOCAL(WINAPI*)(HLOCAL)> wide(CommandLineToArgvW(GetCommandLineW(), &count),
                                                        LocalFree);
  std::vector<std::string> arguments;
  if (!wide) {
    // Without the wide line, the ANSI one is better than none.
    for (int i = 1; i < argc; ++i) arguments.push_back(argv[i]);
    return arguments;
  }
  for (int i = 1; i < count; ++i) arguments.push_back(narrow(wide.get()[i]));
  return arguments;
}

}  // namespace platform
