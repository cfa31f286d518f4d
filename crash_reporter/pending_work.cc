#include "crash_reporter/pending_work.h"

namespace crash_reporter {

// static
PendingWork* PendingWork::GetReporterInstance() {
  static PendingWork* const instance = new PendingWork;
  return instance;
}

PendingWork::PendingWork() : event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

PendingWork::~PendingWork() {
  if (event_)
    CloseHandle(event_);
}

void PendingWork::Add() {
  AcquireSRWLockExclusive(&lock_);
  if (count_++ == 0)
    ResetEvent(event_);
  ReleaseSRWLockExclusive(&lock_);
}

void PendingWork::Release() {
  AcquireSRWLockExclusive(&lock_);
  if (--count_ == 0) {
    SetEvent(event_);
    if (release_hook_)
      release_hook_();
  }
  ReleaseSRWLockExclusive(&lock_);
}

void PendingWork::WaitUntilIdle() {
  for (;;) {
    WaitForSingleObject(event_, INFINITE);
    // The last Release sets the event while it holds the lock: taking the
    // lock waits for it to let go. Work added meanwhile is waited for too.
    AcquireSRWLockExclusive(&lock_);
    const bool idle = count_ == 0;
    ReleaseSRWLockExclusive(&lock_);
    if (idle)
      return;
  }
}

}  // namespace crash_reporter
