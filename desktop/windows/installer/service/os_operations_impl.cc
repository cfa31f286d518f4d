#include "desktop/windows/installer/service/os_operations_impl.h"

#include <windows.h>
#include <shlobj.h>

#include <utility>

#include "base/command_line.h"
#include "base/logging.h"
#include "desktop/windows/installer/service/association_service.h"
#include "desktop/windows/installer/service/drive_enumerator.h"
#include "desktop/windows/installer/service/installation.h"
#include "desktop/windows/installer/service/registry_key_node.h"
#include "desktop/windows/installer/utils/app_output_runner.h"

namespace {

int GetWindowsBuild() {
  return base::win::OSInfo::GetInstance()->version_number().build;
}

}  // namespace

OSOperationsImpl::OSOperationsImpl() : OSOperationsImpl(std::make_unique<AppOutputRunnerImpl>()) {}

OSOperationsImpl::OSOperationsImpl(std::unique_ptr<AppOutputRunner> runner)
    : runner_(std::move(runner)) {}

OSOperationsImpl::~OSOperationsImpl() = default;

void OSOperationsImpl::SetUpBrowserRegistration(const BrowserRegistrationRequest& request,
                                                const InstallationStatus* status) {
  // A standalone copy registers nothing.
  if (request.copy_only) return;
  if (GetWindowsVersion() >= base::win::VERSION_WIN10 && !IsInternetExplorerAvailable() &&
      (request.silent || request.folder_is_http_handler)) {
    return;
  }
  // Without a record handed in, the installation reads its own.
  std::unique_ptr<ExistingInstallation> installation =
      status ? std::make_unique<ExistingInstallation>(
                   request.folder, std::make_unique<InstallationStatus>(*status))
             : std::make_unique<ExistingInstallation>(request.folder);
  installation->SetRegistryTransaction(request.transaction);
  if (request.default_browser) {
    if (request.all_users) {
      VLOG(1) << "Storing old default browser settings for all users";
      installation->StorePreviousDefaultBrowser(/*all_users=*/true);
      installation->MakeDefaultBrowser(/*all_users=*/true);
    }
    VLOG(1) << "Storing old default browser settings for current users";
    installation->StorePreviousDefaultBrowser(/*all_users=*/false);
    installation->MakeDefaultBrowser(/*all_users=*/false);
  } else {
    LOG(INFO) << "Setting up file handlers for the current user.";
    installation->RegisterFileHandlers(/*all_users=*/false);
  }
  ::SendNotifyMessageW(HWND_BROADCAST, WM_SETTINGCHANGE, 0,
                       reinterpret_cast<LPARAM>(L"Software\\Clients\\StartMenuInternet"));
  NotifyAssociationsChanged();
}

std::unique_ptr<RegistryKeyNode> OSOperationsImpl::OpenRegistryKey(HKEY root,
                                                                   const std::wstring& path,
                                                                   uint32_t access) {
  return std::make_unique<RegistryKeyNode>(root, path, access);
}

bool OSOperationsImpl::GetCommandOutput(const base::CommandLine& command_line,
                                        std::string* output) {
  return runner_->Run(command_line, output);
}

std::unique_ptr<DriveEnumerator> OSOperationsImpl::CreateDriveEnumerator() {
  return std::make_unique<DriveEnumerator>();
}

bool OSOperationsImpl::IsInternetExplorerAvailable() {
  return association_service::IsInternetExplorerAvailable(GetWindowsBuild());
}

bool OSOperationsImpl::SetDefaultAssociation(const std::wstring& app_registration_name,
                                             const std::wstring& product_name,
                                             const std::wstring& association) {
  return association_service::SetDefaultAssociation(GetWindowsBuild(), app_registration_name,
                                                    product_name, association);
}

base::win::Version OSOperationsImpl::GetWindowsVersion() {
  return base::win::GetVersion();
}

bool OSOperationsImpl::QueryAppIsDefault(const std::wstring& app_registration_name,
                                         const std::wstring& association, AssociationKind kind) {
  return association_service::QueryAppIsDefault(app_registration_name, association, kind);
}

bool OSOperationsImpl::SetAppAsDefault(const std::wstring& app_registration_name,
                                       const std::wstring& association, AssociationKind kind) {
  return association_service::SetAppAsDefault(app_registration_name, association, kind);
}

bool OSOperationsImpl::ShowOpenWithDialog(const std::wstring& association) {
  return association_service::ShowOpenWithDialog(association);
}

void OSOperationsImpl::NotifyAssociationsChanged() {
  ::SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
}

bool OSOperationsImpl::ActivateApplication(const std::wstring& app_id,
                                           const std::wstring& arguments) {
  return association_service::ActivateApplication(app_id, arguments);
}
