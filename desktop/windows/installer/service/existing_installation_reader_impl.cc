#include "desktop/windows/installer/service/existing_installation_reader_impl.h"

#include <windows.h>

#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

#include "base/command_line.h"
#include "base/files/file_enumerator.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/path_service.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_split.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/shortcut.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/service/browser_registration_table.h"
#include "desktop/windows/installer/service/install_folder_template_variables.h"
#include "desktop/windows/installer/service/installation_status.h"
#include "desktop/windows/installer/service/versioned_folder_name.h"
#include "desktop/windows/installer/service/os_operations.h"
#include "desktop/windows/installer/service/registry_key_enumerator.h"
#include "desktop/windows/installer/service/registry_key_node.h"
#include "desktop/windows/installer/signature_checker/program_run_policy.h"
#include "desktop/windows/installer/utils/app_output_runner.h"
#include "desktop/windows/installer/utils/process_launcher.h"
#include "desktop/windows/installer/utils/product_info.h"
#include "desktop/windows/installer/utils/service_utils.h"

namespace {

constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr wchar_t kInstallerExe[] = L"installer.exe";
constexpr wchar_t kFilesList[] = L"files_list";
constexpr wchar_t kAssetsFolder[] = L"Assets";
constexpr const wchar_t* kRootFiles[] = {L"Resources.pri", L"launcher.visualelementsmanifest.xml"};
constexpr char kVersionSwitch[] = "version";

bool SameFolder(const std::wstring& a, const base::FilePath& b) {
  return base::FilePath::CompareEqualIgnoreCase(base::FilePath(a).StripTrailingSeparators().value(),
                                                b.StripTrailingSeparators().value());
}

// Calls `visit` (entry name, its folder) for each entry under one root that
// is ours, until it returns true; true then.
bool VisitOwnEntries(HKEY root, REGSAM view,
                     const std::function<bool(const std::wstring&, const std::wstring&)>& visit) {
  const std::wstring product = base::UTF8ToWide(product_info::GetProductName());
  const std::wstring company = base::UTF8ToWide(ProductInfo::GetCompanyName());
  std::unique_ptr<RegistryKeyEnumerator> entries =
      OSOperations::GetInstance()
          ->OpenRegistryKey(root, kUninstallKey, KEY_READ | view)
          ->CreateSubkeyEnumerator();
  for (std::unique_ptr<RegistryKeyNode> entry = entries->Next(); entry; entry = entries->Next()) {
    const std::wstring entry_name = entry->GetName();
    std::wstring publisher;
    std::wstring location;
    if (base::StartsWith(entry_name, product, base::CompareCase::SENSITIVE) &&
        entry->ReadValue(L"Publisher", &publisher) &&
        base::StartsWith(publisher, company, base::CompareCase::SENSITIVE) &&
        entry->ReadValue(L"InstallLocation", &location) && visit(entry_name, location)) {
      return true;
    }
  }
  return false;
}

// The first entry under one root that is ours and names `folder`.
bool FindEntryUnder(HKEY root, REGSAM view, const base::FilePath& folder, std::wstring* name) {
  return VisitOwnEntries(root, view, [&](const std::wstring& entry, const std::wstring& location) {
    if (!SameFolder(location, folder))
      return false;
    *name = entry;
    return true;
  });
}

// The views of the machine's entries, the 64-bit one first where there is
// one.
std::vector<REGSAM> MachineViews() {
  std::vector<REGSAM> views;
  if (base::win::OSInfo::GetInstance()->architecture() != base::win::OSInfo::X86_ARCHITECTURE)
    views.push_back(KEY_WOW64_64KEY);
  views.push_back(KEY_WOW64_32KEY);
  return views;
}

// A direct subfolder that may hold an installed version.
struct VersionedFolder {
  int major;
  base::Time modified;
  base::FilePath path;
};

std::vector<VersionedFolder> ListVersionedFolders(const base::FilePath& folder) {
  const std::wstring browser_exe = GetBrowserExeName();
  std::vector<VersionedFolder> candidates;
  base::FileEnumerator folders(folder, /*recursive=*/false, base::FileEnumerator::DIRECTORIES);
  for (base::FilePath path = folders.Next(); !path.empty(); path = folders.Next()) {
    int major = 0;
    if (!ParseVersionedFolderName(path.BaseName().value(),
                                                                  &major) ||
        base::PathExists(path.Append(kFilesList)) || !base::PathExists(path.Append(browser_exe)) ||
        !base::PathExists(path.Append(kInstallerExe))) {
      continue;
    }
    candidates.push_back({major, folders.GetInfo().GetLastModifiedTime(), path});
  }
  // Highest first number first, then the newest.
  std::stable_sort(candidates.begin(), candidates.end(),
                   [](const VersionedFolder& a, const VersionedFolder& b) {
                     if (a.major != b.major)
                       return a.major > b.major;
                     return a.modified > b.modified;
                   });
  return candidates;
}

// The last part of an application id such as "Tarvo.Browser.12" when it is
// a number; empty otherwise.
std::wstring AppIdNumber(const std::wstring& app_id) {
  const std::vector<std::wstring> parts =
      base::SplitString(app_id, L".", base::TRIM_WHITESPACE, base::SPLIT_WANT_NONEMPTY);
  if (parts.empty() || !base::ContainsOnlyChars(parts.back(), L"0123456789"))
    return std::wstring();
  return parts.back();
}

// The first shortcut in `shortcut_folder` into `folder` that carries a
// numbered application id.
void FindShortcut(int folder_key,
                  const base::FilePath& folder,
                  base::FilePath* shortcut_field,
                  std::wstring* app_id) {
  base::FilePath shortcut_folder;
  if (!base::PathService::Get(folder_key, &shortcut_folder))
    return;
  base::FileEnumerator shortcuts(shortcut_folder, /*recursive=*/false, base::FileEnumerator::FILES,
                                 L"*.lnk");
  for (base::FilePath shortcut = shortcuts.Next(); !shortcut.empty(); shortcut = shortcuts.Next()) {
    base::win::ShortcutProperties properties;
    if (!ReadShortcutProperties(shortcut,
                                base::win::ShortcutProperties::PROPERTIES_TARGET |
                                    base::win::ShortcutProperties::PROPERTIES_APP_ID,
                                &properties) ||
        !IsParentPathIgnoreCase(folder, properties.target)) {
      continue;
    }
    const std::wstring number = AppIdNumber(properties.app_id);
    if (number.empty())
      continue;
    *shortcut_field = shortcut;
    *app_id = number;
    return;
  }
}

void FindShortcuts(const base::FilePath& folder, InstallationStatus* status) {
  FindShortcut(status->all_users ? base::DIR_COMMON_DESKTOP : base::DIR_USER_DESKTOP, folder,
               &status->desktop_shortcut, &status->app_id);
  FindShortcut(base::DIR_USER_QUICK_LAUNCH, folder, &status->quick_launch_shortcut,
               &status->app_id);
  FindShortcut(status->all_users ? base::DIR_COMMON_START_MENU : base::DIR_START_MENU, folder,
               &status->start_menu_shortcut, &status->app_id);
}

// Every file below `root`, relative to `base`.
void AddFilesBelow(const base::FilePath& root,
                   const base::FilePath& base,
                   std::vector<base::FilePath>* files) {
  base::FileEnumerator enumerator(root, /*recursive=*/true, base::FileEnumerator::FILES);
  for (base::FilePath file = enumerator.Next(); !file.empty(); file = enumerator.Next()) {
    base::FilePath relative;
    if (base.AppendRelativePath(file, &relative))
      files->push_back(relative);
  }
}

bool HoldsFile(const std::vector<base::FilePath>& files, const std::wstring& name) {
  return std::any_of(files.begin(), files.end(), [&name](const base::FilePath& file) {
    return base::FilePath::CompareEqualIgnoreCase(file.value(), name);
  });
}

void AddRootFiles(const base::FilePath& folder, InstallationStatus* status) {
  const base::FilePath assets = folder.Append(kAssetsFolder);
  if (base::DirectoryExists(assets))
    AddFilesBelow(assets, folder, &status->root_files);
  for (const wchar_t* name : kRootFiles) {
    if (base::PathExists(folder.Append(name)))
      status->root_files.push_back(base::FilePath(name));
  }
}

// The key of `keys` with exactly `path`, appended when missing.
StatusRegistryKey* FindOrAddKey(std::vector<StatusRegistryKey>* keys,
                                const std::string& path,
                                int32_t clean) {
  for (StatusRegistryKey& key : *keys) {
    if (key.path == path)
      return &key;
  }
  keys->push_back(StatusRegistryKey{clean, path, {}});
  return &keys->back();
}

}  // namespace

