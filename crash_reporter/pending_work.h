#ifndef CRASH_REPORTER_PENDING_WORK_H_
#define CRASH_REPORTER_PENDING_WORK_H_

#include <windows.h>

namespace crash_reporter {

// Counts what keeps the reporter alive (the parent, queued uploads); its
// event is set while the count is 0 after work was added, so work added
// late (a dump that began as the parent ended) is waited for too.
class PendingWork {
 public:
  // The reporter's counter. It is never destroyed: an upload thread
  // releasing its count may still be leaving the counter while the
  // reporter's main thread returns.
  static PendingWork* GetReporterInstance();

  PendingWork();
  ~PendingWork();
  PendingWork(const PendingWork&) = delete;
  PendingWork& operator=(const PendingWork&) = delete;

  bool IsValid() const { return event_ != nullptr; }
  void Add();
  void Release();
  HANDLE event() const { return event_; }

  // Waits until the count is 0 and the Release that brought it there has
  // left the counter.
  void WaitUntilIdle();

  // Runs inside Release right after the event was set (tests).
  using ReleaseHook = void (*)();
  void SetReleaseHookForTesting(ReleaseHook hook) { release_hook_ = hook; }

 private:
  HANDLE event_;
  SRWLOCK lock_ = SRWLOCK_INIT;
  long count_ = 0;
  ReleaseHook release_hook_ = nullptr;
};

}  // namespace crash_reporter

#endif  // CRASH_REPORTER_PENDING_WORK_H_
