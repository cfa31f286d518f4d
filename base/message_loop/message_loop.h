#ifndef BASE_MESSAGE_LOOP_MESSAGE_LOOP_H_
#define BASE_MESSAGE_LOOP_MESSAGE_LOOP_H_

#include <windows.h>

#include <deque>
#include <memory>
#include <vector>

#include "base/memory/ref_counted.h"
#include "base/message_loop/message_pump.h"
#include "base/message_loop/message_pump_win.h"
#include "base/message_loop/pending_task.h"
#include "base/run_loop.h"
#include "base/single_thread_task_runner.h"
#include "base/synchronization/lock.h"

namespace base {

class MessageLoopTaskRunner;
class ThreadTaskRunnerHandle;

// The task queue and pump of one thread; at most one per thread. Create it on
// the thread that runs it, and run it with RunLoop.
class MessageLoop : public MessagePump::Delegate, public RunLoop::Delegate {
 public:
  enum Type {
    // Tasks only.
    TYPE_DEFAULT,
    // Tasks and Windows messages (for threads with windows).
    TYPE_UI,
    // Tasks and overlapped IO completions.
    TYPE_IO,
  };

  explicit MessageLoop(Type type = TYPE_DEFAULT);
  // A loop with a given pump, for example a UI pump with another window class.
  MessageLoop(Type type, std::unique_ptr<MessagePump> pump);
  ~MessageLoop() override;
  MessageLoop(const MessageLoop&) = delete;
  MessageLoop& operator=(const MessageLoop&) = delete;

  // The loop of the current thread, or null.
  static MessageLoop* current();

  Type type() const { return type_; }
  bool IsType(Type type) const { return type_ == type; }
  const scoped_refptr<SingleThreadTaskRunner>& task_runner() const;

  // Lets tasks run inside nested native loops (a modal dialog run by a task).
  void SetNestableTasksAllowed(bool allowed);
  bool NestableTasksAllowed() const { return task_execution_allowed_; }

  // RunLoop::Delegate: what RunLoop calls.
  void Run(bool application_tasks_allowed) override;
  void Quit() override;
  void EnsureWorkScheduled() override;

  bool IsIdleForTesting();

 protected:
  MessagePump* pump() const { return pump_.get(); }

 private:
  friend class MessageLoopTaskRunner;

  // MessagePump::Delegate.
  bool DoWork() override;
  bool DoDelayedWork(TimeTicks* next_delayed_work_time) override;
  bool DoIdleWork() override;

  // Called by the task runner from any thread, only while the loop lives.
  void AddToIncomingQueue(const Location& from_here, OnceClosure task, TimeDelta delay,
                          bool nestable);
  void ReloadWorkQueue();
  bool DeferOrRunPendingTask(PendingTask pending_task);
  void RunTask(PendingTask* pending_task);
  bool ProcessNextDelayedNonNestableTask();
  void DeletePendingTasks();
  void PushDelayedTask(PendingTask pending_task);
  PendingTask PopDelayedTask();

  const Type type_;
  std::unique_ptr<MessagePump> pump_;

  // Posted from any thread; guarded by incoming_lock_.
  Lock incoming_lock_;
  std::deque<PendingTask> incoming_queue_;
  int next_sequence_num_ = 0;

  // Loop thread only.
  std::deque<PendingTask> work_queue_;
  std::vector<PendingTask> delayed_work_queue_;  // A heap.
  std::deque<PendingTask> deferred_non_nestable_work_queue_;
  TimeTicks recent_time_;
  bool task_execution_allowed_ = true;

  scoped_refptr<SingleThreadTaskRunner> task_runner_;
  std::unique_ptr<ThreadTaskRunnerHandle> thread_task_runner_handle_;
};

class MessageLoopForUI : public MessageLoop {
 public:
  MessageLoopForUI() : MessageLoop(TYPE_UI) {}
  explicit MessageLoopForUI(std::unique_ptr<MessagePumpForUI> pump)
      : MessageLoop(TYPE_UI, std::move(pump)) {}
  // The current thread's loop when it is a UI loop, else null.
  static MessageLoopForUI* current();
  MessagePumpForUI* pump_ui() const { return static_cast<MessagePumpForUI*>(pump()); }
};

class MessageLoopForIO : public MessageLoop {
 public:
  using IOHandler = MessagePumpForIO::IOHandler;
  using IOContext = MessagePumpForIO::IOContext;

  MessageLoopForIO() : MessageLoop(TYPE_IO) {}
  // The current thread's loop when it is an IO loop, else null.
  static MessageLoopForIO* current();

  bool RegisterIOHandler(HANDLE file, IOHandler* handler) {
    return pump_io()->RegisterIOHandler(file, handler);
  }
  bool WaitForIOCompletion(DWORD timeout, IOHandler* filter) {
    return pump_io()->WaitForIOCompletion(timeout, filter);
  }

 private:
  MessagePumpForIO* pump_io() const { return static_cast<MessagePumpForIO*>(pump()); }
};

}  // namespace base

#endif  // BASE_MESSAGE_LOOP_MESSAGE_LOOP_H_
