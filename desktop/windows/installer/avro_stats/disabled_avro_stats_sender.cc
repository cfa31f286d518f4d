#include "desktop/windows/installer/avro_stats/disabled_avro_stats_sender.h"

#include <utility>

#include "base/location.h"
#include "base/threading/thread_task_runner_handle.h"
#include "desktop/windows/installer/avro_stats/installer_event.h"

void DisabledAvroStatsSender::SetTrafficAllowed(bool) {}

void DisabledAvroStatsSender::Send(std::unique_ptr<InstallerEvent>) {}

void DisabledAvroStatsSender::SendPendingAndShutdown(base::OnceClosure done) {
  RunAvroBeforeShutdownHook();
  if (base::ThreadTaskRunnerHandle::IsSet()) {
    base::ThreadTaskRunnerHandle::Get()->PostNonNestableTask(FROM_HERE, std::move(done));
    return;
  }
  std::move(done).Run();
}
