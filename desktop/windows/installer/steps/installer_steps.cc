#include "desktop/windows/installer/steps/installer_steps.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "base/base_paths.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/path_service.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/shortcut.h"
#include "desktop/windows/installer/service/installation_folder_details.h"
#include "desktop/windows/installer/service/installation_status.h"
#include "desktop/windows/installer/service/taskbar_pin.h"
#include "desktop/windows/installer/service/transactions/copy_file_operation.h"
#include "desktop/windows/installer/service/transactions/create_folder_operation.h"
#include "desktop/windows/installer/service/transactions/delete_file_operation.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "desktop/windows/installer/settings/settings.h"
#include "desktop/windows/installer/utils/installer_session.h"
#include "desktop/windows/installer/utils/product_info.h"
#include "desktop/windows/installer/utils/server_tracking_blob.h"
#include "desktop/windows/l10n_handler/l10n_handler.h"

namespace {

constexpr wchar_t kAppIdPrefix[] = L"TarvoSoftware.TarvoWebBrowser.";
constexpr wchar_t kLauncherExe[] = L"launcher.exe";
constexpr int kLocalizedShortcutNameId = 37070;
constexpr int kStreamWithLocalizedShortcutName = 4;

struct PartnerSite {
  const wchar_t* short_name;
  const wchar_t* address;
};
constexpr PartnerSite kRussianPartnerSite = {L"vk", L"https://vk.com/"};
constexpr PartnerSite kOtherPartnerSite = {L"facebook", L"https://www.facebook.com/"};

base::win::ShortcutProperties MakeProperties(const base::FilePath& target,
                                             const std::wstring& app_id) {
  base::win::ShortcutProperties properties;
  properties.set_target(target);
  properties.set_working_dir(target.DirName());
  properties.set_app_id(app_id);
  return properties;
}

// The partner site's pinned shortcut, where the tracking data or the
// package ask for one. False when it could not be made.
bool CreatePartnerSiteShortcut(InstallerStepContext* context, const base::FilePath& target) {
  std::string medium;
  if (ServerTrackingBlob* tracking = GetSessionTrackingData())
    tracking->Get("utm.medium", &medium);
  const base::FilePath resources = context->GetInstallFolder().Append(L"resources");
  if (medium != "pb" && !base::PathExists(resources.Append(L"tracking_user_agent.json")))
    return true;
  const PartnerSite& site =
      context->GetSettings()->GetLanguage() == L"ru" ? kRussianPartnerSite : kOtherPartnerSite;
  const std::wstring short_name = site.short_name;
  base::win::ShortcutProperties properties =
      MakeProperties(target, kAppIdPrefix + context->GetInstallationStatus()->GetAppIdWithSuffix());
  properties.set_icon(resources.Append(short_name + L"_icon.ico"), 0);
  properties.set_arguments(site.address);
  const base::FilePath path = context->GetPackageFolder().Append(short_name + L".lnk");
  VLOG(1) << "Creating " << short_name << " shortcut at " << path.value();
  if (!base::win::CreateOrUpdateShortcutLink(path, properties, base::win::SHORTCUT_CREATE_ALWAYS)) {
    LOG(ERROR) << "Failed to create " << short_name << " shortcut at " << path.value();
    return false;
  }
  VLOG(1) << "Pinning " << short_name << " shortcut";
  if (!PinToTaskbar(context->GetInstallFolder(), path))
    LOG(ERROR) << "Failed pinning " << short_name << ": " << path.value();
  return true;
}

// Through the transaction; the outcome is logged only.
bool ExecuteOperation(InstallerStepContext* context, std::unique_ptr<Operation> operation) {
  std::string error;
  if (context->GetTransaction()->Execute(std::move(operation), &error))
    return true;
  LOG(WARNING) << "A shortcut operation failed: " << error;
  return false;
}

}  // namespace

base::FilePath GetShortcutFolder(ShortcutPlace place, bool all_users) {
  int key = base::DIR_USER_QUICK_LAUNCH;
  if (place == ShortcutPlace::kDesktop)
    key = all_users ? base::DIR_COMMON_DESKTOP : base::DIR_USER_DESKTOP;
  else if (place == ShortcutPlace::kStartMenu)
    key = all_users ? base::DIR_COMMON_START_MENU : base::DIR_START_MENU;
  base::FilePath folder;
  if (!base::PathService::Get(key, &folder))
    LOG(ERROR) << "Unknown shortcut folder " << key;
  return folder;
}

bool IsShortcutInShortcutFolder(const base::FilePath& path) {
  if (!base::FilePath::CompareEqualIgnoreCase(path.Extension(), L".lnk"))
    return false;
  const base::FilePath parent = path.DirName();
  for (ShortcutPlace place :
       {ShortcutPlace::kDesktop, ShortcutPlace::kStartMenu, ShortcutPlace::kQuickLaunch}) {
    for (bool all_users : {false, true}) {
      const base::FilePath folder = GetShortcutFolder(place, all_users);
      if (!folder.empty() &&
          base::FilePath::CompareEqualIgnoreCase(folder.StripTrailingSeparators().value(),
                                                 parent.StripTrailingSeparators().value())) {
        return true;
      }
    }
  }
  LOG(ERROR) << "Skipping the recorded shortcut " << path.value()
             << ": it is no shortcut of a shortcut folder";
  return false;
}

base::FilePath GetShortcutTarget(InstallerStepContext* context) {
  const InstallationFolderDetails* details = context->GetFolderDetails();
  return (details ? details->GetPath() : context->GetSettings()->GetInstallFolderPath())
      .Append(kLauncherExe);
}

