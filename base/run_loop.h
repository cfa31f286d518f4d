#ifndef BASE_RUN_LOOP_H_
#define BASE_RUN_LOOP_H_

#include <vector>

#include "base/callback.h"
#include "base/memory/ref_counted.h"
#include "base/memory/weak_ptr.h"
#include "base/message_loop/message_dispatcher.h"
#include "base/single_thread_task_runner.h"

namespace base {

// Runs the current thread's message loop until Quit. Create it on the stack
// of the thread that runs it; Run it once. Run loops nest: a RunLoop run from
// inside a task is nested in the one that runs the task.
class RunLoop {
 public:
  enum class Type {
    // A nested run of this type runs only system messages, no tasks.
    kDefault,
    // A nested run of this type also runs posted tasks.
    kNestableTasksAllowed,
  };

  // What runs the loop for RunLoop on a thread (the MessageLoop).
  class Delegate {
   public:
    Delegate();
    virtual ~Delegate();
    Delegate(const Delegate&) = delete;
    Delegate& operator=(const Delegate&) = delete;

    virtual void Run(bool application_tasks_allowed) = 0;
    virtual void Quit() = 0;
    virtual void EnsureWorkScheduled() = 0;

   protected:
    // Whether the innermost run asked to quit once idle.
    bool ShouldQuitWhenIdle() const;
    bool IsNested() const { return active_run_loops_.size() > 1; }

   private:
    friend class RunLoop;
    std::vector<RunLoop*> active_run_loops_;
  };

  explicit RunLoop(Type type = Type::kDefault);
  // A run loop whose Windows messages go to |dispatcher| while it is the
  // innermost run of a UI loop. The dispatcher must outlive the run.
  explicit RunLoop(MessageDispatcher* dispatcher, Type type = Type::kDefault);
  ~RunLoop();
  RunLoop(const RunLoop&) = delete;
  RunLoop& operator=(const RunLoop&) = delete;

  // Runs until Quit. Returns at once when Quit came first.
  void Run();
  // Runs until nothing is left to do right now; delayed tasks not yet due
  // stay queued.
  void RunUntilIdle();
  bool running() const { return running_; }

  // Ends the run (or, when called before Run, makes Run return at once).
  // From another thread, the quit is posted to the loop's thread. An outer
  // run that is quit while a nested run is active ends after the nested one.
  void Quit();
  // Ends the run as soon as it has nothing left to do.
  void QuitWhenIdle();
  // Callbacks that call Quit / QuitWhenIdle; usable from any thread and safe
  // to run after the RunLoop is gone.
  RepeatingClosure QuitClosure();
  RepeatingClosure QuitWhenIdleClosure();

  MessageDispatcher* dispatcher() const { return dispatcher_; }

  static bool IsRunningOnCurrentThread();
  static bool IsNestedOnCurrentThread();
  // The dispatcher of the innermost running run loop of this thread; null
  // when none runs or it has no dispatcher.
  static MessageDispatcher* GetCurrentDispatcher();

  // Makes |delegate| the one that runs RunLoops on the current thread; it
  // unregisters when destroyed.
  static void RegisterDelegateForCurrentThread(Delegate* delegate);

 private:
  static void QuitFromAnyThread(scoped_refptr<SingleThreadTaskRunner> origin,
                                WeakPtr<RunLoop> run_loop, bool when_idle);
  bool BeforeRun();
  void AfterRun();

  Delegate* const delegate_;
  MessageDispatcher* const dispatcher_;
  const Type type_;
  const scoped_refptr<SingleThreadTaskRunner> origin_task_runner_;
  bool run_called_ = false;
  bool quit_called_ = false;
  bool running_ = false;
  bool quit_when_idle_received_ = false;
  WeakPtrFactory<RunLoop> weak_factory_{this};
  // Made on the loop's thread; copies may travel to other threads.
  const WeakPtr<RunLoop> weak_this_;
};

}  // namespace base

#endif  // BASE_RUN_LOOP_H_
