#include "base/task_scheduler/scheduler_worker_pool.h"

#include <objbase.h>

#include <utility>

#include "base/logging.h"
#include "base/threading/platform_thread.h"

namespace base {
namespace internal {

namespace {

thread_local const SchedulerWorkerPool* g_current_pool = nullptr;
thread_local const Sequence* g_current_sequence = nullptr;

struct WorkerStartup {
  SchedulerWorkerPool* pool;
  std::string thread_name;
};

}  // namespace

SchedulerWorkerPool::SchedulerWorkerPool(const std::string& name, TaskTracker* task_tracker)
    : name_(name), task_tracker_(task_tracker), cv_(&lock_) {}

SchedulerWorkerPool::~SchedulerWorkerPool() {
  JoinForTesting();
}

void SchedulerWorkerPool::Start(int max_threads, TimeDelta reclaim_time, bool com_sta) {
  AutoLock lock(lock_);
  if (max_threads_ > 0)
    return;  // Started already.
  com_sta_ = com_sta;
  max_threads_ = max_threads < 1 ? 1 : max_threads;
  reclaim_time_ = reclaim_time <= TimeDelta() ? TimeDelta::Max() : reclaim_time;
  for (int i = 0; i < max_threads_ && HasWorkLockRequired(); ++i)
    WakeUpOneWorkerLockRequired();
}

void SchedulerWorkerPool::PostTaskWithSequence(Task task, scoped_refptr<Sequence> sequence) {
  if (sequence->PushTask(std::move(task)))
    EnqueueSequence(std::move(sequence));
}

bool SchedulerWorkerPool::RunsTasksOnCurrentThread() const {
  return g_current_pool == this;
}

const Sequence* SchedulerWorkerPool::CurrentSequence() {
  return g_current_sequence;
}

void SchedulerWorkerPool::EnqueueSequence(scoped_refptr<Sequence> sequence) {
  AutoLock lock(lock_);
  queues_[static_cast<int>(sequence->priority())].push_back(std::move(sequence));
  WakeUpOneWorkerLockRequired();
}

void SchedulerWorkerPool::WakeUpOneWorkerLockRequired() {
  if (num_idle_ > pending_wakeups_) {
    ++pending_wakeups_;
    cv_.Signal();
    return;
  }
  if (num_threads_ >= max_threads_ || join_requested_)
    return;  // A busy worker takes the sequence when it is done.

  // Handles of threads that ended on their own are closed here.
  for (auto it = threads_.begin(); it != threads_.end();) {
    if (WaitForSingleObject(*it, 0) == WAIT_OBJECT_0) {
      CloseHandle(*it);
      it = threads_.erase(it);
    } else {
      ++it;
    }
  }
  auto* startup = new WorkerStartup{this, name_ + std::to_string(next_thread_index_++)};
  HANDLE thread = CreateThread(nullptr, 0, &SchedulerWorkerPool::WorkerMain, startup, 0, nullptr);
  if (!thread) {
    PLOG(ERROR) << "Failed to create worker thread " << startup->thread_name;
    delete startup;
    return;
  }
  threads_.push_back(thread);
  ++num_threads_;
}

DWORD WINAPI SchedulerWorkerPool::WorkerMain(void* param) {
  auto* startup = static_cast<WorkerStartup*>(param);
  SchedulerWorkerPool* pool = startup->pool;
  PlatformThread::SetName(startup->thread_name);
  delete startup;

  bool com_sta;
  {
    AutoLock lock(pool->lock_);
    com_sta = pool->com_sta_;
  }
  bool com_initialized = false;
  if (com_sta) {
    HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    com_initialized = SUCCEEDED(hr);
    if (!com_initialized)
      LOG(ERROR) << "COM initialisation of a worker thread failed: " << hr;
  }
  g_current_pool = pool;
  pool->RunWorker();
  g_current_pool = nullptr;
  if (com_initialized)
    CoUninitialize();
  return 0;
}

bool SchedulerWorkerPool::HasWorkLockRequired() const {
  for (const auto& queue : queues_) {
    if (!queue.empty())
      return true;
  }
  return false;
}

scoped_refptr<Sequence> SchedulerWorkerPool::PopSequenceLockRequired() {
  for (int priority = 2; priority >= 0; --priority) {
    if (!queues_[priority].empty()) {
      scoped_refptr<Sequence> sequence = std::move(queues_[priority].front());
      queues_[priority].pop_front();
      return sequence;
    }
  }
  return nullptr;
}

void SchedulerWorkerPool::RunWorker() {
  for (;;) {
    scoped_refptr<Sequence> sequence;
    {
      AutoLock lock(lock_);
      while (!HasWorkLockRequired()) {
        if (join_requested_) {
          --num_threads_;
          return;
        }
        ++num_idle_;
        const TimeTicks idle_since = TimeTicks::Now();
        cv_.TimedWait(reclaim_time_);
        --num_idle_;
        if (pending_wakeups_ > 0)
          --pending_wakeups_;
        if (!HasWorkLockRequired() && !join_requested_ &&
            TimeTicks::Now() - idle_since >= reclaim_time_) {
          --num_threads_;  // Reclaimed; a new thread comes with new work.
          return;
        }
      }
      sequence = PopSequenceLockRequired();
    }

    g_current_sequence = sequence.get();
    task_tracker_->RunOrSkipTask(sequence->TakeTask());
    g_current_sequence = nullptr;
    if (sequence->Pop())
      EnqueueSequence(std::move(sequence));
  }
}

void SchedulerWorkerPool::RequestJoinAndLeak() {
  AutoLock lock(lock_);
  join_requested_ = true;
  cv_.Broadcast();
  for (HANDLE thread : threads_)
    CloseHandle(thread);
  threads_.clear();
}

void SchedulerWorkerPool::JoinForTesting() {
  std::vector<HANDLE> threads;
  {
    AutoLock lock(lock_);
    join_requested_ = true;
    cv_.Broadcast();
    threads.swap(threads_);
  }
  for (HANDLE thread : threads) {
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
  }
}

}  // namespace internal
}  // namespace base
