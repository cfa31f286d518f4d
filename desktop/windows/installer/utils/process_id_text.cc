#include "desktop/windows/installer/utils/process_id_text.h"

#include <cwctype>
#include <string_view>

#include "base/strings/string_number_conversions.h"

bool ParseProcessIdText(const std::wstring& text, DWORD* pid) {
  size_t start = 0;
  while (start < text.size() && std::iswspace(text[start]))
    ++start;
  unsigned value = 0;
  if (!base::StringToUint(std::wstring_view(text).substr(start), &value))
    return false;
  *pid = value;
  return true;
}
