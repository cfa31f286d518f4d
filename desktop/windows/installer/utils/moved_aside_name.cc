#include "desktop/windows/installer/utils/moved_aside_name.h"

#include <ctime>
#include <iterator>

#include "base/files/file_enumerator.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_util.h"

namespace {

constexpr wchar_t kMovedAsideExtension[] = L".old";
// Seconds since 1970 have had nine digits since 1973: a name with fewer
// was not made by the installer.
constexpr size_t kMinMovedAsideDigits = 9;

}  // namespace

base::FilePath MakeMovedAsideName(const base::FilePath& path) {
  return base::FilePath(path.value() + L"." +
                        std::to_wstring(static_cast<long long>(std::time(nullptr))) +
                        kMovedAsideExtension);
}

bool ParseMovedAsideName(const std::wstring& name, std::wstring* original, int64_t* seconds) {
  if (!base::EndsWith(name, kMovedAsideExtension, base::CompareCase::INSENSITIVE_ASCII))
    return false;
  const std::wstring rest = name.substr(0, name.size() - std::size(kMovedAsideExtension) + 1);
  const size_t dot = rest.rfind(L'.');
  if (dot == std::wstring::npos || dot == 0)
    return false;
  const std::wstring digits = rest.substr(dot + 1);
  int64_t value = 0;
  if (digits.size() < kMinMovedAsideDigits ||
      !base::ContainsOnlyChars(digits, L"0123456789") || !base::StringToInt64(digits, &value)) {
    return false;
  }
  if (original)
    *original = rest.substr(0, dot);
  if (seconds)
    *seconds = value;
  return true;
}

bool HasMovedAsideCopy(const base::FilePath& folder, const std::wstring& name) {
  base::FileEnumerator copies(folder, /*recursive=*/false, base::FileEnumerator::FILES,
                              name + L".*" + kMovedAsideExtension);
  std::wstring original;
  for (base::FilePath copy = copies.Next(); !copy.empty(); copy = copies.Next()) {
    if (ParseMovedAsideName(copy.BaseName().value(), &original, nullptr) &&
        base::FilePath::CompareEqualIgnoreCase(original, name)) {
      return true;
    }
  }
  return false;
}
