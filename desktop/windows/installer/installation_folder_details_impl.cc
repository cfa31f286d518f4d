#include "desktop/windows/installer/installation_folder_details_impl.h"

#include <windows.h>

#include <map>
#include <utility>

#include "base/base_paths.h"
#include "base/features/list_feature_reader.h"
#include "base/files/file_enumerator.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/path_service.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/values.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/service/existing_installation_reader.h"
#include "desktop/windows/installer/service/installation.h"
#include "desktop/windows/installer/service/installation_journal.h"
#include "desktop/windows/installer/service/installation_status.h"
#include "desktop/windows/installer/service/installation_status_keys.h"
#include "desktop/windows/installer/service/installation_status_loader.h"
#include "desktop/windows/installer/service/prefs/json_pref_file_reader.h"
#include "desktop/windows/installer/service/shell_shortcut_files.h"
#include "desktop/windows/installer/utils/canonical_folder.h"
#include "desktop/windows/installer/utils/installer_features.h"
#include "desktop/windows/installer/utils/security_util.h"
#include "desktop/windows/installer/utils/service_utils.h"
#include "desktop/windows/installer/volume_queries_impl.h"

namespace {

constexpr uint64_t kBytesPerMiB = 1024 * 1024;
constexpr wchar_t kServerTrackingDataFile[] = L"server_tracking_data";
constexpr wchar_t kLocalStateFile[] = L"Local State";
constexpr wchar_t kTemporaryShortcutFolder[] = L"Tarvo Software";
// Read, write and execute: what using an existing folder takes.
constexpr ACCESS_MASK kExistingFolderAccess =
    FILE_GENERIC_READ | FILE_GENERIC_WRITE | FILE_GENERIC_EXECUTE;

// The tracking data is a short text; a larger file is not read whole.
constexpr size_t kMaxTrackingDataSize = 16 * 1024 * 1024;

// 1 or 0 for a boolean preference, unknown otherwise.
int32_t ReadTriState(const base::DictionaryValue& prefs, const std::string& key) {
  const base::Value* value = nullptr;
  if (!prefs.Get(key, &value) || !value->is_bool())
    return kTriStateUnknown;
  return value->GetBool() ? kTriStateTrue : kTriStateFalse;
}

bool ReadString(const base::DictionaryValue& prefs, const std::string& key, std::string* out) {
  const base::Value* value = nullptr;
  if (!prefs.Get(key, &value) || !value->is_string())
    return false;
  *out = value->GetString();
  return true;
}

// A copy-only record with registrations or shortcuts was really installed;
// one with machine-wide keys was installed for all users.
void NormaliseExistingStatus(InstallationStatus* status) {
  status->copy_only = status->copy_only && status->hklm_keys.empty() && status->hkcu_keys.empty() &&
                      status->desktop_shortcut.empty() && status->start_menu_shortcut.empty() &&
                      status->quick_launch_shortcut.empty();
  status->all_users = !status->copy_only && (status->all_users || !status->hklm_keys.empty());
}

// The first component of `path`, upper-cased: "C:" for "c:\x".
base::FilePath VolumeOf(const base::FilePath& path) {
  const std::vector<std::wstring> components = path.GetComponents();
  if (components.empty())
    return base::FilePath();
  return base::FilePath(base::ToUpperASCII(components.front()));
}

}  // namespace

InstallationFolderDetailsImpl::InstallationFolderDetailsImpl()
    : InstallationFolderDetailsImpl(std::make_unique<VolumeQueriesImpl>()) {}

InstallationFolderDetailsImpl::InstallationFolderDetailsImpl(
    std::unique_ptr<VolumeQueries> volume_queries)
    : volume_queries_(std::move(volume_queries)) {}

InstallationFolderDetailsImpl::~InstallationFolderDetailsImpl() = default;

