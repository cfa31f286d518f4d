// The default folders of the settings: the last one in the registry, the
// best drive for a standalone copy and the standard folders; and the count
// of this stream's registered installations.

#include <windows.h>

#include <knownfolders.h>

#include <iterator>
#include <memory>
#include <string>

#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/path_service.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/registry.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/service/drive_enumerator.h"
#include "desktop/windows/installer/service/drive_info.h"
#include "desktop/windows/installer/service/os_operations.h"
#include "desktop/windows/installer/settings/settings_impl.h"
#include "desktop/windows/installer/utils/installer_architecture.h"
#include "desktop/windows/installer/utils/installer_session.h"
#include "desktop/windows/installer/utils/installer_switches.h"
#include "desktop/windows/installer/utils/product_info.h"
#include "desktop/windows/installer/utils/service_utils.h"

namespace {

constexpr int kDesktopPriority = 5;
// A best candidate above this (a CD-ROM is 6) gives no standalone folder.
constexpr int kWorstUsablePriority = 6;
constexpr size_t kMaxSubkeyName = 260;

int DrivePriority(UINT drive_type) {
  switch (drive_type) {
    case DRIVE_REMOVABLE:
      return 0;
    case DRIVE_REMOTE:
      return 1;
    case DRIVE_FIXED:
      return 3;
    case DRIVE_RAMDISK:
      return 4;
    case DRIVE_CDROM:
      return 6;
    case DRIVE_NO_ROOT_DIR:
      return 8;
    default:
      return 7;
  }
}

std::wstring VisibleProductNameWithChannel() {
  return base::UTF8ToWide(product_info::GetVisibleProductNameWithChannel());
}

// "C:\x" or "\\server\share": the forms the registry may name a folder in.
bool IsAbsoluteFolderText(const std::wstring& text) {
  if (text.empty())
    return false;
  const bool letter = (text[0] >= L'A' && text[0] <= L'Z') || (text[0] >= L'a' && text[0] <= L'z');
  if (text.size() >= 3 && letter && text[1] == L':' && base::FilePath::IsSeparator(text[2]))
    return true;
  return text.size() >= 2 && base::FilePath::IsSeparator(text[0]) &&
         base::FilePath::IsSeparator(text[1]);
}

struct RegistryFolderValue {
  std::wstring name;
  const char* label;
};

std::vector<RegistryFolderValue> RegistryFolderValues(int architecture) {
  const std::wstring channel = base::UTF8ToWide(product_info::GetChannelName());
  std::vector<RegistryFolderValue> values;
  if (architecture == INSTALLER_ARCHITECTURE_X64)
    values.push_back({L"Last " + channel + L" Install Path x64", "[legacy x64]"});
  values.push_back({L"Last " + channel + L" Install Path", "[standard]"});
  values.push_back(
      {L"Last " + base::UTF8ToWide(GetStreamName()) + L" Install Path", "[beta=next]"});
  if (kStreamId == 4)
    values.push_back({L"Last install path", "[primordial]"});
  return values;
}

// The word after the product name in an uninstall entry's display name
// that marks an installation of this build's stream.
bool IsWordOfThisStream(const std::wstring& word) {
  switch (kStreamId) {
    case 1:
      return word == L"nightly";
    case 2:
      return word == L"developer" || word == L"Developer";
    case 3:
      return word == L"beta" || word == L"Next";
    case 4:
      return word == L"Stable";
    default:
      return false;
  }
}

bool IsEntryOfThisStream(const base::win::RegKey& entry) {
  std::wstring publisher;
  if (entry.ReadValue(L"Publisher", &publisher) != ERROR_SUCCESS) {
    VLOG(1) << "Cannot read Publisher in an uninstall key";
    return false;
  }
  if (!base::StartsWith(publisher, base::UTF8ToWide(ProductInfo::GetCompanyName()),
                        base::CompareCase::SENSITIVE)) {
    return false;
  }
  std::wstring display_name;
  if (entry.ReadValue(L"DisplayName", &display_name) != ERROR_SUCCESS) {
    VLOG(1) << "Cannot read Display Name in an uninstall key";
    return false;
  }
  const std::wstring prefix = base::UTF8ToWide(ProductInfo::GetProductName()) + L" ";
  if (!base::StartsWith(display_name, prefix, base::CompareCase::SENSITIVE)) {
    VLOG(1) << "DisplayName does not start with " << ProductInfo::GetProductName();
    return false;
  }
  const size_t blank = display_name.find(L' ', prefix.size());
  if (blank == std::wstring::npos)
    return false;
  return IsWordOfThisStream(display_name.substr(prefix.size(), blank - prefix.size()));
}

// Counts this stream's entries below one uninstall key, up to `limit`.
int CountStreamEntries(HKEY root, REGSAM view, int limit) {
  std::wstring key_path = GetUninstallRegistryKey(std::wstring());
  if (!key_path.empty() && key_path.back() == L'\\')
    key_path.pop_back();
  base::win::RegKey key(root, key_path.c_str(), KEY_READ | view);
  if (!key.Valid())
    return 0;
  const std::wstring product = base::UTF8ToWide(ProductInfo::GetProductName());
  int count = 0;
  for (DWORD index = 0; count < limit; ++index) {
    wchar_t name[kMaxSubkeyName + 1];
    DWORD name_size = std::size(name);
    if (RegEnumKeyExW(key.Handle(), index, name, &name_size, nullptr, nullptr, nullptr,
                      nullptr) != ERROR_SUCCESS) {
      break;
    }
    if (!base::StartsWith(std::wstring_view(name, name_size), product,
                          base::CompareCase::SENSITIVE)) {
      continue;
    }
    base::win::RegKey entry(key.Handle(), name, KEY_READ | view);
    if (entry.Valid() && IsEntryOfThisStream(entry))
      ++count;
  }
  return count;
}

}  // namespace

