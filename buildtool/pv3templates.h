// Makefile templates of the PV3 back end.
#pragma once

namespace kestrel {

extern const char* const kPv3Head;
extern const char* const kPv3Definitions;
extern const char* const kPv3Linker;
extern const char* const kPv3DebugClosing;
extern const char* const kPv3ReleaseClosing;
extern const char* const kPv3LibraryClosing;

}  // namespace kestrel
