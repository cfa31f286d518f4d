#include "desktop/windows/installer/service/installation.h"

#include <utility>

#include "base/base_paths.h"
#include "base/files/file_util.h"
#include "base/json/json_reader.h"
#include "base/logging.h"
#include "base/path_service.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_split.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/values.h"
#include "desktop/windows/installer/service/default_browser_registrar.h"
#include "desktop/windows/installer/service/installation_status_keys.h"
#include "desktop/windows/installer/service/installation_status_reader.h"
#include "desktop/windows/installer/service/os_operations.h"
#include "desktop/windows/installer/service/prefs/json_pref_file_reader.h"
#include "desktop/windows/installer/service/profile_folder_safety.h"
#include "desktop/windows/installer/service/replaceable_instance.h"
#include "desktop/windows/installer/utils/product_info.h"
#include "desktop/windows/installer/utils/service_utils.h"

namespace {

constexpr wchar_t kAutoupdateTaskPrefix[] = L"Autoupdate ";
constexpr wchar_t kUserNameToken[] = L"<USERNAME>";
constexpr wchar_t kStreamToken[] = L"{InternalStream}";

std::unique_ptr<Installation> MakeDefaultInstallation() {
  return std::make_unique<Installation>();
}

ReplaceableInstance<Installation>& GetHolder() {
  static auto* holder = new ReplaceableInstance<Installation>(&MakeDefaultInstallation);
  return *holder;
}

base::FilePath GetRunningExecutableFolder() {
  base::FilePath folder;
  base::PathService::Get(base::DIR_EXE, &folder);
  return folder;
}

std::unique_ptr<base::Value> ReadPrefsFile(const base::FilePath& folder) {
  if (folder.empty())
    return nullptr;
  return ReadPreferenceFileOnly(folder.Append(kInstallerPrefsFileName));
}

}  // namespace

namespace installation_internal {

base::FilePath ResolveInstallationFolder(const base::FilePath& folder) {
  if (folder.empty() || base::PathExists(folder.Append(kLauncherExeName))) return folder;
  const base::FilePath parent = folder.DirName();
  if (parent != folder && base::PathExists(parent.Append(kLauncherExeName))) return parent;
  return folder;
}

}  // namespace installation_internal

Installation::Installation() : Installation(GetRunningExecutableFolder()) {}

Installation::Installation(const base::FilePath& folder)
    : folder_(installation_internal::ResolveInstallationFolder(folder)),
      status_(std::make_unique<InstallationStatus>(INSTALLATION_STATUS_SOURCE_INVALID)) {
  LoadPrefs();
}

Installation::Installation(const base::FilePath& folder,
                           std::unique_ptr<InstallationStatus> status)
    : folder_(installation_internal::ResolveInstallationFolder(folder)),
      status_loaded_(true),
      status_(status ? std::move(status)
                     : std::make_unique<InstallationStatus>(INSTALLATION_STATUS_SOURCE_INVALID)) {
  LoadPrefs();
}

Installation::Installation(const base::FilePath& folder,
                           std::unique_ptr<InstallationStatus> status,
                           std::unique_ptr<base::Value> prefs)
    : prefs_(std::move(prefs)),
      folder_(folder),
      status_loaded_(true),
      status_(status ? std::move(status)
                     : std::make_unique<InstallationStatus>(INSTALLATION_STATUS_SOURCE_INVALID)) {
  if (!prefs_) prefs_ = std::make_unique<base::DictionaryValue>();
  InitNames();
}

Installation::~Installation() = default;

// static
Installation* Installation::GetInstance() {
  return GetHolder().Get();
}

// static
void Installation::SetFactory(Factory factory) {
  GetHolder().SetFactory(factory);
}

// static
void Installation::ResetForTesting() {
  GetHolder().Reset();
}

// static
void Installation::SetInstanceForTesting(std::unique_ptr<Installation> installation) {
  GetHolder().Set(std::move(installation));
}

void Installation::LoadPrefs() {
  prefs_ = ReadPrefsFile(folder_);
  if (!prefs_) prefs_ = std::make_unique<base::DictionaryValue>();
  InitNames();
}

void Installation::InitNames() {
  profile_path_.clear();
  GetPrefString16("profile_path", &profile_path_);
  app_registration_name_ = base::UTF8ToWide(product_info::GetProductName()) + L" " +
                           base::UTF8ToWide(product_info::GetChannelName());
}

