#include "desktop/windows/installer/steps/installer_step_factory.h"

#include <string>

#include "desktop/windows/installer/steps/file_and_status_step_factory.h"
#include "desktop/windows/installer/steps/finalize/finalization_step_factory.h"
#include "desktop/windows/installer/steps/installer_step.h"
#include "desktop/windows/installer/steps/registration_step_factory.h"

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

class DefaultInstallerStepFactory : public InstallerStepFactory {
 public:
  std::unique_ptr<InstallerStep> CreateStep(StepKind kind, const StepArguments& arguments,
                                            InstallerStepContext* context) override {
    if (auto step = CreateFileOrStatusStep(kind, arguments, context))
      return step;
    if (auto step = CreateRegistrationStep(kind, arguments, context))
      return step;
    if (auto step = CreateFinalizationStep(kind, context))
      return step;
    return std::make_unique<UnavailableStep>(GetStepName(kind, arguments), context);
  }
};

}  // namespace

std::unique_ptr<InstallerStepFactory> CreateDefaultInstallerStepFactory() {
  return std::make_unique<DefaultInstallerStepFactory>();
}
