#include "common/moduledirectory.h"

#include "common/pathhelpers.h"

namespace ucl {

std::string moduleDirectory(platform::ModuleHandle module) {
  return fileDirectory(platform::modulePath(module));
}

}  // namespace ucl
