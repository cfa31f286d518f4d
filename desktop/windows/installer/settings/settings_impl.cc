// The settings model: flags with their refusal rules, modes, observers and
// the folder-details request cycle. Where the values come from is in
// settings_impl_sources.cc, the default folders in settings_impl_folders.cc
// and the backend command line in settings_impl_command_line.cc.

#include "desktop/windows/installer/settings/settings_impl.h"
#include "desktop/windows/installer/settings/settings_observer.h"

#include <algorithm>
#include <utility>

#include "base/bind.h"
#include "base/command_line.h"
#include "base/logging.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/service/installation_folder_details.h"
#include "desktop/windows/installer/utils/canonical_folder.h"
#include "desktop/windows/installer/utils/installer_session.h"
#include "desktop/windows/installer/utils/installer_switches.h"
#include "desktop/windows/installer/utils/security_util.h"
#include "desktop/windows/l10n_handler/l10n_handler.h"

namespace {

constexpr SettingsFlag kShortcutFlags[] = {DESKTOP_SHORTCUT, START_MENU_SHORTCUT,
                                           QUICK_LAUNCH_SHORTCUT, PINNED_SHORTCUT};

// What a standalone copy cannot have besides the shortcuts.
constexpr SettingsFlag kClearedByCopyOnly[] = {ALL_USERS_FLAG, DEFAULT_BROWSER, DESKTOP_SHORTCUT,
                                               START_MENU_SHORTCUT, QUICK_LAUNCH_SHORTCUT,
                                               PINNED_SHORTCUT, INSTALL_ASSISTANT};

}  // namespace

SettingsImpl::~SettingsImpl() {
  VLOG(1) << "Destroying settings";
  if (pending_fetcher_) {
    pending_fetcher_->Cancel();
    pending_fetcher_ = nullptr;
  }
  DCHECK(observers_.empty());
}

void SettingsImpl::GetDefaultInstallFolder(base::FilePath* path, int sources) const {
  ComputeDefaultInstallFolder(path, sources, architecture_, GetFlag(ALL_USERS_FLAG),
                              GetFlag(COPY_ONLY));
}

std::vector<base::FilePath> SettingsImpl::GetCandidateInstallFolders() const {
  if (GetFlag(COPY_ONLY))
    return {standalone_default_};
  base::FilePath folder;
  ComputeDefaultInstallFolder(&folder, DEFAULT_FOLDER_REGISTRY | DEFAULT_FOLDER_STANDARD,
                              architecture_, GetFlag(ALL_USERS_FLAG), /*copy_only=*/false);
  return {folder};
}

InstallOperation SettingsImpl::GetOperation() const {
  return operation_;
}

InstallFolderProblem SettingsImpl::GetFolderProblem() const {
  return folder_problem_;
}

InstallationSettings SettingsImpl::GetSummary() const {
  InstallationSettings summary;
  summary.make_default = GetFlag(DEFAULT_BROWSER);
  base::FilePath standard;
  GetDefaultInstallFolder(&standard, DEFAULT_FOLDER_STANDARD);
  summary.using_default_installation_folder = IsSameFolder(GetInstallFolderPath(), standard);
  summary.using_privileged_installation_folder = GetSecurityUtil()->NeedsElevation(
      GetFlag(ALL_USERS_FLAG), folder_details_->HasWriteAccess());
  summary.installation_mode = static_cast<int32_t>(GetInstallMode());
  summary.installation_operation = static_cast<int32_t>(operation_);
  return summary;
}

const InstallationFolderDetails* SettingsImpl::GetFolderDetails() const {
  return folder_details_.get();
}

bool SettingsImpl::HasPendingFolderDetails() const {
  return pending_fetcher_ != nullptr;
}

