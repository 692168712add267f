// Text encodings on the Windows API: UTF-16 for the wide calls, the ANSI
// code page for the programs that read nothing else.
#include "codepages.h"

#include "win32.h"

namespace platform {

namespace {

// MultiByteToWideChar into a string; nothing when the call refuses the text.
std::optional<std::wstring> toUtf16(const std::string& text, UINT codePage, DWORD flags) {
  if (text.empty()) return std::wstring();
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(codePage, flags, text.data(), size, nullptr, 0);
  if (length <= 0) return std::nullopt;
  std::wstring wide(static_cast<size_t>(length), L'\0');
  if (MultiByteToWideChar(codePage, flags, text.data(), size, wide.data(), length) != length) return std::nullopt;
  return wide;
}

// Code pages whose conversions take no flags at all: the ISO-2022 family,
// ISCII, UTF-7 and Symbol, as documented, and HZ-GB2312, which refuses
// them as well.
bool refusesConversionFlags(UINT codePage) {
  return (codePage >= 50220 && codePage <= 50229) || (codePage >= 57002 && codePage <= 57011) ||
         codePage == 52936 || codePage == 65000 || codePage == 42;
}

// WideCharToMultiByte into a string; nothing when a character needs the
// default character or a look-alike, or the system refuses the text.
std::optional<std::string> fromUtf16(const std::wstring& wide, const CodePageConversion& conversion) {
  if (wide.empty()) return std::string();
  const int size = static_cast<int>(wide.size());
  BOOL usedDefault = FALSE;
  BOOL* usedDefaultOut = conversion.reportsDefault ? &usedDefault : nullptr;
  const int length = WideCharToMultiByte(conversion.codePage, conversion.toBytesFlags, wide.data(), size, nullptr,
                                         0, nullptr, usedDefaultOut);
  if (length <= 0 || usedDefault) return std::nullopt;
  std::string text(static_cast<size_t>(length), '\0');
  if (WideCharToMultiByte(conversion.codePage, conversion.toBytesFlags, wide.data(), size, text.data(), length,
                          nullptr, usedDefaultOut) != length ||
      usedDefault) {
    return std::nullopt;
  }
  // Some code pages map a character to another without using the default
  // one, and some cannot report it: only a conversion that comes back
  // unchanged is exact.
  if (conversion.checksRoundTrip && toUtf16(text, conversion.codePage, 0) != wide) return std::nullopt;
  return text;
}

}  // namespace

std::wstring widen(const std::string& utf8) {
  if (std::optional<std::wstring> wide = toUtf16(utf8, CP_UTF8, 0)) return *wide;
  return std::wstring();
}

std::string narrow(const std::wstring& wide) {
  // Names from the system pass whole: a lone surrogate becomes U+FFFD.
  CodePageConversion lenient;
  lenient.codePage = CP_UTF8;
  if (std::optional<std::string> text = fromUtf16(wide, lenient)) return *text;
  return std::string();
}

CodePageConversion codePageConversion(UINT codePage) {
  CodePageConversion conversion;
  if (codePage == CP_ACP) codePage = GetACP();
  if (codePage == CP_OEMCP) codePage = GetOEMCP();
  conversion.codePage = codePage;
  if (codePage == CP_UTF8) {
    // Takes no default-character arguments; holds every character but a
    // lone surrogate, which the flag refuses.
    conversion.toBytesFlags = WC_ERR_INVALID_CHARS;
    conversion.strictFromBytesFlags = MB_ERR_INVALID_CHARS;
  } else if (codePage == 54936) {
    conversion.checksRoundTrip = true;
    conversion.strictFromBytesFlags = MB_ERR_INVALID_CHARS;
  } else if (refusesConversionFlags(codePage)) {
    conversion.checksRoundTrip = true;
  } else {
    conversion.toBytesFlags = WC_NO_BEST_FIT_CHARS;
    conversion.reportsDefault = true;
    conversion.checksRoundTrip = true;
    conversion.strictFromBytesFlags = MB_ERR_INVALID_CHARS;
  }
  return conversion;
}

unsigned ansiCodePage() { return GetACP(); }

std::optional<std::string> codePageToUtf8(const std::string& bytes, unsigned codePage) {
  const CodePageConversion conversion = codePageConversion(codePage);
  const std::optional<std::wstring> wide = toUtf16(bytes, conversion.codePage, conversion.strictFromBytesFlags);
  if (!wide) return std::nullopt;
  // Without the flag that refuses them, bytes that are no text come as U+FFFD.
  if (conversion.strictFromBytesFlags == 0 && wide->find(L'\xFFFD') != std::wstring::npos) return std::nullopt;
  return fromUtf16(*wide, codePageConversion(CP_UTF8));
}

std::optional<std::string> utf8ToCodePage(const std::string& utf8, unsigned codePage) {
  const std::optional<std::wstring> wide = toUtf16(utf8, CP_UTF8, MB_ERR_INVALID_CHARS);
  if (!wide) return std::nullopt;
  return fromUtf16(*wide, codePageConversion(codePage));
}

std::string ansiToUtf8(const std::string& ansi) {
  if (std::optional<std::wstring> wide = toUtf16(ansi, CP_ACP, 0)) return narrow(*wide);
  return std::string();
}

std::optional<std::string> utf8ToAnsi(const std::string& utf8) { return utf8ToCodePage(utf8, CP_ACP); }

}  // namespace platform
