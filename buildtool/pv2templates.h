// Makefile templates of the PV2 back end.
#pragma once

namespace kestrel {

extern const char* const kPv2MakeSdk1;
extern const char* const kPv2MakeSdk2;
extern const char* const kPv2Makefile;
extern const char* const kPv2LibraryRule;

}  // namespace kestrel