std::wstring MakeShortcutFileName() {
  if (kStreamId == kStreamWithLocalizedShortcutName)
    return GetLocalizedString(kLocalizedShortcutNameId) + L".lnk";
  return base::UTF8ToWide(product_info::GetVisibleProductNameWithChannel() +
                          ProductInfo::GetShortcutSuffix()) +
         L".lnk";
}

bool CreateShortcuts(InstallerStepContext* context,
                     const std::vector<ShortcutDestination>& destinations,
                     bool pin,
                     const base::FilePath& target) {
  const std::wstring name = MakeShortcutFileName();
  const base::win::ShortcutProperties properties =
      MakeProperties(target, kAppIdPrefix + context->GetInstallationStatus()->app_id);
  VLOG(1) << "Using shortcut name " << name;
  VLOG(1) << "Creating master shortcut";
  const base::FilePath master = context->GetPackageFolder().Append(name);
  VLOG(1) << "Creating master shortcut at " << master.value();
  if (!base::win::CreateOrUpdateShortcutLink(master, properties,
                                             base::win::SHORTCUT_CREATE_ALWAYS)) {
    LOG(ERROR) << "Failed to create shortcut at " << master.value();
    return false;
  }
  if (pin) {
    VLOG(1) << "Pinning master shortcut";
    // Windows lets programs pin only where the shell or the pinning helper
    // still can; a pin it refuses is no failure of the installation.
    if (!PinToTaskbar(context->GetInstallFolder(), master))
      LOG(ERROR) << "Failed pinning " << master.value();
  }
  InstallationStatus* status = context->GetInstallationStatus();
  for (const ShortcutDestination& destination : destinations) {
    const base::FilePath path = destination.first.Append(name);
    // A folder made here is recorded, so that the uninstall takes it away
    // again once it is empty.
    std::vector<base::FilePath> created;
    if (!ExecuteOperation(context,
                          std::make_unique<CreateFolderOperation>(destination.first, &created))) {
      continue;
    }
    AddCreatedFolders(created, &status->created_folders);
    // The copy moves a file already there aside itself and puts it back
    // when it fails, so a shortcut is never lost to a failed copy.
    if (ExecuteOperation(context, std::make_unique<CopyFileOperation>(master, path)))
      *destination.second = path;
  }
  if (!pin)
    return true;
  return CreatePartnerSiteShortcut(context, target);
}

void UnpinShortcuts(InstallerStepContext* context, const std::vector<base::FilePath>& shortcuts) {
  for (const base::FilePath& shortcut : shortcuts) {
    VLOG(1) << "Unpinning shortcut " << shortcut.value();
    const bool unpinned = UnpinFromTaskbar(shortcut);
    VLOG(1) << "Unpinning " << (unpinned ? "successful" : "failed");
    ExecuteOperation(context,
                     std::make_unique<DeleteFileOperation>(shortcut, /*check_in_use=*/false,
                                                           /*remove_empty_parents=*/false));
  }
}

bool DeleteShortcut(InstallerStepContext* context,
                    const base::FilePath& shortcut,
                    const std::vector<base::FilePath>& created_folders) {
  auto made_here = [&created_folders](const base::FilePath& folder) {
    return std::any_of(created_folders.begin(), created_folders.end(),
                       [&folder](const base::FilePath& created) {
                         return base::FilePath::CompareEqualIgnoreCase(
                             created.StripTrailingSeparators().value(),
                             folder.StripTrailingSeparators().value());
                       });
  };
  // The removal climbs up to, never into, the first folder the
  // installation did not make.
  base::FilePath keep = shortcut.DirName();
  while (made_here(keep) && keep.DirName() != keep)
    keep = keep.DirName();
  const bool remove_folders = keep != shortcut.DirName();
  return ExecuteOperation(
      context, std::make_unique<DeleteFileOperation>(shortcut, /*check_in_use=*/false,
                                                     remove_folders,
                                                     remove_folders ? keep : base::FilePath()));
}

InstallShortcutsStep::InstallShortcutsStep(InstallerStepContext* context)
    : InstallerStep("install_shortcuts", context) {}

InstallShortcutsStep::~InstallShortcutsStep() = default;

StepResult InstallShortcutsStep::Run(int /*attempt*/) {
  const Settings* settings = GetSettings();
  if (settings->GetCopyOnly())
    return StepResult(STEP_OK);
  LOG(INFO) << "Installing shortcuts";
  const base::FilePath target = GetShortcutTarget(GetContext());
  InstallationStatus* status = GetInstallationStatus();
  const bool all_users = settings->GetAllUsers();
  std::vector<ShortcutDestination> destinations;
  if (settings->GetDesktopShortcut()) {
    VLOG(2) << (all_users ? "Preparing  to set up shortcut on common desktop"
                          : "Preparing  to set up shortcut on user desktop");
    destinations.emplace_back(GetShortcutFolder(ShortcutPlace::kDesktop, all_users),
                              &status->desktop_shortcut);
  }
  if (settings->GetStartMenuShortcut()) {
    VLOG(2) << (all_users ? "Preparing  to set up shortcut in common start menu"
                          : "Preparing  to set up shortcut in user start menu");
    destinations.emplace_back(GetShortcutFolder(ShortcutPlace::kStartMenu, all_users),
                              &status->start_menu_shortcut);
  }
  if (settings->GetQuickLaunchShortcut()) {
    VLOG(2) << "Preparing  to set up shortcut in user quick launch";
    destinations.emplace_back(GetShortcutFolder(ShortcutPlace::kQuickLaunch, all_users),
                              &status->quick_launch_shortcut);
  }
  CreateShortcuts(GetContext(), destinations, settings->GetPinnedShortcut(), target);
  return StepResult(STEP_OK);
}
