#include "base/synchronization/waitable_event.h"

#include <vector>

#include "base/logging.h"

namespace base {

namespace {

void FailFast(const char* what) {
  PLOG(FATAL) << "WaitableEvent: " << what << " failed";
}

}  // namespace

WaitableEvent::WaitableEvent(ResetPolicy reset_policy, InitialState initial_state)
    : handle_(CreateEventW(nullptr, reset_policy == ResetPolicy::MANUAL,
                           initial_state == InitialState::SIGNALED, nullptr)) {
  // Without the handle nothing here can work, and silently not waiting would
  // be worse than stopping.
  if (!handle_)
    FailFast("CreateEvent");
}

WaitableEvent::WaitableEvent(HANDLE event_handle) : handle_(event_handle) {}

WaitableEvent::~WaitableEvent() {
  if (handle_)
    CloseHandle(handle_);
}

void WaitableEvent::Signal() {
  SetEvent(handle_);
}

void WaitableEvent::Reset() {
  ResetEvent(handle_);
}

bool WaitableEvent::IsSignaled() {
  return WaitForSingleObject(handle_, 0) == WAIT_OBJECT_0;
}

void WaitableEvent::Wait() {
  if (WaitForSingleObject(handle_, INFINITE) != WAIT_OBJECT_0)
    FailFast("WaitForSingleObject");
}

bool WaitableEvent::TimedWait(TimeDelta wait_delta) {
  if (wait_delta.is_max()) {
    Wait();
    return true;
  }
  // Windows waits may end a little early; wait again for what is left.
  const TimeTicks end = TimeTicks::Now() + wait_delta;
  for (;;) {
    const DWORD timeout = (end - TimeTicks::Now()).InMillisecondsForWait();
    DWORD result = WaitForSingleObject(handle_, timeout);
    if (result == WAIT_OBJECT_0)
      return true;
    if (result != WAIT_TIMEOUT)
      FailFast("WaitForSingleObject");
    if (timeout == 0 || TimeTicks::Now() >= end)
      return false;
  }
}

size_t WaitableEvent::WaitMany(WaitableEvent** events, size_t count) {
  if (count == 0 || count > MAXIMUM_WAIT_OBJECTS)
    FailFast("WaitMany (bad count)");
  std::vector<HANDLE> handles(count);
  for (size_t i = 0; i < count; ++i)
    handles[i] = events[i]->handle();
  DWORD result = WaitForMultipleObjects(static_cast<DWORD>(count), handles.data(), FALSE, INFINITE);
  if (result >= WAIT_OBJECT_0 + count)
    FailFast("WaitForMultipleObjects");
  return result - WAIT_OBJECT_0;
}

}  // namespace base
