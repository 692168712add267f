#include "buildtool/generatedtext.h"

#include <cstdarg>
#include <cstdio>

namespace kestrel {

std::string formatText(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  va_list measuring;
  va_copy(measuring, arguments);
  const int length = std::vsnprintf(nullptr, 0, format, measuring);
  va_end(measuring);
  std::string text;
  if (length > 0) {
    // Written in place; vsnprintf's closing NUL goes into the string's own.
    text.resize(static_cast<size_t>(length));
    std::vsnprintf(text.data(), text.size() + 1, format, arguments);
  }
  va_end(arguments);
  return text;
}

}  // namespace kestrel
