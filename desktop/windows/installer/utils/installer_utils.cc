#include "desktop/windows/installer/utils/installer_utils.h"

#include <atomic>

#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/no_destructor.h"
#include "base/path_service.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_split.h"
#include "desktop/windows/installer/utils/installer_error_record.h"
#include "desktop/windows/installer/utils/installer_result.h"
#include "desktop/windows/installer/utils/moved_aside_name.h"
#include "desktop/windows/installer/utils/service_utils.h"
#include "desktop/windows/l10n_handler/l10n_handler.h"

namespace {

constexpr wchar_t kFilesListName[] = L"files_list";
constexpr wchar_t kPackagedInstallerName[] = L"installer.exe";
constexpr int kDiskSpaceStringId = 37072;

InstallerUtils* g_instance_for_testing = nullptr;
std::atomic<InstallerUtils::SettingsValidator> g_settings_validator{nullptr};

}  // namespace

InstallerUtils* InstallerUtils::GetInstance() {
  if (g_instance_for_testing)
    return g_instance_for_testing;
  static base::NoDestructor<InstallerUtilsImpl> instance;
  return instance.get();
}

void InstallerUtils::SetInstanceForTesting(InstallerUtils* utils) {
  g_instance_for_testing = utils;
}

InstallerUtils::SettingsValidator InstallerUtils::SetSettingsValidator(
    SettingsValidator validator) {
  return g_settings_validator.exchange(validator);
}

bool InstallerUtilsImpl::IsInsidePackageImpl(bool uninstall) {
  base::FilePath folder;
  base::FilePath exe;
  if (!base::PathService::Get(base::DIR_EXE, &folder) ||
      !base::PathService::Get(base::FILE_EXE, &exe)) {
    return false;
  }
  bool has_browser = base::PathExists(folder.Append(GetBrowserExeName()));
  if (uninstall) {
    // An uninstall killed after it moved the browser aside: this run puts
    // it back before it uninstalls.
    if (has_browser || HasMovedAsideCopy(folder, GetBrowserExeName()))
      return true;
    LOG(ERROR) << "Requested to uninstall, but we are not in a valid "
               << "installation folder";
    return false;
  }
  return has_browser && base::PathExists(folder.Append(kFilesListName)) &&
         exe.BaseName().value() == kPackagedInstallerName;
}

bool InstallerUtilsImpl::ReadFilesListImpl(const base::FilePath& path,
                                           std::list<std::string>* files) {
  VLOG(1) << "Reading files list : " << path.BaseName();
  std::string text;
  if (!base::ReadFileToString(path, &text))
    return SetInstallerError(RESULT_GENERAL_FAILURE, "Cannot read files list to string",
                             std::wstring());
  std::vector<std::string> lines =
      base::SplitString(text, "\r\n", base::KEEP_WHITESPACE, base::SPLIT_WANT_NONEMPTY);
  // In file order, in front of whatever the list already holds.
  files->insert(files->begin(), lines.begin(), lines.end());
  return true;
}

std::wstring InstallerUtilsImpl::GetDiskSpaceMessageImpl(const std::vector<VolumeSpace>& volumes) {
  std::wstring message;
  for (const VolumeSpace& volume : volumes) {
    if (!message.empty())
      message += L", ";
    message += GetLocalizedStringWithReplacements(kDiskSpaceStringId, volume.first,
                                                  base::NumberToString16(volume.second));
  }
  return message;
}

bool InstallerUtilsImpl::ValidateSettingsImpl(const Settings& settings) {
  if (SettingsValidator validator = g_settings_validator.load())
    return validator(settings);
  return SetInstallerError(RESULT_GENERAL_FAILURE, "Settings cannot be validated in this process",
                           std::wstring());
}