void InstallationFolderDetailsImpl::Initialize(const base::FilePath& folder, bool recovery) {
  VLOG(1) << "Initializing status: " << folder.value() << " with recovery mode " << recovery;
  // Once, here: every name and comparison after this uses the one form.
  path_ = CanonicalizeFolderPath(folder);
  folder_problem_ = FOLDER_PROBLEM_INVALID_PATH;
  invalid_reason_ = INVALID_FOLDER_SYNTAX;
  existing_installation_traces_ = false;
  status_file_description_.clear();
  status_file_text_.clear();
  existing_status_.reset();
  killed_run_.reset();
  if (!CheckPath())
    return;
  if (base::DirectoryExists(path_))
    LoadExistingStatus(recovery);
  else
    FindValidParent();
  // Two installations one inside the other would share their shortcuts
  // and registrations, and the uninstall of one would take them from the
  // other. The folder of an existing installation stays usable, so that
  // it can still be upgraded or uninstalled.
  if (!existing_status_ && IsNestedInstallation()) {
    valid_parent_.clear();
    existing_installation_traces_ = false;
    return;
  }
  CheckFreeSpace();
  ReadExistingInstallation();
}

bool InstallationFolderDetailsImpl::CheckPath() {
  if (path_.empty()) {
    VLOG(1) << "Path is empty";
    return false;
  }
  if (!IsValidFileSystemPath(path_.value(), /*is_folder=*/true)) {
    VLOG(1) << "Path is not a valid Win32 path";
    return false;
  }
  if (!path_.IsAbsolute()) {
    VLOG(1) << "Path is relative";
    return false;
  }
  if (base::PathExists(path_) && !base::DirectoryExists(path_)) {
    VLOG(1) << "Path is a file path";
    invalid_reason_ = INVALID_FOLDER_IS_FILE;
    return false;
  }
  if (base::PathIsWritable(path_))
    return true;
  const base::FilePath root(path_.value().substr(0, 3));
  switch (volume_queries_->GetDriveType(root)) {
    case DRIVE_NO_ROOT_DIR:
      VLOG(1) << "Drive not found " << root.value();
      invalid_reason_ = INVALID_FOLDER_DRIVE;
      return false;
    case DRIVE_CDROM:
      VLOG(1) << "Path is to a non-writable CD-ROM";
      invalid_reason_ = INVALID_FOLDER_DRIVE;
      return false;
    default:
      return true;
  }
}

void InstallationFolderDetailsImpl::LoadExistingStatus(bool recovery) {
  VLOG(1) << "Path is a folder";
  valid_parent_ = path_;
  CreateInstallationStatusLoader()->Load(&existing_status_, path_, recovery,
                                         &status_file_description_, &status_file_text_);
  if (existing_status_) {
    VLOG(1) << "Path is an existing installation";
    NormaliseExistingStatus(existing_status_.get());
    ReadKilledRun();
    return;
  }
  VLOG(1) << "Path is not an existing installation";
  existing_installation_traces_ = base::PathExists(path_.Append(kLauncherExeName));
}

void InstallationFolderDetailsImpl::ReadKilledRun() {
  // The installation counts as what it was before a run killed in the
  // folder, which the next run undoes first: its files (and shortcuts) are
  // looked at where that run moved them.
  std::vector<std::wstring> names;
  for (const base::FilePath& shortcut :
       {existing_status_->desktop_shortcut, existing_status_->start_menu_shortcut,
        existing_status_->quick_launch_shortcut}) {
    if (!shortcut.empty())
      names.push_back(shortcut.BaseName().value());
  }
  const ShellShortcutFiles shortcuts(ShellShortcutFiles::GetShellFolders(), std::move(names));
  InstallationJournal::Contents journal;
  if (InstallationJournal::Read(path_, &journal, InstallationJournal::Role::kRun, &shortcuts) &&
      !journal.committing) {
    killed_run_ = std::move(journal);
  }
}

base::FilePath InstallationFolderDetailsImpl::BeforeKilledRun(const base::FilePath& path) const {
  base::FilePath earlier = path;
  if (killed_run_ && !path.empty() && !killed_run_->FindEarlierFile(path, &earlier))
    return base::FilePath();
  return earlier;
}

void InstallationFolderDetailsImpl::FindValidParent() {
  for (base::FilePath current = path_;;) {
    const base::FilePath parent = current.DirName();
    if (parent == current) {
      VLOG(1) << "Path is a root folder that's not valid(probably invalid drive letter)";
      return;
    }
    current = parent;
    if (base::DirectoryExists(current)) {
      VLOG(1) << "Path is valid";
      valid_parent_ = current;
      return;
    }
    if (base::PathExists(current)) {
      VLOG(1) << "Path is child of a file (invalid)";
      return;
    }
  }
}

