#include "desktop/windows/installer/service/install_folder_template_variables.h"

#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/utils/product_info.h"
#include "desktop/windows/installer/utils/service_utils.h"

InstallFolderTemplateVariables::InstallFolderTemplateVariables(const base::FilePath& install_folder,
                                                               const std::wstring& uninstall_entry)
    : install_folder_(install_folder),
      product_(base::UTF8ToWide(product_info::GetProductName())),
      product_with_channel_(base::UTF8ToWide(product_info::GetProductNameWithChannel())),
      channel_(base::UTF8ToWide(product_info::GetChannelName())),
      uninstall_entry_(uninstall_entry) {}

InstallFolderTemplateVariables::~InstallFolderTemplateVariables() = default;

std::wstring InstallFolderTemplateVariables::GetValue(const std::wstring& name) {
  if (name == L"InstallFolder")
    return install_folder_.value();
  if (name == L"Product")
    return product_;
  if (name == L"Stream")
    return channel_;
  // The table's "{Uninstall}" rows name the whole key, as the registry
  // step wrote them; the entry name alone would be looked up at the root.
  if (name == L"Uninstall")
    return GetUninstallRegistryKey(uninstall_entry_);
  if (name == L"ProgID")
    return product_with_channel_;
  if (name == L"Executable")
    return GetBrowserExeName();
  return name;
}

std::vector<StatusRegistryKey>* InstallFolderTemplateVariables::GetRegistryRecord(HKEY) {
  return nullptr;
}
