// Where the settings come from: defaults, switches, tracking data and the
// details of the chosen folder, which decide the operation.

#include <windows.h>

#include <memory>
#include <string>
#include <utility>

#include "base/command_line.h"
#include "base/logging.h"
#include "base/path_service.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/avro_stats/avro_stats_sender.h"
#include "desktop/windows/installer/avro_stats/installer_events.h"
#include "desktop/windows/installer/service/installation.h"
#include "desktop/windows/installer/service/installation_folder_details.h"
#include "desktop/windows/installer/service/installation_status.h"
#include "desktop/windows/installer/service/installation_status_source.h"
#include "desktop/windows/installer/settings/settings_impl.h"
#include "desktop/windows/installer/settings/settings_observer.h"
#include "desktop/windows/installer/utils/canonical_folder.h"
#include "desktop/windows/installer/utils/installer_architecture.h"
#include "desktop/windows/installer/utils/installer_session.h"
#include "desktop/windows/installer/utils/installer_switches.h"
#include "desktop/windows/installer/utils/product_info.h"
#include "desktop/windows/installer/utils/security_util.h"
#include "desktop/windows/installer/utils/server_tracking_blob.h"
#include "desktop/windows/installer/utils/service_utils.h"
#include "desktop/windows/l10n_handler/l10n_handler.h"

SettingsImpl::SettingsImpl(const InstallerSession* session,
                           const base::FilePath& command_line_install_folder,
                           int architecture,
                           PayloadManager* payload_manager,
                           InstallationFolderDetailsFetcherFactory fetcher_factory)
    : session_(session),
      fetcher_factory_(std::move(fetcher_factory)),
      command_line_install_folder_(command_line_install_folder),
      architecture_(architecture),
      no_payload_manager_(payload_manager == nullptr) {
  DCHECK(session_);
  const base::CommandLine& command_line = session_->command_line();
  FindStandaloneFolders();
  run_immediately_ = command_line.HasSwitch(switches::kRunImmediately);
  folder_details_ = CreateInstallationFolderDetails();
  // The entry point registers the details factory before any settings.
  CHECK(folder_details_);
  ReadInstallFolderFromRegistry();
  VLOG(1) << "Obtaining system language";
  SelectL10nLanguage(&language_);
  VLOG(1) << "Initializing settings";

  if (session_->IsUninstallSwitch()) {
    ReadDeleteProfileSwitch(command_line);
    RequestFolderDetails(Installation::GetInstance()->GetFolder());
    return;
  }
  if (command_line.HasSwitch(switches::kLanguage))
    SetLanguage(command_line.GetSwitchValueNative(switches::kLanguage));
  InitFromCommandLine();
  if (!GetFlag(COPY_ONLY))
    ApplyTrackingDataDefaults(command_line);
  ChooseFirstFolder(command_line_install_folder);
}

void SettingsImpl::ApplyTrackingDataDefaults(const base::CommandLine& command_line) {
  ServerTrackingBlob* tracking = session_->GetTrackingData();
  std::string default_browser;
  std::string stats;
  if (!tracking || !tracking->Get("utm.defbr", &default_browser) ||
      !tracking->Get("utm.fsce", &stats)) {
    return;
  }
  run_immediately_ = true;
  // Defaults of a campaign: a switch given on the command line (also the
  // one the backend gets from the settings) wins over them.
  LOG(INFO) << "defbr:" << default_browser;
  if (!GetFlag(COPY_ONLY) && !command_line.HasSwitch(switches::kSetDefaultBrowser))
    flags_[DEFAULT_BROWSER] = default_browser == "true";
  LOG(INFO) << "fsce:" << stats;
  if (!command_line.HasSwitch(switches::kEnableStats))
    flags_[ENABLE_TARVO_STATS] = stats == "true";
}

