#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_PREFS_PREFS_TASK_POOL_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_PREFS_PREFS_TASK_POOL_H_

#include <cstddef>

#include "base/memory/ref_counted.h"
#include "base/synchronization/lock.h"
#include "base/time/time.h"

namespace base {
class SequencedWorkerPool;
}

// Owns the worker pool "PrefsTaskPool" on which preference files are
// written, and its shutdown.
class PrefsTaskPool {
 public:
  static constexpr size_t kMaxThreads = 2;
  // Longest wait at shutdown for writes still queued or running.
  static constexpr int kDefaultShutdownWaitSeconds = 10;

  PrefsTaskPool();
  // Shuts the pool down if ShutDown has not run.
  ~PrefsTaskPool();
  PrefsTaskPool(const PrefsTaskPool&) = delete;
  PrefsTaskPool& operator=(const PrefsTaskPool&) = delete;

  // Null once ShutDown has run.
  base::SequencedWorkerPool* pool() const;

  // Whether ShutDown waits for the pool's writes (the default).
  void set_wait_for_shutdown(bool wait);

  // Refuses new tasks, lets the queued writes finish and releases the pool.
  // When waiting, returns after at most |max_wait| (checking every 100 ms);
  // false when the writes were still running then: the pool is left to end
  // on its own. Without waiting it returns at once (true).
  bool ShutDown(base::TimeDelta max_wait =
                    base::TimeDelta::FromSeconds(kDefaultShutdownWaitSeconds));

 private:
  mutable base::Lock lock_;
  base::scoped_refptr<base::SequencedWorkerPool> pool_;
  bool wait_for_shutdown_ = true;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_PREFS_PREFS_TASK_POOL_H_