void Installation::LoadStatus() {
  std::lock_guard<std::mutex> lock(status_lock_);
  if (status_loaded_) return;
  status_loaded_ = true;
  std::unique_ptr<InstallationStatus> status;
  std::string text;
  if (!folder_.empty() &&
      base::ReadFileToStringWithMaxSize(folder_.Append(kInstallationStatusFileName), &text,
                                        kMaxStatusFileSize)) {
    std::unique_ptr<InstallationStatusReader> reader =
        CreateInstallationStatusReader(INSTALLATION_STATUS_SOURCE_PRIMARY);
    reader->Read(&status, text, INSTALLATION_STATUS_SOURCE_PRIMARY);
    if (!status) VLOG(1) << "Bad installation status file: " << reader->GetErrorMessage();
  }
  status_ = status ? std::move(status)
                   : std::make_unique<InstallationStatus>(INSTALLATION_STATUS_SOURCE_INVALID);
}

const base::Value* Installation::FindPref(std::string_view path) const {
  const base::Value* value = prefs_.get();
  for (const std::string& part :
       base::SplitString(path, ".", base::TRIM_WHITESPACE, base::SPLIT_WANT_ALL)) {
    if (!value || !value->is_dict()) return nullptr;
    value = value->FindKey(part);
  }
  return value;
}

bool Installation::GetPrefBoolean(std::string_view path, bool* value) const {
  DCHECK(value);
  const base::Value* found = FindPref(path);
  return found && found->GetAsBoolean(value);
}

bool Installation::GetPrefString16(std::string_view path, std::wstring* value) const {
  DCHECK(value);
  const base::Value* found = FindPref(path);
  return found && found->is_string() && found->GetAsString(value);
}

bool Installation::GetPrefString(std::string_view path, std::string* value) const {
  DCHECK(value);
  const base::Value* found = FindPref(path);
  return found && found->is_string() && found->GetAsString(value);
}

bool Installation::GetPrefInt64(std::string_view path, int64_t* value) const {
  DCHECK(value);
  std::string text;
  if (!GetPrefString(path, &text)) return false;
  // Whatever the text holds, a string counts as an answer; the number is 0
  // unless the whole text is one.
  *value = 0;
  base::StringToInt64(text, value);
  return true;
}

bool Installation::GetPrefList(std::string_view path, const base::ListValue** value) const {
  DCHECK(value);
  const base::Value* found = FindPref(path);
  return found && found->GetAsList(value);
}

const base::FilePath& Installation::GetFolder() const {
  return folder_;
}

const InstallationStatus& Installation::GetStatusIfLoaded() const {
  return *status_;
}

bool Installation::IsCopyOnly() {
  LoadStatus();
  return status_->copy_only;
}

bool Installation::IsSingleProfile() const {
  bool single_profile = false;
  return GetPrefBoolean("single_profile", &single_profile) && single_profile;
}

std::wstring Installation::GetProgId() {
  LoadStatus();
  return kProgIdPrefix + status_->app_id;
}

std::wstring Installation::GetAutoupdateTaskName() {
  LoadStatus();
  return kAutoupdateTaskPrefix + status_->app_id;
}

bool Installation::GetProfilePath(base::FilePath* path) {
  return GetProfilePathInternal(path, /*strip_user_name=*/false, kStreamId);
}

bool Installation::GetProfileParentPath(base::FilePath* path) {
  return GetProfilePathInternal(path, /*strip_user_name=*/true, kStreamId);
}

bool Installation::GetProfilePathForStream(base::FilePath* path, int stream) {
  return GetProfilePathInternal(path, /*strip_user_name=*/false, stream);
}

bool Installation::GetProfilePathInternal(base::FilePath* path, bool strip_user_name,
                                          int stream) {
  DCHECK(path);
  if (folder_.empty()) return false;
  if (IsSingleProfile()) {
    *path = folder_.Append(L"profile").Append(L"data");
    return true;
  }
  base::FilePath expanded;
  if (!ExpandProfileTemplate(stream, &expanded)) return false;
  const std::wstring& pref = profile_path_;
  const size_t token_length = std::char_traits<wchar_t>::length(kUserNameToken);
  const bool ends_in_user_name =
      pref.size() > token_length &&
      pref.compare(pref.size() - token_length, token_length, kUserNameToken) == 0 &&
      base::FilePath::IsSeparator(pref[pref.size() - token_length - 1]);
  *path = strip_user_name && ends_in_user_name ? expanded.DirName() : expanded;
  return true;
}

