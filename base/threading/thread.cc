#include "base/threading/thread.h"

#include <objbase.h>

#include "base/bind.h"
#include "base/logging.h"
#include "base/run_loop.h"
#include "base/synchronization/waitable_event.h"

namespace base {

struct Thread::StartupData {
  Thread* thread;
  Options options;
  WaitableEvent started;
  bool com_failed = false;
};

Thread::Thread(const std::string& name) : name_(name) {}

Thread::~Thread() {
  Stop();
}

bool Thread::Start() {
  return StartWithOptions(Options());
}

bool Thread::StartWithOptions(const Options& options) {
  if (thread_) {
    LOG(ERROR) << "Thread " << name_ << " started twice";
    return false;
  }
  StartupData startup{this, options};
  thread_ = CreateThread(nullptr, options.stack_size, &Thread::ThreadMain, &startup,
                         STACK_SIZE_PARAM_IS_A_RESERVATION, &thread_id_);
  if (!thread_) {
    PLOG(ERROR) << "Failed to create thread " << name_;
    thread_id_ = kInvalidThreadId;
    return false;
  }
  // The thread signals once its loop exists; it cannot fail before that.
  startup.started.Wait();
  return true;
}

bool Thread::WaitUntilThreadStarted() const {
  return thread_ != nullptr;
}

DWORD WINAPI Thread::ThreadMain(void* param) {
  auto* startup = static_cast<StartupData*>(param);
  startup->thread->ThreadMainImpl(startup);
  return 0;
}

void Thread::ThreadMainImpl(StartupData* startup) {
  PlatformThread::SetName(name_);
  bool com_initialized = false;
  if (startup->options.com != ComInit::kNone) {
    DWORD model = startup->options.com == ComInit::kSTA ? COINIT_APARTMENTTHREADED
                                                        : COINIT_MULTITHREADED;
    HRESULT hr = CoInitializeEx(nullptr, model);
    com_initialized = SUCCEEDED(hr);
    if (!com_initialized)
      LOG(ERROR) << "COM initialisation failed on thread " << name_ << ": 0x" << std::hex << hr;
  }

  {
    MessageLoop message_loop(startup->options.message_loop_type);
    RunLoop run_loop;
    {
      AutoLock lock(running_lock_);
      message_loop_ = &message_loop;
      task_runner_ = message_loop.task_runner();
      run_loop_ = &run_loop;
      running_ = true;
    }
    startup->started.Signal();  // |startup| dies with the starting call.

    Init();
    Run(&run_loop);
    CleanUp();

    AutoLock lock(running_lock_);
    running_ = false;
    run_loop_ = nullptr;
    message_loop_ = nullptr;
  }  // Pending tasks are destroyed here, on this thread.

  if (com_initialized)
    CoUninitialize();
}

void Thread::Run(RunLoop* run_loop) {
  run_loop->Run();
}

void Thread::Stop() {
  if (!thread_)
    return;
  if (GetCurrentThreadId() == thread_id_) {
    LOG(ERROR) << "Thread " << name_ << " cannot stop itself";
    return;
  }
  {
    AutoLock lock(running_lock_);
    if (running_ && !stopping_) {
      stopping_ = true;
      // Behind everything already posted; the loop ends once idle.
      task_runner_->PostTask(FROM_HERE, BindOnce(
                                            [](RunLoop* run_loop) { run_loop->QuitWhenIdle(); },
                                            Unretained(run_loop_)));
    }
  }
  WaitForSingleObject(thread_, INFINITE);
  CloseHandle(thread_);
  thread_ = nullptr;
  AutoLock lock(running_lock_);  // IsRunning reads it from any thread.
  stopping_ = false;
}

scoped_refptr<SingleThreadTaskRunner> Thread::task_runner() const {
  AutoLock lock(running_lock_);
  return task_runner_;
}

bool Thread::IsRunning() const {
  AutoLock lock(running_lock_);
  return running_ && !stopping_;
}

}  // namespace base
