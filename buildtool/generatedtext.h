// printf-style filling of the makefile templates. Values are always
// arguments, never part of the format, so a "%" in a value stays as it is.
#pragma once

#include <string>

namespace kestrel {

std::string formatText(const char* format, ...)
#ifdef __GNUC__
    __attribute__((format(printf, 1, 2)))
#endif
    ;

}  // namespace kestrel