bool Installation::ExpandProfileTemplate(int stream, base::FilePath* path) {
  if (!profile_path_.empty()) {
    std::wstring expanded = profile_path_;
    if (expanded.find(kUserNameToken) != std::wstring::npos) {
      std::wstring user_name;
      if (!GetCurrentUserName(&user_name) || user_name.empty()) return false;
      base::ReplaceFirstSubstringAfterOffset(&expanded, 0, kUserNameToken, user_name);
    }
    *path = base::FilePath(expanded);
    return true;
  }
  return ExpandDefaultProfileTemplate(stream, path);
}

bool Installation::GetDefaultProfilePath(base::FilePath* path) const {
  return ExpandDefaultProfileTemplate(kStreamId, path);
}

// static
bool Installation::ExpandDefaultProfileTemplate(int stream, base::FilePath* path) {
  std::wstring relative = base::UTF8ToWide(ProductInfo::GetDefaultProfilePathTemplate());
  // Without a template the profile would be the application-data folder
  // itself, which nobody may treat as a profile.
  if (relative.empty()) return false;
  base::ReplaceSubstringsAfterOffset(&relative, 0, kStreamToken,
                                     base::UTF8ToWide(GetStreamNameForNumber(stream)));
  base::FilePath app_data;
  if (!base::PathService::Get(base::DIR_APP_DATA, &app_data)) return false;
  *path = app_data.Append(base::FilePath(relative).NormalizePathSeparators());
  return true;
}

void Installation::GetLocalDataPath(const base::FilePath& profile_path,
                                    base::FilePath* local_path) {
  DCHECK(local_path);
  *local_path = profile_path;
  if (!profile_path_.empty()) return;
  base::FilePath roaming;
  base::FilePath local;
  if (!base::PathService::Get(base::DIR_APP_DATA, &roaming) ||
      !base::PathService::Get(base::DIR_LOCAL_APP_DATA, &local)) {
    return;
  }
  base::FilePath relative;
  if (!IsParentPathIgnoreCase(roaming, profile_path)) return;
  // The comparison ignored case; cut the relative part by length.
  const base::FilePath roaming_prefix = roaming.StripTrailingSeparators();
  std::wstring rest = profile_path.value().substr(roaming_prefix.value().size());
  while (!rest.empty() && base::FilePath::IsSeparator(rest.front())) rest.erase(0, 1);
  *local_path = local.Append(rest);
}

bool Installation::IsSafeProfileFolderToDelete(const base::FilePath& folder) {
  return ::IsSafeProfileFolderToDelete(folder, folder_);
}

DefaultBrowserRegistrar Installation::Registrar() {
  return DefaultBrowserRegistrar(this, OSOperations::GetInstance(), app_registration_name_,
                                 registry_transaction_);
}

bool Installation::IsHttpHandler() {
  return Registrar().IsHttpHandler();
}

bool Installation::GetAssociationCommand(const std::wstring& association, bool all_users,
                                         std::wstring* command) {
  return Registrar().GetAssociationCommand(association, all_users, command);
}

bool Installation::IsHandlerFor(const std::wstring& association) {
  return Registrar().IsHandlerFor(association);
}

bool Installation::IsDefaultBrowser() {
  LoadStatus();
  return Registrar().IsDefaultBrowser();
}

bool Installation::GetPreviousDefaultBrowser(std::wstring* value) {
  return Registrar().GetPreviousDefaultBrowser(value);
}

bool Installation::SetPreviousDefaultBrowser(const std::wstring& value, bool all_users) {
  return Registrar().SetPreviousDefaultBrowser(value, all_users);
}

void Installation::StorePreviousDefaultBrowser(bool all_users) {
  Registrar().StorePreviousDefaultBrowser(all_users);
}

bool Installation::MakeDefaultBrowser(bool all_users) {
  return Registrar().MakeDefaultBrowser(all_users);
}

bool Installation::RegisterFileHandlers(bool all_users) {
  return Registrar().RegisterFileHandlers(all_users);
}

bool Installation::SetAsDefaultFor(const std::wstring& association, bool all_users) {
  LoadStatus();
  return Registrar().SetAsDefaultFor(association, all_users);
}

bool Installation::SetStartMenuInternetDefault(bool all_users) {
  LoadStatus();
  return Registrar().SetStartMenuInternetDefault(all_users);
}

ExistingInstallation::~ExistingInstallation() = default;
