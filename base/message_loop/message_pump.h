#ifndef BASE_MESSAGE_LOOP_MESSAGE_PUMP_H_
#define BASE_MESSAGE_LOOP_MESSAGE_PUMP_H_

#include "base/time/time.h"

namespace base {

// Drives a message loop: waits for work and calls back into its delegate.
class MessagePump {
 public:
  class Delegate {
   public:
    virtual ~Delegate() = default;
    // Runs one immediate task; true when there may be more.
    virtual bool DoWork() = 0;
    // Runs one due delayed task and sets |next_delayed_work_time| to when the
    // next one is due (null when none); true when a task ran.
    virtual bool DoDelayedWork(TimeTicks* next_delayed_work_time) = 0;
    // Called when there is nothing else to do; true when work was done.
    virtual bool DoIdleWork() = 0;
  };

  virtual ~MessagePump() = default;
  // Runs until Quit is called for this run. May nest.
  virtual void Run(Delegate* delegate) = 0;
  // Ends the innermost Run. Called on the pump's thread.
  virtual void Quit() = 0;
  // Wakes the pump to call DoWork. Any thread.
  virtual void ScheduleWork() = 0;
  // Makes the pump call DoDelayedWork at |delayed_work_time|. Pump's thread.
  virtual void ScheduleDelayedWork(const TimeTicks& delayed_work_time) = 0;
};

}  // namespace base

#endif  // BASE_MESSAGE_LOOP_MESSAGE_PUMP_H_
