#include "desktop/windows/installer/steps/install_components_step.h"

#include <algorithm>
#include <string>

#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "base/time/time.h"
#include "desktop/windows/installer/service/installation_status.h"
#include "desktop/windows/installer/settings/settings.h"
#include "desktop/windows/installer/steps/component_installer_runner.h"
#include "desktop/windows/installer/utils/installer_switches.h"
#include "desktop/windows/installer/utils/process_launcher.h"

namespace {

// The exit code given to a component installer ended for hanging.
constexpr int kHungComponentExitCode = 1;

}  // namespace

InstallComponentsStep::InstallComponentsStep(InstallerStepContext* context)
    : InstallerStep("install_components", context) {}

InstallComponentsStep::~InstallComponentsStep() = default;

StepResult InstallComponentsStep::Run(int /*attempt*/) {
  LOG(INFO) << "Installing Components";
  if (GetSettings()->GetOperation() == INSTALL_OPERATION_UPGRADE)
    KeepRecordedComponents();

  ComponentInstallerRunner* runner = GetComponentInstallerRunner();
  base::FilePath running_installer;
  const base::CommandLine* command_line = &GetContext()->GetCommandLine();
  if (!runner->GetRunningInstaller(&running_installer) ||
      !command_line->HasSwitch(switches::kComponents)) {
    return StepResult(STEP_OK);
  }
  const std::wstring value = command_line->GetSwitchValueNative(switches::kComponents);
  LOG(INFO) << "Components present : " << base::WideToUTF8(value);
  const base::FilePath& install_folder = GetContext()->GetBaseInstallFolder();
  for (const ComponentEntry& entry : ParseComponentsSwitch(value)) {
    LOG(INFO) << "Processing component " << base::WideToUTF8(entry.name + L":" + entry.folder);
    const base::FilePath destination = install_folder.Append(entry.name);
    if (RunComponent(runner, running_installer, entry, destination))
      Record(entry, destination);
  }
  return StepResult(STEP_OK);
}

void InstallComponentsStep::KeepRecordedComponents() {
  const InstallationStatus* existing = GetExistingInstallation();
  if (!existing)
    return;
  std::vector<StatusComponent>& components = GetInstallationStatus()->components;
  for (const StatusComponent& component : existing->components) {
    if (!IsRecordedComponentSafe(component, GetContext()->GetBaseInstallFolder()))
      continue;
    const bool known = std::any_of(components.begin(), components.end(),
                                   [&](const StatusComponent& c) { return c.name == component.name; });
    if (!known)
      components.push_back(component);
  }
}

bool InstallComponentsStep::RunComponent(ComponentInstallerRunner* runner,
                                         const base::FilePath& running_installer,
                                         const ComponentEntry& entry,
                                         const base::FilePath& destination) {
  const base::FilePath installer = GetComponentInstallerPath(
      GetPackageFolder().DirName().Append(entry.folder), entry.name);
  if (!base::PathExists(installer)) {
    LOG(ERROR) << "Component installer does not exist " << installer;
    return false;
  }
  // Held from the signer check until the process has started, so the file
  // that runs is the file that was checked.
  base::win::ScopedHandle held = OpenProgramForLaunch(installer);
  if (!held.IsValid()) {
    PLOG(ERROR) << "Cannot open component installer " << installer;
    return false;
  }
  const bool signed_build = runner->IsSignedBuild();
  std::string error;
  if (signed_build && !runner->VerifySignature(installer, &error)) {
    LOG(ERROR) << "Signature error for component installer ";
    LOG(ERROR) << running_installer << " signed = " << signed_build;
    LOG(ERROR) << installer << " signed = " << false << " " << error;
    return false;
  }

  base::CommandLine command_line(installer);
  command_line.AppendSwitchPath(switches::kInstallFolder, destination);
  command_line.AppendSwitchASCII(switches::kCopyOnly, GetSettings()->GetCopyOnly() ? "1" : "0");
  command_line.AppendSwitchASCII(switches::kAllUsers, GetSettings()->GetAllUsers() ? "1" : "0");
  LOG(INFO) << "Running component installer";
  base::Process process = runner->Launch(command_line);
  held.Close();
  if (!process.IsValid()) {
    LOG(ERROR) << "Cannot start component installer " << installer;
    return false;
  }
  // Its end is needed before the status is written; one that hangs must
  // not hang the installation with it.
  const base::TimeDelta limit = runner->GetWaitLimit();
  int exit_code = -1;
  if (!process.WaitForExitWithTimeout(limit, &exit_code)) {
    LOG(ERROR) << "Component installer " << installer << " did not end within "
               << limit.InSeconds() << " s; ending it";
    process.Terminate(kHungComponentExitCode, /*wait=*/true);
    return false;
  }
  LOG(INFO) << "Component installer returned " << exit_code;
  return exit_code == 0;
}

void InstallComponentsStep::Record(const ComponentEntry& entry,
                                   const base::FilePath& destination) {
  std::vector<StatusComponent>& components = GetInstallationStatus()->components;
  const std::string name = base::WideToUTF8(entry.name);
  const bool known = std::any_of(components.begin(), components.end(),
                                 [&](const StatusComponent& c) { return c.name == name; });
  if (!known)
    components.push_back(StatusComponent{name, destination});
}
