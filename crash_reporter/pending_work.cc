#include "crash_reporter/pending_work.h"

namespace crash_reporter {

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
  if (--count_ == 0)
    SetEvent(event_);
  ReleaseSRWLockExclusive(&lock_);
}

}  // namespace crash_reporter
