#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_REGISTER_PROTOCOL_HANDLERS_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_REGISTER_PROTOCOL_HANDLERS_STEP_H_

#include "desktop/windows/installer/steps/installer_step.h"

// "register_protocol_handlers" (registering the browser as protocol
// handler): adds the protocol named by the switch
// "register-tarvo-as-protocol-handler" to the existing installation's URL
// associations and makes the browser its default. Best effort: never
// fails.
class RegisterProtocolHandlersStep : public InstallerStep {
 public:
  explicit RegisterProtocolHandlersStep(InstallerStepContext* context);
  ~RegisterProtocolHandlersStep() override;

  StepResult Run(int attempt) override;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_REGISTER_PROTOCOL_HANDLERS_STEP_H_
