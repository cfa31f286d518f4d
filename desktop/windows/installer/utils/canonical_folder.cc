#include "desktop/windows/installer/utils/canonical_folder.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "base/files/file_util.h"
#include "desktop/windows/installer/utils/installer_event_names.h"

namespace {

// "_" and up to three digits: the versioned folders of one version.
constexpr size_t kSubfolderSuffixLength = 4;
// "." and the seconds since 1970 (ten digits) and ".old".
constexpr size_t kMovedAsideSuffixLength = 15;
// Longer mailslot names fail with ERROR_FILENAME_EXCED_RANGE.
constexpr size_t kMaxMailslotNameLength = MAX_PATH - 1;

std::wstring FullPathName(const std::wstring& path) {
  const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0)
    return std::wstring();
  std::wstring full(size, L'\0');
  const DWORD length = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
  if (length == 0 || length >= size)
    return std::wstring();
  full.resize(length);
  return full;
}

// "\" only, one between parts (Wine keeps a doubled one after a UNC share),
// none at the end but a drive root's; the drive letter upper-case.
std::wstring WithSingleSeparators(const std::wstring& path) {
  std::wstring result;
  for (size_t i = 0; i < path.size(); ++i) {
    const wchar_t c = path[i] == L'/' ? L'\\' : path[i];
    // The two of a UNC prefix stay.
    if (c == L'\\' && i >= 2 && !result.empty() && result.back() == L'\\')
      continue;
    result.push_back(c);
  }
  const bool drive = result.size() >= 2 && result[1] == L':';
  // "c:" and "C:" are one drive.
  if (drive && result[0] >= L'a' && result[0] <= L'z')
    result[0] = static_cast<wchar_t>(result[0] - L'a' + L'A');
  const size_t root = drive ? 3 : 2;
  while (result.size() > root && result.back() == L'\\')
    result.pop_back();
  return result;
}

// The long name of the deepest part of `path` that exists, followed by the
// parts that do not exist yet, as given.
std::wstring WithLongNames(const std::wstring& path) {
  base::FilePath existing(path);
  std::vector<std::wstring> missing;
  while (!base::PathExists(existing)) {
    const base::FilePath parent = existing.DirName();
    if (parent == existing)
      return path;
    missing.push_back(existing.BaseName().value());
    existing = parent;
  }
  const DWORD size = GetLongPathNameW(existing.value().c_str(), nullptr, 0);
  if (size == 0)
    return path;
  std::wstring long_name(size, L'\0');
  const DWORD length = GetLongPathNameW(existing.value().c_str(), long_name.data(), size);
  if (length == 0 || length >= size)
    return path;
  long_name.resize(length);
  base::FilePath result(long_name);
  for (auto part = missing.rbegin(); part != missing.rend(); ++part)
    result = result.Append(*part);
  return result.value();
}

}  // namespace

base::FilePath CanonicalizeFolderPath(const base::FilePath& folder) {
  if (folder.empty() || !folder.IsAbsolute())
    return folder;
  const std::wstring full = FullPathName(folder.value());
  if (full.empty())
    return folder;
  return base::FilePath(WithSingleSeparators(WithLongNames(WithSingleSeparators(full))));
}

std::wstring GetFolderKey(const base::FilePath& folder) {
  const std::wstring canonical = CanonicalizeFolderPath(folder).value();
  if (canonical.empty())
    return canonical;
  const int size = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, canonical.c_str(),
                                 static_cast<int>(canonical.size()), nullptr, 0, nullptr,
                                 nullptr, 0);
  std::wstring key(static_cast<size_t>(std::max(size, 0)), L'\0');
  if (size <= 0 ||
      LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, canonical.c_str(),
                    static_cast<int>(canonical.size()), key.data(), size, nullptr, nullptr,
                    0) != size) {
    return canonical;
  }
  return key;
}

bool IsSameFolder(const base::FilePath& a, const base::FilePath& b) {
  return GetFolderKey(a) == GetFolderKey(b);
}

size_t GetMaxInstallFolderLength(size_t version_length) {
  const size_t mailslot = kMaxMailslotNameLength - (std::size(kMailslotNamespace) - 1) -
                          (std::size(kInstallerMailslotPrefix) - 1);
  const size_t below = 1 + version_length + kSubfolderSuffixLength + 1 + kLongestPackagedPath +
                       kMovedAsideSuffixLength;
  const size_t paths = MAX_PATH - 1 > below ? MAX_PATH - 1 - below : 0;
  return std::min(mailslot, paths);
}
