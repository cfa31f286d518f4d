#ifndef CRASH_REPORTER_PENDING_WORK_H_
#define CRASH_REPORTER_PENDING_WORK_H_

#include <windows.h>


namespace crash_reporter {

// Counts what keeps the reporter alive (the parent, queued uploads); its
// event is set while the count is 0 after work was added, so work added
// late (a dump that began as the parent ended) is waited for too.
class PendingWork {
 public:
  PendingWork();
  ~PendingWork();
  PendingWork(const PendingWork&) = delete;
  PendingWork& operator=(const PendingWork&) = delete;

  bool IsValid() const { return event_ != nullptr; }
  void Add();
  void Release();
  HANDLE event() const { return event_; }

 private:
  HANDLE event_;
  SRWLOCK lock_ = SRWLOCK_INIT;
  long count_ = 0;
};

}  // namespace crash_reporter

#endif  // CRASH_REPORTER_PENDING_WORK_H_
