#include "desktop/windows/installer/utils/relative_path.h"

#include <string>

#include "base/files/file_path.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"

namespace {

bool IsControlCharacter(wchar_t c) {
  return c < 32 || c == 0x7F;
}

bool IsForbiddenCharacter(wchar_t c) {
  return IsControlCharacter(c) || c == L':' || c == L'<' || c == L'>' || c == L'"' ||
         c == L'|' || c == L'?' || c == L'*';
}

bool IsSafeComponent(std::wstring_view component) {
  if (component.empty()) return false;
  // Covers ".", ".." and every name Windows would shorten to another one.
  const wchar_t last = component.back();
  if (last == L'.' || last == L' ') return false;
  for (wchar_t c : component) {
    if (IsForbiddenCharacter(c)) return false;
  }
  return !IsReservedDeviceName(component);
}

}  // namespace

bool HasControlCharacter(std::wstring_view text) {
  for (wchar_t c : text) {
    if (IsControlCharacter(c)) return true;
  }
  return false;
}

bool HasControlCharacter(std::string_view text) {
  for (char c : text) {
    if (IsControlCharacter(static_cast<unsigned char>(c))) return true;
  }
  return false;
}

bool IsReservedDeviceName(std::wstring_view component) {
  // The device check looks at the part before the first dot, blanks removed
  // from its end.
  std::wstring_view stem = component.substr(0, component.find(L'.'));
  while (!stem.empty() && stem.back() == L' ') stem.remove_suffix(1);
  if (stem.size() == 3) {
    for (const char* name : {"con", "prn", "aux", "nul"}) {
      if (base::LowerCaseEqualsASCII(stem, name)) return true;
    }
    return false;
  }
  if (stem.size() == 4) {
    const std::wstring_view prefix = stem.substr(0, 3);
    if (!base::LowerCaseEqualsASCII(prefix, "com") && !base::LowerCaseEqualsASCII(prefix, "lpt"))
      return false;
    const wchar_t digit = stem[3];
    // Superscript one, two and three also name the ports.
    return (digit >= L'0' && digit <= L'9') || digit == L'\x00B9' || digit == L'\x00B2' ||
           digit == L'\x00B3';
  }
  return base::LowerCaseEqualsASCII(stem, "conin$") || base::LowerCaseEqualsASCII(stem, "conout$");
}

bool IsSafeRelativePath(std::wstring_view entry) {
  if (entry.empty() || base::FilePath::IsSeparator(entry.front())) return false;
  size_t start = 0;
  while (true) {
    size_t end = start;
    while (end < entry.size() && !base::FilePath::IsSeparator(entry[end])) ++end;
    if (!IsSafeComponent(entry.substr(start, end - start))) return false;
    if (end == entry.size()) return true;
    start = end + 1;
  }
}

bool IsSafeRelativePath(std::string_view utf8_entry) {
  std::wstring wide;
  if (!base::UTF8ToWide(utf8_entry.data(), utf8_entry.size(), &wide)) return false;
  return IsSafeRelativePath(std::wstring_view(wide));
}

bool IsSafeFileName(std::wstring_view name) {
  return IsSafeRelativePath(name) && name.find_first_of(L"\\/") == std::wstring_view::npos;
}

bool IsSafeFileName(std::string_view utf8_name) {
  return IsSafeRelativePath(utf8_name) &&
         utf8_name.find_first_of("\\/") == std::string_view::npos;
}
