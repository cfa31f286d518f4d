#include "base/strings/stringprintf.h"

#include <cstdio>
#include <cwchar>

namespace base {

void StringAppendV(std::string* dst, const char* format, va_list ap) {
  va_list count_ap;
  va_copy(count_ap, ap);
  const int needed = vsnprintf(nullptr, 0, format, count_ap);
  va_end(count_ap);
  if (needed <= 0) return;
  const size_t old_size = dst->size();
  dst->resize(old_size + static_cast<size_t>(needed) + 1);
  vsnprintf(dst->data() + old_size, static_cast<size_t>(needed) + 1, format, ap);
  dst->resize(old_size + static_cast<size_t>(needed));
}

void StringAppendV(std::wstring* dst, const wchar_t* format, va_list ap) {
  // The C runtime's own wide formatter keeps the Windows meaning of "%s"
  // (a wide string); MinGW's C99 one would read a narrow string.
  va_list count_ap;
  va_copy(count_ap, ap);
  const int needed = _vscwprintf(format, count_ap);
  va_end(count_ap);
  if (needed <= 0) return;
  const size_t old_size = dst->size();
  dst->resize(old_size + static_cast<size_t>(needed) + 1);
  const int written =
      _vsnwprintf(dst->data() + old_size, static_cast<size_t>(needed) + 1, format, ap);
  dst->resize(old_size + (written > 0 ? static_cast<size_t>(written) : 0));
}

std::string StringPrintV(const char* format, va_list ap) {
  std::string out;
  StringAppendV(&out, format, ap);
  return out;
}

std::wstring StringPrintV(const wchar_t* format, va_list ap) {
  std::wstring out;
  StringAppendV(&out, format, ap);
  return out;
}

std::string StringPrintf(const char* format, ...) {
  va_list ap;
  va_start(ap, format);
  std::string out;
  StringAppendV(&out, format, ap);
  va_end(ap);
  return out;
}

std::wstring StringPrintf(const wchar_t* format, ...) {
  va_list ap;
  va_start(ap, format);
  std::wstring out;
  StringAppendV(&out, format, ap);
  va_end(ap);
  return out;
}

void StringAppendF(std::string* dst, const char* format, ...) {
  va_list ap;
  va_start(ap, format);
  StringAppendV(dst, format, ap);
  va_end(ap);
}

void StringAppendF(std::wstring* dst, const wchar_t* format, ...) {
  va_list ap;
  va_start(ap, format);
  StringAppendV(dst, format, ap);
  va_end(ap);
}

}  // namespace base