namespace existing_installation_internal {

bool FindUninstallEntry(const base::FilePath& folder, bool* all_users, std::wstring* entry_name) {
  std::wstring user_entry;
  const bool found_for_user = FindEntryUnder(HKEY_CURRENT_USER, 0, folder, &user_entry);
  for (REGSAM view : MachineViews()) {
    std::wstring machine_entry;
    if (FindEntryUnder(HKEY_LOCAL_MACHINE, view, folder, &machine_entry)) {
      // Entries for one folder in both hives: no telling which is real.
      if (found_for_user)
        return false;
      *all_users = true;
      *entry_name = machine_entry;
      return true;
    }
  }
  if (!found_for_user)
    return false;
  *all_users = false;
  *entry_name = user_entry;
  return true;
}

void AddRegistrations(const base::FilePath& folder,
                      const std::wstring& entry_name,
                      InstallationStatus* status) {
  const HKEY root = status->all_users ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
  std::vector<StatusRegistryKey>* keys =
      status->all_users ? &status->hklm_keys : &status->hkcu_keys;
  InstallFolderTemplateVariables variables(folder, entry_name);
  for (const RegistryRuleRow& row : GetRegistrationTable()) {
    // Only values this installer writes under that root count as its own:
    // recording another build's value would have it removed with ours.
    if (row.type < REG_NONE || !RegistryRuleApplies(row, root))
      continue;
    std::wstring key_path;
    std::wstring value_name;
    ExpandRulePlaceholders(RegistryRule(row, &variables), &key_path, &value_name);
    std::unique_ptr<RegistryKeyNode> key =
        OSOperations::GetInstance()->OpenRegistryKey(root, key_path, KEY_READ | KEY_WOW64_32KEY);
    if (!key->IsValid() || !key->HasValue(value_name.c_str()))
      continue;
    // UTF-8 as everywhere in the record: value names hold the folder path,
    // which need not be ASCII.
    StatusRegistryKey* recorded =
        FindOrAddKey(keys, base::WideToUTF8(key_path), static_cast<int32_t>(row.clean));
    StatusRegistryValue value;
    value.name = base::WideToUTF8(value_name);
    recorded->values.push_back(value);
  }
}

}  // namespace existing_installation_internal

