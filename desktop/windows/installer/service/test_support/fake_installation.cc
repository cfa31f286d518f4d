#include "desktop/windows/installer/service/test_support/fake_installation.h"

#include <utility>

#include "base/json/json_reader.h"
#include "base/values.h"

FakeInstallation::FakeInstallation(const base::FilePath& folder,
                                   std::unique_ptr<InstallationStatus> status,
                                   const std::string& prefs_json)
    : Installation(folder, std::move(status),
                   prefs_json.empty() ? nullptr : base::JSONReader::Read(prefs_json)) {}

FakeInstallation::~FakeInstallation() = default;

bool FakeInstallation::IsHttpHandler() {
  return is_http_handler;
}

bool FakeInstallation::GetAssociationCommand(const std::wstring& association, bool /*all_users*/,
                                             std::wstring* command) {
  auto found = association_commands.find(association);
  if (found == association_commands.end()) return false;
  *command = found->second;
  return true;
}

bool FakeInstallation::IsHandlerFor(const std::wstring& association) {
  auto found = handler_for.find(association);
  return found != handler_for.end() && found->second;
}

bool FakeInstallation::IsDefaultBrowser() {
  return is_default_browser;
}

bool FakeInstallation::GetPreviousDefaultBrowser(std::wstring* value) {
  if (previous_default_browser.empty()) return false;
  *value = previous_default_browser;
  return true;
}

bool FakeInstallation::SetPreviousDefaultBrowser(const std::wstring& value, bool all_users) {
  calls_.push_back({"SetPreviousDefaultBrowser", value, all_users});
  if (registration_succeeds) previous_default_browser = value;
  return registration_succeeds;
}

void FakeInstallation::StorePreviousDefaultBrowser(bool all_users) {
  calls_.push_back({"StorePreviousDefaultBrowser", std::wstring(), all_users});
}

bool FakeInstallation::MakeDefaultBrowser(bool all_users) {
  calls_.push_back({"MakeDefaultBrowser", std::wstring(), all_users});
  return registration_succeeds;
}

bool FakeInstallation::RegisterFileHandlers(bool all_users) {
  calls_.push_back({"RegisterFileHandlers", std::wstring(), all_users});
  return registration_succeeds;
}

bool FakeInstallation::SetAsDefaultFor(const std::wstring& association, bool all_users) {
  calls_.push_back({"SetAsDefaultFor", association, all_users, registry_transaction()});
  return registration_succeeds;
}

bool FakeInstallation::SetStartMenuInternetDefault(bool all_users) {
  calls_.push_back({"SetStartMenuInternetDefault", std::wstring(), all_users});
  return registration_succeeds;
}
