#include "desktop/windows/installer/utils/service_utils.h"

#include <windows.h>
#include <knownfolders.h>
#include <lmcons.h>
#include <shlobj.h>
#define SECURITY_WIN32
#include <sddl.h>
#include <security.h>
// Our GetUserNameEx takes a wide string; the system one is GetUserNameExW.
#undef GetUserNameEx

#include <algorithm>
#include <atomic>
#include <cstring>

#include "base/base_paths.h"
#include "base/files/file.h"
#include "base/files/file_enumerator.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/path_service.h"
#include "base/strings/string_util.h"
#include "base/strings/stringprintf.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/scoped_handle.h"
#include "base/win/shortcut.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/utils/canonical_folder.h"
#include "desktop/windows/installer/utils/installer_event_names.h"
#include "desktop/windows/installer/utils/product_info.h"
#include "desktop/windows/installer/utils/relative_path.h"

namespace {

std::atomic<ShortcutPropertiesReader> g_shortcut_reader{&base::win::ResolveShortcutProperties};

bool IsValidPathComponent(std::wstring_view component) {
  if (component.empty()) return true;
  for (wchar_t c : component) {
    if (c < 32 || c == L'?' || c == L'"' || c == L'<' || c == L'>' || c == L'*' || c == L'|' ||
        c == L':')
      return false;
  }
  if (component.front() == L' ' || component.back() == L' ' || component.back() == L'.')
    return false;
  return !IsReservedDeviceName(component);
}

// Skips a UNC server or share name at `*pos`; it must end in a separator.
bool SkipUncPart(const std::wstring& path, size_t* pos) {
  size_t end = *pos;
  while (end < path.size() && !base::FilePath::IsSeparator(path[end])) ++end;
  if (end == *pos || end == path.size()) return false;
  *pos = end + 1;
  return true;
}

struct RegistryRoot {
  HKEY root;
  const wchar_t* name;  // with its trailing "\"
};

constexpr wchar_t kUninstallKeyPath[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

const RegistryRoot kRegistryRoots[] = {{HKEY_CLASSES_ROOT, L"CLASSES_ROOT\\"},
                                       {HKEY_CURRENT_USER, L"CURRENT_USER\\"},
                                       {HKEY_LOCAL_MACHINE, L"MACHINE\\"},
                                       {HKEY_USERS, L"USERS\\"}};

// Default places of known folders that some systems do not define.
struct KnownFolderFallback {
  const KNOWNFOLDERID* folder;
  const KNOWNFOLDERID* base_folder;
  int base_csidl;
  const wchar_t* subpath;
};

const KnownFolderFallback kKnownFolderFallbacks[] = {
    {&FOLDERID_UserProgramFiles, &FOLDERID_LocalAppData, CSIDL_LOCAL_APPDATA, L"Programs"},
    {&FOLDERID_QuickLaunch, &FOLDERID_RoamingAppData, CSIDL_APPDATA,
     L"Microsoft\\Internet Explorer\\Quick Launch"},
    {&FOLDERID_UserPinned, &FOLDERID_QuickLaunch, -1, L"User Pinned"},
};

service_utils_internal::GetKnownFolderPathFunction SystemKnownFolderFunction() {
  HMODULE shell32 = ::GetModuleHandleW(L"shell32.dll");
  if (!shell32) shell32 = ::LoadLibraryExW(L"shell32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!shell32) return nullptr;
  return reinterpret_cast<service_utils_internal::GetKnownFolderPathFunction>(
      ::GetProcAddress(shell32, "SHGetKnownFolderPath"));
}

bool KnownFolderThroughFunction(service_utils_internal::GetKnownFolderPathFunction function,
                                REFKNOWNFOLDERID folder_id, bool create, base::FilePath* path) {
  for (DWORD flags : {DWORD{0}, DWORD{KF_FLAG_CREATE | KF_FLAG_INIT}}) {
    if (flags && !create) break;
    PWSTR text = nullptr;
    const HRESULT hr = function(folder_id, flags, nullptr, &text);
    const bool ok = SUCCEEDED(hr) && text && *text;
    if (ok) *path = base::FilePath(text);
    ::CoTaskMemFree(text);
    if (ok) return true;
  }
  return false;
}

bool FolderThroughCsidl(int csidl, bool create, base::FilePath* path) {
  if (csidl < 0) return false;
  wchar_t buffer[MAX_PATH] = {};
  HRESULT hr = ::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer);
  if (FAILED(hr) && hr != E_INVALIDARG && create) {
    hr = ::SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_CREATE | CSIDL_FLAG_DONT_UNEXPAND, nullptr,
                            SHGFP_TYPE_CURRENT, buffer);
  }
  if (FAILED(hr) || !buffer[0]) return false;
  *path = base::FilePath(buffer);
  return true;
}

// Reads e_lfanew and the COFF machine field; false for anything short.
bool ReadPeMachine(base::File* file, WORD* machine) {
  IMAGE_DOS_HEADER dos;
  if (file->Read(0, reinterpret_cast<char*>(&dos), sizeof(dos)) != sizeof(dos)) return false;
  if (dos.e_magic != IMAGE_DOS_SIGNATURE || dos.e_lfanew < 0) return false;
  struct {
    DWORD signature;
    WORD machine;
  } __attribute__((packed)) nt;
  if (file->Read(dos.e_lfanew, reinterpret_cast<char*>(&nt), sizeof(nt)) != sizeof(nt))
    return false;
  if (nt.signature != IMAGE_NT_SIGNATURE) return false;
  *machine = nt.machine;
  return true;
}

bool TargetMatches(const base::FilePath& shortcut_target, const base::FilePath& target,
                   const FileIdentity* target_identity) {
  if (base::FilePath::CompareEqualIgnoreCase(shortcut_target.value(), target.value())) return true;
  FileIdentity identity;
  return target_identity && GetFileIdentity(shortcut_target, &identity) &&
         identity == *target_identity;
}

}  // namespace

