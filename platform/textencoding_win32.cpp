// Text encodings on the Windows API: UTF-16 for the wide calls, the ANSI
// code page for the programs that read nothing else.
#include "textencoding.h"

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

// WideCharToMultiByte into a string; for a code page other than UTF-8,
// nothing when a character needs the default character or a look-alike.
std::optional<std::string> fromUtf16(const std::wstring& wide, UINT codePage) {
  if (wide.empty()) return std::string();
  const int size = static_cast<int>(wide.size());
  const bool utf8 = codePage == CP_UTF8;
  const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL usedDefault = FALSE;
  BOOL* usedDefaultOut = utf8 ? nullptr : &usedDefault;
  const int length = WideCharToMultiByte(codePage, flags, wide.data(), size, nullptr, 0, nullptr, usedDefaultOut);
  if (length <= 0 || usedDefault) return std::nullopt;
  std::string text(static_cast<size_t>(length), '\0');
  if (WideCharToMultiByte(codePage, flags, wide.data(), size, text.data(), length, nullptr, usedDefaultOut) != length ||
      usedDefault) {
    return std::nullopt;
  }
  // Some code pages map a character to another without using the default
  // one: only a conversion that comes back unchanged is exact.
  if (!utf8 && toUtf16(text, codePage, 0) != wide) return std::nullopt;
  return text;
}

}  // namespace

std::wstring widen(const std::string& utf8) {
  if (std::optional<std::wstring> wide = toUtf16(utf8, CP_UTF8, 0)) return *wide;
  return std::wstring();
}

std::string narrow(const std::wstring& wide) {
  if (std::optional<std::string> text = fromUtf16(wide, CP_UTF8)) return *text;
  return std::string();
}

unsigned ansiCodePage() { return GetACP(); }

std::optional<std::string> codePageToUtf8(const std::string& bytes, unsigned codePage) {
  const std::optional<std::wstring> wide = toUtf16(bytes, codePage, MB_ERR_INVALID_CHARS);
  if (!wide) return std::nullopt;
  return fromUtf16(*wide, CP_UTF8);
}

std::optional<std::string> utf8ToCodePage(const std::string& utf8, unsigned codePage) {
  const std::optional<std::wstring> wide = toUtf16(utf8, CP_UTF8, MB_ERR_INVALID_CHARS);
  if (!wide) return std::nullopt;
  return fromUtf16(*wide, codePage);
}

std::string ansiToUtf8(const std::string& ansi) {
  if (std::optional<std::wstring> wide = toUtf16(ansi, CP_ACP, 0)) return narrow(*wide);
  return std::string();
}

std::optional<std::string> utf8ToAnsi(const std::string& utf8) { return utf8ToCodePage(utf8, CP_ACP); }

}  // namespace platform
