#include "desktop/windows/installer/avro_stats/avro_stats_sender.h"

#include <utility>

#include "base/at_exit.h"
#include "base/synchronization/lock.h"
#include "desktop/windows/installer/avro_stats/disabled_avro_stats_sender.h"

namespace {

// Never destroyed by static destructors: a real sender owns a thread, which
// must not be stopped while the loader lock is held. The at-exit clean-up
// replaces it by a dropping sender instead.
struct SenderHolder {
  base::Lock lock;
  std::unique_ptr<AvroStatsSender> sender = std::make_unique<DisabledAvroStatsSender>();
  bool at_exit_registered = false;
  base::OnceClosure before_shutdown_hook;
};

SenderHolder& GetHolder() {
  static SenderHolder* holder = new SenderHolder();
  return *holder;
}

void ResetAtExit(void*) {
  SetAvroStatsSender(nullptr);
}

}  // namespace

AvroStatsSender* GetAvroStatsSender() {
  SenderHolder& holder = GetHolder();
  base::AutoLock lock(holder.lock);
  return holder.sender.get();
}

void SetAvroStatsSender(std::unique_ptr<AvroStatsSender> sender) {
  if (!sender)
    sender = std::make_unique<DisabledAvroStatsSender>();
  SenderHolder& holder = GetHolder();
  std::unique_ptr<AvroStatsSender> previous;
  bool register_at_exit = false;
  {
    base::AutoLock lock(holder.lock);
    previous = std::move(holder.sender);
    holder.sender = std::move(sender);
    if (!holder.at_exit_registered) {
      holder.at_exit_registered = true;
      register_at_exit = true;
    }
  }
  if (register_at_exit && !base::AtExitManager::RegisterCallback(&ResetAtExit, nullptr)) {
    base::AutoLock lock(holder.lock);
    holder.at_exit_registered = false;
  }
  // Outside the lock: a real sender flushes its queue when destroyed.
  previous.reset();
}

void SetAvroBeforeShutdownHook(base::OnceClosure hook) {
  SenderHolder& holder = GetHolder();
  base::AutoLock lock(holder.lock);
  holder.before_shutdown_hook = std::move(hook);
}

void RunAvroBeforeShutdownHook() {
  base::OnceClosure hook;
  {
    SenderHolder& holder = GetHolder();
    base::AutoLock lock(holder.lock);
    hook = std::move(holder.before_shutdown_hook);
  }
  if (hook)
    std::move(hook).Run();
}

void InitializeDisabledAvroStatsSender() {
  SetAvroStatsSender(std::make_unique<DisabledAvroStatsSender>());
}
