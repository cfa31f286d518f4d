#ifndef BASE_STRINGS_UTF_STRING_CONVERSIONS_H_
#define BASE_STRINGS_UTF_STRING_CONVERSIONS_H_

#include <string>
#include <string_view>

#include "base/strings/string16.h"

namespace base {

// Conversions between UTF-8 and UTF-16 (wide). Malformed input never fails:
// every invalid sequence (bad byte, overlong form, surrogate code point,
// lone surrogate) becomes U+FFFD. The bool forms report whether the input
// was valid.
std::wstring UTF8ToWide(std::string_view utf8);
std::string WideToUTF8(std::wstring_view wide);
bool UTF8ToWide(const char* src, size_t src_len, std::wstring* output);
bool WideToUTF8(const wchar_t* src, size_t src_len, std::string* output);

inline string16 UTF8ToUTF16(std::string_view utf8) { return UTF8ToWide(utf8); }
inline std::string UTF16ToUTF8(std::wstring_view utf16) { return WideToUTF8(utf16); }
inline std::wstring UTF16ToWide(std::wstring_view utf16) { return std::wstring(utf16); }
inline string16 WideToUTF16(std::wstring_view wide) { return string16(wide); }

// The input must be ASCII; other bytes become U+FFFD (and '?' going back).
std::wstring ASCIIToWide(std::string_view ascii);
inline string16 ASCIIToUTF16(std::string_view ascii) { return ASCIIToWide(ascii); }
std::string UTF16ToASCII(std::wstring_view utf16);

}  // namespace base

#endif  // BASE_STRINGS_UTF_STRING_CONVERSIONS_H_
