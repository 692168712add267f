// The library's entry point on POSIX: any address inside the shared object
// stands for the module, so the bridge finds its files beside its own file.
#include "wizardbridge/bridge.h"

namespace {

__attribute__((constructor)) void libraryLoaded() {
  plover::setModuleHandle(reinterpret_cast<const void*>(&libraryLoaded));
}

}  // namespace
