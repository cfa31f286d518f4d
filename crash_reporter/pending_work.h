#ifndef CRASH_REPORTER_PENDING_WORK_H_
#define CRASH_REPORTER_PENDING_WORK_H_

#include <windows.h>

#include <atomic>

namespace crash_reporter {

// Counts what keeps the reporter alive (the parent, queued uploads); its
// event is set when the count drops to 0.
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
  std::atomic<long> count_{0};
};

}  // namespace crash_reporter

#endif  // CRASH_REPORTER_PENDING_WORK_H_