std::wstring GetCompanyRegistryKey() {
  return L"Software\\" + base::UTF8ToWide(ProductInfo::GetCompanyName());
}

std::wstring GetUninstallRegistryKey(const std::wstring& entry_name) {
  return std::wstring(kUninstallKeyPath) + L"\\" + entry_name;
}

bool IsUninstallRegistryKey(const std::wstring& key_path) {
  return base::StartsWith(key_path, kUninstallKeyPath, base::CompareCase::INSENSITIVE_ASCII);
}

std::wstring GetBrowserExeName() {
  return base::UTF8ToWide(ProductInfo::GetFileNameBase()) + L".exe";
}

namespace {

std::wstring WithForwardSlashes(std::wstring text) {
  std::replace(text.begin(), text.end(), L'\\', L'/');
  return text;
}

}  // namespace

std::wstring MakeKernelObjectName(const std::wstring& folder, const std::wstring& object_name,
                                  bool global) {
  return MakeKernelObjectNameOfSpelling(GetFolderKey(base::FilePath(folder)), object_name, global);
}

std::wstring MakeKernelObjectNameOfSpelling(const std::wstring& spelling,
                                            const std::wstring& object_name, bool global) {
  return (global ? L"Global\\" : L"Local\\") + object_name + L"/" + WithForwardSlashes(spelling);
}

std::wstring GetInstallerMutexName(const base::FilePath& folder) {
  return GetInstallerMutexNameOfSpelling(GetFolderKey(folder));
}

std::wstring GetInstallerMutexNameOfSpelling(const std::wstring& spelling) {
  return kInstallerMutexPrefix + WithForwardSlashes(spelling);
}

std::wstring GetInstallerMailslotName(const base::FilePath& folder) {
  return kInstallerMailslotPrefix + GetFolderKey(folder);
}

HANDLE OpenByNameOrSpelling(const std::wstring& name, const std::wstring& spelt_name,
                            const std::function<HANDLE(const std::wstring&)>& open) {
  HANDLE handle = open(name);
  if ((handle && handle != INVALID_HANDLE_VALUE) || GetLastError() != ERROR_FILE_NOT_FOUND ||
      spelt_name.empty() || spelt_name == name) {
    return handle;
  }
  return open(spelt_name);
}

std::string GetStreamName() {
  return GetStreamNameForNumber(kStreamId);
}

std::string GetStreamNameForNumber(int stream) {
  switch (stream) {
    case 1:
      return "Nightly";
    case 2:
      return "Developer";
    case 3:
      return "Next";
    case 4:
      return "Stable";
    default:
      return product_info::GetChannelName();
  }
}

void RegistryRootName(HKEY root, const std::wstring& key_path, std::wstring* name) {
  DCHECK(name);
  name->clear();
  for (const RegistryRoot& entry : kRegistryRoots) {
    if (entry.root == root)
      *name = entry.name;
  }
  *name += key_path;
}

