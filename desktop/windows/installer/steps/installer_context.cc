// The Installer as the steps' context and as the host of registry rules.

#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/path_service.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/service/installation_folder_details.h"
#include "desktop/windows/installer/settings/settings.h"
#include "desktop/windows/installer/steps/installer.h"
#include "desktop/windows/installer/utils/canonical_folder.h"
#include "desktop/windows/installer/utils/installer_session.h"
#include "desktop/windows/installer/utils/installer_switches.h"
#include "desktop/windows/installer/utils/product_info.h"
#include "desktop/windows/installer/utils/service_utils.h"

namespace {

constexpr wchar_t kMinimalInstallFile[] = L"minimal_install";

}  // namespace

Settings* Installer::GetSettings() {
  return settings_;
}

Transaction* Installer::GetTransaction() {
  return &transaction_;
}

const InstallationStatus* Installer::GetExistingInstallation() {
  return settings_->GetFolderDetails()->GetExistingInstallation();
}

base::FilePath Installer::GetInstallFolder() {
  const base::FilePath subfolder = GetInstallSubfolder();
  const base::FilePath& base_folder = GetBaseInstallFolder();
  return subfolder.empty() ? base_folder : base_folder.Append(subfolder);
}

base::FilePath Installer::GetPackageFolder() {
  return InstallerSession::GetInstance()->GetPackageDir();
}

base::FilePath Installer::GetTargetFolder() {
  return GetInstallFolder();
}

const base::FilePath& Installer::GetBaseInstallFolder() {
  return settings_->GetFolderDetails()->GetPath();
}

const base::FilePath& Installer::GetSettingsInstallFolder() {
  return settings_install_folder_;
}

InstallationStatus* Installer::GetInstallationStatus() {
  return &status_;
}

const InstallationFolderDetails* Installer::GetFolderDetails() {
  return settings_->GetFolderDetails();
}

base::ProcessId Installer::GetParentPid() {
  return parent_pid_;
}

RegistryRuleHost* Installer::GetRuleHost() {
  return this;
}

bool Installer::HasFinishedEvent() {
  return finished_event_.IsValid();
}

void Installer::StartRegistryRecording() {
  registry_recording_ = true;
}

void Installer::StopRegistryRecording() {
  registry_recording_ = false;
}

void Installer::ReportImportantEvent(const std::string& name) {
  for (InstallerObserver& observer : observers_)
    observer.OnImportantEvent(name);
}

bool Installer::HasExistingInstallation() {
  return settings_->GetFolderDetails()->HasExistingInstallation();
}

bool Installer::IsMinimalInstall() {
  return base::PathExists(GetInstallFolder().Append(kMinimalInstallFile)) ||
         settings_->GetOperation() == INSTALL_OPERATION_FIX_DOWNLOADABLE_RESOURCES;
}

bool Installer::IsRunningFromInstallFolder() {
  base::FilePath exe;
  if (!base::PathService::Get(base::FILE_EXE, &exe))
    return false;
  return IsSameFolder(exe.DirName(), GetInstallFolder());
}

bool Installer::HasPackageDir() {
  return InstallerSession::GetInstance()->HasPackageDir();
}

bool Installer::UsesRecordedSubfolder() {
  const InstallOperation operation = settings_->GetOperation();
  return operation == INSTALL_OPERATION_UNINSTALL ||
         operation == INSTALL_OPERATION_FIX_DOWNLOADABLE_RESOURCES;
}

base::FilePath Installer::GetInstallSubfolder() {
  if (!UsesRecordedSubfolder())
    return command_line_.GetSwitchValuePath(switches::kInstallSubfolder);
  const InstallationStatus* existing = GetExistingInstallation();
  // A subfolder that leads out of the installation folder is never used
  // (HandleSubfolder ends the run on one).
  if (!existing || !IsRecordedSubfolderSafe(existing->subfolder))
    return base::FilePath();
  return existing->subfolder;
}

bool Installer::HasOwnSwitch(const char* name) const {
  return command_line_.HasSwitch(name);
}

const base::CommandLine& Installer::GetCommandLine() {
  return command_line_;
}

std::wstring Installer::GetValue(const std::wstring& name) {
  if (name == L"InstallFolder")
    return settings_->GetFolderDetails()->GetPath().value();
  if (name == L"Version")
    return base::UTF8ToWide(product_info::GetVersion());
  if (name == L"Executable")
    return GetBrowserExeName();
  if (name == L"Product")
    return base::UTF8ToWide(product_info::GetProductName());
  if (name == L"Company")
    return base::UTF8ToWide(ProductInfo::GetCompanyName());
  if (name == L"CompanyRegistryKey")
    return GetCompanyRegistryKey();
  if (name == L"Stream")
    return base::UTF8ToWide(product_info::GetChannelName());
  if (name == L"Uninstall")
    return app_id_;
  if (name == L"HelpURL")
    return base::UTF8ToWide(ProductInfo::GetUrl("help"));
  if (name == L"CompanyURL")
    return base::UTF8ToWide(ProductInfo::GetUrl("homepage"));
  if (name == L"DownloadsURL")
    return base::UTF8ToWide(ProductInfo::GetUrl("download"));
  if (name == L"ProgID")
    return base::UTF8ToWide(product_info::GetProductNameWithChannel());
  return name;
}

std::vector<StatusRegistryKey>* Installer::GetRegistryRecord(HKEY root) {
  if (!registry_recording_)
    return nullptr;
  return root == HKEY_LOCAL_MACHINE ? &status_.hklm_keys : &status_.hkcu_keys;
}
