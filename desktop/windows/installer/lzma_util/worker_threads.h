#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_WORKER_THREADS_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_WORKER_THREADS_H_

#include <windows.h>

#include <memory>
#include <vector>

#include "base/synchronization/condition_variable.h"
#include "base/synchronization/lock.h"

// Threads kept for work that comes again with every solid block: under
// Wine a thread's start and end cost about a millisecond, more than a
// small block takes to decode. A job runs on an idle thread, or on a new
// one when all are busy.
class WorkerThreads {
 public:
  using Function = void (*)(void* argument);

  // One run of a function; Join waits for its end.
  class Job {
   private:
    friend class WorkerThreads;
    // Guarded by the threads' lock.
    bool running_ = false;
  };

  WorkerThreads();
  WorkerThreads(const WorkerThreads&) = delete;
  WorkerThreads& operator=(const WorkerThreads&) = delete;
  // Every job must have been joined. Ends and joins the threads.
  ~WorkerThreads();

  // Runs `function(argument)` as `job`, which must not be running. False
  // when no thread is idle and none can be started.
  bool Start(Job* job, Function function, void* argument);
  void Join(Job* job);

  // Threads started so far.
  size_t thread_count() const;

 private:
  struct Thread;
  static DWORD WINAPI ThreadMain(void* thread);
  void Serve(Thread* thread);

  mutable base::Lock lock_;
  base::ConditionVariable changed_{&lock_};
  // Guarded by lock_.
  std::vector<std::unique_ptr<Thread>> threads_;
  bool stopping_ = false;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_WORKER_THREADS_H_
