#include "crash_reporter/pending_work.h"

namespace crash_reporter {

PendingWork::PendingWork() : event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

PendingWork::~PendingWork() {
  if (event_)
    CloseHandle(event_);
}

void PendingWork::Add() {
  ++count_;
}

void PendingWork::Release() {
  if (--count_ == 0)
    SetEvent(event_);
}

}  // namespace crash_reporter