ExistingInstallationReaderImpl::ExistingInstallationReaderImpl()
    : ExistingInstallationReaderImpl(std::make_unique<AppOutputRunnerImpl>(kVersionTimeLimit)) {}

ExistingInstallationReaderImpl::ExistingInstallationReaderImpl(
    std::unique_ptr<AppOutputRunner> runner,
    ProgramCheck program_check)
    : runner_(std::move(runner)), program_check_(std::move(program_check)) {
  if (!program_check_) {
    program_check_ = [](const base::FilePath& program, std::string* error) {
      return IsProgramAllowedToRun(program, error);
    };
  }
}

ExistingInstallationReaderImpl::~ExistingInstallationReaderImpl() = default;

bool ExistingInstallationReaderImpl::FindVersionedSubfolder(const base::FilePath& folder,
                                                            base::FilePath* subfolder,
                                                            std::string* version) {
  for (const VersionedFolder& candidate : ListVersionedFolders(folder)) {
    const base::FilePath installer = candidate.path.Append(kInstallerExe);
    // Held from the signer check until it has answered, so that nobody can
    // change or replace the program between the check and its start.
    base::win::ScopedHandle held = OpenProgramForLaunch(installer);
    if (!held.IsValid()) {
      PLOG(WARNING) << "Skipping " << candidate.path.value() << ": cannot open its installer";
      continue;
    }
    // The folder may be anybody's: only a program this installer would run
    // anyway is started to ask its version.
    std::string signature_error;
    if (!program_check_(installer, &signature_error)) {
      LOG(WARNING) << "Skipping " << candidate.path.value()
                   << ": its installer is not signed by the expected signer: " << signature_error;
      continue;
    }
    base::CommandLine command_line(installer);
    command_line.AppendSwitch(kVersionSwitch);
    if (!runner_->Run(command_line, version)) {
      // A hung or broken installer must not stall the folder check.
      LOG(WARNING) << "Skipping " << candidate.path.value()
                   << ": its installer did not tell its version";
      continue;
    }
    *subfolder = candidate.path.BaseName();
    return true;
  }
  return false;
}

std::vector<base::FilePath> ExistingInstallationReaderImpl::ListRegisteredFolders() {
  std::vector<base::FilePath> folders;
  auto add = [&folders](const std::wstring& /*entry*/, const std::wstring& location) {
    if (!location.empty())
      folders.push_back(base::FilePath(location).StripTrailingSeparators());
    return false;
  };
  VisitOwnEntries(HKEY_CURRENT_USER, 0, add);
  for (REGSAM view : MachineViews())
    VisitOwnEntries(HKEY_LOCAL_MACHINE, view, add);
  return folders;
}

void ExistingInstallationReaderImpl::Read(std::unique_ptr<InstallationStatus>* status,
                                          const base::FilePath& folder) {
  status->reset();
  if (!base::DirectoryExists(folder))
    return;
  auto record = std::make_unique<InstallationStatus>(INSTALLATION_STATUS_SOURCE_FULLY_RECOVERED);
  std::wstring entry_name;
  if (!existing_installation_internal::FindUninstallEntry(folder, &record->all_users,
                                                          &entry_name) ||
      !FindVersionedSubfolder(folder, &record->subfolder, &record->version)) {
    return;
  }
  FindShortcuts(folder, record.get());
  record->copy_only = false;
  record->path = folder;
  AddFilesBelow(folder.Append(record->subfolder), folder.Append(record->subfolder), &record->files);
  if (!HoldsFile(record->files, GetBrowserExeName()) || !HoldsFile(record->files, kInstallerExe))
    return;
  AddRootFiles(folder, record.get());
  existing_installation_internal::AddRegistrations(folder, entry_name, record.get());
  *status = std::move(record);
}
