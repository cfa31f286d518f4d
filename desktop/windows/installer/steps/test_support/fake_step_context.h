#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_TEST_SUPPORT_FAKE_STEP_CONTEXT_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_TEST_SUPPORT_FAKE_STEP_CONTEXT_H_

#include <string>
#include <utility>
#include <vector>

#include "base/command_line.h"
#include "base/files/file_path.h"
#include "desktop/windows/installer/service/installation_status.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "desktop/windows/installer/steps/installer_step_context.h"

// A step context whose folders and answers the test sets.
class FakeStepContext : public InstallerStepContext {
 public:
  explicit FakeStepContext(Settings* settings) : settings_(settings) {}

  Settings* GetSettings() override { return settings_; }
  Transaction* GetTransaction() override { return &transaction_; }
  const InstallationStatus* GetExistingInstallation() override { return existing_installation; }
  base::FilePath GetInstallFolder() override { return install_folder; }
  base::FilePath GetPackageFolder() override { return package_folder; }
  base::FilePath GetTargetFolder() override { return install_folder; }
  const base::FilePath& GetBaseInstallFolder() override { return base_install_folder; }
  // The base install folder unless the test sets a root folder of its own.
  const base::FilePath& GetSettingsInstallFolder() override {
    return settings_install_folder.empty() ? base_install_folder : settings_install_folder;
  }
  InstallationStatus* GetInstallationStatus() override { return &installation_status; }
  const InstallationFolderDetails* GetFolderDetails() override { return folder_details; }
  base::ProcessId GetParentPid() override { return parent_pid; }
  RegistryRuleHost* GetRuleHost() override { return nullptr; }
  bool HasFinishedEvent() override { return finished_event; }
  void StartRegistryRecording() override {}
  void StopRegistryRecording() override {}
  void ReportImportantEvent(const std::string& name) override { events.push_back(name); }
  bool HasExistingInstallation() override { return existing_installation != nullptr; }
  bool IsMinimalInstall() override { return minimal_install; }
  bool IsRunningFromInstallFolder() override { return running_from_install_folder; }
  bool HasPackageDir() override { return has_package_dir; }
  const base::CommandLine& GetCommandLine() override { return command_line; }
  void RunWhenFinal(base::OnceClosure action) override {
    final_actions.push_back(std::move(action));
  }
  void RunFinalActions() {
    for (base::OnceClosure& action : final_actions)
      std::move(action).Run();
    final_actions.clear();
  }

  base::FilePath install_folder;
  base::FilePath package_folder;
  base::FilePath base_install_folder;
  base::FilePath settings_install_folder;
  const InstallationStatus* existing_installation = nullptr;
  InstallationStatus installation_status{INSTALLATION_STATUS_SOURCE_GENERATED};
  const InstallationFolderDetails* folder_details = nullptr;
  bool minimal_install = false;
  bool running_from_install_folder = false;
  bool has_package_dir = false;
  bool finished_event = false;
  base::ProcessId parent_pid = 0;
  // The backend's switches, as the test gives them.
  base::CommandLine command_line{base::CommandLine::NO_PROGRAM};
  std::vector<std::string> events;
  std::vector<base::OnceClosure> final_actions;

 private:
  Settings* const settings_;
  Transaction transaction_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_TEST_SUPPORT_FAKE_STEP_CONTEXT_H_
