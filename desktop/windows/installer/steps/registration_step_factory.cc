#include "desktop/windows/installer/steps/registration_step_factory.h"

#include "desktop/windows/installer/steps/clean_registry_step.h"
#include "desktop/windows/installer/steps/install_tracking_data_step.h"
#include "desktop/windows/installer/steps/installer_steps.h"
#include "desktop/windows/installer/steps/register_protocol_handlers_step.h"
#include "desktop/windows/installer/steps/remove_shortcuts_step.h"
#include "desktop/windows/installer/steps/setup_file_and_protocol_handlers_step.h"
#include "desktop/windows/installer/steps/setup_registry_step.h"
#include "desktop/windows/installer/steps/update_shortcuts_step.h"

std::unique_ptr<InstallerStep> CreateRegistrationStep(StepKind kind,
                                                      const StepArguments& arguments,
                                                      InstallerStepContext* context) {
  switch (kind) {
    case StepKind::kInstallTrackingData:
      return std::make_unique<InstallTrackingDataStep>(context);
    case StepKind::kSetupRegistry:
      return std::make_unique<SetupRegistryStep>(context, arguments.app_id);
    case StepKind::kCleanRegistry:
      return std::make_unique<CleanRegistryStep>(context, arguments.launcher_machine);
    case StepKind::kRegisterProtocolHandlers:
      return std::make_unique<RegisterProtocolHandlersStep>(context);
    case StepKind::kSetupFileAndProtocolHandlers:
      return std::make_unique<SetupFileAndProtocolHandlersStep>(context);
    case StepKind::kInstallShortcuts:
      return std::make_unique<InstallShortcutsStep>(context);
    case StepKind::kUpdateShortcuts:
      return std::make_unique<UpdateShortcutsStep>(context);
    case StepKind::kRemoveShortcuts:
      return std::make_unique<RemoveShortcutsStep>(context);
    default:
      return nullptr;
  }
}
