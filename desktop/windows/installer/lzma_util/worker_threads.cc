#include "desktop/windows/installer/lzma_util/worker_threads.h"

#include "base/logging.h"

struct WorkerThreads::Thread {
  WorkerThreads* owner = nullptr;
  HANDLE handle = nullptr;
  // The job given, until it ends; guarded by the owner's lock.
  Job* job = nullptr;
  Function function = nullptr;
  void* argument = nullptr;
};

WorkerThreads::WorkerThreads() = default;

WorkerThreads::~WorkerThreads() {
  std::vector<HANDLE> handles;
  {
    base::AutoLock hold(lock_);
    stopping_ = true;
    changed_.Broadcast();
    for (const auto& thread : threads_) {
      DCHECK(!thread->job);
      handles.push_back(thread->handle);
    }
  }
  for (HANDLE handle : handles) {
    // Our own threads, idle: each ends at once.
    ::WaitForSingleObject(handle, INFINITE);
    ::CloseHandle(handle);
  }
}

bool WorkerThreads::Start(Job* job, Function function, void* argument) {
  base::AutoLock hold(lock_);
  DCHECK(!job->running_);
  Thread* idle = nullptr;
  for (const auto& thread : threads_) {
    if (!thread->job) {
      idle = thread.get();
      break;
    }
  }
  if (!idle) {
    auto thread = std::make_unique<Thread>();
    thread->owner = this;
    thread->handle = ::CreateThread(nullptr, 0, &ThreadMain, thread.get(), 0, nullptr);
    if (!thread->handle) {
      PLOG(WARNING) << "Cannot start another thread after " << threads_.size();
      return false;
    }
    idle = thread.get();
    threads_.push_back(std::move(thread));
  }
  idle->job = job;
  idle->function = function;
  idle->argument = argument;
  job->running_ = true;
  changed_.Broadcast();
  return true;
}

void WorkerThreads::Join(Job* job) {
  base::AutoLock hold(lock_);
  while (job->running_)
    changed_.Wait();
}

size_t WorkerThreads::thread_count() const {
  base::AutoLock hold(lock_);
  return threads_.size();
}

// static
DWORD WINAPI WorkerThreads::ThreadMain(void* thread) {
  Thread* self = static_cast<Thread*>(thread);
  self->owner->Serve(self);
  return 0;
}

void WorkerThreads::Serve(Thread* thread) {
  base::AutoLock hold(lock_);
  for (;;) {
    while (!thread->job && !stopping_)
      changed_.Wait();
    if (!thread->job)
      return;
    {
      base::AutoUnlock unlocked(lock_);
      thread->function(thread->argument);
    }
    thread->job->running_ = false;
    thread->job = nullptr;
    changed_.Broadcast();
  }
}