bool InstallationFolderDetailsImpl::IsNestedInstallation() const {
  auto holds_status = [](const base::FilePath& folder) {
    return base::PathExists(folder.Append(kInstallationStatusFileName)) ||
           base::PathExists(folder.Append(kLegacyStatusFileName));
  };
  for (base::FilePath folder = path_.DirName(); folder != folder.DirName();
       folder = folder.DirName()) {
    if (holds_status(folder)) {
      VLOG(1) << "Path is inside the installation in " << folder.value();
      return true;
    }
  }
  // A folder holding one just below it, or anywhere below as an uninstall
  // entry names it.
  base::FileEnumerator children(path_, /*recursive=*/false, base::FileEnumerator::DIRECTORIES);
  for (base::FilePath child = children.Next(); !child.empty(); child = children.Next()) {
    if (holds_status(child)) {
      VLOG(1) << "Path holds the installation in " << child.value();
      return true;
    }
  }
  for (const base::FilePath& registered :
       ExistingInstallationReader::GetInstance()->ListRegisteredFolders()) {
    if (IsParentPathIgnoreCase(registered, path_) || IsParentPathIgnoreCase(path_, registered)) {
      VLOG(1) << "Path is inside or holds the registered installation in "
              << registered.value();
      return true;
    }
  }
  return false;
}

void InstallationFolderDetailsImpl::CheckFreeSpace() {
  // Volume -> MiB needed there: the installation and the temporary copy
  // of the package each need their share.
  std::map<base::FilePath, uint64_t> required;
  base::FilePath temp;
  if (volume_queries_->GetTempFolder(&temp))
    required[VolumeOf(temp)] += kRequiredMiB;
  required[VolumeOf(path_)] += kRequiredMiB;

  volumes_without_enough_space_.clear();
  for (const auto& [volume, mib] : required) {
    if (volume.empty())
      continue;
    const int64_t free_bytes = volume_queries_->GetFreeDiskSpace(volume.AsEndingWithSeparator());
    const uint64_t free_mib = free_bytes < 0 ? 0 : static_cast<uint64_t>(free_bytes) / kBytesPerMiB;
    if (free_mib < mib)
      volumes_without_enough_space_.push_back({volume, mib});
  }
  folder_problem_ =
      volumes_without_enough_space_.empty() ? FOLDER_PROBLEM_NONE : FOLDER_PROBLEM_NOT_ENOUGH_SPACE;
}

void InstallationFolderDetailsImpl::ReadExistingInstallation() {
  if (existing_status_) {
    VLOG(1) << "Testing shortcuts";
    const std::wstring browser_exe = GetBrowserExeName();
    TestShortcuts(path_.Append(kLauncherExeName), /*is_launcher=*/true);
    TestShortcuts(path_.Append(browser_exe), /*is_launcher=*/false);
    if (IsRecordedSubfolderSafe(existing_status_->subfolder)) {
      TestShortcuts(path_.Append(existing_status_->subfolder).Append(browser_exe),
                    /*is_launcher=*/false);
    }
    if (!temporary_shortcut_folder_exists_)
      FindTemporaryShortcutFolder();
  }
  if (folder_problem_ == FOLDER_PROBLEM_NONE)
    DetermineWriteAccess();
  if (!existing_status_)
    return;

  ExistingInstallation installation(path_);
  VLOG(1) << "Determining whether we handled http";
  is_http_handler_ = installation.IsHandlerFor(L"http");
  VLOG(1) << "Reading existing tracking data";
  if (!base::ReadFileToStringWithMaxSize(BeforeKilledRun(path_.Append(kServerTrackingDataFile)),
                                         &server_tracking_data_, kMaxTrackingDataSize)) {
    server_tracking_data_.clear();
  }
  const base::FilePath prefs_file = BeforeKilledRun(path_.Append(kInstallerPrefsFileName));
  if (!prefs_file.empty() && base::PathExists(prefs_file)) {
    VLOG(1) << "Reading existing prefs";
    // Examining a folder changes nothing in it, not even a damaged file.
    if (std::unique_ptr<base::DictionaryValue> prefs = ReadPreferenceFileOnly(prefs_file))
      ReadExistingPrefs(*prefs);
  }
  ReadProfileLanguage(&installation);
}

