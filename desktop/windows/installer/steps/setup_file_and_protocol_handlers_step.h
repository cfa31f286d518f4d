#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_SETUP_FILE_AND_PROTOCOL_HANDLERS_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_SETUP_FILE_AND_PROTOCOL_HANDLERS_STEP_H_

#include "desktop/windows/installer/steps/installer_step.h"

// "setup_file_and_protocol_handlers": registers the new installation as
// default browser or file handler, as the settings ask, through the
// operating-system operations. Best effort: never fails.
class SetupFileAndProtocolHandlersStep : public InstallerStep {
 public:
  explicit SetupFileAndProtocolHandlersStep(InstallerStepContext* context);
  ~SetupFileAndProtocolHandlersStep() override;

  StepResult Run(int attempt) override;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_SETUP_FILE_AND_PROTOCOL_HANDLERS_STEP_H_