void SettingsImpl::ChooseFirstFolder(const base::FilePath& command_line_install_folder) {
  base::FilePath registry_default;
  GetDefaultInstallFolder(&registry_default, DEFAULT_FOLDER_REGISTRY);
  base::FilePath program_files_x86;
  if (architecture_ == INSTALLER_ARCHITECTURE_X64 && command_line_install_folder.empty() &&
      !registry_default.empty() &&
      base::PathService::Get(base::DIR_PROGRAM_FILESX86, &program_files_x86) &&
      IsParentPathIgnoreCase(program_files_x86, registry_default)) {
    StartFetcher(registry_default, /*first_registry_folder=*/true);
    return;
  }
  base::FilePath folder;
  GetDefaultInstallFolder(&folder, DEFAULT_FOLDER_ALL);
  // Always asked, also for an empty folder: the answer (an invalid path
  // then) is what decides the operation and tells the observers.
  RequestFolderDetails(folder);
}

bool SettingsImpl::FolderFitsInstallation() const {
  const size_t length = folder_details_->GetPath().value().size();
  const size_t limit = GetMaxInstallFolderLength(product_info::GetVersion().size());
  if (length <= limit)
    return true;
  LOG(WARNING) << "The install folder is too long: " << length << " characters, at most "
               << limit;
  return false;
}

bool SettingsImpl::ReadFlagSwitch(SettingsFlag flag,
                                  const char* switch_name,
                                  const base::CommandLine& command_line) {
  if (!command_line.HasSwitch(switch_name))
    return false;
  flags_[flag] = ParseSwitchBool(command_line.GetSwitchValueNative(switch_name));
  return true;
}

void SettingsImpl::InitFromCommandLine() {
  if (!editable_)
    return;
  VLOG(1) << "Settings from command line";
  const base::CommandLine& command_line = session_->command_line();
  // An interactive run may elevate, a silent one only uses the rights it has.
  flags_[ALL_USERS_FLAG] = GetSecurityUtil()->IsUserAdmin(/*consider_linked_token=*/!session_->IsSilentSwitch());
  flags_[COPY_ONLY] = false;
  flags_[LAUNCH_TARVO] = true;
  flags_[DEFAULT_BROWSER] = kStreamId == 4 && !session_->IsAutoupdateSwitch();
  flags_[IMPORT_BROWSER_DATA] = true;
  flags_[ENABLE_INSTALLER_STATS] = true;
  flags_[ENABLE_TARVO_STATS] = true;
  flags_[SINGLE_PROFILE] = false;
  for (SettingsFlag flag :
       {DESKTOP_SHORTCUT, START_MENU_SHORTCUT, QUICK_LAUNCH_SHORTCUT, PINNED_SHORTCUT}) {
    flags_[flag] = GetShortcutDefault(flag);
  }

  if (!ReadFlagSwitch(LAUNCH_TARVO, switches::kLaunchTarvo, command_line))
    ReadFlagSwitch(LAUNCH_TARVO, switches::kLaunchBrowser, command_line);
  ReadFlagSwitch(COPY_ONLY, switches::kCopyOnly, command_line);
  ApplyCopyOnly(GetFlag(COPY_ONLY));
  ReadFlagSwitch(IMPORT_BROWSER_DATA, switches::kImportBrowserData, command_line);
  if (ReadFlagSwitch(ENABLE_TARVO_STATS, switches::kEnableStats, command_line))
    flags_[ENABLE_INSTALLER_STATS] = GetFlag(ENABLE_TARVO_STATS);
  ReadFlagSwitch(ENABLE_INSTALLER_STATS, switches::kEnableInstallerStats, command_line);

  if (GetFlag(COPY_ONLY)) {
    flags_[SINGLE_PROFILE] = true;
  } else {
    for (SettingsFlag flag : {ALL_USERS_FLAG, DEFAULT_BROWSER, DESKTOP_SHORTCUT,
                              START_MENU_SHORTCUT, QUICK_LAUNCH_SHORTCUT, PINNED_SHORTCUT}) {
      ReadFlagSwitch(flag, SettingsFlagSwitch(flag), command_line);
    }
  }
  ReadFlagSwitch(SINGLE_PROFILE, switches::kSingleProfile, command_line);
  if (command_line.HasSwitch(switches::kProfileFolder))
    profile_folder_ = command_line.GetSwitchValuePath(switches::kProfileFolder);
  if (command_line.HasSwitch(switches::kInstallAssistant) && !GetFlag(COPY_ONLY))
    SetFlagValue(INSTALL_ASSISTANT, true);
  LogFlags();
}

