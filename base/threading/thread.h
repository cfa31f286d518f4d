#ifndef BASE_THREADING_THREAD_H_
#define BASE_THREADING_THREAD_H_

#include <windows.h>

#include <memory>
#include <string>

#include "base/memory/ref_counted.h"
#include "base/message_loop/message_loop.h"
#include "base/single_thread_task_runner.h"
#include "base/synchronization/lock.h"
#include "base/threading/platform_thread.h"

namespace base {

class RunLoop;
class WaitableEvent;

// A named thread with its own message loop.
class Thread {
 public:
  enum class ComInit {
    kNone,
    kSTA,
    kMTA,
  };

  struct Options {
    Options() = default;
    explicit Options(MessageLoop::Type type) : message_loop_type(type) {}
    MessageLoop::Type message_loop_type = MessageLoop::TYPE_DEFAULT;
    // COM initialisation of the thread for its whole life.
    ComInit com = ComInit::kNone;
    // 0 for the system default.
    size_t stack_size = 0;
  };

  explicit Thread(const std::string& name);
  // Stops the thread.
  virtual ~Thread();
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  // Starts the thread and returns once its message loop takes tasks. False
  // when the thread could not be created (or was started already).
  bool Start();
  bool StartWithOptions(const Options& options);
  // Always true once Start succeeded (Start already waits for the loop).
  bool WaitUntilThreadStarted() const;

  // Runs the tasks posted so far (and what they post until the loop is
  // idle), then ends the thread and waits for it. Delayed tasks not yet due
  // are dropped. Must not be called on the thread itself.
  void Stop();

  // Valid from Start on; after Stop it still exists but drops every task.
  scoped_refptr<SingleThreadTaskRunner> task_runner() const;
  MessageLoop* message_loop() const { return message_loop_; }
  const std::string& thread_name() const { return name_; }
  PlatformThreadId thread_id() const { return thread_id_; }
  PlatformThreadId GetThreadId() const { return thread_id_; }
  bool IsRunning() const;

 protected:
  // Run on the thread before and after its loop runs.
  virtual void Init() {}
  virtual void Run(RunLoop* run_loop);
  virtual void CleanUp() {}

 private:
  struct StartupData;
  static DWORD WINAPI ThreadMain(void* param);
  void ThreadMainImpl(StartupData* startup);

  const std::string name_;
  HANDLE thread_ = nullptr;
  PlatformThreadId thread_id_ = kInvalidThreadId;
  MessageLoop* message_loop_ = nullptr;
  scoped_refptr<SingleThreadTaskRunner> task_runner_;
  RunLoop* run_loop_ = nullptr;
  mutable Lock running_lock_;
  bool running_ = false;
  bool stopping_ = false;
};

}  // namespace base

#endif  // BASE_THREADING_THREAD_H_
