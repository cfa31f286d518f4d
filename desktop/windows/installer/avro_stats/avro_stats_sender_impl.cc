#include "desktop/windows/installer/avro_stats/avro_stats_sender_impl.h"

#include <memory>
#include <utility>

#include "base/bind.h"
#include "base/location.h"
#include "base/logging.h"
#include "base/task_scheduler/post_task.h"
#include "base/task_scheduler/task_scheduler.h"
#include "base/threading/thread_task_runner_handle.h"
#include "desktop/windows/installer/avro_stats/avro_message_context.h"
#include "desktop/windows/installer/avro_stats/installer_event.h"

AvroStatsSenderImpl::AvroStatsSenderImpl(std::unique_ptr<AvroMessageContext> context,
                                         AvroNetworkOptions options,
                                         int32_t max_verbosity_level)
    : network_thread_(std::make_unique<AvroNetworkThread>(std::move(context), std::move(options))),
      max_verbosity_level_(max_verbosity_level) {}

AvroStatsSenderImpl::~AvroStatsSenderImpl() = default;

void AvroStatsSenderImpl::SetTrafficAllowed(bool allowed) {
  base::AutoLock lock(lock_);
  if (network_thread_)
    network_thread_->SetTrafficAllowed(allowed);
}

void AvroStatsSenderImpl::Send(std::unique_ptr<InstallerEvent> event) {
  if (!event)
    return;
  base::AutoLock lock(lock_);
  if (!network_thread_) {
    LOG(WARNING) << "Attempting to send a message after sender finished";
    return;
  }
  if (event->GetVerbosityLevel() > max_verbosity_level_) {
    VLOG(5) << "Message " << event->GetName() << " will not be sent due to exceeded verbosity level";
    return;
  }
  network_thread_->SendAvroMessage(std::move(event));
}

void AvroStatsSenderImpl::SendPendingAndShutdown(base::OnceClosure done) {
  RunAvroBeforeShutdownHook();
  std::unique_ptr<AvroNetworkThread> network_thread;
  {
    base::AutoLock lock(lock_);
    network_thread = std::move(network_thread_);
  }
  auto pending_done = std::make_shared<base::OnceClosure>(std::move(done));
  auto run_done = [](std::shared_ptr<base::OnceClosure> done) {
    if (*done)
      std::move(*done).Run();
  };
  const bool has_runner = base::ThreadTaskRunnerHandle::IsSet();
  if (network_thread && has_runner && base::TaskScheduler::GetInstance()) {
    // The flush waits for the network; the caller's thread must not.
    if (base::PostTaskWithTraitsAndReply(
            FROM_HERE,
            base::TaskTraits(base::MayBlock(), base::WithBaseSyncPrimitives(),
                             base::TaskShutdownBehavior::BLOCK_SHUTDOWN),
            base::BindOnce([](std::unique_ptr<AvroNetworkThread>) {}, std::move(network_thread)),
            base::BindOnce(run_done, pending_done))) {
      return;
    }
    // Refused (the scheduler is shutting down): the thread was flushed when
    // the refused task was destroyed.
  }
  // Without a scheduler or a loop to answer on, flush here (bounded by the
  // flush deadline) rather than lose the closure.
  network_thread.reset();
  if (has_runner)
    base::ThreadTaskRunnerHandle::Get()->PostTask(FROM_HERE, base::BindOnce(run_done, pending_done));
  else
    run_done(pending_done);
}

void InitializeAvroStatsSender(std::unique_ptr<AvroMessageContext> context,
                               AvroSenderMode mode,
                               int32_t max_verbosity_level) {
  SetAvroStatsSender(std::make_unique<AvroStatsSenderImpl>(
      std::move(context), MakeAvroNetworkOptions(GetAvroEndpoint(mode)), max_verbosity_level));
}
