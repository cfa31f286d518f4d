#include "desktop/windows/installer/steps/installer_step_scheduler_impl.h"

#include <utility>

#include "base/bind.h"
#include "base/logging.h"
#include "desktop/windows/installer/settings/settings.h"
#include "desktop/windows/installer/steps/installer_step.h"
#include "desktop/windows/installer/steps/installer_step_context.h"
#include "desktop/windows/installer/steps/installer_step_factory.h"
#include "desktop/windows/installer/steps/step_list_builder.h"
#include "desktop/windows/installer/utils/installer_error_record.h"

namespace {

const char* ScheduleFailureLine(InstallOperation operation) {
  switch (operation) {
    case INSTALL_OPERATION_INSTALL:
      return "Cannot schedule install steps";
    case INSTALL_OPERATION_UPGRADE:
      return "Cannot schedule upgrade steps";
    case INSTALL_OPERATION_FIX_DOWNLOADABLE_RESOURCES:
      return "Cannot schedule fix resources steps";
    default:
      return "Cannot schedule steps";
  }
}

bool IsRetry(StepStatus status) {
  return status == STEP_RETRY_THEN_FAIL || status == STEP_RETRY_THEN_IGNORE;
}

}  // namespace

InstallerStepSchedulerImpl::InstallerStepSchedulerImpl(
    std::unique_ptr<InstallerStepFactory> factory, base::TimeDelta retry_delay)
    : factory_(std::move(factory)), retry_delay_(retry_delay) {
  DCHECK(factory_);
}

InstallerStepSchedulerImpl::~InstallerStepSchedulerImpl() = default;

bool InstallerStepSchedulerImpl::ScheduleSteps(InstallerStepContext* context,
                                               std::wstring* app_id, int* total) {
  DCHECK(steps_.empty());
  const InstallOperation operation = context->GetSettings()->GetOperation();
  StepListBuilder builder(context, factory_.get(), app_id, &lists_);
  if (!builder.Build(operation, &steps_))
    return AppendInstallerError(ScheduleFailureLine(operation));
  if (operation != INSTALL_OPERATION_REGISTER_PROTOCOL_HANDLER)
    *total = static_cast<int>(steps_.size()) + 1;
  return true;
}

void InstallerStepSchedulerImpl::Start(
    base::scoped_refptr<base::SingleThreadTaskRunner> task_runner, Observer* observer) {
  DCHECK(observer);
  DCHECK(!running_);
  task_runner_ = std::move(task_runner);
  observer_ = observer;
  completed_ = 0;
  cursor_ = 0;
  running_ = true;
  PostNextStep();
}

void InstallerStepSchedulerImpl::Cancel() {
  if (running_)
    VLOG(1) << "Step scheduler cancelled";
  running_ = false;
  weak_factory_.InvalidateWeakPtrs();
}

void InstallerStepSchedulerImpl::PostNextStep() {
  if (cursor_ >= steps_.size()) {
    Finish(/*success=*/true);
    return;
  }
  InstallerStep* step = steps_[cursor_++].get();
  observer_->OnStepStarting(step->name());
  // The observer may have cancelled.
  if (!running_)
    return;
  task_runner_->PostTask(FROM_HERE, base::BindOnce(&InstallerStepSchedulerImpl::Step,
                                                   weak_factory_.GetWeakPtr(), step, 0));
}

void InstallerStepSchedulerImpl::Step(InstallerStep* step, int attempt) {
  StepResult result = step->Run(attempt);
  if (!running_)
    return;
  if (attempt < kMaxAttempt && IsRetry(result.status)) {
    VLOG(1) << "Retrying step " << step->name() << " (attempt " << attempt + 1 << ")";
    task_runner_->PostDelayedTask(FROM_HERE,
                                  base::BindOnce(&InstallerStepSchedulerImpl::Step,
                                                 weak_factory_.GetWeakPtr(), step, attempt + 1),
                                  retry_delay_);
    return;
  }
  OnStepDone(step, result, attempt);
}

void InstallerStepSchedulerImpl::OnStepDone(InstallerStep* step, const StepResult& result,
                                            int attempt) {
  if (result.status != STEP_OK && result.status != STEP_RETRY_THEN_IGNORE) {
    LOG(ERROR) << "Step " << step->name() << " failed: " << result.detail;
    SetInstallerError(result.code, result.detail, result.message);
    Finish(/*success=*/false);
    return;
  }
  ++completed_;
  observer_->OnStepFinished(step->name(), attempt, completed_);
  if (running_)
    PostNextStep();
}

void InstallerStepSchedulerImpl::Finish(bool success) {
  // Stopped before the observer hears of it: it may roll back at once.
  running_ = false;
  weak_factory_.InvalidateWeakPtrs();
  observer_->OnAllStepsDone(success);
}

std::vector<std::string> InstallerStepSchedulerImpl::GetStepNamesForTesting() const {
  std::vector<std::string> names;
  for (const auto& step : steps_)
    names.push_back(step->name());
  return names;
}