void SettingsImpl::AddObserver(SettingsObserver* observer) {
  std::lock_guard<std::mutex> hold(observers_lock_);
  if (std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
    observers_.push_back(observer);
}

void SettingsImpl::RemoveObserver(SettingsObserver* observer) {
  std::lock_guard<std::mutex> hold(observers_lock_);
  observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

void SettingsImpl::NotifyObservers(void (SettingsObserver::*notification)()) {
  // Called outside the lock: an observer may read back, or remove itself or
  // another observer, which then is not called any more.
  std::vector<SettingsObserver*> observers;
  {
    std::lock_guard<std::mutex> hold(observers_lock_);
    observers = observers_;
  }
  for (SettingsObserver* observer : observers) {
    bool registered;
    {
      std::lock_guard<std::mutex> hold(observers_lock_);
      registered = std::find(observers_.begin(), observers_.end(), observer) != observers_.end();
    }
    if (registered)
      (observer->*notification)();
  }
}

bool SettingsImpl::SetFlagValue(SettingsFlag flag, bool value) {
  if (!editable_)
    return false;
  flags_[flag] = value;
  VLOG(1) << SettingsFlagName(flag) << " set to: " << (value ? 1 : 0);
  NotifyObservers(&SettingsObserver::OnFlagChanged);
  return true;
}

bool SettingsImpl::SetLaunchBrowser(bool value) {
  return SetFlagValue(LAUNCH_TARVO, value);
}

bool SettingsImpl::SetDefaultBrowser(bool value) {
  return !GetFlag(COPY_ONLY) && SetFlagValue(DEFAULT_BROWSER, value);
}

bool SettingsImpl::SetImportBrowserData(bool value) {
  return SetFlagValue(IMPORT_BROWSER_DATA, value);
}

bool SettingsImpl::SetEnableInstallerStats(bool value) {
  return SetFlagValue(ENABLE_INSTALLER_STATS, value);
}

bool SettingsImpl::SetEnableBrowserStats(bool value) {
  return SetFlagValue(ENABLE_TARVO_STATS, value);
}

bool SettingsImpl::SetDesktopShortcut(bool value) {
  return !GetFlag(COPY_ONLY) && SetFlagValue(DESKTOP_SHORTCUT, value);
}

bool SettingsImpl::SetStartMenuShortcut(bool value) {
  return SetFlagValue(START_MENU_SHORTCUT, value);
}

bool SettingsImpl::SetQuickLaunchShortcut(bool value) {
  return SetFlagValue(QUICK_LAUNCH_SHORTCUT, value);
}

bool SettingsImpl::SetDeleteProfile(bool value) {
  return session_->IsUninstallSwitch() && SetFlagValue(DELETE_PROFILE, value);
}

bool SettingsImpl::SetInstallAssistant(bool value) {
  return !GetFlag(COPY_ONLY) && SetFlagValue(INSTALL_ASSISTANT, value);
}

bool SettingsImpl::SetSingleProfile(bool value) {
  return !IsUpgrade() && SetFlagValue(SINGLE_PROFILE, value);
}

bool SettingsImpl::SetAllUsers(bool value) {
  return !IsUpgrade() && !GetFlag(COPY_ONLY) && SetFlagValue(ALL_USERS_FLAG, value);
}

void SettingsImpl::ApplyCopyOnly(bool copy_only) {
  if (!editable_)
    return;
  if (copy_only) {
    flags_[COPY_ONLY] = true;
    for (SettingsFlag flag : kClearedByCopyOnly)
      flags_[flag] = false;
    return;
  }
  flags_[COPY_ONLY] = false;
  const base::CommandLine& command_line = session_->command_line();
  for (SettingsFlag flag : kShortcutFlags) {
    const char* switch_name = SettingsFlagSwitch(flag);
    flags_[flag] = command_line.HasSwitch(switch_name)
                       ? ParseSwitchBool(command_line.GetSwitchValueNative(switch_name))
                       : GetShortcutDefault(flag);
  }
}

// static
bool SettingsImpl::GetShortcutDefault(SettingsFlag flag) {
  // The taskbar took the quick-launch bar's place in Windows 7.
  if (flag == QUICK_LAUNCH_SHORTCUT)
    return base::win::GetVersion() < base::win::VERSION_WIN7;
  return true;
}

bool SettingsImpl::SetCopyOnly(bool value) {
  if (!editable_ || IsUpgrade())
    return false;
  ApplyCopyOnly(value);
  VLOG(1) << SettingsFlagName(COPY_ONLY) << " set to: " << (value ? 1 : 0);
  NotifyObservers(&SettingsObserver::OnFlagChanged);
  return true;
}

bool SettingsImpl::SetMode(InstallMode mode) {
  VLOG(2) << "Changing Settings using SetMode";
  if (!editable_)
    return false;
  const bool single_profile_switch =
      session_->command_line().HasSwitch(switches::kSingleProfile);
  const std::vector<base::FilePath> candidates = GetCandidateInstallFolders();
  const bool folder_was_candidate =
      std::any_of(candidates.begin(), candidates.end(), [this](const base::FilePath& candidate) {
        return IsSameFolder(candidate, GetInstallFolderPath());
      });
  const bool keep_single_profile = single_profile_switch || IsUpgrade();

  bool result = false;
  switch (mode) {
    case INSTALL_MODE_STANDALONE:
      if (!keep_single_profile)
        flags_[SINGLE_PROFILE] = true;
      result = SetCopyOnly(true);
      break;
    case INSTALL_MODE_CURRENT_USER:
    case INSTALL_MODE_ALL_USERS:
      if (!keep_single_profile)
        flags_[SINGLE_PROFILE] = false;
      result = SetCopyOnly(false) && !IsUpgrade() && !GetFlag(COPY_ONLY) &&
               SetFlagValue(ALL_USERS_FLAG, mode == INSTALL_MODE_ALL_USERS);
      break;
    default:
      return false;
  }
  // A folder the user did not choose follows the mode.
  if (folder_was_candidate) {
    base::FilePath folder;
    GetDefaultInstallFolder(&folder, DEFAULT_FOLDER_REGISTRY | DEFAULT_FOLDER_STANDARD);
    SetInstallFolder(folder.value());
  }
  return result;
}

bool SettingsImpl::IsModeSupported() const {
  return true;
}

bool SettingsImpl::CanChangeShortcuts() const {
  return !GetFlag(COPY_ONLY);
}

bool SettingsImpl::IsInstallOperation() const {
  return operation_ == INSTALL_OPERATION_INSTALL;
}

bool SettingsImpl::IsUninstallSession() const {
  return session_->IsUninstallSwitch();
}

bool SettingsImpl::IsOnlyInstallationOfStream() const {
  return only_installation_of_stream_;
}

void SettingsImpl::SetInstallFolderPath(const base::FilePath& path) {
  SetInstallFolder(path.value());
}

void SettingsImpl::SetInstallFolder(const std::wstring& path) {
  if (!editable_)
    return;
  VLOG(1) << "Setting install folder to: " << path;
  // Another spelling of the same folder changes nothing: the details hold
  // the folder's canonical form.
  if (!IsSameFolder(base::FilePath(path), folder_details_->GetPath()))
    RequestFolderDetails(base::FilePath(path));
}

void SettingsImpl::RefreshFolderDetails() {
  VLOG(1) << "Refreshing folder details";
  RequestFolderDetails(folder_details_->GetPath());
}

void SettingsImpl::RequestFolderDetails(const base::FilePath& path) {
  StartFetcher(path, /*first_registry_folder=*/false);
}

void SettingsImpl::StartFetcher(const base::FilePath& path, bool first_registry_folder) {
  if (pending_fetcher_) {
    pending_fetcher_->Cancel();
    pending_fetcher_ = nullptr;
  }
  const uint64_t request = ++latest_request_;
  pending_fetcher_ = fetcher_factory_.Run(path, session_->IsAutoupdateSwitch());
  if (!pending_fetcher_)
    return;
  pending_fetcher_->FetchStatus(base::BindOnce(&SettingsImpl::OnFolderDetailsFetched,
                                               weak_factory_.GetWeakPtr(), request,
                                               first_registry_folder));
}

void SettingsImpl::OnFolderDetailsFetched(uint64_t request,
                                          bool first_registry_folder,
                                          std::unique_ptr<InstallationFolderDetails> details) {
  if (request != latest_request_ || !details)
    return;  // a newer request is under way; its answer counts
  if (!first_registry_folder || details->HasExistingInstallation()) {
    ApplyFolderDetails(std::move(details));
    return;
  }
  // A 64-bit installer upgrades a 32-bit installation in place but never
  // installs anew into the 32-bit program-files folder.
  base::FilePath standard;
  GetDefaultInstallFolder(&standard, DEFAULT_FOLDER_STANDARD);
  VLOG(1) << "Setting install folder to: " << standard.value();
  // Asked for even when empty, so that the settings settle.
  RequestFolderDetails(standard);
}

void SettingsImpl::SetLanguage(const std::wstring& language) {
  if (!editable_ || language == language_)
    return;
  language_ = language;
  VLOG(1) << "Attempt setting install_language_ to: " << language_;
  SelectL10nLanguage(&language_);
  VLOG(1) << "Actual install_language_ set: " << language_;
  NotifyObservers(&SettingsObserver::OnLanguageChanged);
}

bool SettingsImpl::GetLaunchBrowser() const {
  return GetFlag(LAUNCH_TARVO);
}

bool SettingsImpl::GetDefaultBrowser() const {
  return GetFlag(DEFAULT_BROWSER);
}

bool SettingsImpl::GetImportBrowserData() const {
  return GetFlag(IMPORT_BROWSER_DATA);
}

bool SettingsImpl::GetEnableInstallerStats() const {
  return GetFlag(ENABLE_INSTALLER_STATS);
}

bool SettingsImpl::GetEnableBrowserStats() const {
  return GetFlag(ENABLE_TARVO_STATS);
}

bool SettingsImpl::GetDesktopShortcut() const {
  return GetFlag(DESKTOP_SHORTCUT);
}

bool SettingsImpl::GetStartMenuShortcut() const {
  return GetFlag(START_MENU_SHORTCUT);
}

bool SettingsImpl::GetQuickLaunchShortcut() const {
  return GetFlag(QUICK_LAUNCH_SHORTCUT);
}

bool SettingsImpl::GetPinnedShortcut() const {
  return GetFlag(PINNED_SHORTCUT);
}

bool SettingsImpl::GetDeleteProfile() const {
  return GetFlag(DELETE_PROFILE);
}

bool SettingsImpl::GetInstallAssistant() const {
  return GetFlag(INSTALL_ASSISTANT);
}

InstallMode SettingsImpl::GetInstallMode() const {
  if (GetFlag(COPY_ONLY))
    return INSTALL_MODE_STANDALONE;
  return GetFlag(ALL_USERS_FLAG) ? INSTALL_MODE_ALL_USERS : INSTALL_MODE_CURRENT_USER;
}

bool SettingsImpl::GetCopyOnly() const {
  return GetFlag(COPY_ONLY);
}

bool SettingsImpl::GetSingleProfile() const {
  return GetFlag(SINGLE_PROFILE);
}

bool SettingsImpl::GetAllUsers() const {
  return GetFlag(ALL_USERS_FLAG);
}

base::FilePath SettingsImpl::GetInstallFolderPath() const {
  return folder_details_->GetPath();
}

std::wstring SettingsImpl::GetLanguage() const {
  return language_;
}

base::FilePath SettingsImpl::GetProfileFolder() const {
  return profile_folder_;
}

bool SettingsImpl::IsEditable() const {
  return editable_;
}

void SettingsImpl::SetEditable(bool editable) {
  editable_ = editable;
}

int SettingsImpl::GetArchitecture() const {
  return architecture_;
}

bool SettingsImpl::HasNoPayloadManager() const {
  return no_payload_manager_;
}

bool SettingsImpl::GetRunImmediately() const {
  return run_immediately_;
}

void SettingsImpl::LogFlags() const {
  if (!VLOG_IS_ON(1))
    return;
  for (SettingsFlag flag : {ALL_USERS_FLAG, COPY_ONLY, DEFAULT_BROWSER, ENABLE_INSTALLER_STATS,
                            ENABLE_TARVO_STATS, IMPORT_BROWSER_DATA, LAUNCH_TARVO, SINGLE_PROFILE,
                            DESKTOP_SHORTCUT, PINNED_SHORTCUT, QUICK_LAUNCH_SHORTCUT,
                            START_MENU_SHORTCUT}) {
    VLOG(1) << SettingsFlagName(flag) << ": " << (GetFlag(flag) ? 1 : 0);
  }
  VLOG(1) << "language: " << language_;
}
