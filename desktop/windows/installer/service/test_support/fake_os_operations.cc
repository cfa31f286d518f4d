#include "desktop/windows/installer/service/test_support/fake_os_operations.h"

#include "base/command_line.h"

FakeOSOperations::FakeOSOperations() = default;

FakeOSOperations::~FakeOSOperations() = default;

std::vector<FakeOSOperations::Call> FakeOSOperations::CallsOf(
    const std::string& operation) const {
  std::vector<Call> found;
  for (const Call& call : calls_) {
    if (call.operation == operation) found.push_back(call);
  }
  return found;
}

bool FakeOSOperations::GetCommandOutput(const base::CommandLine& command_line,
                                        std::string* output) {
  const std::wstring text = command_line.GetCommandLineString();
  calls_.push_back({"GetCommandOutput", text, std::wstring()});
  auto found = command_outputs.find(text);
  if (found == command_outputs.end()) return false;
  *output = found->second;
  return true;
}

std::unique_ptr<DriveEnumerator> FakeOSOperations::CreateDriveEnumerator() {
  return std::make_unique<FakeDriveEnumerator>(drives);
}

bool FakeOSOperations::IsInternetExplorerAvailable() {
  return internet_explorer_available;
}

bool FakeOSOperations::SetDefaultAssociation(const std::wstring& app_registration_name,
                                             const std::wstring& /*product_name*/,
                                             const std::wstring& association) {
  calls_.push_back({"SetDefaultAssociation", app_registration_name, association});
  return set_default_association_succeeds;
}

base::win::Version FakeOSOperations::GetWindowsVersion() {
  return windows_version;
}

bool FakeOSOperations::QueryAppIsDefault(const std::wstring& app_registration_name,
                                         const std::wstring& association,
                                         AssociationKind kind) {
  calls_.push_back({"QueryAppIsDefault", app_registration_name, association, kind});
  return app_is_default;
}

bool FakeOSOperations::SetAppAsDefault(const std::wstring& app_registration_name,
                                       const std::wstring& association,
                                       AssociationKind kind) {
  calls_.push_back({"SetAppAsDefault", app_registration_name, association, kind});
  return set_app_as_default_succeeds;
}

bool FakeOSOperations::ShowOpenWithDialog(const std::wstring& association) {
  calls_.push_back({"ShowOpenWithDialog", association, std::wstring()});
  return open_with_succeeds;
}

void FakeOSOperations::NotifyAssociationsChanged() {
  calls_.push_back({"NotifyAssociationsChanged", std::wstring(), std::wstring()});
}

bool FakeOSOperations::ActivateApplication(const std::wstring& app_id,
                                           const std::wstring& arguments) {
  calls_.push_back({"ActivateApplication", app_id, arguments});
  return activation_succeeds;
}