void InstallationFolderDetailsImpl::TestShortcuts(const base::FilePath& installed_target,
                                                  bool is_launcher) {
  const base::FilePath target = BeforeKilledRun(installed_target);
  if (target.empty() || !base::PathExists(target))
    return;
  const InstallationStatus& status = *existing_status_;
  auto before = [this](const base::FilePath& path) { return BeforeKilledRun(path); };
  auto points_to_target = [&](const base::FilePath& recorded) {
    const base::FilePath shortcut = BeforeKilledRun(recorded);
    return !shortcut.empty() && ShortcutPointsToFile(shortcut, target, before);
  };
  if (!desktop_shortcut_exists_) {
    desktop_shortcut_exists_ = points_to_target(status.desktop_shortcut);
    recreate_desktop_ |= desktop_shortcut_exists_ && !is_launcher;
  }
  if (!start_menu_shortcut_exists_) {
    start_menu_shortcut_exists_ = points_to_target(status.start_menu_shortcut);
    recreate_start_menu_ |= start_menu_shortcut_exists_ &&
                            (!is_launcher || base::win::GetVersion() >= base::win::VERSION_WIN8);
  }
  if (!quick_launch_shortcut_exists_) {
    quick_launch_shortcut_exists_ = points_to_target(status.quick_launch_shortcut);
    recreate_quick_launch_ |= quick_launch_shortcut_exists_ && !is_launcher;
  }
  if (pinned_shortcut_paths_.empty()) {
    FindPinnedShortcutFor(target, status.app_id, &pinned_shortcut_paths_);
    recreate_pinned_ |= !pinned_shortcut_paths_.empty() && !is_launcher;
  }
  if (pinned_master_shortcut_paths_.empty())
    FindPinnedShortcutFor(target, status.GetAppIdWithSuffix(), &pinned_master_shortcut_paths_);
}

void InstallationFolderDetailsImpl::FindTemporaryShortcutFolder() {
  base::FilePath start_menu;
  if (!base::PathService::Get(base::DIR_START_MENU, &start_menu))
    return;
  const base::FilePath folder = start_menu.Append(kTemporaryShortcutFolder);
  if (!base::DirectoryExists(folder))
    return;
  temporary_shortcut_folder_exists_ = true;
  temporary_shortcut_folder_ = folder;
}

void InstallationFolderDetailsImpl::DetermineWriteAccess() {
  VLOG(1) << "Determining write access";
  // An existing folder is used as it is; a new one is made in its parent.
  const ACCESS_MASK access = valid_parent_ == path_ ? kExistingFolderAccess : FILE_ADD_SUBDIRECTORY;
  write_access_ = GetSecurityUtil()->HasAccess(valid_parent_.value(), SE_FILE_OBJECT, access);
}

void InstallationFolderDetailsImpl::ReadExistingPrefs(const base::DictionaryValue& prefs) {
  single_profile_ = ReadTriState(prefs, "single_profile");
  import_browser_data_ = ReadTriState(prefs, "import_browser_data");
  enable_stats_ = ReadTriState(prefs, "enable_stats");
  std::string language;
  if (ReadString(prefs, "language", &language))
    language_ = base::UTF8ToWide(language);
  ReadString(prefs, "welcome-url", &welcome_url_);
  ReadExperiments(prefs);
}

void InstallationFolderDetailsImpl::ReadExperiments(const base::DictionaryValue& prefs) {
  VLOG(1) << "Reading existing experiments status";
  const base::Value* value = nullptr;
  const base::ListValue* list = nullptr;
  if (!prefs.Get("all-installer-experiments", &value) || !value->GetAsList(&list))
    return;
  RegisterInstallerFeatures(&experiments_);
  features::ListFeatureReader reader(*list);
  experiments_.AddReader(&reader);
  if (experiments_.IsEnabled(kInstallerExperimentTest))
    LOG(INFO) << "Test experiment was enabled in install folder.";
}

void InstallationFolderDetailsImpl::ReadProfileLanguage(ExistingInstallation* installation) {
  VLOG(1) << "Finding current user profile";
  if (!installation->GetProfilePath(&profile_path_) || profile_path_.empty())
    return;
  VLOG(1) << "Obtaining current user language";
  std::unique_ptr<base::DictionaryValue> local_state =
      ReadPreferenceFileOnly(profile_path_.Append(kLocalStateFile));
  std::string locale;
  if (local_state && ReadString(*local_state, "intl.app_locale", &locale))
    language_ = base::UTF8ToWide(locale);
}

