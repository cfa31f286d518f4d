#include "desktop/windows/installer/service/versioned_folder_name.h"

#include <vector>

#include "base/strings/string_number_conversions.h"
#include "base/strings/string_split.h"
#include "base/strings/string_util.h"

bool ParseVersionedFolderName(const std::wstring& name, int* major) {
  const std::vector<std::wstring> parts =
      base::SplitString(name, L".", base::TRIM_WHITESPACE, base::SPLIT_WANT_NONEMPTY);
  if (parts.size() != 4 && parts.size() != 5)
    return false;
  for (const std::wstring& part : parts) {
    if (!base::ContainsOnlyChars(part, L"0123456789_"))
      return false;
  }
  return base::StringToInt(parts.front(), major);
}