void SettingsImpl::ReadInstallFolderFromRegistry() {
  base::win::RegKey key(HKEY_CURRENT_USER, GetCompanyRegistryKey().c_str(), KEY_READ);
  if (!key.Valid())
    return;
  std::wstring text;
  for (const RegistryFolderValue& value : RegistryFolderValues(architecture_)) {
    if (key.ReadValue(value.name.c_str(), &text) == ERROR_SUCCESS) {
      VLOG(1) << "Install folder reg value " << value.label << ": " << text;
      break;
    }
    text.clear();
  }
  text = text.substr(0, text.find(L'\0'));
  // The value is written as the folder followed by a separator; the folder
  // itself has none, or an upgrade would spell it differently from the
  // install (uninstall entry, status, launcher paths) and add a separator
  // to the value each time.
  if (IsAbsoluteFolderText(text) && base::DirectoryExists(base::FilePath(text)))
    registry_install_folder_ = base::FilePath(text).StripTrailingSeparators();
  VLOG(1) << "Install folder from reg value " << registry_install_folder_.value();
}

void SettingsImpl::FindStandaloneFolders() {
  const std::wstring name = VisibleProductNameWithChannel();
  int count = 0;
  int best_priority = kWorstUsablePriority + 1;
  base::FilePath best;
  const auto consider = [&](const base::FilePath& candidate, int priority) {
    ++count;
    if (priority < best_priority) {
      best_priority = priority;
      best = candidate;
    }
  };
  // Under Wine the medium check fails for every drive: only the desktop.
  std::unique_ptr<DriveEnumerator> drives = OSOperations::GetInstance()->CreateDriveEnumerator();
  while (std::unique_ptr<DriveInfo> drive = drives->Next()) {
    if (drive->IsMediaPresent())
      consider(drive->GetRootPath().Append(name), DrivePriority(drive->GetDriveType()));
  }
  base::FilePath desktop;
  if (base::PathService::Get(base::DIR_USER_DESKTOP, &desktop) && desktop.IsAbsolute())
    consider(desktop.Append(name), kDesktopPriority);
  LOG(INFO) << "Found " << count << " paths for standalone install mode.";
  if (best.empty())
    return;
  standalone_default_ = best;
  VLOG(1) << "Default install path for standalone install mode: " << best.value();
}