const InstallationStatus* InstallationFolderDetailsImpl::GetExistingInstallation() const {
  return existing_status_.get();
}
const base::FilePath& InstallationFolderDetailsImpl::GetPath() const {
  return path_;
}
const base::FilePath& InstallationFolderDetailsImpl::GetValidParentFolder() const {
  return valid_parent_;
}
InstallFolderProblem InstallationFolderDetailsImpl::GetFolderProblem() const {
  return folder_problem_;
}

InvalidFolderReason InstallationFolderDetailsImpl::GetInvalidFolderReason() const {
  return invalid_reason_;
}
std::vector<VolumeSpaceShortage> InstallationFolderDetailsImpl::GetVolumesWithoutEnoughSpace()
    const {
  return volumes_without_enough_space_;
}
bool InstallationFolderDetailsImpl::HasExistingInstallation() const {
  return existing_status_ != nullptr;
}
bool InstallationFolderDetailsImpl::HasExistingInstallationTraces() const {
  return existing_installation_traces_;
}
const std::string& InstallationFolderDetailsImpl::GetStatusFileDescription() const {
  return status_file_description_;
}
const std::string& InstallationFolderDetailsImpl::GetStatusFileText() const {
  return status_file_text_;
}
const std::string& InstallationFolderDetailsImpl::GetWelcomeUrl() const {
  return welcome_url_;
}
bool InstallationFolderDetailsImpl::DesktopShortcutExists() const {
  return desktop_shortcut_exists_;
}
int32_t InstallationFolderDetailsImpl::GetEnableStats() const {
  return enable_stats_;
}
bool InstallationFolderDetailsImpl::HasWriteAccess() const {
  return write_access_;
}
int32_t InstallationFolderDetailsImpl::GetImportBrowserData() const {
  return import_browser_data_;
}
bool InstallationFolderDetailsImpl::IsHttpHandler() const {
  return is_http_handler_;
}
std::wstring InstallationFolderDetailsImpl::GetLanguage() const {
  return language_;
}
int32_t InstallationFolderDetailsImpl::GetOldProductType() const {
  return old_product_type_;
}
const std::vector<base::FilePath>& InstallationFolderDetailsImpl::GetPinnedShortcutPaths() const {
  return pinned_shortcut_paths_;
}
const std::vector<base::FilePath>& InstallationFolderDetailsImpl::GetPinnedMasterShortcutPaths()
    const {
  return pinned_master_shortcut_paths_;
}
const base::FilePath& InstallationFolderDetailsImpl::GetProfilePath() const {
  return profile_path_;
}
bool InstallationFolderDetailsImpl::QuickLaunchShortcutExists() const {
  return quick_launch_shortcut_exists_;
}
const base::FilePath& InstallationFolderDetailsImpl::GetTemporaryShortcutFolder() const {
  return temporary_shortcut_folder_;
}
bool InstallationFolderDetailsImpl::TemporaryShortcutFolderExists() const {
  return temporary_shortcut_folder_exists_;
}
const std::string& InstallationFolderDetailsImpl::GetServerTrackingData() const {
  return server_tracking_data_;
}
bool InstallationFolderDetailsImpl::ShouldRecreateDesktopShortcut() const {
  return recreate_desktop_;
}
bool InstallationFolderDetailsImpl::ShouldRecreatePinnedShortcut() const {
  return recreate_pinned_;
}
bool InstallationFolderDetailsImpl::ShouldRecreateQuickLaunchShortcut() const {
  return recreate_quick_launch_;
}
bool InstallationFolderDetailsImpl::ShouldRecreateStartMenuShortcut() const {
  return recreate_start_menu_;
}
int32_t InstallationFolderDetailsImpl::IsSingleProfile() const {
  return single_profile_;
}
bool InstallationFolderDetailsImpl::StartMenuShortcutExists() const {
  return start_menu_shortcut_exists_;
}
bool InstallationFolderDetailsImpl::IsExperimentEnabled(const std::string& name) const {
  return experiments_.IsEnabled(name);
}

std::unique_ptr<InstallationFolderDetails> CreateStandardInstallationFolderDetails() {
  return std::make_unique<InstallationFolderDetailsImpl>();
}
