#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_INSTALLER_STEP_SCHEDULER_IMPL_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_INSTALLER_STEP_SCHEDULER_IMPL_H_

#include <memory>
#include <string>
#include <vector>

#include "base/memory/weak_ptr.h"
#include "base/time/time.h"
#include "desktop/windows/installer/steps/installer_step_scheduler.h"
#include "desktop/windows/installer/steps/step_kind.h"
#include "desktop/windows/installer/steps/step_result.h"

class InstallerStep;
class InstallerStepFactory;

// A step that asks for a retry runs again after the retry delay, at most
// kMaxAttempt + 1 times in all.
class InstallerStepSchedulerImpl : public InstallerStepScheduler {
 public:
  static constexpr int kMaxAttempt = 5;
  static constexpr base::TimeDelta kDefaultRetryDelay = base::TimeDelta::FromSeconds(1);

  explicit InstallerStepSchedulerImpl(std::unique_ptr<InstallerStepFactory> factory,
                                      base::TimeDelta retry_delay = kDefaultRetryDelay);
  ~InstallerStepSchedulerImpl() override;
  InstallerStepSchedulerImpl(const InstallerStepSchedulerImpl&) = delete;
  InstallerStepSchedulerImpl& operator=(const InstallerStepSchedulerImpl&) = delete;

  // InstallerStepScheduler.
  bool ScheduleSteps(InstallerStepContext* context, std::wstring* app_id,
                     int* total) override;
  void Start(base::scoped_refptr<base::SingleThreadTaskRunner> task_runner,
             Observer* observer) override;
  void Cancel() override;

  // The scheduled step names, in order.
  std::vector<std::string> GetStepNamesForTesting() const;

 private:
  void PostNextStep();
  void Step(InstallerStep* step, int attempt);
  void OnStepDone(InstallerStep* step, const StepResult& result, int attempt);
  // Ends the run: nothing posted so far runs any more.
  void Finish(bool success);

  const std::unique_ptr<InstallerStepFactory> factory_;
  const base::TimeDelta retry_delay_;
  PackageFileLists lists_;
  std::vector<std::unique_ptr<InstallerStep>> steps_;
  size_t cursor_ = 0;
  int completed_ = 0;
  base::scoped_refptr<base::SingleThreadTaskRunner> task_runner_;
  Observer* observer_ = nullptr;
  bool running_ = false;
  base::WeakPtrFactory<InstallerStepSchedulerImpl> weak_factory_{this};
};

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_INSTALLER_STEP_SCHEDULER_IMPL_H_