bool SplitRegistryObjectName(const std::wstring& name, HKEY* root, std::wstring* key_path) {
  DCHECK(root);
  DCHECK(key_path);
  for (const RegistryRoot& entry : kRegistryRoots) {
    const size_t length = wcslen(entry.name);
    if (name.size() >= length &&
        ::CompareStringOrdinal(name.c_str(), static_cast<int>(length), entry.name,
                               static_cast<int>(length), TRUE) == CSTR_EQUAL) {
      *root = entry.root;
      *key_path = name.substr(length);
      return true;
    }
  }
  return false;
}

bool IsValidFileSystemPath(const std::wstring& path, bool is_folder) {
  const size_t limit = is_folder ? 248 : MAX_PATH;
  if (path.empty() || path.size() >= limit) return false;
  size_t pos = 0;
  if (path.size() >= 2 && base::FilePath::IsSeparator(path[0]) &&
      base::FilePath::IsSeparator(path[1])) {
    pos = 2;
    if (!SkipUncPart(path, &pos) || !SkipUncPart(path, &pos)) return false;
  } else if (path.size() >= 2 && path[1] == L':') {
    pos = 2;
  }
  while (pos <= path.size()) {
    size_t end = pos;
    while (end < path.size() && !base::FilePath::IsSeparator(path[end])) ++end;
    if (!IsValidPathComponent(std::wstring_view(path).substr(pos, end - pos))) return false;
    pos = end + 1;
  }
  return true;
}

bool GetKnownFolderPath(REFKNOWNFOLDERID folder_id, int csidl, base::FilePath* path, bool create) {
  static const service_utils_internal::GetKnownFolderPathFunction function =
      SystemKnownFolderFunction();
  return service_utils_internal::GetKnownFolderPathWith(function, folder_id, csidl, path, create);
}

namespace service_utils_internal {

bool GetKnownFolderPathWith(GetKnownFolderPathFunction function, REFKNOWNFOLDERID folder_id,
                            int csidl, base::FilePath* path, bool create) {
  DCHECK(path);
  base::FilePath result;
  bool found = function ? KnownFolderThroughFunction(function, folder_id, create, &result)
                        : FolderThroughCsidl(csidl, create, &result);
  if (!found) {
    for (const KnownFolderFallback& fallback : kKnownFolderFallbacks) {
      if (!::IsEqualGUID(*fallback.folder, folder_id)) continue;
      base::FilePath base_folder;
      if (!GetKnownFolderPathWith(function, *fallback.base_folder, fallback.base_csidl,
                                  &base_folder, create))
        return false;
      result = base_folder.Append(fallback.subpath);
      found = !create || base::CreateDirectory(result);
      break;
    }
  }
  if (found) *path = result;
  return found;
}

}  // namespace service_utils_internal

std::wstring GetCurrentUserSid() {
  HANDLE raw_token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw_token))
    return std::wstring();
  base::win::ScopedHandle token(raw_token);
  DWORD size = 0;
  GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
  std::vector<uint8_t> buffer(size);
  if (size == 0 ||
      !GetTokenInformation(token.Get(), TokenUser, buffer.data(), size, &size)) {
    return std::wstring();
  }
  wchar_t* text = nullptr;
  if (!ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text))
    return std::wstring();
  std::wstring sid(text);
  LocalFree(text);
  return sid;
}

bool GetCurrentUserName(std::wstring* name) {
  wchar_t buffer[UNLEN + 1];
  DWORD size = UNLEN + 1;
  if (!::GetUserNameW(buffer, &size) || size == 0) return false;
  name->assign(buffer, size - 1);  // the count includes the terminator
  return true;
}

bool GetUserNameEx(std::wstring* name, int name_format) {
  const auto format = static_cast<EXTENDED_NAME_FORMAT>(name_format);
  ULONG size = 0;
  if (!::GetUserNameExW(format, nullptr, &size) && ::GetLastError() != ERROR_MORE_DATA)
    return false;
  if (size == 0) return false;
  std::wstring buffer(size, L'\0');
  if (!::GetUserNameExW(format, buffer.data(), &size)) return false;
  // On success the size excludes the terminator.
  buffer.resize(size < buffer.size() ? size : buffer.size());
  name->assign(buffer.c_str());
  return true;
}

bool GetUserSamName(std::wstring* name) {
  return GetUserNameEx(name, NameSamCompatible);
}

bool GetUserDisplayName(std::wstring* name) {
  return GetUserNameEx(name, NameDisplay);
}

