#include "desktop/windows/installer/service/profile_folder_safety.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <string>
#include <string_view>

#include "base/base_paths.h"
#include "base/files/file_util.h"
#include "base/path_service.h"
#include "base/strings/string_split.h"
#include "desktop/windows/installer/utils/service_utils.h"

namespace {

// A comparable form of an absolute path: "\" separators, no empty or "."
// components, no trailing separator, short names expanded where the path
// exists, upper case as Windows compares names. `components` counts what
// follows the drive ("C:") or the "\\" of a share.
struct CanonicalPath {
  std::wstring text;
  size_t components = 0;
  bool unc = false;
};

bool Canonicalize(const base::FilePath& path, CanonicalPath* out);

bool CanonicalizeText(std::wstring_view text, bool expand_short_names, CanonicalPath* out) {
  const base::FilePath path = base::FilePath(text).NormalizePathSeparators();
  const std::wstring& value = path.value();
  // Device and raw namespaces ("\\?\", "\\.\") are never profile folders.
  if (value.size() >= 4 && value[0] == L'\\' && value[1] == L'\\' &&
      (value[2] == L'?' || value[2] == L'.') && value[3] == L'\\') {
    return false;
  }
  if (!path.IsAbsolute() || path.ReferencesParent() ||
      !IsValidFileSystemPath(value, /*is_folder=*/true)) {
    return false;
  }
  CanonicalPath result;
  result.unc = value[0] == L'\\';
  std::wstring_view rest = value;
  if (result.unc) {
    result.text = L"\\";
    rest.remove_prefix(2);
  } else {
    result.text.assign(value, 0, 2);
    rest.remove_prefix(2);
  }
  for (std::wstring_view component :
       base::SplitStringPiece(rest, L"\\", base::KEEP_WHITESPACE, base::SPLIT_WANT_NONEMPTY)) {
    if (component == L".") continue;
    result.text += L'\\';
    result.text += component;
    ++result.components;
  }
  if (expand_short_names && result.text.find(L'~') != std::wstring::npos) {
    wchar_t buffer[MAX_PATH];
    const DWORD length = ::GetLongPathNameW(result.text.c_str(), buffer, MAX_PATH);
    if (length > 0 && length < MAX_PATH)
      return CanonicalizeText(std::wstring_view(buffer, length), /*expand_short_names=*/false,
                              out);
  }
  ::CharUpperBuffW(result.text.data(), static_cast<DWORD>(result.text.size()));
  *out = std::move(result);
  return true;
}

bool Canonicalize(const base::FilePath& path, CanonicalPath* out) {
  return CanonicalizeText(path.value(), /*expand_short_names=*/true, out);
}

bool IsRoot(const CanonicalPath& path) {
  // "C:\" has no component; "\\server\share" has two.
  return path.unc ? path.components <= 2 : path.components == 0;
}

// Whether `path` is `other` or lies above it.
bool IsSameOrAncestor(const CanonicalPath& path, const CanonicalPath& other) {
  const std::wstring& a = path.text;
  const std::wstring& b = other.text;
  return b.size() >= a.size() && b.compare(0, a.size(), a) == 0 &&
         (b.size() == a.size() || b[a.size()] == L'\\');
}

void AddPathServiceFolder(int key, std::vector<base::FilePath>* folders) {
  base::FilePath folder;
  if (base::PathService::Get(key, &folder) && !folder.empty()) folders->push_back(folder);
}

void AddKnownFolder(REFKNOWNFOLDERID id, int csidl, std::vector<base::FilePath>* folders) {
  base::FilePath folder;
  if (GetKnownFolderPath(id, csidl, &folder, /*create=*/false) && !folder.empty())
    folders->push_back(folder);
}

}  // namespace

ProtectedFolders GetProtectedFolders(const base::FilePath& installation_folder) {
  ProtectedFolders folders;
  std::vector<base::FilePath>& above = folders.with_ancestors;
  base::FilePath home;
  if (base::PathService::Get(base::DIR_HOME, &home) && !home.empty()) {
    above.push_back(home);
    above.push_back(home.DirName());
  }
  AddKnownFolder(FOLDERID_UserProfiles, -1, &above);
  // The user's own documents live beside a profile, never inside one.
  AddKnownFolder(FOLDERID_Desktop, CSIDL_DESKTOPDIRECTORY, &above);
  AddKnownFolder(FOLDERID_Documents, CSIDL_PERSONAL, &above);
  AddKnownFolder(FOLDERID_Downloads, -1, &above);
  AddPathServiceFolder(base::DIR_APP_DATA, &above);
  AddPathServiceFolder(base::DIR_LOCAL_APP_DATA, &above);
  AddPathServiceFolder(base::DIR_COMMON_APP_DATA, &above);
  AddKnownFolder(FOLDERID_LocalAppDataLow, -1, &above);
  AddPathServiceFolder(base::DIR_PROGRAM_FILES, &above);
  AddPathServiceFolder(base::DIR_PROGRAM_FILESX86, &above);
  AddPathServiceFolder(base::DIR_PROGRAM_FILES6432, &above);
  AddKnownFolder(FOLDERID_ProgramFilesCommon, CSIDL_PROGRAM_FILES_COMMON, &above);
  AddKnownFolder(FOLDERID_ProgramFilesCommonX86, CSIDL_PROGRAM_FILES_COMMONX86, &above);
  if (!installation_folder.empty()) above.push_back(installation_folder);
  AddPathServiceFolder(base::DIR_WINDOWS, &folders.with_ancestors_and_contents);
  return folders;
}

bool IsSafeFolderToDelete(const base::FilePath& folder, const ProtectedFolders& protected_folders) {
  CanonicalPath candidate;
  if (folder.empty() || !Canonicalize(folder, &candidate) || IsRoot(candidate)) return false;
  for (const base::FilePath& protected_folder : protected_folders.with_ancestors) {
    CanonicalPath other;
    if (Canonicalize(protected_folder, &other) && IsSameOrAncestor(candidate, other)) return false;
  }
  for (const base::FilePath& protected_folder : protected_folders.with_ancestors_and_contents) {
    CanonicalPath other;
    if (Canonicalize(protected_folder, &other) &&
        (IsSameOrAncestor(candidate, other) || IsSameOrAncestor(other, candidate))) {
      return false;
    }
  }
  return true;
}

bool IsSafeProfileFolderToDelete(const base::FilePath& folder,
                                 const base::FilePath& installation_folder) {
  return IsSafeFolderToDelete(folder, GetProtectedFolders(installation_folder));
}
