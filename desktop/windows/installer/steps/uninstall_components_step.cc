#include "desktop/windows/installer/steps/uninstall_components_step.h"

#include "base/command_line.h"
#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/service/installation_status.h"
#include "desktop/windows/installer/settings/settings.h"
#include "desktop/windows/installer/steps/component_entries.h"
#include "desktop/windows/installer/steps/component_installer_runner.h"
#include "desktop/windows/installer/utils/installer_switches.h"
#include "desktop/windows/installer/utils/process_launcher.h"

UninstallComponentsStep::UninstallComponentsStep(InstallerStepContext* context)
    : InstallerStep("uninstall_components", context) {}

UninstallComponentsStep::~UninstallComponentsStep() = default;

StepResult UninstallComponentsStep::Run(int /*attempt*/) {
  const InstallationStatus* existing = GetExistingInstallation();
  if (!existing)
    return StepResult(STEP_OK);
  ComponentInstallerRunner* runner = GetComponentInstallerRunner();
  for (const StatusComponent& component : existing->components) {
    if (!IsRecordedComponentSafe(component, GetContext()->GetBaseInstallFolder()))
      continue;
    const base::FilePath installer =
        GetComponentInstallerPath(component.path, base::UTF8ToWide(component.name));
    base::win::ScopedHandle held = OpenProgramForLaunch(installer);
    if (!held.IsValid()) {
      LOG(ERROR) << "Cannot open component uninstaller " << installer;
      continue;
    }
    base::CommandLine command_line(installer);
    command_line.AppendSwitch(switches::kUninstall);
    command_line.AppendSwitchASCII(switches::kCopyOnly,
                                   GetSettings()->GetCopyOnly() ? "1" : "0");
    command_line.AppendSwitchASCII(switches::kAllUsers,
                                   GetSettings()->GetAllUsers() ? "1" : "0");
    if (!runner->Launch(command_line).IsValid())
      LOG(ERROR) << "Cannot start component uninstaller " << installer;
  }
  return StepResult(STEP_OK);
}
