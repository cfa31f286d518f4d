#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_OS_OPERATIONS_IMPL_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_OS_OPERATIONS_IMPL_H_

#include <memory>
#include <string>

#include "desktop/windows/installer/service/os_operations.h"

class AppOutputRunner;

// The real services. Exports that Windows 7 or Wine lack are looked up at
// run time, and the association registration's undocumented interfaces
// are called only after they answered QueryInterface for their id.
class OSOperationsImpl : public OSOperations {
 public:
  OSOperationsImpl();
  // Runs command lines through `runner`.
  explicit OSOperationsImpl(std::unique_ptr<AppOutputRunner> runner);
  ~OSOperationsImpl() override;

  void SetUpBrowserRegistration(const BrowserRegistrationRequest& request,
                                const InstallationStatus* status) override;
  std::unique_ptr<RegistryKeyNode> OpenRegistryKey(HKEY root, const std::wstring& path,
                                                   uint32_t access) override;
  bool GetCommandOutput(const base::CommandLine& command_line, std::string* output) override;
  std::unique_ptr<DriveEnumerator> CreateDriveEnumerator() override;
  bool IsInternetExplorerAvailable() override;
  bool SetDefaultAssociation(const std::wstring& app_registration_name,
                             const std::wstring& product_name,
                             const std::wstring& association) override;
  base::win::Version GetWindowsVersion() override;
  bool QueryAppIsDefault(const std::wstring& app_registration_name,
                         const std::wstring& association, AssociationKind kind) override;
  bool SetAppAsDefault(const std::wstring& app_registration_name,
                       const std::wstring& association, AssociationKind kind) override;
  bool ShowOpenWithDialog(const std::wstring& association) override;
  void NotifyAssociationsChanged() override;
  bool ActivateApplication(const std::wstring& app_id, const std::wstring& arguments) override;

 private:
  std::unique_ptr<AppOutputRunner> runner_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_OS_OPERATIONS_IMPL_H_