void SettingsImpl::ApplyFolderDetails(std::unique_ptr<InstallationFolderDetails> details) {
  // The answer has come, whatever is done with it.
  pending_fetcher_ = nullptr;
  if (!editable_ || !details)
    return;
  folder_details_ = std::move(details);
  const InstallOperation previous_operation = operation_;
  operation_ = INSTALL_OPERATION_UNKNOWN;
  folder_problem_ = FOLDER_PROBLEM_NONE;
  LOG(INFO) << "Install folder set: " << folder_details_->GetPath().value();

  const uint32_t details_problem = folder_details_->GetFolderProblem();
  const bool existing = folder_details_->HasExistingInstallation();
  if (details_problem == FOLDER_PROBLEM_NOT_ENOUGH_SPACE ||
      details_problem == FOLDER_PROBLEM_INVALID_PATH) {
    folder_problem_ = static_cast<InstallFolderProblem>(details_problem);
  } else if (session_->IsUninstallSwitch() && !existing) {
    folder_problem_ = FOLDER_PROBLEM_NOTHING_TO_UNINSTALL;
  } else if (!session_->IsUninstallSwitch() && !FolderFitsInstallation()) {
    folder_problem_ = FOLDER_PROBLEM_INVALID_PATH;
  }
  if (folder_problem_ != FOLDER_PROBLEM_NONE) {
    VLOG(1) << "Invalid install folder";
    NotifyObservers(&SettingsObserver::OnPathChanged);
    return;
  }

  LogFolderStatus();
  if (previous_operation == INSTALL_OPERATION_UPGRADE || existing)
    InitFromCommandLine();
  const base::CommandLine& command_line = session_->command_line();
  if (session_->IsFixDownloadableResources())
    operation_ = INSTALL_OPERATION_FIX_DOWNLOADABLE_RESOURCES;
  else if (session_->IsUninstallSwitch())
    operation_ = INSTALL_OPERATION_UNINSTALL;
  else if (!existing)
    operation_ = INSTALL_OPERATION_INSTALL;
  else if (command_line.HasSwitch(switches::kRegisterAsProtocolHandler))
    operation_ = INSTALL_OPERATION_REGISTER_PROTOCOL_HANDLER;
  else
    operation_ = INSTALL_OPERATION_UPGRADE;
  LOG(INFO) << "Operation: " << operation_;

  if (existing) {
    ApplyExistingInstallation(command_line);
  } else if (!session_->IsUninstallSwitch() && !command_line.HasSwitch(switches::kSingleProfile)) {
    const int single_profile = folder_details_->IsSingleProfile();
    flags_[SINGLE_PROFILE] = single_profile >= 0 ? single_profile == 1 : GetFlag(COPY_ONLY);
  }
  LogFlags();
  const std::wstring language = folder_details_->GetLanguage();
  if (!language.empty() && (session_->IsUninstallSwitch() || !command_line.HasSwitch(switches::kLanguage)))
    SetLanguage(language);
  NotifyObservers(&SettingsObserver::OnPathChanged);
}

