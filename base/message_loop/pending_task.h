#ifndef BASE_MESSAGE_LOOP_PENDING_TASK_H_
#define BASE_MESSAGE_LOOP_PENDING_TASK_H_

#include "base/callback.h"
#include "base/location.h"
#include "base/time/time.h"

namespace base {

// A posted task with what the loop needs to order it.
struct PendingTask {
  OnceClosure task;
  Location posted_from;
  // Null for an immediate task.
  TimeTicks delayed_run_time;
  // Posting order; breaks ties between equal run times.
  int sequence_num = 0;
  bool nestable = true;

  // Ordering for a max-heap whose top is the task due first.
  bool operator<(const PendingTask& other) const {
    if (delayed_run_time != other.delayed_run_time)
      return delayed_run_time > other.delayed_run_time;
    return sequence_num - other.sequence_num > 0;
  }
};

}  // namespace base

#endif  // BASE_MESSAGE_LOOP_PENDING_TASK_H_
