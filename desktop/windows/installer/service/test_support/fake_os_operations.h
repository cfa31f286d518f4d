#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TEST_SUPPORT_FAKE_OS_OPERATIONS_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TEST_SUPPORT_FAKE_OS_OPERATIONS_H_

#include <map>
#include <string>
#include <vector>

#include "desktop/windows/installer/service/os_operations_impl.h"
#include "desktop/windows/installer/service/test_support/fake_drive_enumerator.h"

// OS operations for tests: registry keys and SetUpBrowserRegistration are
// the real ones (isolate the registry with RegistryOverride), while the
// Windows version, the association service, the shell, the drives and
// command output answer what the test scripts - under Wine the real ones
// answer E_NOTIMPL or fail. Every service call is recorded. Install it
// with OSOperations::SetInstanceForTesting. Used on one thread.
class FakeOSOperations : public OSOperationsImpl {
 public:
  struct Call {
    std::string operation;  // "SetAppAsDefault", "ShowOpenWithDialog", ...
    std::wstring first;     // Application name, association or app id.
    std::wstring second;    // Association or arguments, if any.
    // For the association-service calls.
    AssociationKind kind = AssociationKind::kUrlProtocol;

    bool operator==(const Call&) const = default;
  };

  FakeOSOperations();
  ~FakeOSOperations() override;

  base::win::Version windows_version = base::win::VERSION_WIN7;
  bool internet_explorer_available = true;
  bool set_default_association_succeeds = false;
  bool app_is_default = false;
  bool set_app_as_default_succeeds = true;
  bool open_with_succeeds = true;
  bool activation_succeeds = true;
  std::vector<FakeDrive> drives;
  // Output by command line text; a missing one fails to run.
  std::map<std::wstring, std::string> command_outputs;

  const std::vector<Call>& calls() const { return calls_; }
  // The calls of one operation.
  std::vector<Call> CallsOf(const std::string& operation) const;

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
  std::vector<Call> calls_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TEST_SUPPORT_FAKE_OS_OPERATIONS_H_