void SettingsImpl::ApplyExistingInstallation(const base::CommandLine& command_line) {
  VLOG(1) << "Using settings from existing installation";
  const InstallationStatus* status = folder_details_->GetExistingInstallation();
  GetAvroStatsSender()->Send(std::make_unique<StatusParsedEvent>(
      InstallationStatusSourceToString(status->source), 1));
  ApplyCopyOnly(status->copy_only);
  flags_[ALL_USERS_FLAG] = status->all_users;
  flags_[SINGLE_PROFILE] = folder_details_->IsSingleProfile() == 1;

  const auto take_unless_switch = [&](SettingsFlag flag, bool value) {
    if (!command_line.HasSwitch(SettingsFlagSwitch(flag)))
      flags_[flag] = value;
  };
  // A preference the installation does not know (-1) keeps the default.
  const auto take_known_unless_switch = [&](SettingsFlag flag, int tri_state) {
    if (tri_state >= 0)
      take_unless_switch(flag, tri_state == 1);
  };
  take_unless_switch(DESKTOP_SHORTCUT, folder_details_->DesktopShortcutExists());
  take_unless_switch(START_MENU_SHORTCUT, folder_details_->StartMenuShortcutExists());
  take_unless_switch(QUICK_LAUNCH_SHORTCUT, folder_details_->QuickLaunchShortcutExists());
  take_unless_switch(PINNED_SHORTCUT,
                     !folder_details_->GetPinnedShortcutPaths().empty() || !session_->IsAutoupdateSwitch());
  take_known_unless_switch(IMPORT_BROWSER_DATA, folder_details_->GetImportBrowserData());
  take_known_unless_switch(ENABLE_TARVO_STATS, folder_details_->GetEnableStats());
  // "enable-stats" sets both statistics flags (see InitFromCommandLine).
  if (!command_line.HasSwitch(switches::kEnableStats))
    take_known_unless_switch(ENABLE_INSTALLER_STATS, folder_details_->GetEnableStats());
}

void SettingsImpl::LogFolderStatus() const {
  if (!VLOG_IS_ON(1))
    return;
  const InstallationFolderDetails& d = *folder_details_;
  VLOG(1) << "status for install folder:";
  VLOG(1) << "valid_parent folder: " << d.GetValidParentFolder().value();
  VLOG(1) << "has_write_access: " << d.HasWriteAccess();
  VLOG(1) << "installation_folder_problem: " << d.GetFolderProblem();
  VLOG(1) << "existing_installation: " << d.HasExistingInstallation();
  VLOG(1) << "existing_installation_traces: " << d.HasExistingInstallationTraces();
  VLOG(1) << "desktop_shortcut_exists: " << d.DesktopShortcutExists();
  VLOG(1) << "enable_stats: " << d.GetEnableStats();
  VLOG(1) << "import_browser_data: " << d.GetImportBrowserData();
  VLOG(1) << "is_http_handler: " << d.IsHttpHandler();
  VLOG(1) << "language: " << d.GetLanguage();
  VLOG(1) << "old_product_type: " << d.GetOldProductType();
  VLOG(1) << "pinned_shortcut_paths:";
  for (const base::FilePath& pin : d.GetPinnedShortcutPaths())
    VLOG(1) << pin.value();
  VLOG(1) << "profile_path: " << d.GetProfilePath().value();
  VLOG(1) << "quick_launch_shortcut_exists: " << d.QuickLaunchShortcutExists();
  VLOG(1) << "temporary_shortcut_folder: " << d.GetTemporaryShortcutFolder().value();
  VLOG(1) << "temporary_shortcut_folder_exists: " << d.TemporaryShortcutFolderExists();
  VLOG(1) << "recreate_desktop_shortcut: " << d.ShouldRecreateDesktopShortcut();
  VLOG(1) << "recreate_pinned_shortcut: " << d.ShouldRecreatePinnedShortcut();
  VLOG(1) << "recreate_quick_launch_shortcut: " << d.ShouldRecreateQuickLaunchShortcut();
  VLOG(1) << "recreate_start_menu_shortcut: " << d.ShouldRecreateStartMenuShortcut();
  VLOG(1) << "single_profile: " << d.IsSingleProfile();
  VLOG(1) << "start_menu_shortcut_exists: " << d.StartMenuShortcutExists();
  VLOG(1) << "welcome_url: " << d.GetWelcomeUrl();
}
