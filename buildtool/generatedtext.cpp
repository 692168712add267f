#include "buildtool/generatedtext.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

namespace {

// The end of the conversion that starts at the "%": flags, width and "d",
// "s" or "%" only; null for any other.
const char* simpleConversion(const char* at) {
  ++at;
  while (*at == '-' || *at == '0' || (*at >= '1' && *at <= '9')) ++at;
  return *at == 'd' || *at == 's' || *at == '%' ? at : nullptr;
}

// The templates' own conversions, the long file lists ("%s") appended as
// they are rather than through vsnprintf, which copies them twice and
// slowly; false, with nothing taken from the arguments, for a format that
// holds any other conversion.
bool formatSimply(const char* format, va_list arguments, std::string& text) {
  size_t length = 0;
  for (const char* at = format; *at != '\0'; ++at, ++length) {
    if (*at == '%' && (at = simpleConversion(at)) == nullptr) return false;
  }
  text.reserve(length);
  for (const char* at = format; *at != '\0'; ++at) {
    if (*at != '%') {
      text += *at;
      continue;
    }
    const char* end = simpleConversion(at);
    if (*end == 's' && end == at + 1) {
      text += va_arg(arguments, const char*);
    } else if (*end == '%') {
      text += '%';
    } else {
      const std::string spec(at, static_cast<size_t>(end - at + 1));
      char piece[64];
      const int written = *end == 'd' ? std::snprintf(piece, sizeof piece, spec.c_str(), va_arg(arguments, int))
                                      : std::snprintf(piece, sizeof piece, spec.c_str(), va_arg(arguments, const char*));
      if (written > 0) text.append(piece, std::min(static_cast<size_t>(written), sizeof piece - 1));
    }
    at = end;
  }
  return true;
}

}  // namespace

std::string formatText(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  {
    va_list simple;
    va_copy(simple, arguments);
    std::string text;
    const bool done = formatSimply(format, simple, text);
    va_end(simple);
    if (done) {
      va_end(arguments);
      return text;
    }
  }
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
