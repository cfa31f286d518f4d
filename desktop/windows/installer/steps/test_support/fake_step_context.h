#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_TEST_SUPPORT_FAKE_STEP_CONTEXT_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_TEST_SUPPORT_FAKE_STEP_CONTEXT_H_

#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "desktop/windows/installer/steps/installer_step_context.h"

// A step context whose folders and answers the test sets.
class FakeStepContext : public InstallerStepContext {
 public:
  explicit FakeStepContext(Settings* settings) : settings_(settings) {}

  Settings* GetSettings() override { return settings_; }
  Transaction* GetTransaction() override { return &transaction_; }
  const InstallationStatus* GetExistingInstallation() override { return nullptr; }
  base::FilePath GetInstallFolder() override { return install_folder; }
  base::FilePath GetPackageFolder() override { return package_folder; }
  base::FilePath GetTargetFolder() override { return install_folder; }
  const base::FilePath& GetBaseInstallFolder() override { return base_install_folder; }
  const base::FilePath& GetSettingsInstallFolder() override { return base_install_folder; }
  InstallationStatus* GetInstallationStatus() override { return nullptr; }
  const InstallationFolderDetails* GetFolderDetails() override { return nullptr; }
  base::ProcessId GetParentPid() override { return 0; }
  RegistryRuleHost* GetRuleHost() override { return nullptr; }
  bool HasFinishedEvent() override { return false; }
  void StartRegistryRecording() override {}
  void StopRegistryRecording() override {}
  void ReportImportantEvent(const std::string& name) override { events.push_back(name); }
  bool HasExistingInstallation() override { return false; }
  bool IsMinimalInstall() override { return false; }
  bool IsRunningFromInstallFolder() override { return running_from_install_folder; }
  bool HasPackageDir() override { return has_package_dir; }

  base::FilePath install_folder;
  base::FilePath package_folder;
  base::FilePath base_install_folder;
  bool running_from_install_folder = false;
  bool has_package_dir = false;
  std::vector<std::string> events;

 private:
  Settings* const settings_;
  Transaction transaction_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_TEST_SUPPORT_FAKE_STEP_CONTEXT_H_
