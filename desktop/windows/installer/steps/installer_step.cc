#include "desktop/windows/installer/steps/installer_step.h"

#include <utility>

#include "base/logging.h"

InstallerStep::InstallerStep(std::string name, InstallerStepContext* context)
    : context_(context), name_(std::move(name)) {
  DCHECK(context_);
}

InstallerStep::~InstallerStep() = default;
