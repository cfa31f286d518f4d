#include "desktop/windows/installer/service/prefs/prefs_task_pool.h"

#include <windows.h>

#include <utility>

#include "base/logging.h"
#include "base/threading/sequenced_worker_pool.h"
#include "desktop/windows/installer/service/prefs/pending_pref_writes.h"

namespace {

constexpr DWORD kShutdownPollMs = 100;

// Shared by ShutDown and the thread that runs the blocking pool shutdown,
// so that either may finish last.
struct ShutdownJob : public base::RefCountedThreadSafe<ShutdownJob> {
  base::scoped_refptr<base::SequencedWorkerPool> pool;
  HANDLE done = nullptr;

 private:
  friend class base::RefCountedThreadSafe<ShutdownJob>;
  ~ShutdownJob() {
    if (done)
      ::CloseHandle(done);
  }
};

DWORD WINAPI RunShutdown(void* param) {
  base::scoped_refptr<ShutdownJob> job(static_cast<ShutdownJob*>(param));
  job->Release();  // The reference ShutDown took for this thread.
  job->pool->Shutdown(0);
  job->pool = nullptr;
  ::SetEvent(job->done);
  return 0;
}

}  // namespace

PrefsTaskPool::PrefsTaskPool()
    : pool_(base::MakeRefCounted<base::SequencedWorkerPool>(kMaxThreads, "PrefsTaskPool")) {}

PrefsTaskPool::~PrefsTaskPool() {
  ShutDown();
}

base::SequencedWorkerPool* PrefsTaskPool::pool() const {
  base::AutoLock lock(lock_);
  return pool_.get();
}

void PrefsTaskPool::set_wait_for_shutdown(bool wait) {
  base::AutoLock lock(lock_);
  wait_for_shutdown_ = wait;
}

bool PrefsTaskPool::ShutDown(base::TimeDelta max_wait) {
  auto job = base::MakeRefCounted<ShutdownJob>();
  bool wait = false;
  {
    base::AutoLock lock(lock_);
    if (!pool_)
      return true;
    job->pool = std::move(pool_);
    wait = wait_for_shutdown_;
  }
  // The pool's own shutdown waits without limit; it runs on a thread of its
  // own so that this one can give up (a write stuck on a dead disk must not
  // keep the installer from ending).
  job->done = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  job->AddRef();
  HANDLE thread =
      job->done ? ::CreateThread(nullptr, 0, &RunShutdown, job.get(), 0, nullptr) : nullptr;
  if (!thread) {
    job->Release();
    PLOG(ERROR) << "Cannot start the preference pool shutdown thread; shutting down here";
    job->pool->Shutdown(0);
    return true;
  }
  ::CloseHandle(thread);
  if (!wait)
    return true;

  const base::TimeTicks deadline = base::TimeTicks::Now() + max_wait;
  while (::WaitForSingleObject(job->done, 0) != WAIT_OBJECT_0) {
    if (base::TimeTicks::Now() >= deadline) {
      LOG(ERROR) << "Preference writes still running after " << max_wait.InMilliseconds()
                 << " ms; not waiting for them";
      // The process ends next: what is still queued is lost.
      for (const base::FilePath& file : PendingPrefWrites::GetInstance()->Files())
        LOG(ERROR) << "Preference change to " << file << " lost: not written in time";
      return false;
    }
    ::Sleep(kShutdownPollMs);
  }
  return true;
}
