// What the Installer does in the user's own context once an installation
// has succeeded: registration for this user, component sub-installers, the
// profile's preferences and the browser launch.

#include <memory>
#include <string>

#include "base/command_line.h"
#include "base/features/feature_registry.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "base/values.h"
#include "desktop/windows/installer/service/installation_folder_details.h"
#include "desktop/windows/installer/service/os_operations.h"
#include "desktop/windows/installer/service/prefs/json_pref_store_factory.h"
#include "desktop/windows/installer/settings/settings.h"
#include "desktop/windows/installer/steps/component_entries.h"
#include "desktop/windows/installer/steps/installer.h"
#include "desktop/windows/installer/utils/installer_features.h"
#include "desktop/windows/installer/utils/installer_session.h"
#include "desktop/windows/installer/utils/installer_switches.h"
#include "desktop/windows/installer/utils/process_launcher.h"

namespace {

constexpr wchar_t kLocalState[] = L"Local State";
constexpr wchar_t kPreferences[] = L"Preferences";
constexpr wchar_t kCustomPartnerContent[] = L"custom_partner_content.json";
constexpr wchar_t kTrackingUserAgent[] = L"tracking_user_agent.json";
constexpr wchar_t kLauncherExe[] = L"launcher.exe";
constexpr char kAppLocalePref[] = "intl.app_locale";
constexpr char kStatsPref[] = "statistics.collection_enabled";
constexpr char kPartnerContentUpdatedPref[] = "custom_partner_content.updated";

// A store whose file was read without error; null otherwise.
std::unique_ptr<JsonPrefStore> OpenPrefs(const base::FilePath& file) {
  std::unique_ptr<JsonPrefStore> store = CreateJsonPrefStore(nullptr, file);
  if (!store || store->GetReadError() != PersistentPrefStore::PREF_READ_ERROR_NONE)
    return nullptr;
  return store;
}

}  // namespace

void Installer::RunPostElevationTasks() {
  VLOG(1) << "Running post elevation installation tasks.";
  const InstallOperation operation = settings_->GetOperation();
  if (operation != INSTALL_OPERATION_UNINSTALL) {
    BrowserRegistrationRequest request;
    request.copy_only = settings_->GetCopyOnly();
    request.default_browser = settings_->GetDefaultBrowser();
    request.all_users = settings_->GetAllUsers();
    request.silent = IsSilent();
    request.folder = settings_->GetFolderDetails()->GetPath();
    request.folder_is_http_handler = settings_->GetFolderDetails()->IsHttpHandler();
    // No record is handed in: the installation reads the one the elevated
    // run has just written, not the one found before it.
    OSOperations::GetInstance()->SetUpBrowserRegistration(request, /*status=*/nullptr);
  }
  LaunchComponentInstallers();
  if (operation != INSTALL_OPERATION_UNINSTALL)
    FinalizeInstallation();
}

void Installer::LaunchComponentInstallers() {
  const InstallationStatus* existing = GetExistingInstallation();
  if (!HasExistingInstallation() || !existing)
    return;
  for (const StatusComponent& component : existing->components) {
    // The record comes from a file: only a component inside the
    // installation folder is started.
    if (!IsRecordedComponentSafe(component, GetBaseInstallFolder()))
      continue;
    const base::FilePath program =
        GetComponentInstallerPath(component.path, base::UTF8ToWide(component.name));
    base::CommandLine command_line(program);
    command_line.AppendSwitch(switches::kPostElevatedInstallTasks);
    command_line.AppendSwitchPath(switches::kInstallFolder, component.path);
    VLOG(1) << "Launching " << component.name << " component subinstaller with command line "
            << command_line.GetCommandLineString();
    // Their outcome is theirs: nothing waits for them.
    GetProcessLauncher()->Launch(command_line, LaunchStyle::kPlain, nullptr);
  }
}

void Installer::FinalizeInstallation() {
  LOG(INFO) << "Finalizing successful installation";
  const base::FilePath profile = settings_->GetFolderDetails()->GetProfilePath();
  if (!profile.empty())
    UpdateProfile(profile);
  if (settings_->GetLaunchBrowser())
    LaunchBrowser();
}

void Installer::UpdateProfile(const base::FilePath& profile) {
  VLOG(1) << "User profile modifications";
  std::unique_ptr<JsonPrefStore> local_state = OpenPrefs(profile.Append(kLocalState));
  const base::Value* locale = nullptr;
  if (local_state && local_state->GetValue(kAppLocalePref, &locale)) {
    VLOG(1) << "Updating user profile language";
    local_state->SetValue(kAppLocalePref,
                          std::make_unique<base::Value>(base::WideToUTF8(settings_->GetLanguage())));
  }
  if (IsAutoupdate())
    return;
  std::unique_ptr<JsonPrefStore> preferences = OpenPrefs(profile.Append(kPreferences));
  if (preferences) {
    VLOG(1) << "Removing stat pref from the user profile";
    preferences->RemoveValue(kStatsPref);
  }
  if (!local_state)
    return;
  bool flag_updated = false;
  UpdatePartnerContent(profile, &flag_updated);
  if (flag_updated) {
    VLOG(1) << "Flag the fact that custom content was updated in profile.";
    local_state->SetValue(kPartnerContentUpdatedPref, std::make_unique<base::Value>(true));
  }
}

void Installer::UpdatePartnerContent(const base::FilePath& profile, bool* flag_updated) {
  const base::FilePath resources = GetInstallFolder().Append(L"resources");
  const base::FilePath package_custom = resources.Append(kCustomPartnerContent);
  const bool package_has_custom = base::PathExists(package_custom);
  const base::FilePath profile_custom = profile.Append(kCustomPartnerContent);
  const base::FilePath profile_tracking = profile.Append(kTrackingUserAgent);
  if (!package_has_custom && !base::PathExists(resources.Append(kTrackingUserAgent))) {
    const bool custom_deleted =
        base::PathExists(profile_custom) && base::DeleteFile(profile_custom, /*recursive=*/false);
    base::DeleteFile(profile_tracking, /*recursive=*/false);
    VLOG(1) << "Removing tracking ua file from the user profile";
    *flag_updated = custom_deleted;
    return;
  }
  if (base::PathExists(profile_custom) || base::PathExists(profile_tracking))
    return;
  if (!features::IsFeatureEnabled(kKeepCustomPartnerContentFileInProfile) || !package_has_custom)
    return;
  VLOG(1) << "Installed new custom edition to the user profile";
  if (!base::CopyFile(package_custom, profile_custom)) {
    LOG(WARNING) << "Failed to copy new custom edition file.";
    return;
  }
  *flag_updated = true;
}

void Installer::LaunchBrowser() {
  base::CommandLine command_line(
      settings_->GetFolderDetails()->GetPath().Append(kLauncherExe));
  settings_->AppendPassThroughSwitches(&command_line);
  if (settings_->GetOperation() != INSTALL_OPERATION_UPGRADE)
    command_line.AppendSwitch(switches::kStartMaximized);
  LOG(INFO) << "Launching tarvo with command line " << command_line.GetCommandLineString();
  base::Process launcher = GetProcessLauncher()->Launch(command_line, LaunchStyle::kPlain, nullptr);
  // The launcher hands over to the browser and ends; a browser that stays
  // is not waited for without end.
  if (launcher.IsValid())
    WaitForSingleObject(launcher.Handle(), kBrowserLaunchWaitMs);
}
