#ifndef DESKTOP_WINDOWS_INSTALLER_WININET_TEST_SUPPORT_SCOPED_WININET_TASKS_H_
#define DESKTOP_WINDOWS_INSTALLER_WININET_TEST_SUPPORT_SCOPED_WININET_TASKS_H_

#include <windows.h>

#include "base/time/time.h"

// While it lives, WinINet's asynchronous tasks (a send, a read, a query
// for data) go through the test, which replaces QueueUserWorkItem in
// wininet.dll's import table; one at a time.
class ScopedWininetTasks {
 public:
  enum class Mode {
    // Each task runs to its end on the thread that started it, before the
    // call returns: the scheduling in which WinINet's worker always wins
    // against the caller, made certain. WinINet still reports the call as
    // pending and still delivers the completion through the status
    // callback.
    kInline,
    // Tasks run on WinINet's own threads, as they would; the test may wait
    // for them to end.
    kOnPool,
  };

  explicit ScopedWininetTasks(Mode mode);
  ~ScopedWininetTasks();
  ScopedWininetTasks(const ScopedWininetTasks&) = delete;
  ScopedWininetTasks& operator=(const ScopedWininetTasks&) = delete;

  // False when wininet.dll imports no QueueUserWorkItem to replace.
  bool active() const { return slot_ != nullptr; }
  // Tasks started while it lived.
  int started() const;
  // Waits until every task started so far has ended; false after `limit`.
  bool WaitForAll(base::TimeDelta limit) const;

 private:
  HMODULE wininet_ = nullptr;
  void** slot_ = nullptr;
  void* original_ = nullptr;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_WININET_TEST_SUPPORT_SCOPED_WININET_TASKS_H_
