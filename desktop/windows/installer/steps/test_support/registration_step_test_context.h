#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_TEST_SUPPORT_REGISTRATION_STEP_TEST_CONTEXT_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_TEST_SUPPORT_REGISTRATION_STEP_TEST_CONTEXT_H_

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "desktop/windows/installer/service/installation_status.h"
#include "desktop/windows/installer/service/transactions/registry_rule.h"
#include "desktop/windows/installer/steps/test_support/fake_step_context.h"
#include "desktop/windows/installer/steps/test_support/operation_only_settings.h"

// Settings whose mode, shortcut wishes and default-browser wish the test
// sets.
class RegistrationStepTestSettings : public OperationOnlySettings {
 public:
  RegistrationStepTestSettings() : OperationOnlySettings(INSTALL_OPERATION_INSTALL) {}

  bool GetCopyOnly() const override { return copy_only; }
  bool GetAllUsers() const override { return all_users; }
  bool GetDefaultBrowser() const override { return default_browser; }
  bool GetDesktopShortcut() const override { return desktop_shortcut; }
  bool GetStartMenuShortcut() const override { return start_menu_shortcut; }
  bool GetQuickLaunchShortcut() const override { return quick_launch_shortcut; }
  bool GetPinnedShortcut() const override { return pinned_shortcut; }
  std::wstring GetLanguage() const override { return language; }

  bool copy_only = false;
  bool all_users = false;
  bool default_browser = false;
  bool desktop_shortcut = false;
  bool start_menu_shortcut = false;
  bool quick_launch_shortcut = false;
  bool pinned_shortcut = false;
  std::wstring language = L"en";
};

// Expands placeholders from a table ("Uninstall" from the application id
// the registry step writes) and records into the context's new status
// while recording is on, as the installer does.
class RegistrationStepTestContext : public FakeStepContext, public RegistryRuleHost {
 public:
  explicit RegistrationStepTestContext(RegistrationStepTestSettings* settings)
      : FakeStepContext(settings), status(INSTALLATION_STATUS_SOURCE_GENERATED) {}

  const InstallationStatus* GetExistingInstallation() override { return existing.get(); }
  InstallationStatus* GetInstallationStatus() override { return &status; }
  base::ProcessId GetParentPid() override { return parent_pid; }
  RegistryRuleHost* GetRuleHost() override { return this; }
  void StartRegistryRecording() override { recording = true; }
  void StopRegistryRecording() override { recording = false; }
  bool HasExistingInstallation() override { return existing != nullptr; }

  std::wstring GetValue(const std::wstring& name) override {
    if (name == L"Uninstall")
      return app_id;
    auto it = values.find(name);
    return it == values.end() ? name : it->second;
  }
  std::vector<StatusRegistryKey>* GetRegistryRecord(HKEY root) override {
    if (!recording)
      return nullptr;
    return root == HKEY_LOCAL_MACHINE ? &status.hklm_keys : &status.hkcu_keys;
  }

  InstallationStatus status;
  std::unique_ptr<InstallationStatus> existing;
  base::ProcessId parent_pid = 0;
  bool recording = false;
  // What the registry step overwrites; "{Uninstall}" expands to it.
  std::wstring app_id = L"1500000000";
  std::map<std::wstring, std::wstring> values = {
      {L"ProgID", L"TarvoTest.Html"},      {L"Product", L"Tarvo"},
      {L"Stream", L"developer"},           {L"Version", L"1.2.3.4"},
      {L"InstallFolder", L"C:\\Tarvo"},    {L"Executable", L"tarvo.exe"},
      {L"Company", L"Tarvo Software"},     {L"HelpURL", L"https://help"},
      {L"CompanyURL", L"https://company"}, {L"DownloadsURL", L"https://downloads"},
  };
};

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_TEST_SUPPORT_REGISTRATION_STEP_TEST_CONTEXT_H_
