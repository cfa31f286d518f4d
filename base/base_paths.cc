#include "base/base_paths.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include "base/files/file_path.h"
#include "base/files/file_util.h"

namespace base {

namespace {

bool FromCsidl(int csidl, FilePath* result) {
  wchar_t buffer[MAX_PATH];
  if (FAILED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer)))
    return false;
  *result = FilePath(buffer);
  return true;
}

bool FromKnownFolder(REFKNOWNFOLDERID id, FilePath* result) {
  wchar_t* path = nullptr;
  const HRESULT hr = ::SHGetKnownFolderPath(id, 0, nullptr, &path);
  if (SUCCEEDED(hr) && path) *result = FilePath(path);
  ::CoTaskMemFree(path);
  return SUCCEEDED(hr);
}

bool ModulePath(HMODULE module, FilePath* result) {
  std::wstring buffer(MAX_PATH, L'\0');
  while (true) {
    const DWORD len = ::GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (len == 0) return false;
    if (len < buffer.size()) {
      buffer.resize(len);
      *result = FilePath(buffer);
      return true;
    }
    buffer.resize(buffer.size() * 2);  // truncated: grow and retry
  }
}

HMODULE ThisModule() {
  HMODULE module = nullptr;
  ::GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&ThisModule), &module);
  return module;
}

}  // namespace

// The provider of the base keys, used by PathService.
bool PathProvider(int key, FilePath* result) {
  FilePath path;
  switch (key) {
    case DIR_CURRENT:
      return GetCurrentDirectory(result);
    case FILE_EXE:
      return ModulePath(nullptr, result);
    case FILE_MODULE:
      return ModulePath(ThisModule(), result);
    case DIR_EXE:
      if (!ModulePath(nullptr, &path)) return false;
      *result = path.DirName();
      return true;
    case DIR_MODULE:
      if (!ModulePath(ThisModule(), &path)) return false;
      *result = path.DirName();
      return true;
    case DIR_TEMP:
      return GetTempDir(result);
    case DIR_HOME:
      return FromCsidl(CSIDL_PROFILE, result);
    case DIR_WINDOWS: {
      wchar_t buffer[MAX_PATH];
      const UINT len = ::GetWindowsDirectoryW(buffer, MAX_PATH);
      if (len == 0 || len >= MAX_PATH) return false;
      *result = FilePath(buffer);
      return true;
    }
    case DIR_SYSTEM: {
      wchar_t buffer[MAX_PATH];
      const UINT len = ::GetSystemDirectoryW(buffer, MAX_PATH);
      if (len == 0 || len >= MAX_PATH) return false;
      *result = FilePath(buffer);
      return true;
    }
    case DIR_PROGRAM_FILES:
    case DIR_PROGRAM_FILES6432:
      // This code is built 64-bit only, where both are the native folder.
      return FromCsidl(CSIDL_PROGRAM_FILES, result);
    case DIR_PROGRAM_FILESX86:
      return FromCsidl(CSIDL_PROGRAM_FILESX86, result);
    case DIR_APP_DATA:
      return FromCsidl(CSIDL_APPDATA, result);
    case DIR_LOCAL_APP_DATA:
      return FromCsidl(CSIDL_LOCAL_APPDATA, result);
    case DIR_COMMON_APP_DATA:
      return FromCsidl(CSIDL_COMMON_APPDATA, result);
    case DIR_USER_DESKTOP:
      return FromCsidl(CSIDL_DESKTOPDIRECTORY, result);
    case DIR_COMMON_DESKTOP:
      return FromCsidl(CSIDL_COMMON_DESKTOPDIRECTORY, result);
    case DIR_START_MENU:
      return FromCsidl(CSIDL_PROGRAMS, result);
    case DIR_COMMON_START_MENU:
      return FromCsidl(CSIDL_COMMON_PROGRAMS, result);
    case DIR_USER_QUICK_LAUNCH:
      // Built from roaming AppData: the known folder is missing on some
      // systems (and under Wine).
      if (!FromCsidl(CSIDL_APPDATA, &path)) return false;
      *result = path.Append(L"Microsoft\\Internet Explorer\\Quick Launch");
      return true;
    case DIR_TASKBAR_PINS:
      if (!PathProvider(DIR_USER_QUICK_LAUNCH, &path)) return false;
      *result = path.Append(L"User Pinned\\TaskBar");
      return true;
    case DIR_APP_SHORTCUTS:
      if (FromKnownFolder(FOLDERID_ApplicationShortcuts, result)) return true;
      // Its default place, for systems (and Wine) that do not know the id.
      if (!FromCsidl(CSIDL_LOCAL_APPDATA, &path)) return false;
      *result = path.Append(L"Microsoft\\Windows\\Application Shortcuts");
      return true;
    default:
      return false;
  }
}

}  // namespace base
