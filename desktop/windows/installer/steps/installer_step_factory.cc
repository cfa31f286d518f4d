#include "desktop/windows/installer/steps/installer_step_factory.h"

#include <string>

#include "base/win/scoped_handle.h"

#include "desktop/windows/installer/steps/file_and_status_step_factory.h"
#include "desktop/windows/installer/steps/finalize/finalization_step_factory.h"
#include "desktop/windows/installer/steps/installer_step.h"
#include "desktop/windows/installer/steps/registration_step_factory.h"
#include "desktop/windows/installer/utils/installer_event_names.h"
#include "desktop/windows/installer/utils/service_utils.h"
#include "desktop/windows/installer/utils/test_hooks.h"
#include "desktop/windows/installer/utils/test_stop_point.h"

namespace {

class UnavailableStep : public InstallerStep {
 public:
  UnavailableStep(std::string name, InstallerStepContext* context)
      : InstallerStep(std::move(name), context) {}

  StepResult Run(int /*attempt*/) override {
    return StepResult(STEP_FAILED, RESULT_GENERAL_FAILURE, std::wstring(),
                      "Step " + name() + " is not available in this build");
  }
};

// For the end-to-end tests only: the step named by
// TARVO_INSTALLER_TEST_FAIL_STEP fails at once, the one named by
// TARVO_INSTALLER_TEST_RETRY_STEP asks for a retry on every attempt. A
// signed build takes neither (test_hooks.h), and a failure is all either
// can cause.
class ForcedFailureStep : public InstallerStep {
 public:
  ForcedFailureStep(std::string name, StepStatus status, InstallerStepContext* context)
      : InstallerStep(std::move(name), context), status_(status) {}

  StepResult Run(int /*attempt*/) override {
    return StepResult(status_, RESULT_GENERAL_FAILURE, std::wstring(),
                      "Step " + name() + " was told to fail by the test environment");
  }

 private:
  const StepStatus status_;
};

// For the end-to-end tests only: the step named by
// TARVO_INSTALLER_TEST_STOP_AT holds the run before it would run, so that
// the test can kill the whole run there, or interrupt it: the run then
// rolls back as for any interruption (the retry never comes). A hold that
// runs out its time fails the step, so that no retry holds again.
class StoppingStep : public InstallerStep {
 public:
  StoppingStep(std::string name, InstallerStepContext* context)
      : InstallerStep(std::move(name), context) {}

  StepResult Run(int /*attempt*/) override {
    base::win::ScopedHandle interrupted(OpenEventW(
        SYNCHRONIZE, FALSE,
        MakeKernelObjectName(GetContext()->GetSettingsInstallFolder().value(),
                             kInterruptedEventName, /*global=*/true)
            .c_str()));
    const bool interrupted_run = StopHereIfTestAsks(name(), interrupted.Get());
    return StepResult(interrupted_run ? STEP_RETRY_THEN_FAIL : STEP_FAILED,
                      RESULT_GENERAL_FAILURE, std::wstring(),
                      "Step " + name() + " was to stop the test run");
  }
};

bool IsNamedBy(TestHook hook, const std::string& name) {
  std::string value;
  return GetTestVariable(hook, &value) && value == name;
}

class DefaultInstallerStepFactory : public InstallerStepFactory {
 public:
  std::unique_ptr<InstallerStep> CreateStep(StepKind kind, const StepArguments& arguments,
                                            InstallerStepContext* context) override {
    const std::string name = GetStepName(kind, arguments);
    if (IsNamedBy(TestHook::kFailStep, name))
      return std::make_unique<ForcedFailureStep>(name, STEP_FAILED, context);
    if (IsNamedBy(TestHook::kRetryStep, name))
      return std::make_unique<ForcedFailureStep>(name, STEP_RETRY_THEN_FAIL, context);
    if (IsTestStopPoint(name))
      return std::make_unique<StoppingStep>(name, context);
    if (auto step = CreateFileOrStatusStep(kind, arguments, context))
      return step;
    if (auto step = CreateRegistrationStep(kind, arguments, context))
      return step;
    if (auto step = CreateFinalizationStep(kind, context))
      return step;
    return std::make_unique<UnavailableStep>(name, context);
  }
};

}  // namespace

std::unique_ptr<InstallerStepFactory> CreateDefaultInstallerStepFactory() {
  return std::make_unique<DefaultInstallerStepFactory>();
}