void SettingsImpl::ComputeDefaultInstallFolder(base::FilePath* path,
                                               int sources,
                                               int architecture,
                                               bool all_users,
                                               bool copy_only) const {
  VLOG(2) << "Retrieving default installation folder path";
  VLOG(2) << " - Using command line: " << ((sources & DEFAULT_FOLDER_COMMAND_LINE) ? 1 : 0);
  VLOG(2) << " - Using the registry: " << ((sources & DEFAULT_FOLDER_REGISTRY) ? 1 : 0);
  VLOG(2) << " - Using the standard folder: " << ((sources & DEFAULT_FOLDER_STANDARD) ? 1 : 0);
  *path = base::FilePath();
  if ((sources & DEFAULT_FOLDER_COMMAND_LINE) && !command_line_install_folder_.empty()) {
    *path = command_line_install_folder_;
    return;
  }
  VLOG(2) << "Default install folder: not from command line";
  if ((sources & DEFAULT_FOLDER_REGISTRY) && !copy_only && !registry_install_folder_.empty()) {
    *path = registry_install_folder_;
    return;
  }
  VLOG(2) << "Default install folder: not from registry";
  if (!(sources & DEFAULT_FOLDER_STANDARD))
    return;
  const std::wstring name = VisibleProductNameWithChannel();
  if (all_users) {
    VLOG(2) << "Default install folder: for all users";
    base::FilePath program_files;
    const int key = architecture == INSTALLER_ARCHITECTURE_X64 ? base::DIR_PROGRAM_FILES6432
                                                               : base::DIR_PROGRAM_FILESX86;
    if (base::PathService::Get(key, &program_files) && !program_files.empty())
      *path = program_files.Append(name);
    return;
  }
  if (copy_only) {
    VLOG(2) << "Default install folder: for all standalone";
    *path = standalone_default_;
    return;
  }
  VLOG(2) << "Default install folder: for current user";
  // Never a bare name, which would be relative to the current folder: where
  // the system knows no per-user program folder (Wine), the local
  // application data's "Programs", else nothing (an invalid folder). Only
  // the path: offering a folder makes nothing; installing into it does.
  base::FilePath programs;
  if (base::win::GetVersion() < base::win::VERSION_WIN7 ||
      !GetKnownFolderPath(FOLDERID_UserProgramFiles, -1, &programs, /*create=*/false) ||
      !programs.IsAbsolute()) {
    base::FilePath local_app_data;
    programs = base::PathService::Get(base::DIR_LOCAL_APP_DATA, &local_app_data) &&
                       local_app_data.IsAbsolute()
                   ? local_app_data.Append(L"Programs")
                   : base::FilePath();
  }
  if (!programs.empty())
    *path = programs.Append(name);
}

void SettingsImpl::ReadDeleteProfileSwitch(const base::CommandLine& command_line) {
  if (session_->IsUninstallSwitch()) {
    if (command_line.HasSwitch(switches::kDeleteUserProfile)) {
      SetFlagValue(DELETE_PROFILE,
                   ParseSwitchBool(command_line.GetSwitchValueNative(switches::kDeleteUserProfile)));
    } else {
      flags_[DELETE_PROFILE] = false;
    }
  }
  if (!command_line.HasSwitch(switches::kBackend))
    CountStreamInstallations();
}

void SettingsImpl::CountStreamInstallations() {
  struct View {
    HKEY root;
    REGSAM access;
  };
  std::vector<View> views = {{HKEY_CURRENT_USER, 0}};
  if (base::win::OSInfo::GetInstance()->architecture() == base::win::OSInfo::X64_ARCHITECTURE)
    views.push_back({HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY});
  views.push_back({HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY});
  constexpr int kAnother = 2;
  int count = 0;
  for (const View& view : views) {
    count += CountStreamEntries(view.root, view.access, kAnother - count);
    if (count >= kAnother) {
      only_installation_of_stream_ = false;
      return;
    }
  }
}
