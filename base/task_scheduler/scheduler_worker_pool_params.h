#ifndef BASE_TASK_SCHEDULER_SCHEDULER_WORKER_POOL_PARAMS_H_
#define BASE_TASK_SCHEDULER_SCHEDULER_WORKER_POOL_PARAMS_H_

#include "base/time/time.h"

namespace base {

class SchedulerWorkerPoolParams {
 public:
  SchedulerWorkerPoolParams(int max_threads, TimeDelta suggested_reclaim_time)
      : max_threads_(max_threads), suggested_reclaim_time_(suggested_reclaim_time) {}

  int max_threads() const { return max_threads_; }
  // An idle thread ends after this long (another is made when work comes).
  TimeDelta suggested_reclaim_time() const { return suggested_reclaim_time_; }

 private:
  int max_threads_;
  TimeDelta suggested_reclaim_time_;
};

}  // namespace base

#endif  // BASE_TASK_SCHEDULER_SCHEDULER_WORKER_POOL_PARAMS_H_
