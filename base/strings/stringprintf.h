#ifndef BASE_STRINGS_STRINGPRINTF_H_
#define BASE_STRINGS_STRINGPRINTF_H_

#include <cstdarg>
#include <string>

namespace base {

// printf into a std::string. The narrow forms follow C99 (%zu, %lld, %s =
// char*). The wide forms use the C runtime's formatter: "%s" and "%ls" take
// a wchar_t* and "%hs" a char*, as everywhere on Windows; use %lld/%llu
// there (older msvcrt.dll lacks %zu). In narrow formats "%ls" converts
// with the ANSI code page, not UTF-8: pass WideToUTF8(text) with "%s".
std::string StringPrintf(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));
std::wstring StringPrintf(const wchar_t* format, ...);
std::string StringPrintV(const char* format, va_list ap)
    __attribute__((format(gnu_printf, 1, 0)));
std::wstring StringPrintV(const wchar_t* format, va_list ap);

void StringAppendF(std::string* dst, const char* format, ...)
    __attribute__((format(gnu_printf, 2, 3)));
void StringAppendF(std::wstring* dst, const wchar_t* format, ...);
void StringAppendV(std::string* dst, const char* format, va_list ap)
    __attribute__((format(gnu_printf, 2, 0)));
void StringAppendV(std::wstring* dst, const wchar_t* format, va_list ap);

}  // namespace base

#endif  // BASE_STRINGS_STRINGPRINTF_H_
