#include "desktop/windows/installer/steps/finalize/finalize_step.h"

#include <memory>

#include "base/command_line.h"
#include "base/logging.h"
#include "base/values.h"
#include "desktop/windows/installer/service/installation.h"
#include "desktop/windows/installer/service/installation_status.h"
#include "desktop/windows/installer/service/prefs/json_pref_store_factory.h"
#include "desktop/windows/installer/service/scheduled_tasks/windows_task_scheduler.h"
#include "desktop/windows/installer/settings/settings.h"
#include "desktop/windows/installer/steps/firewall/firewall_manager.h"
#include "desktop/windows/installer/utils/product_info.h"
#include "desktop/windows/installer/utils/security_util.h"
#include "desktop/windows/installer/utils/service_utils.h"
#include "desktop/windows/l10n_handler/l10n_handler.h"

namespace {

// The launcher's switch for a run started by the task.
constexpr char kScheduledAutoupdateSwitch[] = "scheduledautoupdate";
constexpr int kAutoupdateTaskDescriptionId = 37052;
constexpr uint32_t kAutoupdateTimeLimitSeconds = 3600;
constexpr char kTaskErrorCountPref[] = "au_task_error_count";

}  // namespace

FinalizeStep::FinalizeStep(InstallerStepContext* context) : InstallerStep("finalize", context) {}

FinalizeStep::~FinalizeStep() = default;

StepResult FinalizeStep::Run(int /*attempt*/) {
  VLOG(1) << "Finalizing the installation";
  Settings* settings = GetSettings();
  if (!settings->GetCopyOnly() &&
      (settings->GetAllUsers() || !GetContext()->HasFinishedEvent())) {
    CreateAutoupdateTask();
  }
  if (GetSecurityUtil()->IsUserAdmin(/*consider_linked_token=*/false))
    AddFirewallRule(GetInstallFolder().Append(GetBrowserExeName()), FirewallRuleChange::kAdd);
  return StepResult(STEP_OK);
}

void FinalizeStep::CreateAutoupdateTask() {
  std::unique_ptr<WindowsTaskScheduler> scheduler = CreateWindowsTaskScheduler();
  LOG(INFO) << "Creating scheduled task";
  if (!scheduler->Initialize()) {
    LOG(ERROR) << "Could not initialize task scheduler";
    return;
  }
  scheduler->DeleteStaleTasks();

  base::CommandLine command_line(GetContext()->GetBaseInstallFolder().Append(kLauncherExeName));
  command_line.AppendSwitch(kScheduledAutoupdateSwitch);
  command_line.AppendArgNative(L"$(Arg0)");
  ScheduledTaskInfo info(command_line);
  info.name = L"Autoupdate " + GetInstallationStatus()->app_id;
  info.description = GetLocalizedString(kAutoupdateTaskDescriptionId);
  info.all_users = GetSettings()->GetAllUsers() ? 1 : 0;
  info.execution_time_limit = kAutoupdateTimeLimitSeconds;
  const bool scheduled = ProductInfo::ShouldScheduleAutoupdateTask();
  info.trigger_kind = scheduled ? TASK_TRIGGER_KIND_DAILY : TASK_TRIGGER_KIND_NONE;
  info.logon_trigger = scheduled;
  info.only_with_network = true;
  switch (scheduler->CreateTask(info)) {
    case TaskCreation::kCreated:
      break;
    case TaskCreation::kUnsupported:
      LOG(WARNING) << "Cannot create scheduled task: the system's Task Scheduler does not "
                      "implement what it needs";
      return;
    case TaskCreation::kFailed:
      LOG(ERROR) << "Could not create scheduled task";
      return;
  }
  DecreaseTaskErrorCount();
}

void FinalizeStep::DecreaseTaskErrorCount() {
  std::unique_ptr<JsonPrefStore> store = CreateJsonPrefStore(
      nullptr, GetContext()->GetBaseInstallFolder().Append(kInstallerPrefsFileName));
  const base::Value* value = nullptr;
  int count = 0;
  if (!store || !store->GetValue(kTaskErrorCountPref, &value) || !value->GetAsInteger(&count) ||
      count <= 0) {
    return;
  }
  store->SetValue(kTaskErrorCountPref, std::make_unique<base::Value>(count - 1));
  store->CommitPendingWrite();
  VLOG(1) << "Setting autoupdate task error counter to : " << count - 1;
}