std::string GetWindowsErrorText(DWORD error) {
  char buffer[256] = {};
  const DWORD length =
      ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                       MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), buffer, sizeof(buffer), nullptr);
  if (length == 0) {
    const DWORD format_error = ::GetLastError();
    return base::StringPrintf("Error (0x%lX) while retrieving error. (0x%lX)", format_error, error);
  }
  const std::string_view text =
      base::TrimWhitespaceASCII(std::string_view(buffer, length), base::TRIM_ALL);
  return std::string(text) + base::StringPrintf(" (0x%lX)", error);
}

PeMachineKind GetPeMachineKind(const base::FilePath& file_path) {
  // Plain reads rather than a mapping: a short or shrinking file then reads
  // short instead of faulting.
  base::File file(file_path, base::File::FLAG_OPEN | base::File::FLAG_READ);
  WORD machine = 0;
  if (!file.IsValid() || !ReadPeMachine(&file, &machine)) return PE_MACHINE_UNKNOWN;
  return machine == IMAGE_FILE_MACHINE_I386 ? PE_MACHINE_I386 : PE_MACHINE_OTHER;
}

bool IsParentPathIgnoreCase(const base::FilePath& parent, const base::FilePath& child) {
  return base::FilePath(base::ToLowerASCII(parent.value()))
      .IsParent(base::FilePath(base::ToLowerASCII(child.value())));
}

bool GetFileIdentity(const base::FilePath& path, FileIdentity* identity) {
  base::win::ScopedHandle file(::CreateFileW(
      path.value().c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file.IsValid()) return false;
  BY_HANDLE_FILE_INFORMATION info;
  if (!::GetFileInformationByHandle(file.Get(), &info)) return false;
  identity->volume_serial_number = info.dwVolumeSerialNumber;
  identity->file_index = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  return true;
}

bool ReadShortcutProperties(const base::FilePath& shortcut, uint32_t options,
                            base::win::ShortcutProperties* properties) {
  return g_shortcut_reader.load()(shortcut, options, properties);
}

bool ShortcutPointsToFile(const base::FilePath& shortcut,
                          const base::FilePath& file,
                          const std::function<base::FilePath(const base::FilePath&)>& locate) {
  VLOG(1) << "Testing shortcut " << shortcut.value() << " for " << file.value();
  base::win::ShortcutProperties properties;
  if (!g_shortcut_reader.load()(shortcut, base::win::ShortcutProperties::PROPERTIES_TARGET,
                                &properties))
    return false;
  FileIdentity target_identity;
  FileIdentity file_identity;
  const base::FilePath target = locate ? locate(properties.target) : properties.target;
  return GetFileIdentity(target, &target_identity) &&
         GetFileIdentity(file, &file_identity) && target_identity == file_identity;
}

void FindPinnedShortcutFor(const base::FilePath& target, const std::wstring& app_id,
                           std::vector<base::FilePath>* pins) {
  if (base::win::GetVersion() < base::win::VERSION_WIN7) return;
  base::FilePath pins_folder;
  if (!base::PathService::Get(base::DIR_TASKBAR_PINS, &pins_folder) ||
      !base::DirectoryExists(pins_folder))
    return;
  FileIdentity target_identity;
  const bool have_identity = GetFileIdentity(target, &target_identity);
  const ShortcutPropertiesReader reader = g_shortcut_reader.load();
  base::FileEnumerator shortcuts(pins_folder, /*recursive=*/false, base::FileEnumerator::FILES,
                                 L"*.lnk");
  for (base::FilePath shortcut = shortcuts.Next(); !shortcut.empty(); shortcut = shortcuts.Next()) {
    base::win::ShortcutProperties properties;
    if (!reader(shortcut,
                base::win::ShortcutProperties::PROPERTIES_TARGET |
                    base::win::ShortcutProperties::PROPERTIES_APP_ID,
                &properties))
      continue;
    if (properties.app_id != app_id) continue;
    if (TargetMatches(properties.target, target, have_identity ? &target_identity : nullptr))
      pins->push_back(shortcut);
  }
}

bool IsProtocolName(const std::wstring& association) {
  return !association.empty() && association.front() != L'.';
}

bool IsFileExtension(const std::wstring& association) {
  return !association.empty() && association.front() == L'.';
}

ScopedShortcutPropertiesReaderForTesting::ScopedShortcutPropertiesReaderForTesting(
    ShortcutPropertiesReader reader)
    : previous_(g_shortcut_reader.exchange(reader)) {}

ScopedShortcutPropertiesReaderForTesting::~ScopedShortcutPropertiesReaderForTesting() {
  g_shortcut_reader.store(previous_);
}
