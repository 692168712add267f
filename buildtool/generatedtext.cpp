#include "buildtool/generatedtext.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace kestrel {

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
// slowly; the text is sized once, from a first pass over copies of the
// arguments. False, with nothing taken from the arguments, for a format
// that holds any other conversion.
bool formatSimply(const char* format, va_list arguments, std::string& text) {
  for (const char* at = format; *at != '\0'; ++at) {
    if (*at == '%' && (at = simpleConversion(at)) == nullptr) return false;
  }
  // Calls piece with each part of the text in turn.
  const auto each = [format](va_list values, auto piece) {
    char number[64];
    for (const char* at = format; *at != '\0'; ++at) {
      if (*at != '%') {
        const char* plain = at;
        while (at[1] != '\0' && at[1] != '%') ++at;
        piece(plain, static_cast<size_t>(at - plain + 1));
        continue;
      }
      const char* end = simpleConversion(at);
      if (*end == 's' && end == at + 1) {
        const char* value = va_arg(values, const char*);
        piece(value, std::strlen(value));
      } else if (*end == '%') {
        piece("%", 1);
      } else {
        const std::string spec(at, static_cast<size_t>(end - at + 1));
        const int written = *end == 'd' ? std::snprintf(number, sizeof number, spec.c_str(), va_arg(values, int))
                                        : std::snprintf(number, sizeof number, spec.c_str(), va_arg(values, const char*));
        if (written > 0) piece(number, std::min(static_cast<size_t>(written), sizeof number - 1));
      }
      at = end;
    }
  };
  size_t length = 0;
  va_list measuring;
  va_copy(measuring, arguments);
  each(measuring, [&](const char*, size_t size) { length += size; });
  va_end(measuring);
  text.reserve(length);
  each(arguments, [&](const char* piece, size_t size) { text.append(piece, size); });
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

}  // namespace kestrel
